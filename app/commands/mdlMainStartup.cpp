#include "mdlMainStartup.h"

#include "HostText.h"
#include "RootChoice.h"
#include "common/UiServices.h"
#include "platform/Registry.h"
#include "platform/WindowsRoot.h"

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

void ReportStartupProblems() {
    // Each is said once, before anything tries to write: afterwards the commands could
    // only fail quietly or report success for what was never saved.
    for (const StartupProblem& problem : startupProblems())
        UiServices::msgBox(problem.text, problem.style);
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
    if (const std::string unreadable = registry.unreadableHiveMessage(); !unreadable.empty())
        problems.append({QString::fromStdString(unreadable), quorlin::MsgExclamation, false, true});
    // While Wine runs for this prefix its registry is held in memory: changes go through
    // its registry tool, and where that cannot be started nothing can be saved.
    if (const std::string busy = registry.busyPrefixMessage(); !busy.empty())
        problems.append({QString::fromStdString(busy), quorlin::MsgExclamation, false});
    if (const std::string note = registry.wineWritesNote(); !note.empty())
        problems.append({QString::fromStdString(note), quorlin::MsgInformation, false});
    return problems;
}

} // namespace mdlMain
