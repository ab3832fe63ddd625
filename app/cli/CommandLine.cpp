// The arguments: what they ask for, the help and the version, and the root they name.

#include "CommandLine.h"

#include "AppInfo.h"
#include "commands/HostText.h"
#include "commands/RootChoice.h"
#include "commands/RootWine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHash>

#include <cstdio>
#include <optional>

namespace CommandLine {
namespace {

// A command, with the words for what follows it (nullptr when nothing does).
struct CommandOption {
    const char* name;
    Request::Command command;
    const char* needs;
};

constexpr CommandOption kCommands[] = {
    {"help", Request::Help, nullptr},          {"h", Request::Help, nullptr},
    {"version", Request::Version, nullptr},    {"v", Request::Version, nullptr},
    {"prefixes", Request::Prefixes, nullptr},  {"list", Request::List, nullptr},
    {"apply", Request::Apply, "a style name"}, {"classic", Request::Classic, nullptr},
    {"install", Request::Install, nullptr},    {"uninstall", Request::Uninstall, "a style name"},
    {"check", Request::Check, nullptr},        {"preview", Request::Preview, "a style name and a file"},
    {"schemes", Request::Schemes, nullptr},    {"scheme", Request::Scheme, "a scheme name"},
};

// An option that goes with a command and takes one value.
struct Setting {
    const char* name;
    const char* needs;
    QString Request::*field;
};

constexpr Setting kSettings[] = {
    {"prefix", "a folder", &Request::prefix}, {"wine", "a program", &Request::wine},
    {"log", "a file", &Request::logFile},     {"color", "a colour scheme", &Request::color},
    {"size", "a size", &Request::size},
};

// The one option that takes no value and is no command.
const QLatin1String kAllPrefixes("all-prefixes");

// The commands a run in several prefixes takes.
bool runsInSeveralPrefixes(Request::Command command) {
    switch (command) {
    case Request::Install:
    case Request::Apply:
    case Request::Classic:
    case Request::Scheme:
    case Request::Uninstall:
    case Request::Check:
        return true;
    default:
        return false;
    }
}

// The option as the user types it.
QString spelled(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

const CommandOption* commandNamed(const QString& name) {
    for (const CommandOption& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

const Setting* settingNamed(const QString& name) {
    for (const Setting& s : kSettings)
        if (name == QLatin1String(s.name))
            return &s;
    return nullptr;
}

// The name of the option an argument spells exactly (--list, -h), else empty.
QString optionName(const QString& argument) {
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    const bool known = commandNamed(name) || settingNamed(name) || name == kAllPrefixes;
    return known && spelled(name) == argument ? name : QString();
}

bool takesValue(const QString& name) {
    const CommandOption* command = commandNamed(name);
    return settingNamed(name) || (command && command->needs);
}

void addOptions(QCommandLineParser& parser) {
    // The help text is our own, so the options need no descriptions.
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
    for (const CommandOption& c : kCommands) {
        if (c.command != Request::Help && c.command != Request::Version)
            parser.addOption(QCommandLineOption(QLatin1String(c.name), QString(),
                                                c.needs ? QStringLiteral("NAME") : QString()));
    }
    for (const Setting& s : kSettings)
        parser.addOption(QCommandLineOption(QLatin1String(s.name), QString(), QStringLiteral("VALUE")));
    parser.addOption(QCommandLineOption(kAllPrefixes));
}

// An option as typed, and for --preview the file after its style; for --preview --scheme
// the scheme's name too.
struct TypedOption {
    QString text;
    std::optional<QString> picture;
    std::optional<QString> scheme;
};

// The options as typed, in their order; the parser says which options it found but not
// where, and a mistake is reported in the order the arguments give. An option that takes a
// value takes the argument after it, whatever it looks like, as the parser does; after
// "--" come only positional arguments. The files of --preview are taken out of arguments:
// the parser gives an option one value, and --preview takes a style and a file. A preview
// of a scheme, --preview --scheme NAME FILE, is taken out whole.
QList<TypedOption> takeOptionsAsTyped(QStringList& arguments) {
    QList<TypedOption> options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            continue;
        if (argument == QLatin1String("--preview") && i + 1 < arguments.size() &&
            arguments.at(i + 1) == QLatin1String("--scheme")) {
            TypedOption option{argument, std::nullopt, QString()};
            if (i + 2 < arguments.size())
                option.scheme = arguments.at(i + 2);
            if (i + 3 < arguments.size())
                option.picture = arguments.at(i + 3);
            arguments.remove(i, std::min<qsizetype>(4, arguments.size() - i));
            --i;
            options.append(option);
            continue;
        }
        TypedOption option{argument, std::nullopt, std::nullopt};
        if (argument == QLatin1String("--preview") && i + 2 < arguments.size() &&
            !arguments.at(i + 1).isEmpty() && !arguments.at(i + 2).isEmpty())
            option.picture = arguments.takeAt(i + 2);
        if (takesValue(optionName(argument)))
            ++i;
        options.append(option);
    }
    return options;
}

} // namespace

Request parse(const QStringList& arguments) {
    Request request;
    const auto fail = [&](const QString& why) {
        if (request.usageError.isEmpty())
            request.usageError = why;
    };
    // The parser splits the arguments into options, their values and the positional
    // arguments. What it would accept beyond the program's own words (--apply=NAME, -hv,
    // --h) is an unknown option here, and its error texts are not used.
    QStringList args = arguments;
    const QList<TypedOption> options = takeOptionsAsTyped(args);
    QCommandLineParser parser;
    addOptions(parser);
    parser.parse(QStringList(QString()) + args);

    bool help = false;
    QString commandName;
    QHash<QString, qsizetype> occurrences;
    for (const TypedOption& typed : options) {
        const QString& option = typed.text;
        const QString name = optionName(option);
        if (name.isEmpty()) {
            fail(QStringLiteral("unknown option ") + option);
            continue;
        }
        if (typed.scheme) {
            // The parser never saw it: it counts as no occurrence of --preview there.
            if (request.command != Request::Windows)
                fail(commandName + QStringLiteral(" and ") + option +
                     QStringLiteral(" cannot be given together"));
            if (!help) {
                request.command = Request::Preview;
                commandName = option;
                request.previewScheme = true;
                request.name = *typed.scheme;
                request.pictureFile = typed.picture.value_or(QString());
            }
            if (typed.scheme->isEmpty() || request.pictureFile.isEmpty())
                fail(QStringLiteral("--preview --scheme needs a scheme name and a file"));
            continue;
        }
        const qsizetype occurrence = occurrences[name]++;
        const QStringList values = parser.values(name);
        // Its value, which must be there and not be empty.
        const auto value = [&](const char* what) -> QString {
            if (occurrence >= values.size() || values.at(occurrence).isEmpty()) {
                fail(option + QStringLiteral(" needs ") + QLatin1String(what));
                return QString();
            }
            return values.at(occurrence);
        };
        if (name == kAllPrefixes) {
            if (occurrence > 0)
                fail(option + QStringLiteral(" is given twice"));
            request.allPrefixes = true;
            continue;
        }
        if (const Setting* setting = settingNamed(name)) {
            // --prefix may name several prefixes; whether the command takes them is
            // judged once the command is known.
            if (name == QLatin1String("prefix")) {
                const QString folder = value(setting->needs);
                request.prefixes.append(folder);
                if (occurrence == 0)
                    request.prefix = folder;
                continue;
            }
            if (occurrence > 0)
                fail(option + QStringLiteral(" is given twice"));
            request.*(setting->field) = value(setting->needs);
            continue;
        }
        const CommandOption* command = commandNamed(name);
        if (request.command != Request::Windows && command->command != Request::Help)
            fail(commandName + QStringLiteral(" and ") + option +
                 QStringLiteral(" cannot be given together"));
        // --help wins over everything else that was asked.
        help = help || command->command == Request::Help;
        if (!help) {
            request.command = command->command;
            commandName = option;
        }
        if (command->needs)
            request.name = value(command->needs);
        if (command->command == Request::Preview && !request.name.isEmpty()) {
            if (typed.picture)
                request.pictureFile = *typed.picture;
            else
                fail(option + QStringLiteral(" needs ") + QLatin1String(command->needs));
        }
    }
    request.archives = parser.positionalArguments();
    if (help) {
        request.command = Request::Help;
        request.usageError.clear();
        return request;
    }
    if (request.prefixes.size() > 1 && !runsInSeveralPrefixes(request.command))
        fail(QStringLiteral("--prefix is given twice"));
    if (request.allPrefixes) {
        if (!request.prefixes.isEmpty())
            fail(QStringLiteral("--all-prefixes and --prefix cannot be given together"));
        if (!runsInSeveralPrefixes(request.command))
            fail(QStringLiteral("--all-prefixes goes only with --install, --apply, --classic, --scheme, "
                                "--uninstall or --check"));
    }
    // Each prefix has its own Wine; one checkup log cannot hold several prefixes' reports.
    if (severalPrefixes(request)) {
        if (occurrences.contains(QStringLiteral("wine")))
            fail(QStringLiteral("--wine goes only with one prefix"));
        if (occurrences.contains(QStringLiteral("log")))
            fail(QStringLiteral("--log goes only with one prefix"));
    }
    if (occurrences.contains(QStringLiteral("log")) && request.command != Request::Check)
        fail(QStringLiteral("--log goes only with --check"));
    if (request.command != Request::Apply && request.command != Request::Preview) {
        if (occurrences.contains(QStringLiteral("color")))
            fail(QStringLiteral("--color goes only with --apply or --preview"));
        if (occurrences.contains(QStringLiteral("size")))
            fail(QStringLiteral("--size goes only with --apply or --preview"));
    }
    // A colour scheme of the classic look has no schemes or sizes of its own to choose.
    if (request.previewScheme &&
        (occurrences.contains(QStringLiteral("color")) || occurrences.contains(QStringLiteral("size"))))
        fail(QStringLiteral("--color and --size go only with the preview of a style"));
    if (request.command == Request::Install && request.archives.isEmpty())
        fail(QStringLiteral("--install needs at least one archive"));
    if (request.command != Request::Windows && request.command != Request::Install &&
        !request.archives.isEmpty())
        fail(QStringLiteral("unexpected argument ") + request.archives.constFirst());
    return request;
}

QString helpText() {
    return QStringLiteral("Usage: kolvmgr [--prefix DIR] [--wine PATH] [ARCHIVE...]\n"
                          "       kolvmgr [--prefix DIR] [--wine PATH] COMMAND\n"
                          "       kolvmgr --prefix DIR --prefix DIR... | --all-prefixes COMMAND\n"
                          "\n"
                          "Manages the visual styles of a Wine prefix. Without a command it opens its\n"
                          "windows (a display is needed) and offers to install the ARCHIVEs given; its\n"
                          "Tools menu's Appearance window sets the classic look's colours, sizes and\n"
                          "fonts item by item, from a colour scheme or the desktop's own colours.\n"
                          "\n"
                          "Commands (they need no display):\n"
                          "  -h, --help           print this help\n"
                          "  -v, --version        print the program's name and version\n"
                          "  --prefixes           list the Wine prefixes found on this machine, one a\n"
                          "                       line: \"* \" for the one managed, else two blanks, then\n"
                          "                       its folder, a tab and its name, a tab and wine=WINE\n"
                          "                       (the name or path of its Wine), and where that Wine\n"
                          "                       cannot be started, a tab and \"cannot drive: WHY\"\n"
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
                          "  --schemes            list the colour schemes of the classic look, one a line\n"
                          "  --scheme NAME        switch to the classic look in the colour scheme NAME\n"
                          "                       (in any case, commas and \"#\" left out): its colours,\n"
                          "                       and its sizes and fonts where it has them; NAME\n"
                          "                       desktop takes the colours and fonts of the Linux\n"
                          "                       desktop (KDE's or GNOME's), and says on standard\n"
                          "                       error what of them could not be read; in a Wine\n"
                          "                       prefix through Wine's own calls, so that programs\n"
                          "                       started next show it, while Wine runs too\n"
                          "  --install ARCHIVE... install the styles of each archive, or a style file\n"
                          "                       (.msstyles) as a style of its own; prints for each\n"
                          "                       \"ARCHIVE: CODE MEANING\" (CODE 0: everything went well)\n"
                          "  --uninstall NAME     delete the style NAME with everything in its folder but\n"
                          "                       the style file of the style in use\n"
                          "  --check [--log FILE] check every style for missing parts, print the\n"
                          "                       checkup's lines, and save them as a checkup log FILE\n"
                          "  --preview NAME FILE [--color SCHEME] [--size SIZE]\n"
                          "                       draw the style NAME from its style file, as the window\n"
                          "                       shows it, and save the picture as the PNG file FILE;\n"
                          "                       SCHEME and SIZE, names or display names, choose its\n"
                          "                       colour scheme and size (else the style's own)\n"
                          "  --preview --scheme NAME FILE\n"
                          "                       draw the classic look in the colour scheme NAME (or\n"
                          "                       desktop) and save the picture as the PNG file FILE\n"
                          "\n"
                          "Options:\n"
                          "  --prefix DIR         manage the Wine prefix DIR\n"
                          "  --wine PATH          start the Wine PATH in the prefix: its wine program, or\n"
                          "                       the folder of a Wine build or of a Proton\n"
                          "\n"
                          "Several prefixes at once: --prefix DIR given more than once, or --all-prefixes\n"
                          "(every prefix --prefixes lists), with --install, --apply, --classic, --scheme,\n"
                          "--uninstall or --check (without --wine and --log). Each prefix runs in a\n"
                          "kolvmgr of its own with its own Wine, two at once for each processor,\n"
                          "and installs the one copy of an archive read for them all; each\n"
                          "gets one line, in the order named: PREFIX, a tab, then installed, applied,\n"
                          "uninstalled or checked (the checkup's lines follow, each after a tab), or\n"
                          "\"failed: WHY\", or \"skipped: WHY\" where it was not tried: not a prefix, its\n"
                          "registry cannot be read, or for --apply, --classic and --scheme no Wine of its\n"
                          "own may be started in it (alone, the registry files would take the change).\n"
                          "What a prefix's run notes goes to standard error as \"kolvmgr: PREFIX: NOTE\".\n"
                          "Exit status 1 when a prefix failed or a prefix named with --prefix was skipped\n"
                          "(one --all-prefixes found and skipped does not count).\n"
                          "\n"
                          "The Wine prefix managed: --prefix DIR; else $WINEPREFIX; else the one chosen\n"
                          "last in the window (File, Windows Root); else ~/.wine when it exists; else the\n"
                          "program's own under $XDG_DATA_HOME/kolvmgr.\n"
                          "\n"
                          "The Wine started in it: --wine PATH; else the one chosen for it in the window;\n"
                          "else the one its launcher records (Steam's Proton, a Lutris, Bottles or Heroic\n"
                          "runner, PlayOnLinux's version); else $WINE; else wine on PATH. While a\n"
                          "wineserver runs for the prefix, only the wine beside it; and never one that\n"
                          "would update the prefix (its .update-timestamp not that Wine's).\n"
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

bool severalPrefixes(const Request& request) {
    return request.allPrefixes || request.prefixes.size() > 1;
}

QString refusedPrefix(const Request& request) {
    // Of several prefixes, each is judged on its own line.
    if (request.prefix.isEmpty() || severalPrefixes(request) || request.command == Request::Help ||
        request.command == Request::Version)
        return QString();
    return RootChoice::refusal(RootChoice::absoluteFolder(request.prefix));
}

void chooseRoot(const Request& request) {
    RootChoice::loadRemembered();
    if (!request.prefix.isEmpty() && !severalPrefixes(request))
        RootChoice::useForThisRun(request.prefix);
    RootWine::loadChosen();
    if (!request.wine.isEmpty())
        RootWine::useForThisRun(request.wine);
}

int usageError(const QString& why) {
    std::fputs(
        HostText::toBytes("kolvmgr: " + why + "\nTry 'kolvmgr --help' for more information.\n").c_str(),
        stderr);
    return BadUsage;
}

} // namespace CommandLine
