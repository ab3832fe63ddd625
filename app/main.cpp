#include "CommandLine.h"
#include "mdlMain.h"
#include "platform/Diagnostics.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

QtMessageHandler qtMessages = nullptr;

// What the offscreen platform says about a runtime folder it has no use for here would
// only be noise on a command's standard error.
void withoutRuntimeFolderNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (qtMessages)
        qtMessages(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    platform::setDiagnosticName("kolvmgr");
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine::Request request = CommandLine::parse(arguments);
    if (!request.usageError.isEmpty())
        return CommandLine::usageError(request.usageError);

    if (request.command != CommandLine::Request::Windows) {
        // The commands run without windows, so without a display. Drawing a preview's text
        // needs the fonts of a GUI application, which the offscreen platform gives.
        std::unique_ptr<QCoreApplication> app;
        if (request.command == CommandLine::Request::Preview) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            qtMessages = qInstallMessageHandler(withoutRuntimeFolderNotes);
            app = std::make_unique<QGuiApplication>(argc, argv);
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
        CommandLine::chooseRoot(request);
        return CommandLine::run(request);
    }
    if (!CommandLine::displayAvailable()) {
        std::fputs(
            request.archives.isEmpty()
                ? "kolvmgr: no display to show the windows on (DISPLAY and WAYLAND_DISPLAY are not set); "
                  "the commands of kolvmgr --help run without one\n"
                : "kolvmgr: no display to show the windows on (DISPLAY and WAYLAND_DISPLAY are not set); "
                  "kolvmgr --install ARCHIVE... installs without one\n",
            stderr);
        return CommandLine::Failed;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    CommandLine::chooseRoot(request);
    // The archives are named as the user named them, against the folder the program was
    // started in.
    QStringList archives;
    for (const QString& archive : request.archives)
        archives.append(QDir::current().absoluteFilePath(archive));
    return mdlMain::Main(archives);
}
