#pragma once
// Apply and the classic look, without a window: the main window and the command line run
// them. In a Wine prefix where wine can be started they go through Wine's theme service
// (kolvmgr's Windows program, one `wine` start each), so that a style's own colours,
// metrics and fonts reach the programs started afterwards; elsewhere they record the
// style in the registry alone, for the next log-on. Nothing here asks or shows anything.

#include "style/StyleFile.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace platform::wine {
struct ThemeRun;
}

namespace StyleApply {

// The style file of an installed style, read (an empty StyleFile when it cannot be).
StyleFile readStyleFile(const QString& themes, const QString& style, const QString& styleFile);

// What Apply takes when the user chose nothing: NormalColor when the style offers it (or
// its list cannot be read), else its first scheme; the size the registry holds when the
// style offers it, else its first size (empty when its list cannot be read).
QString defaultColor(const StyleFile& file);
QString defaultSize(const StyleFile& file);

// The colour scheme or size a user named (its name or its display name, in any case), as
// its index in the style's list; 0 when nothing was named. nullopt, and in error the words
// that name what the style offers, when it offers nothing so named. The one place where a
// user's name meets the style's names (Apply and the preview).
std::optional<int> chosenColor(const StyleFile& file, const QString& style, const QString& asked,
                               QString& error);
std::optional<int> chosenSize(const StyleFile& file, const QString& style, const QString& asked,
                              QString& error);

struct Outcome {
    enum Kind {
        // Through Wine's theme service.
        Applied,
        // Wine's theme service cannot be reached (why says why): the registry was written
        // as without Wine; the style's colours and sizes wait for its next apply by Wine.
        RegistryOnly,
        // The registry did not take the values written without Wine.
        RegistryRefused,
        // The style file is damaged or no style: refused before Wine saw it.
        StyleRefused,
        // Wine's theme service refused, failed, hung or could not record the values; what
        // Wine holds is what it held before.
        WineFailed,
        // Wine's theme service was stopped or failed part-way, and what Wine holds names
        // neither the style asked for nor what was there before, or cannot be read.
        Unknown,
    } kind = Applied;
    QString why;
};

// Applies the installed style with the colour scheme and size given (names the style
// offers; empty for the defaults above). DllName (REG_EXPAND_SZ, %systemroot% kept
// literally), ColorName and SizeName are recorded after Wine's apply, or, without Wine,
// written as the registry's only change with ThemeActive "1" when theming is off.
Outcome applyStyle(const QString& themes, const QString& style, const QString& styleFile,
                   const QString& color = QString(), const QString& size = QString());
// "Selected visual style applied. You will need to logoff and login again to apply the settings"
QString appliedMessage();
// Why the style was not applied, for a failed outcome.
QString failureMessage(const QString& style, const QString& styleFile, const Outcome& outcome);
// The command line's note when Wine's theme service was not reached.
QString registryOnlyNote(const Outcome& outcome);

// Switches to no visual style: Wine's theme service restores the classic colours and
// metrics it saved; without Wine, ThemeActive "0".
Outcome applyClassic();
// What the user is told once the classic look is applied (through Wine or not).
QString classicMessage(const Outcome& outcome);
// Why it was not, for a failed outcome.
QString classicFailureMessage(const Outcome& outcome);

// Wine's theme service as the commands reach it: why it cannot be tried (empty when it
// can), and one run of the Windows program through wine, which gets {"apply", DllName
// text, colour, size} or {"classic"}. Tests put a scripted one in its place; nullopt
// goes back to the real one.
struct ThemeService {
    std::function<QString()> whyUnreachable;
    std::function<platform::wine::ThemeRun(const QStringList& request)> run;
};
void setThemeServiceForTests(std::optional<ThemeService> service);

} // namespace StyleApply
