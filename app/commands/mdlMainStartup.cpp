#include "mdlMainStartup.h"

#include "HostText.h"
#include "RootChoice.h"
#include "common/ProblemText.h"
#include "common/UiServices.h"
#include "platform/Registry.h"
#include "platform/WindowsRoot.h"

#include <QStringList>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

using quorlin::UiServices;

namespace mdlMain {

QString missingRootMessage(const QString& root, bool fromWinePrefix, bool fromCommandLine, bool isFile) {
    const QString state =
        isFile ? QStringLiteral(" is a file, not a folder") : QStringLiteral(" does not exist");
    if (fromCommandLine)
        return QStringLiteral("The Wine prefix ") + root + QStringLiteral(" that --prefix names") + state +
               QStringLiteral(
                   ", so there are no visual styles to manage and no settings can be saved. Name an "
                   "existing Wine prefix.");
    if (fromWinePrefix)
        return QStringLiteral("The Wine prefix ") + root + QStringLiteral(" that WINEPREFIX names") + state +
               QStringLiteral(", so there are no visual styles to manage and no settings can be saved. Set "
                              "WINEPREFIX to an existing Wine prefix, or unset it to use ~/.wine, and start "
                              "the program again.");
    return QStringLiteral("The folder ") + root + QStringLiteral(" that holds this program's Windows side") +
           (isFile ? state : state + QStringLiteral(" and could not be made")) +
           QStringLiteral(", so there are no visual styles to manage and no settings can be saved.");
}

QString unreadableRootMessage(const QString& root, const QString& why) {
    return QStringLiteral("The Wine prefix ") + root + QStringLiteral(" cannot be read (") + why +
           QStringLiteral("), so there are no visual styles to manage and no settings can be saved.");
}

QString unreadableHiveMessage(const QString& file, const QString& problem) {
    return QStringLiteral("The registry file ") + file + QStringLiteral(" cannot be read (") + problem +
           QStringLiteral(
               "). The settings it holds are not used, and no settings can be saved in it until it "
               "is repaired.");
}

QString busyPrefixMessage(const QString& prefix, const QString& why) {
    return QStringLiteral("Wine is running in the prefix ") + prefix +
           QStringLiteral(". While it runs, Wine keeps that prefix's registry in memory and overwrites the "
                          "registry files when it stops, and Wine's registry tool, which could take the "
                          "changes, cannot be started (") +
           why +
           QStringLiteral(
               "), so Quorlin Visual Style Manager cannot save its settings there now. To free the "
               "prefix, close the Wine programs running in it or run \"wineserver -k\" with "
               "WINEPREFIX set to ") +
           prefix + QLatin1Char('.');
}

QString wineWritesNote(const QString& prefix) {
    return QStringLiteral("Wine is running in the prefix ") + prefix +
           QStringLiteral(
               ". While its programs run, Quorlin Visual Style Manager saves its changes through Wine's "
               "registry tool (wine reg), so that Wine keeps them; each change takes a moment, and the "
               "registry files show it once Wine has saved its registry.");
}

QStringList ReportStartupProblems() {
    // Each is said once, before anything tries to write: afterwards the commands could
    // only fail quietly or report success for what was never saved. A note stops nothing,
    // so it is not put in the user's way at every start.
    QStringList notes;
    for (const StartupProblem& problem : startupProblems()) {
        if (problem.isNote())
            notes.append(problem.text);
        else
            UiServices::msgBox(problem.text, problem.style);
    }
    return notes;
}

QList<StartupProblem> startupProblems() {
    QList<StartupProblem> problems;
    const std::filesystem::path root = platform::windowsRoot();
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        const platform::RootSource source = platform::windowsRootSource();
        problems.append({missingRootMessage(
                             HostText::fromBytes(root.native()), source == platform::RootSource::WinePrefix,
                             source == platform::RootSource::Chosen, std::filesystem::exists(root, ec)),
                         quorlin::MsgExclamation, true});
        return problems;
    }
    // A folder that cannot be read is one problem, said once, rather than one for every
    // file in it that then cannot be read.
    if (::access(root.c_str(), R_OK | X_OK) != 0) {
        problems.append({unreadableRootMessage(HostText::fromBytes(root.native()),
                                               QString::fromLocal8Bit(std::strerror(errno))),
                         quorlin::MsgExclamation, true});
        return problems;
    }
    // The root picked last time is passed over when it holds no prefix any more.
    if (const QString passedOver = RootChoice::rememberedRefusal(); !passedOver.isEmpty())
        problems.append({passedOver, quorlin::MsgExclamation, false});
    auto& registry = platform::Registry::current();
    // The registry says on standard error what it cannot read as it reads it.
    // Both unreadable hives are one message, a blank line between them.
    QStringList unreadable;
    for (const platform::Registry::UnreadableHive& hive : registry.unreadableHives())
        unreadable.append(
            unreadableHiveMessage(QString::fromStdString(hive.file),
                                  QString::fromStdString(quorlin::problemText(hive.problem, hive.file))));
    if (!unreadable.isEmpty())
        problems.append({unreadable.join(QStringLiteral("\n\n")), quorlin::MsgExclamation, false, true});
    // While Wine runs for this prefix its registry is held in memory: changes go through
    // its registry tool, and where that cannot be started nothing can be saved.
    const QString prefix = QString::fromStdString(root.string());
    switch (registry.prefixState()) {
    case platform::Registry::PrefixState::Busy:
        problems.append({busyPrefixMessage(prefix, QString::fromStdString(
                                                       quorlin::problemText(registry.wineToolProblem()))),
                         quorlin::MsgExclamation, false});
        break;
    case platform::Registry::PrefixState::WineWrites:
        problems.append({wineWritesNote(prefix), quorlin::MsgInformation, false});
        break;
    case platform::Registry::PrefixState::Free:
        break;
    }
    return problems;
}

} // namespace mdlMain
