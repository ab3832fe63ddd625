#pragma once
// Apply and the classic look, without a window: the main window and the command line run
// them. In a Wine prefix where wine can be started they go through Wine's theme service
// (kolvmgr's Windows program, one `wine` start each), so that a style's own colours,
// metrics and fonts reach the programs started afterwards; elsewhere they record the
// style in the registry alone, for the next log-on. Nothing here asks or shows anything.

#include "style/StyleFile.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace StyleApply {

// A DllName as Windows finds the file: %systemroot% expanded.
QString expandedDllName(const QString& dllName);

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
        // No installed style is named so (why: the name).
        NotInstalled,
        // The style's folder holds no style file.
        NoStyleFile,
        // The registry's ANSI text cannot carry the folder's or the file's name.
        NameNotAnsi,
        // The style offers no colour scheme or size so named (why: the whole sentence).
        NoSuchChoice,
        // The style file is damaged or no style: refused before Wine saw it.
        StyleRefused,
        // The registry did not take the values written without Wine.
        RegistryRefused,
        // Wine's theme service refused, failed, hung or could not record the values; what
        // Wine holds is what it held before.
        WineFailed,
        // Wine's theme service was stopped or failed part-way, and what Wine holds names
        // neither the style asked for nor what was there before, or cannot be read.
        Unknown,
    } kind = Applied;
    QString why;
    // The style as installed, and its file, once found.
    QString style;
    QString styleFile;
    // Whether what kept Wine from it was the prefix's Wine (none of it may be started),
    // which the user can name otherwise.
    bool wineChoice = false;

    Outcome() = default;
    Outcome(Kind k, QString reason = QString()) : kind(k), why(std::move(reason)) {}
    bool succeeded() const { return kind == Applied || kind == RegistryOnly; }
};

// An Apply found and checked: the installed style the user named, its style file, names
// the registry can carry, the file read (once), the colour scheme and size validated
// against it (the user's names, spelled as the style spells them; the defaults where none
// was named) and the DllName text to record. refusal.kind is Applied when it can go on.
struct Plan {
    Outcome refusal;
    QString style;
    QString styleFile;
    StyleFile file;
    QString color;
    QString size;
    bool sizeChosen = false;
    QString dllText;

    bool ready() const { return refusal.kind == Outcome::Applied; }
};

// Finds and checks what Apply would take: the style named (its name as the user gave it,
// any case) in the themes directory (text ending in a backslash), with the colour scheme
// and size named (names or display names, any case; empty: the defaults above).
Plan plan(const QString& themes, const QString& name, const QString& color = QString(),
          const QString& size = QString());
// Applies what was planned: through Wine's theme service where it can be reached (the
// file must then be one the reader takes), else DllName (REG_EXPAND_SZ, %systemroot% kept
// literally), ColorName and SizeName written as the registry's only change, with
// ThemeActive "1" when theming is off. Whatever kept it from being applied is the outcome.
Outcome apply(const Plan& plan);
// Both: the one entry of Apply, for the window's and the command line's.
Outcome apply(const QString& themes, const QString& name, const QString& color = QString(),
              const QString& size = QString());

// "Selected visual style applied. You will need to logoff and login again to apply the settings"
QString appliedMessage();
// Why the style was not applied, for a failed outcome (themes: the directory it was
// looked for in).
QString failureMessage(const QString& themes, const Outcome& outcome);
// The command line's note when Wine's theme service was not reached.
QString registryOnlyNote(const Outcome& outcome);

// Switches to no visual style: Wine's theme service restores the classic colours and
// metrics it saved; without Wine, ThemeActive "0".
Outcome applyClassic();
// What the user is told once the classic look is applied (through Wine or not).
QString classicMessage(const Outcome& outcome);
// Why it was not, for a failed outcome.
QString classicFailureMessage(const Outcome& outcome);

} // namespace StyleApply
