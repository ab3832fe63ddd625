#pragma once
// The program's module, the themes directory: its text, its check and its styles.

#include <QString>

namespace mdlMain {

// The Windows directory text: a 500-blank buffer handed to GetWindowsDirectoryA, trimmed
// of blanks, its last character (the terminating null) dropped. Empty when the platform
// cannot give it.
QString windowsDirectoryText();
// The themes directory of a Windows directory: its text followed by "\Resources\Themes\".
// The one place that builds it.
QString themesDirectoryOf(const QString& windowsDirectory);
// The themes directory of the Windows directory text.
QString themesDirectory();
// "Error: unable to find folder " + W + "\Resources\Themes which contains all the visual
// styles."
QString missingThemesMessage(const QString& windowsDirectory);
// The missing-directory check: the missingThemesMessage when ChkPathExist of the themes
// directory is false, else empty.
QString missingThemes();
// The check as the windows make it: shows missingThemes() (style 0, default title) when
// the directory is missing. Returns whether it exists.
bool checkThemesDirectory();

// The number of enterable folders of the themes directory.
int CountInstalledStyles();

// A host path in Windows form, through the drive that reaches it; unchanged when none does.
QString windowsPathOf(const QString& hostPath);

} // namespace mdlMain
