#pragma once
// A classic look derived from the colours and fonts the user chose for the Linux desktop.
// XDG_CURRENT_DESKTOP says whose settings are read: KDE's when it names KDE; GNOME's when
// it names GNOME or a desktop built on GNOME's settings (Unity, Budgie, Cinnamon,
// Pantheon, GNOME Flashback and Classic); otherwise, and when it is unset, KDE's when the
// user has a kdeglobals file, else GNOME's. KDE's colour groups in kdeglobals map item by
// item onto the 31 system colours; GNOME gives only a light or dark preference, an accent
// colour and a font, so its look is this program's dark scheme or the light one
// (ColorSchemes.h) with the accent as the selection colour. The mapping is written out in
// docs/appearance.md. Whatever cannot be read keeps the base scheme's value and says so in
// the notes; the look always has all 31 colours. Fonts become the look's metrics (sizes
// grown to fit them); without a readable font the look has no metrics.
//
// Everything the readers look at comes in through DesktopEnvironment, so that tests can
// give them sample files and a scripted gsettings; systemDesktopEnvironment() is the real
// one.

#include "ClassicLook.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace appearance {

struct DesktopLook {
    ClassicLook look;
    // Where the look came from, for people: "KDE (~/.config/kdeglobals)",
    // "GNOME (gsettings org.gnome.desktop.interface)", "GTK (~/.config/gtk-3.0/settings.ini)".
    QString source;
    // What could not be read (a file or key missing, unreadable or malformed) and what was
    // used instead, one sentence each; also why a desktop was chosen when
    // XDG_CURRENT_DESKTOP did not say.
    QStringList notes;
};

// What `gsettings get SCHEMA KEY` did.
struct GSettingsReply {
    bool ran = false; // false: the program could not be started or did not finish
    int exitCode = 0;
    QString output; // standard output, e.g. "'prefer-dark'\n"
    QString error;  // standard error, or why it did not run
};
using GSettingsRunner = std::function<GSettingsReply(const QString& schema, const QString& key)>;

struct DesktopEnvironment {
    QString currentDesktop;    // XDG_CURRENT_DESKTOP, a colon-separated list
    QString home;              // shown as "~" in sources and notes
    QString configHome;        // XDG_CONFIG_HOME, or ~/.config
    QStringList configDirs;    // XDG_CONFIG_DIRS, or /etc/xdg; the first matters most
    GSettingsRunner gsettings; // empty when there is no gsettings program
};

// The process's own environment, with gsettings run from PATH (at most 5 seconds a call).
DesktopEnvironment systemDesktopEnvironment();

enum class DesktopKind { Kde, Gnome };
struct DesktopChoice {
    DesktopKind kind = DesktopKind::Gnome;
    QString note; // why, when XDG_CURRENT_DESKTOP did not decide it; empty otherwise
};
DesktopChoice chooseDesktop(const DesktopEnvironment& environment);

// The look of the chosen desktop.
DesktopLook desktopLook(const DesktopEnvironment& environment);

// Each desktop's reader on its own.
DesktopLook kdeDesktopLook(const DesktopEnvironment& environment);
DesktopLook gnomeDesktopLook(const DesktopEnvironment& environment);

} // namespace appearance
