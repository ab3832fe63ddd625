// The arguments: what they ask for, the help and the version, and the root they name.

#include "CommandLine.h"

#include "AppInfo.h"
#include "commands/HostText.h"
#include "commands/RootChoice.h"

#include <cstdio>

namespace CommandLine {
namespace {

struct Option {
    const char* name;
    Request::Command command;
    const char* needs; // what follows it, nullptr for nothing
};

constexpr Option kOptions[] = {
    {"--help", Request::Help, nullptr},          {"-h", Request::Help, nullptr},
    {"--version", Request::Version, nullptr},    {"-v", Request::Version, nullptr},
    {"--prefixes", Request::Prefixes, nullptr},  {"--list", Request::List, nullptr},
    {"--apply", Request::Apply, "a style name"}, {"--classic", Request::Classic, nullptr},
    {"--install", Request::Install, nullptr},    {"--uninstall", Request::Uninstall, "a style name"},
    {"--check", Request::Check, nullptr},        {"--preview", Request::Preview, "a style name and a file"},
};

} // namespace

Request parse(const QStringList& arguments) {
    Request request;
    QString commandName;
    bool prefixGiven = false;
    bool logGiven = false;
    bool colorGiven = false;
    bool sizeGiven = false;
    bool optionsEnd = false;
    const auto fail = [&](const QString& why) {
        if (request.usageError.isEmpty())
            request.usageError = why;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnd || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            request.archives.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        // A value: the next argument, which must be there and not be empty.
        const auto value = [&](const char* what) -> QString {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                fail(arg + QStringLiteral(" needs ") + QLatin1String(what));
                return QString();
            }
            return arguments.at(++i);
        };
        if (arg == QLatin1String("--prefix")) {
            if (prefixGiven)
                fail(QStringLiteral("--prefix is given twice"));
            prefixGiven = true;
            request.prefix = value("a folder");
            continue;
        }
        if (arg == QLatin1String("--log")) {
            if (logGiven)
                fail(QStringLiteral("--log is given twice"));
            logGiven = true;
            request.logFile = value("a file");
            continue;
        }
        if (arg == QLatin1String("--color") || arg == QLatin1String("--size")) {
            const bool color = arg == QLatin1String("--color");
            bool& given = color ? colorGiven : sizeGiven;
            if (given)
                fail(arg + QStringLiteral(" is given twice"));
            given = true;
            (color ? request.color : request.size) = value(color ? "a colour scheme" : "a size");
            continue;
        }
        const Option* option = nullptr;
        for (const Option& o : kOptions)
            if (arg == QLatin1String(o.name))
                option = &o;
        if (!option) {
            fail(QStringLiteral("unknown option ") + arg);
            continue;
        }
        if (request.command != Request::Windows && option->command != Request::Help)
            fail(commandName + QStringLiteral(" and ") + arg + QStringLiteral(" cannot be given together"));
        // --help wins over everything else that was asked.
        if (request.command != Request::Help) {
            request.command = option->command;
            commandName = arg;
        }
        if (option->needs)
            request.name = value(option->needs);
        if (option->command == Request::Preview && !request.name.isEmpty())
            request.pictureFile = value(option->needs);
    }
    if (request.command == Request::Help) {
        request.usageError.clear();
        return request;
    }
    if (logGiven && request.command != Request::Check)
        fail(QStringLiteral("--log goes only with --check"));
    if (request.command != Request::Apply && request.command != Request::Preview) {
        if (colorGiven)
            fail(QStringLiteral("--color goes only with --apply or --preview"));
        if (sizeGiven)
            fail(QStringLiteral("--size goes only with --apply or --preview"));
    }
    if (request.command == Request::Install && request.archives.isEmpty())
        fail(QStringLiteral("--install needs at least one archive"));
    if (request.command != Request::Windows && request.command != Request::Install &&
        !request.archives.isEmpty())
        fail(QStringLiteral("unexpected argument ") + request.archives.constFirst());
    return request;
}

QString helpText() {
    return QStringLiteral("Usage: kolvmgr [--prefix DIR] [ARCHIVE...]\n"
                          "       kolvmgr [--prefix DIR] COMMAND\n"
                          "\n"
                          "Manages the visual styles of a Wine prefix. Without a command it opens its\n"
                          "windows (a display is needed) and offers to install the ARCHIVEs given.\n"
                          "\n"
                          "Commands (they need no display):\n"
                          "  -h, --help           print this help\n"
                          "  -v, --version        print the program's name and version\n"
                          "  --prefixes           list the Wine prefixes found on this machine, one a\n"
                          "                       line: \"* \" for the one managed, else two blanks, then\n"
                          "                       its folder, a tab and its name\n"
                          "  --list               list the installed visual styles, one a line: \"* \" for\n"
                          "                       the applied one, else two blanks, then its name; then,\n"
                          "                       each after a tab, what its style file gives:\n"
                          "                       colors=SCHEME,... sizes=SIZE,... name=DISPLAY NAME\n"
                          "                       author=AUTHOR version=VERSION\n"
                          "  --apply NAME [--color SCHEME] [--size SIZE]\n"
                          "                       make the style NAME the user's visual style, in its\n"
                          "                       colour scheme SCHEME and its size SIZE (names or\n"
                          "                       display names the style offers, in any case; its\n"
                          "                       defaults when not given); in a Wine prefix through\n"
                          "                       Wine's theme service\n"
                          "  --classic            switch to the classic look, without a visual style\n"
                          "  --install ARCHIVE... install the styles of each archive; prints for each\n"
                          "                       \"ARCHIVE: CODE MEANING\" (CODE 0: everything went well)\n"
                          "  --uninstall NAME     delete the style NAME with everything in its folder\n"
                          "  --check [--log FILE] check every style for missing parts, print the\n"
                          "                       checkup's lines, and save them as a checkup log FILE\n"
                          "  --preview NAME FILE [--color SCHEME] [--size SIZE]\n"
                          "                       draw the style NAME from its style file, as the window\n"
                          "                       shows it, and save the picture as the PNG file FILE;\n"
                          "                       SCHEME and SIZE, names or display names, choose its\n"
                          "                       colour scheme and size (else the style's own)\n"
                          "\n"
                          "Option:\n"
                          "  --prefix DIR         manage the Wine prefix DIR\n"
                          "\n"
                          "The Wine prefix managed: --prefix DIR; else $WINEPREFIX; else the one chosen\n"
                          "last in the window (File, Windows Root); else ~/.wine when it exists; else the\n"
                          "program's own under $XDG_DATA_HOME/kolvmgr.\n"
                          "\n"
                          "Results go to standard output, errors to standard error. Exit status: 0\n"
                          "success, 1 the command failed, 2 bad usage.\n");
}

QString versionText() {
    return QStringLiteral("kolvmgr (") + AppInfo::kTitle + QStringLiteral(") ") + AppInfo::versionNumbers() +
           QLatin1Char('\n');
}

bool displayAvailable() {
    // A platform plug-in named outright (offscreen, for instance) needs no display.
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

QString noDisplayMessage(const Request& request, bool opened) {
    QString why = QStringLiteral("DISPLAY and WAYLAND_DISPLAY are not set");
    if (opened) {
        QStringList named;
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            if (!qEnvironmentVariableIsEmpty(variable))
                named.append(QLatin1String(variable) + QLatin1Char('=') + qEnvironmentVariable(variable));
        }
        const QString last = named.takeLast();
        why = (named.isEmpty() ? last : named.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last) +
              QStringLiteral(" cannot be opened");
    }
    return QStringLiteral("kolvmgr: no display to show the windows on (") + why + QStringLiteral("); ") +
           (request.archives.isEmpty()
                ? QStringLiteral("the commands of kolvmgr --help run without one\n")
                : QStringLiteral("kolvmgr --install ARCHIVE... installs without one\n"));
}

QString refusedPrefix(const Request& request) {
    if (request.prefix.isEmpty() || request.command == Request::Help || request.command == Request::Version)
        return QString();
    return RootChoice::refusal(RootChoice::absoluteFolder(request.prefix));
}

void chooseRoot(const Request& request) {
    RootChoice::loadRemembered();
    if (!request.prefix.isEmpty())
        RootChoice::useForThisRun(request.prefix);
}

int usageError(const QString& why) {
    std::fputs(
        HostText::toBytes("kolvmgr: " + why + "\nTry 'kolvmgr --help' for more information.\n").c_str(),
        stderr);
    return BadUsage;
}

} // namespace CommandLine
