#pragma once
// A classic look set without a window: a colour scheme (--scheme, the Appearance window's
// scheme box), the Linux desktop's own colours, or items edited in the Appearance window.
// In a Wine prefix where wine can be started it goes through kolvmgr's Windows program,
// whose calls reach the programs started next even while a wineserver runs and which
// stores the values in Windows' formats; elsewhere the registry values alone are written,
// in one batch, and Wine reads them when it next starts. Before the program first changes
// a prefix's look it keeps what the prefix had in its settings, for Restore. Nothing here
// asks or shows anything.

#include "RegistryValues.h"
#include "appearance/AppearanceValues.h"
#include "appearance/ClassicLook.h"
#include "platform/ThemeService.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace LookApply {

enum class Mode {
    // The classic look in this look: a colour scheme, which replaces a visual style.
    Scheme,
    // Over the look in force: a visual style keeps its bitmaps and takes these colours,
    // sizes and fonts until it is applied again, as on Windows.
    Items,
};

struct Outcome {
    enum Kind {
        // Through Wine's calls: programs started from now on show it.
        Applied,
        // Wine's theme service cannot be reached (why: why not): the registry holds it,
        // read when Wine next starts.
        RegistryOnly,
        // The registry did not take the values written without Wine.
        RegistryRefused,
        // Wine refused or failed, and the registry holds what it held (why: the words).
        WineFailed,
        // Wine was stopped or failed part-way, and what the registry holds is neither
        // look, or cannot be read.
        Unknown,
    } kind = Applied;
    QString why;
    bool succeeded() const { return kind == Applied || kind == RegistryOnly; }
};

// Sets look, as mode says. A look without sizes and fonts keeps those in force.
Outcome apply(const appearance::ClassicLook& look, Mode mode);

// The values of the prefix's look as stored, each present or not: those under
// Control Panel\Colors and WindowMetrics, UserPreferencesMask, and ThemeManager's
// ThemeActive, DllName, ColorName and SizeName (whether a style is in use, and which).
struct Stored {
    struct Value {
        QString key;
        QString name;
        std::optional<RegistryValues::StoredValue> value; // nullopt: not there
        friend bool operator==(const Value&, const Value&) = default;
    };
    QList<Value> values;
    friend bool operator==(const Stored&, const Stored&) = default;

    // The look they hold, read over fallback (lookFromRegistry).
    appearance::LookFromRegistry look(const appearance::ClassicLook& fallback) const;
    // A text value as the program reads one (trimmed of its terminating zeros); empty
    // when it is not there.
    QString text(const QString& key, const QString& name) const;
    // ThemeManager's values alone.
    QList<Value> themeRecord() const;
};
// nullopt when the registry cannot say.
std::optional<Stored> readStored();

// What the prefix held before the program first changed its look, as kept in the
// program's settings; nullopt when the program never changed it.
std::optional<Stored> remembered();
// Puts those values back exactly. Where Wine can be reached, first through its theme
// service and its calls, so that programs started next show them: the style that was in
// use applied again (or the classic look, where none was), then the colours, sizes and
// fonts.
Outcome restore(const Stored& before);

// What the user is told; subject names what was set, as "The classic look in the colour
// scheme Brick" or "The appearance".
// "<subject> is applied: programs started from now on show it." or, without Wine,
// "<subject> is stored: Wine shows it from its next start."
QString appliedMessage(const QString& subject, const Outcome& outcome);
// Why it was not, for a failed outcome.
QString failureMessage(const QString& subject, const Outcome& outcome);
// The note when Wine's theme service was not reached.
QString registryOnlyNote(const Outcome& outcome);

// The look a user named: a colour scheme (findScheme), or "desktop" (in any case) for the
// Linux desktop's own colours; subject says it for the messages above ("The classic look
// in the colour scheme Brick", "The classic look in the colours of KDE
// (~/.config/kdeglobals)"), notes what of the desktop's could not be read. nullopt when no
// scheme is named so.
struct NamedLook {
    appearance::ClassicLook look;
    QString subject;
    QStringList notes;
};
std::optional<NamedLook> namedLook(const QString& name);
// "There is no colour scheme NAME; the colour schemes are these, and desktop for the
// Linux desktop's own colours:" and the listing, a name a line.
QString unknownSchemeMessage(const QString& name);

// The look as the theme service takes it.
platform::Look platformLook(const appearance::ClassicLook& look);

} // namespace LookApply
