#include "CommandLine.h"
#include "HostText.h"
#include "mdlMain.h"
#include "platform/Diagnostics.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    platform::setDiagnosticName("kolvmgr");
    QStringList arguments;
    // Archive names are taken by their bytes, whatever their encoding.
    for (int i = 1; i < argc; ++i)
        arguments.append(HostText::fromBytes(argv[i]));
    const CommandLine::Request request = CommandLine::parse(arguments);
    if (!request.usageError.isEmpty())
        return CommandLine::usageError(request.usageError);

    if (request.command != CommandLine::Request::Windows) {
        // The commands run without windows, so without a display.
        QCoreApplication app(argc, argv);
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
