#pragma once
// Installing one archive: its entries extracted into the themes directory, the way the
// Install command does it (every entry, existing files replaced without a question). The
// main window's Install, archives dropped on it or handed to it at start, and the command
// line's --install all come here.

#include <QString>

struct InstallResult {
    // The extraction's result code (0 everything went well; the codes of ArchiveExtractor.h).
    int code = 0;
    // What the code means, in words.
    QString meaning;
    // False when the extraction library lacks one of its entry points: nothing was done,
    // and code and meaning say so.
    bool libraryReached = true;
    // Why a style file was not installed at all (its reader refused it, or its name cannot
    // be a folder's); nothing was written. Empty otherwise.
    QString refusal;
};

// Extracts the archive (a host path) into the themes directory (a Windows folder text
// ending in a backslash); a style file (.msstyles) given on its own is installed as
// Themes\<its name without .msstyles>\<its name>, once the style reader accepts it. Asks
// nothing and shows nothing. readFrom, when given, is the file that holds the archive's
// bytes (a copy handed over); the archive's own name still decides what it is.
InstallResult installArchive(const QString& archive, const QString& themesDirectory,
                             const QString& readFrom = QString());

// Whether the file (a host path) is a style file given on its own, by its ending.
bool isStyleFile(const QString& file);

// The meaning of an extraction result code.
QString extractionResultMeaning(int code);

// Takes away what installs killed earlier left in the themes directory (a Windows folder
// text): their temporary files, and the style folders that then hold nothing. For the
// start of the program and of each command, before any style is listed.
void removeInstallLeftovers(const QString& themesDirectory);
