#include "mdlMain.h"

#include "commands/InstallArchive.h"
#include "commands/mdlMainStartup.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "mainwindow/ProgramIcon.h"
#include "mainwindow/frmMain.h"
#include "windows/frmSplash.h"

#include <QApplication>
#include <QTimer>

#include <memory>

using quorlin::UiServices;

namespace mdlMain {

int Main(const QStringList& archives) {
    // The desktop matches the program's windows to its menu entry, and each window carries
    // the program's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quorlin.kolvmgr"));
    QApplication::setWindowIcon(programIcon());
    {
        auto splash = std::make_unique<frmSplash>();
        UiServices::showModal(splash.get());
    }
    const QStringList notes = ReportStartupProblems();
    removeInstallLeftovers(themesDirectory());
    // Hiding the main window to the tray must not end the program; only its own
    // unload or Exit does.
    QApplication::setQuitOnLastWindowClosed(false);
    auto window = std::make_unique<frmMain>();
    window->showNotes(notes);
    window->Form_Load();
    window->show();
    if (!archives.isEmpty())
        window->offerToInstall(archives);
    // Start-up checks and measurements run the program to its first shown window only.
    if (qEnvironmentVariableIsSet("KOLV_QUIT_AFTER_START"))
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return QApplication::exec();
}

} // namespace mdlMain
