// The commands of the command line, each on the code its window command runs.

#include "CommandLine.h"
#include "Interrupts.h"

#include "appearance/ColorSchemes.h"
#include "commands/CheckupScan.h"
#include "commands/HostText.h"
#include "commands/InstallArchive.h"
#include "commands/LogFileWriter.h"
#include "commands/LookApply.h"
#include "commands/PrefixJobs.h"
#include "commands/PreviewCommand.h"
#include "commands/RootChoice.h"
#include "commands/RootWine.h"
#include "commands/StyleApply.h"
#include "commands/StyleCommands.h"
#include "commands/ZipUnzip.h"
#include "commands/mdlMainControl.h"
#include "commands/mdlMainStartup.h"
#include "commands/mdlMainThemes.h"
#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "platform/Clock.h"
#include "platform/WindowsRoot.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace CommandLine {
namespace {

// Names given as bytes that are no UTF-8 are printed as they were given.
void print(const QString& text) {
    std::fputs(HostText::toBytes(text + QLatin1Char('\n')).c_str(), stdout);
}

void printError(const QString& text) {
    std::fflush(stdout);
    std::fputs(HostText::toBytes(QStringLiteral("kolvmgr: ") + text + QLatin1Char('\n')).c_str(), stderr);
}

// What keeps the program from working on the root goes to standard error, as the windows
// would show it, and so do the notes (once for the command); false when there is no root
// to work on.
bool rootUsable() {
    bool usable = true;
    for (const mdlMain::StartupProblem& problem : mdlMain::startupProblems()) {
        // Said once: standard error has it already.
        if (!problem.onStderr)
            printError(problem.text);
        usable = usable && !problem.noRoot;
    }
    return usable;
}

// Why one prefix's share of a run on several is not tried, to say on standard error (empty
// when the registry has said it already); nullopt when it is tried. Its registry cannot be
// read, or a command that changes the look finds no Wine of the prefix's own that may be
// started: alone, the registry files would take the change; among many, such a prefix is
// left as it is.
std::optional<QString> jobSkipped(Request::Command command) {
    for (const mdlMain::StartupProblem& problem : mdlMain::startupProblems()) {
        if (problem.noRoot)
            return std::nullopt; // fails as it would alone
        if (problem.onStderr)
            return QString();
    }
    if (command == Request::Apply || command == Request::Classic || command == Request::Scheme) {
        const RootWine::Shown wine = RootWine::shown(platform::windowsRoot());
        if (!wine.cannotDrive.isEmpty())
            return QStringLiteral("no Wine of its own may be started in it: ") + wine.cannotDrive;
    }
    return std::nullopt;
}

int prefixes() {
    for (const RootChoice::ListedRoot& root : RootChoice::listRoots())
        print(RootWine::prefixesLine(root));
    return Success;
}

// The themes directory, said missing on standard error as the windows say it.
QString themesDirectory(bool* exists = nullptr) {
    const QString missing = mdlMain::missingThemes();
    if (!missing.isEmpty())
        printError(missing);
    if (exists)
        *exists = missing.isEmpty();
    return mdlMain::themesDirectory();
}

// What --list says of a style after its name, for scripts: a tab, then key=value for each
// thing its file gives (colors and sizes as the registry names them, separated by commas;
// then its display name, author and version), tab-separated, in that order. Nothing for a
// style whose file cannot be read.
QString styleFields(const QString& themes, const QString& style) {
    const QString styleFile = StyleCommands::findStyleFile(themes, style);
    if (styleFile.isEmpty())
        return QString();
    const StyleFile file = StyleApply::readStyleFile(themes, style, styleFile);
    if (!file.isReadable())
        return QString();
    // A field's text keeps to its field and its line.
    const auto field = [](const char* key, QString value) {
        for (QChar& c : value)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        return QLatin1Char('\t') + QLatin1String(key) + QLatin1Char('=') + value;
    };
    QString fields;
    if (file.colorNames())
        fields += field("colors", file.colorNames()->join(QLatin1Char(',')));
    if (file.sizeNames())
        fields += field("sizes", file.sizeNames()->join(QLatin1Char(',')));
    const StyleDetails details = file.details();
    if (!details.displayName.isEmpty())
        fields += field("name", details.displayName);
    if (!details.author.isEmpty())
        fields += field("author", details.author);
    if (!details.version.isEmpty())
        fields += field("version", details.version);
    return fields;
}

int list() {
    bool exists = false;
    const QString themes = themesDirectory(&exists);
    if (!exists)
        return Failed;
    const QStringList styles = StyleCommands::installedStyles(themes);
    // One style is the applied one, even where folders differ only in case.
    const QString applied = StyleCommands::styleNamedIn(styles, StyleCommands::appliedStyle());
    for (const QString& name : styles)
        print((name == applied ? QStringLiteral("* ") : QStringLiteral("  ")) + name +
              styleFields(themes, name));
    return Success;
}

// How to drive a prefix whose own Wine the program did not find or may not start.
QString wineChoiceHint() {
    return QStringLiteral(
        "the prefix's own Wine can be named with --wine PATH (its wine program, or the folder of "
        "its build)");
}

// The installed style the user named, or why there is none on standard error.
QString namedStyle(const QString& themes, const QString& name) {
    const QString style = StyleCommands::installedStyleNamed(themes, name);
    if (style.isEmpty())
        printError(StyleCommands::notInstalledMessage(name, themes));
    return style;
}

int apply(const Request& request) {
    const QString themes = themesDirectory();
    const StyleApply::Outcome outcome = StyleApply::apply(themes, request.name, request.color, request.size);
    if (!outcome.succeeded()) {
        printError(StyleApply::failureMessage(themes, outcome));
        if (outcome.wineChoice)
            printError(wineChoiceHint());
        return Failed;
    }
    if (outcome.kind == StyleApply::Outcome::RegistryOnly) {
        printError(StyleApply::registryOnlyNote(outcome));
        if (outcome.wineChoice)
            printError(wineChoiceHint());
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

// An interrupt (Ctrl+C) or a termination signal is the command line's Cancel: the
// extraction stops after its entry and undoes what it did.
class InterruptCancels final : public ZipUnzip::UnzipObserver {
public:
    InterruptCancels() { ZipUnzip::setObserver(this); }
    ~InterruptCancels() override { ZipUnzip::setObserver(nullptr); }
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

    bool interrupted() const { return m_watch.interrupted(); }
    void blockWritten(std::uint64_t) override {}
    bool entryDone() override { return !interrupted(); }

private:
    InterruptWatch m_watch;
};

int install(const QStringList& archives) {
    const QString themes = themesDirectory();
    int exitCode = Success;
    InterruptCancels interrupt;
    for (qsizetype i = 0; i < archives.size(); ++i) {
        const QString& archive = archives.at(i);
        // The archives after a Cancel are not installed.
        if (interrupt.interrupted())
            return Failed;
        const InstallResult result =
            installArchive(QDir::current().absoluteFilePath(archive), themes, PrefixJobs::handedArchive(i));
        if (!result.refusal.isEmpty()) {
            printError(result.refusal);
            exitCode = Failed;
        } else if (!result.libraryReached) {
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
    const StyleCommands::Removal removal = StyleCommands::removeStyleFolder(
        themes + style + QLatin1Char('\\'), StyleCommands::fileInUse(themes, style));
    const QString message = StyleCommands::removalMessage(style, themes, removal);
    if (removal.outcome != StyleCommands::Removal::Removed) {
        printError(message);
        return Failed;
    }
    print(message);
    return Success;
}

// The look --scheme and --preview --scheme name, with what of the desktop's colours could
// not be read on standard error; nullopt, and the schemes there are, when none is named so.
std::optional<LookApply::NamedLook> namedLook(const QString& name) {
    const std::optional<LookApply::NamedLook> look = LookApply::namedLook(name);
    if (!look) {
        printError(LookApply::unknownSchemeMessage(name));
        return std::nullopt;
    }
    for (const QString& note : look->notes)
        printError(note);
    return look;
}

int schemes() {
    std::fputs(HostText::toBytes(appearance::schemeListing()).c_str(), stdout);
    return Success;
}

int scheme(const QString& name) {
    const std::optional<LookApply::NamedLook> look = namedLook(name);
    if (!look)
        return Failed;
    const LookApply::Outcome outcome = LookApply::apply(look->look, LookApply::Mode::Scheme);
    if (!outcome.succeeded()) {
        printError(LookApply::failureMessage(look->subject, outcome));
        return Failed;
    }
    if (outcome.kind == LookApply::Outcome::RegistryOnly)
        printError(LookApply::registryOnlyNote(outcome));
    print(LookApply::appliedMessage(look->subject, outcome));
    return Success;
}

int preview(const Request& request) {
    PreviewCommand::Drawn drawn;
    if (request.previewScheme) {
        const std::optional<LookApply::NamedLook> look = namedLook(request.name);
        if (!look)
            return Failed;
        drawn = PreviewCommand::draw(look->look, look->subject);
    } else {
        const QString themes = themesDirectory();
        const QString style = namedStyle(themes, request.name);
        if (style.isEmpty())
            return Failed;
        drawn = PreviewCommand::draw(themes, style, request.color, request.size);
    }
    if (drawn.image.isNull()) {
        printError(drawn.error);
        return Failed;
    }
    // Written whole or not at all: a picture cut short is never left under the name.
    QSaveFile file(QDir::current().absoluteFilePath(request.pictureFile));
    if (!file.open(QIODevice::WriteOnly) || !drawn.image.save(&file, "PNG") || !file.commit()) {
        printError(QStringLiteral("the picture could not be written to ") + request.pictureFile +
                   QStringLiteral(": ") + file.errorString());
        return Failed;
    }
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
    const bool job = PrefixJobs::takeJobMark();
    if (severalPrefixes(request))
        return runInEachPrefix(request);
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
    case Request::Schemes:
        return schemes();
    case Request::Preview:
        // A scheme's scene is drawn from the program's own schemes: no root is needed.
        if (request.previewScheme)
            return preview(request);
        [[fallthrough]];
    case Request::List:
    case Request::Apply:
    case Request::Classic:
    case Request::Install:
    case Request::Uninstall:
    case Request::Check:
    case Request::Scheme:
        if (job) {
            if (const std::optional<QString> why = jobSkipped(request.command)) {
                if (!why->isEmpty())
                    printError(*why);
                return PrefixJobs::kSkippedExit;
            }
        }
        if (!rootUsable())
            return Failed;
        removeInstallLeftovers(mdlMain::themesDirectory());
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
    case Request::Preview:
        return preview(request);
    case Request::Scheme:
        return scheme(request.name);
    default:
        return usageError(QStringLiteral("no command given"));
    }
}

} // namespace CommandLine
