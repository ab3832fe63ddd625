// A command run in several prefixes: each prefix's share is the program run on it alone,
// side by side; one line of outcome for each prefix, in the order they were named.

#include "CommandLine.h"
#include "Interrupts.h"

#include "commands/HostText.h"
#include "commands/PrefixJobs.h"
#include "commands/RootChoice.h"

#include <QDir>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace CommandLine {
namespace {

void printLine(std::FILE* stream, const QString& text) {
    std::fputs(HostText::toBytes(text + QLatin1Char('\n')).c_str(), stream);
    std::fflush(stream);
}

// The arguments of one prefix's run, after its --prefix.
QStringList commandArguments(const Request& request) {
    switch (request.command) {
    case Request::Install: {
        QStringList arguments{QStringLiteral("--install")};
        // Named against the folder this run was started in; each run is handed the same file.
        for (const QString& archive : request.archives)
            arguments.append(QDir::current().absoluteFilePath(archive));
        return arguments;
    }
    case Request::Apply: {
        QStringList arguments{QStringLiteral("--apply"), request.name};
        if (!request.color.isEmpty())
            arguments << QStringLiteral("--color") << request.color;
        if (!request.size.isEmpty())
            arguments << QStringLiteral("--size") << request.size;
        return arguments;
    }
    case Request::Classic:
        return {QStringLiteral("--classic")};
    case Request::Scheme:
        return {QStringLiteral("--scheme"), request.name};
    case Request::Uninstall:
        return {QStringLiteral("--uninstall"), request.name};
    default:
        return {QStringLiteral("--check")};
    }
}

QString doneWord(Request::Command command) {
    switch (command) {
    case Request::Install:
        return QStringLiteral("installed");
    case Request::Uninstall:
        return QStringLiteral("uninstalled");
    case Request::Check:
        return QStringLiteral("checked");
    default:
        return QStringLiteral("applied");
    }
}

} // namespace

int runInEachPrefix(const Request& request) {
    // Each prefix as it is shown on its line, and the folder its run is given.
    QStringList shown, folders;
    // A prefix named on the command line that is skipped was asked for and not done; one
    // --all-prefixes found and skipped (another Wine's that cannot be driven) was not asked
    // for by name.
    const bool skippedFails = !request.allPrefixes;
    std::vector<std::filesystem::path> seen;
    QList<QString> refusals;
    const auto add = [&](const QString& name, const std::filesystem::path& folder, const QString& refusal) {
        // A prefix named twice is run once: two runs in one prefix would race.
        for (const std::filesystem::path& earlier : seen)
            if (RootChoice::sameFolder(earlier, folder))
                return;
        seen.push_back(folder);
        shown.append(name);
        folders.append(HostText::fromBytes(folder.native()));
        refusals.append(refusal);
    };
    if (request.allPrefixes) {
        for (const RootChoice::ListedRoot& root : RootChoice::listRoots())
            add(HostText::fromBytes(root.folder.native()), root.folder, QString());
    } else {
        for (const QString& prefix : request.prefixes) {
            const std::filesystem::path folder = RootChoice::absoluteFolder(prefix);
            add(prefix, folder, RootChoice::refusal(folder));
        }
    }

    PrefixJobs::Runner runner(folders, commandArguments(request));
    runner.readArchivesOnce();
    for (int i = 0; i < refusals.size(); ++i)
        if (!refusals.at(i).isEmpty())
            runner.skip(i, refusals.at(i));

    // Each line as soon as it and those before it are known.
    int printed = 0;
    int exitCode = Success;
    const auto flush = [&] {
        for (; printed < shown.size(); ++printed) {
            const PrefixJobs::Outcome& outcome = runner.outcome(printed);
            const QString& name = shown.at(printed);
            switch (outcome.kind) {
            case PrefixJobs::Outcome::Done:
                printLine(stdout, name + QLatin1Char('\t') + doneWord(request.command));
                // The checkup's report, under its prefix's line.
                if (request.command == Request::Check)
                    for (const QString& line : outcome.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                        printLine(stdout, QLatin1Char('\t') + line);
                // What the run noted on the way (the theme service not reached, ...).
                if (!outcome.text.isEmpty())
                    printLine(stderr,
                              QStringLiteral("kolvmgr: ") + name + QStringLiteral(": ") + outcome.text);
                break;
            case PrefixJobs::Outcome::Skipped:
                printLine(stdout, name + QStringLiteral("\tskipped: ") + outcome.text);
                if (skippedFails)
                    exitCode = Failed;
                break;
            case PrefixJobs::Outcome::Failed:
                printLine(stdout, name + QStringLiteral("\tfailed: ") + outcome.text);
                exitCode = Failed;
                break;
            case PrefixJobs::Outcome::Cancelled:
                printLine(stdout, name + QStringLiteral("\tskipped: interrupted before it started"));
                exitCode = Failed;
                break;
            default:
                return;
            }
        }
    };
    QObject::connect(&runner, &PrefixJobs::Runner::changed, &runner, flush);
    // An interrupt starts no more prefixes; the runs going get the terminal's interrupt
    // themselves and end as they would alone, and each prefix's line is still said.
    const InterruptWatch stop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &runner, [&] {
        if (stop.interrupted()) {
            watch.stop();
            runner.cancel();
        }
    });
    watch.start(100);
    runner.waitForAll();
    flush();
    return exitCode;
}

} // namespace CommandLine
