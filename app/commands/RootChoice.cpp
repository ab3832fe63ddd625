#include "RootChoice.h"

#include "AppInfo.h"
#include "HostText.h"
#include "platform/RootDiscovery.h"
#include "platform/WindowsRoot.h"

#include <QDir>
#include <QSettings>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace RootChoice {
namespace {

const QString kRootKey = QStringLiteral("WindowsRoot");

// The root picked last time, as the settings hold it.
std::filesystem::path g_remembered;

} // namespace

bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return a.lexically_normal() == b.lexically_normal() || std::filesystem::equivalent(a, b, ec);
}

std::unique_ptr<QSettings> settings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("kolvmgr"), QStringLiteral("kolvmgr"));
}

QList<ListedRoot> listRoots() {
    const std::filesystem::path current = platform::windowsRoot();
    QList<ListedRoot> listed;
    for (const platform::FoundRoot& root : platform::findWindowsRoots())
        listed.append({root.folder,
                       root.programsOwn ? AppInfo::kTitle + QStringLiteral(": its own root")
                                        : QString::fromStdString(root.name),
                       sameFolder(root.folder, current)});
    if (std::none_of(listed.begin(), listed.end(), [](const ListedRoot& root) { return root.managed; }))
        listed.prepend({current, displayedFolder(current), true});
    return listed;
}

void loadRemembered() {
    g_remembered = settings()->value(kRootKey).toString().toStdString();
    platform::setRememberedRoot(g_remembered);
}

std::filesystem::path absoluteFolder(const QString& folder) {
    return HostText::toBytes(QDir::cleanPath(QDir::current().absoluteFilePath(folder)));
}

void useForThisRun(const QString& folder) {
    platform::setChosenRoot(absoluteFolder(folder));
}

void choose(const std::filesystem::path& folder) {
    platform::setChosenRoot(folder);
    const auto store = settings();
    store->setValue(kRootKey, QString::fromStdString(folder.string()));
    store->sync();
    g_remembered = folder;
    platform::setRememberedRoot(folder);
}

QString notAPrefixMessage(const std::filesystem::path& folder) {
    return QStringLiteral("The folder ") + HostText::fromBytes(folder.native()) +
           QStringLiteral(" is not a Wine prefix: it holds neither system.reg nor drive_c. "
                          "Choose the folder of a Wine prefix, such as ~/.wine.");
}

QString refusal(const std::filesystem::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || platform::isWindowsRootFolder(folder))
        return QString();
    // A folder that cannot be read may well hold a prefix: the start says it cannot be read.
    if (S_ISDIR(st.st_mode) && ::access(folder.c_str(), R_OK | X_OK) != 0)
        return QString();
    if (!S_ISDIR(st.st_mode))
        return HostText::fromBytes(folder.native()) +
               QStringLiteral(
                   " is a file, not a folder. Choose the folder of a Wine prefix, such as ~/.wine.");
    return notAPrefixMessage(folder);
}

QString rememberedRefusal() {
    struct stat st {};
    if (g_remembered.empty() || ::stat(g_remembered.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QString();
    const platform::RootSource source = platform::windowsRootSource();
    if (source == platform::RootSource::Chosen || source == platform::RootSource::WinePrefix)
        return QString();
    return refusal(g_remembered);
}

QString displayedFolder(const std::filesystem::path& folder) {
    const QString text = QString::fromStdString(folder.string());
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && text.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + text.mid(home.size());
    return text;
}

} // namespace RootChoice
