// The commands of the command line, each on the code its window command runs.

#include "CommandLine.h"

#include "InstallArchive.h"
#include "RootChoice.h"
#include "StyleApply.h"
#include "StyleCommands.h"
#include "checkup/CheckupScan.h"
#include "checkup/LogFileWriter.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "mdlMain.h"
#include "platform/Clock.h"

#include <QDir>

#include <cstdio>

namespace CommandLine {
namespace {

void print(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
}

void printError(const QString& text) {
    std::fflush(stdout);
    std::fputs((QStringLiteral("kolvmgr: ") + text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

// What keeps the program from working on the root goes to standard error, as the windows
// would show it; false when there is no root to work on.
bool rootUsable() {
    bool usable = true;
    for (const mdlMain::StartupProblem& problem : mdlMain::startupProblems()) {
        if (problem.style == quorlin::MsgInformation)
            continue;
        printError(problem.text);
        usable = usable && !problem.noRoot;
    }
    return usable;
}

int prefixes() {
    for (const RootChoice::ListedRoot& root : RootChoice::listRoots())
        print((root.managed ? QStringLiteral("* ") : QStringLiteral("  ")) +
              QString::fromStdString(root.folder.string()) + QLatin1Char('\t') + root.name);
    return Success;
}

// The themes directory, said missing on standard error as the windows say it.
QString themesDirectory(bool* exists = nullptr) {
    const QString windows = mdlMain::windowsDirectoryText();
    const QString themes = windows + QStringLiteral("\\Resources\\Themes\\");
    const bool found = mdlMain::ChkPathExist(themes);
    if (!found)
        printError(mdlMain::missingThemesMessage(windows));
    if (exists)
        *exists = found;
    return themes;
}

int list() {
    bool exists = false;
    const QString themes = themesDirectory(&exists);
    if (!exists)
        return Failed;
    const QString applied = StyleCommands::appliedStyle();
    bool marked = false;
    StyleCommands::listInstalledStyles(
        themes,
        [&](const QString& name) {
            // One style is the applied one, even where folders differ only in case.
            const bool isApplied = !marked && name.compare(applied, Qt::CaseInsensitive) == 0;
            marked = marked || isApplied;
            print((isApplied ? QStringLiteral("* ") : QStringLiteral("  ")) + name);
        },
        [] {});
    return Success;
}

// The installed style the user named, or why there is none on standard error.
QString namedStyle(const QString& themes, const QString& name) {
    const QString style = StyleCommands::installedStyleNamed(themes, name);
    if (style.isEmpty())
        printError(QStringLiteral("no visual style named ") + name + QStringLiteral(" is installed in ") +
                   themes);
    return style;
}

// The scheme or size the user asked for, in the style's spelling; empty when none was
// asked for. Refused on standard error when the style offers none so named.
bool offeredChoice(const QString& style, const std::optional<QStringList>& offered, const QString& asked,
                   const char* what, QString& choice) {
    if (asked.isEmpty())
        return true;
    choice = offered ? StyleApply::offeredNamed(*offered, asked) : QString();
    if (choice.isEmpty())
        printError(QStringLiteral("Visual Style ") + style + QStringLiteral(" offers no ") +
                   QLatin1String(what) + QLatin1Char(' ') + asked + QStringLiteral("; it offers: ") +
                   StyleApply::offeredList(offered));
    return !choice.isEmpty();
}

int apply(const Request& request) {
    const QString themes = themesDirectory();
    const QString style = namedStyle(themes, request.name);
    if (style.isEmpty())
        return Failed;
    const QString styleFile = StyleCommands::findStyleFile(themes, style);
    if (styleFile.isEmpty()) {
        printError(style + QStringLiteral(": ") + StyleCommands::noStyleFileMessage());
        return Failed;
    }
    if (!StyleCommands::canApply(style, styleFile)) {
        printError(StyleCommands::cannotApplyMessage(style, styleFile));
        return Failed;
    }
    const StyleFile file = StyleApply::readStyleFile(themes, style, styleFile);
    QString color, size;
    if (!offeredChoice(style, file.colorNames(), request.color, "colour scheme", color) ||
        !offeredChoice(style, file.sizeNames(), request.size, "size", size))
        return Failed;
    const StyleApply::Outcome outcome = StyleApply::applyStyle(themes, style, styleFile, color, size);
    switch (outcome.kind) {
    case StyleApply::Outcome::Applied:
        break;
    case StyleApply::Outcome::RegistryOnly:
        printError(StyleApply::registryOnlyNote(outcome));
        break;
    default:
        printError(StyleApply::failureMessage(style, styleFile, outcome));
        return Failed;
    }
    print(StyleApply::appliedMessage());
    return Success;
}

int classic() {
    const StyleApply::Outcome outcome = StyleApply::applyClassic();
    if (outcome.kind != StyleApply::Outcome::Applied && outcome.kind != StyleApply::Outcome::RegistryOnly) {
        printError(StyleApply::classicFailureMessage(outcome));
        return Failed;
    }
    print(StyleApply::classicMessage(outcome));
    return Success;
}

int install(const QStringList& archives) {
    const QString themes = themesDirectory();
    int exitCode = Success;
    for (const QString& archive : archives) {
        const InstallResult result = installArchive(QDir::current().absoluteFilePath(archive), themes);
        if (!result.libraryReached) {
            printError(archive + QStringLiteral(": ") + result.meaning);
            exitCode = Failed;
        } else if (result.code != 0) {
            printError(archive + QStringLiteral(": ") + QString::number(result.code) + QLatin1Char(' ') +
                       result.meaning);
            exitCode = Failed;
        } else {
            print(archive + QStringLiteral(": 0 ") + result.meaning);
        }
    }
    return exitCode;
}

int uninstall(const QString& name) {
    const QString themes = themesDirectory();
    const QString style = namedStyle(themes, name);
    if (style.isEmpty())
        return Failed;
    const StyleCommands::Removal removal =
        StyleCommands::removeStyleFolder(themes + style + QLatin1Char('\\'));
    const QString message = StyleCommands::removalMessage(style, themes, removal);
    if (removal.outcome != StyleCommands::Removal::Removed) {
        printError(message);
        return Failed;
    }
    print(message);
    return Success;
}

// The scan's report on standard output, kept for the log file.
class ConsoleReport : public checkup::ScanHost {
public:
    QStringList lines;

    void status(uint8_t, const QString&) override {}
    void line(const QString& text) override {
        lines.append(text);
        print(text);
    }
    int lineCount() const override { return static_cast<int>(lines.size()); }
    bool tellMissingThemes(const QString& text) override {
        printError(text);
        return true;
    }
    // The window's pause lets the user see "Analyzing results"; nobody watches here.
    bool pauseOneSecond() override { return true; }
};

int check(const QString& logFile) {
    ConsoleReport report;
    QString elapsed;
    checkup::runScan(report, static_cast<float>(platform::secondsSinceMidnight()), elapsed);
    if (logFile.isEmpty())
        return Success;
    LogFileWriter file;
    int error = file.open(QDir::current().absoluteFilePath(logFile));
    if (!error)
        error = writeCheckupLogHead(file);
    for (qsizetype k = 0; !error && k < report.lines.size(); ++k)
        error = file.writeLine(report.lines.at(k));
    if (!error)
        error = writeCheckupLogTail(file);
    const int closed = file.close();
    if (!error)
        error = closed;
    if (error) {
        printError(QStringLiteral("An error occurred when saving the log file ") + logFile +
                   QStringLiteral(". Error details: ") + QString::number(error) + QStringLiteral(" - ") +
                   quorlin::RuntimeError::descriptionOf(error));
        return Failed;
    }
    return Success;
}

} // namespace

int run(const Request& request) {
    switch (request.command) {
    case Request::Windows:
        break;
    case Request::Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return Success;
    case Request::Version:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        return Success;
    case Request::Prefixes:
        return prefixes();
    case Request::List:
    case Request::Apply:
    case Request::Classic:
    case Request::Install:
    case Request::Uninstall:
    case Request::Check:
        if (!rootUsable())
            return Failed;
        break;
    }
    switch (request.command) {
    case Request::List:
        return list();
    case Request::Apply:
        return apply(request);
    case Request::Classic:
        return classic();
    case Request::Install:
        return install(request.archives);
    case Request::Uninstall:
        return uninstall(request.name);
    case Request::Check:
        return check(request.logFile);
    default:
        return usageError(QStringLiteral("no command given"));
    }
}

} // namespace CommandLine
