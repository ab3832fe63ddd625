#include "cli/CommandLine.h"
#include "commands/HostText.h"
#include "commands/PrefixJobs.h"
#include "commands/mdlMainControl.h"
#include "common/ProblemText.h"
#include "mdlMain.h"
#include "platform/Diagnostics.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
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

// While Qt opens the display its messages are held back: when no display can be opened it
// ends the process (a fatal message), and the user gets the program's own word instead of
// Qt's and a core dump.
QString g_noDisplay;
QStringList g_held;

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fflush(stdout);
        std::fputs(HostText::toBytes(g_noDisplay).c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(CommandLine::Failed);
    }
    g_held.append(qFormatLogMessage(type, context, text));
}

std::unique_ptr<QApplication> openDisplay(int& argc, char** argv, const CommandLine::Request& request) {
    g_noDisplay = CommandLine::noDisplayMessage(request, true);
    const QtMessageHandler previous = qInstallMessageHandler(holdOrEnd);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    // It could: what Qt said on the way is said now.
    for (const QString& line : std::as_const(g_held))
        std::fputs(HostText::toBytes(line + QLatin1Char('\n')).c_str(), stderr);
    g_held.clear();
    return app;
}

} // namespace

int main(int argc, char** argv) {
    platform::setDiagnosticName("kolvmgr");
    quorlin::installProblemWords();
    QStringList arguments;
    // Archive names are taken by their bytes, whatever their encoding; a prefix's share of a
    // run on several has them escaped on the way.
    const bool job = PrefixJobs::takeJobMark();
    for (int i = 1; i < argc; ++i) {
        const QString argument = HostText::fromBytes(argv[i]);
        arguments.append(job ? PrefixJobs::fromJobArgument(argument) : argument);
    }
    const CommandLine::Request request = CommandLine::parse(arguments);
    if (!request.usageError.isEmpty())
        return CommandLine::usageError(request.usageError);
    if (const QString refused = CommandLine::refusedPrefix(request); !refused.isEmpty())
        return CommandLine::usageError(refused);

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
        mdlMain::setRoutineProvider(mdlMain::RoutineProvider::CommandLine);
        CommandLine::chooseRoot(request);
        return CommandLine::run(request);
    }
    if (!CommandLine::displayAvailable()) {
        std::fputs(HostText::toBytes(CommandLine::noDisplayMessage(request, false)).c_str(), stderr);
        return CommandLine::Failed;
    }
    const std::unique_ptr<QApplication> app = openDisplay(argc, argv, request);
    QApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    mdlMain::setRoutineProvider(mdlMain::RoutineProvider::Windows);
    CommandLine::chooseRoot(request);
    // The archives are named as the user named them, against the folder the program was
    // started in.
    QStringList archives;
    for (const QString& archive : request.archives)
        archives.append(QDir::current().absoluteFilePath(archive));
    return mdlMain::Main(archives);
}
