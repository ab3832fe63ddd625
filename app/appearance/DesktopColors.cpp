#include "DesktopColors.h"

#include "ColorSchemes.h"
#include "DesktopLookParts.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace appearance {

namespace {

// A gsettings call that takes longer than this is stuck (a hung session bus).
constexpr int kGSettingsMilliseconds = 5000;
// Windows' standard caption and menu sizes are made for an 11-pixel font.
constexpr double kStandardFontPixels = 11.0;

// Desktops that keep their look in GNOME's settings (org.gnome.desktop.interface) and
// GTK's settings.ini, by the names they give XDG_CURRENT_DESKTOP.
const char* const kGnomeFamily[] = {"GNOME",  "GNOME-Classic", "GNOME-Flashback", "Unity",
                                    "Budgie", "Pantheon",      "Cinnamon",        "X-Cinnamon"};

bool isGnomeFamily(const QString& name) {
    for (const char* member : kGnomeFamily)
        if (name.compare(QLatin1String(member), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

GSettingsReply runGSettings(const QString& program, const QString& schema, const QString& key) {
    GSettingsReply reply;
    QProcess process;
    process.start(program, {QStringLiteral("get"), schema, key});
    if (!process.waitForStarted(kGSettingsMilliseconds)) {
        reply.error = process.errorString();
        return reply;
    }
    if (!process.waitForFinished(kGSettingsMilliseconds)) {
        process.kill();
        process.waitForFinished(kGSettingsMilliseconds);
        reply.error =
            QStringLiteral("it did not finish within %1 seconds").arg(kGSettingsMilliseconds / 1000);
        return reply;
    }
    reply.ran = process.exitStatus() == QProcess::NormalExit;
    reply.exitCode = process.exitCode();
    reply.output = QString::fromUtf8(process.readAllStandardOutput());
    reply.error = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (!reply.ran && reply.error.isEmpty())
        reply.error = QStringLiteral("it crashed");
    return reply;
}

} // namespace

QString shownPath(const QString& path, const QString& home) {
    if (!home.isEmpty() && home != QLatin1String("/") && path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

Metrics metricsForFonts(const Font& text, const Font& menu, const Font& caption, const Font& smallCaption) {
    Metrics m = standardMetrics();
    m.captionFont = caption;
    m.smCaptionFont = smallCaption;
    m.menuFont = menu;
    m.statusFont = text;
    m.messageFont = text;
    m.iconFont = text;
    const auto grown = [](int standard, const Font& font) {
        const double pixels = font.height == 0 ? kStandardFontPixels : std::abs(font.height);
        return std::max(standard, static_cast<int>(std::lround(standard * pixels / kStandardFontPixels)));
    };
    m.captionWidth = grown(m.captionWidth, caption);
    m.captionHeight = grown(m.captionHeight, caption);
    m.smCaptionWidth = grown(m.smCaptionWidth, smallCaption);
    m.smCaptionHeight = grown(m.smCaptionHeight, smallCaption);
    m.menuWidth = grown(m.menuWidth, menu);
    m.menuHeight = grown(m.menuHeight, menu);
    return m;
}

DesktopEnvironment systemDesktopEnvironment() {
    DesktopEnvironment environment;
    environment.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    environment.home = QDir::homePath();
    // XDG's base directory rules ignore relative paths in these variables.
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    environment.configHome =
        QDir::isAbsolutePath(configHome) ? configHome : environment.home + QStringLiteral("/.config");
    for (const QString& dir :
         qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            environment.configDirs << dir;
    if (environment.configDirs.isEmpty())
        environment.configDirs << QStringLiteral("/etc/xdg");
    const QString program = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (!program.isEmpty())
        environment.gsettings = [program](const QString& schema, const QString& key) {
            return runGSettings(program, schema, key);
        };
    return environment;
}

DesktopChoice chooseDesktop(const DesktopEnvironment& environment) {
    DesktopChoice choice;
    const QStringList names = environment.currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        if (name.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0) {
            choice.kind = DesktopKind::Kde;
            return choice;
        }
        if (isGnomeFamily(name)) {
            choice.kind = DesktopKind::Gnome;
            return choice;
        }
    }
    const QString userFile = environment.configHome + QStringLiteral("/kdeglobals");
    const QString shown = shownPath(userFile, environment.home);
    const QString why = names.isEmpty()
                            ? QStringLiteral("XDG_CURRENT_DESKTOP is not set")
                            : QStringLiteral("XDG_CURRENT_DESKTOP names %1, neither KDE nor a GNOME desktop")
                                  .arg(names.join(QLatin1Char(':')));
    if (QFileInfo::exists(userFile)) {
        choice.kind = DesktopKind::Kde;
        choice.note = QStringLiteral("%1; %2 exists, so KDE's colours are read.").arg(why, shown);
    } else {
        choice.kind = DesktopKind::Gnome;
        choice.note = QStringLiteral("%1; there is no %2, so GNOME's settings are read.").arg(why, shown);
    }
    return choice;
}

DesktopLook desktopLook(const DesktopEnvironment& environment) {
    const DesktopChoice choice = chooseDesktop(environment);
    DesktopLook look =
        choice.kind == DesktopKind::Kde ? kdeDesktopLook(environment) : gnomeDesktopLook(environment);
    if (!choice.note.isEmpty())
        look.notes.prepend(choice.note);
    return look;
}

} // namespace appearance
