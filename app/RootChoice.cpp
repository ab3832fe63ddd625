#include "RootChoice.h"

#include "platform/RootDiscovery.h"
#include "platform/WindowsRoot.h"

#include <QDir>
#include <QSettings>

#include <algorithm>
#include <memory>

namespace RootChoice {
namespace {

const QString kRootKey = QStringLiteral("WindowsRoot");

bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return a.lexically_normal() == b.lexically_normal() || std::filesystem::equivalent(a, b, ec);
}

} // namespace

std::unique_ptr<QSettings> settings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("kolvmgr"), QStringLiteral("kolvmgr"));
}

QList<ListedRoot> listRoots() {
    const std::filesystem::path current = platform::windowsRoot();
    QList<ListedRoot> listed;
    for (const platform::FoundRoot& root : platform::findWindowsRoots())
        listed.append({root.folder, QString::fromStdString(root.name), sameFolder(root.folder, current)});
    if (std::none_of(listed.begin(), listed.end(), [](const ListedRoot& root) { return root.managed; }))
        listed.prepend({current, displayedFolder(current), true});
    return listed;
}

void loadRemembered() {
    const QString remembered = settings()->value(kRootKey).toString();
    platform::setRememberedRoot(remembered.toStdString());
}

void useForThisRun(const QString& folder) {
    platform::setChosenRoot(QDir::cleanPath(QDir::current().absoluteFilePath(folder)).toStdString());
}

void choose(const std::filesystem::path& folder) {
    platform::setChosenRoot(folder);
    const auto store = settings();
    store->setValue(kRootKey, QString::fromStdString(folder.string()));
    store->sync();
    platform::setRememberedRoot(folder);
}

QString displayedFolder(const std::filesystem::path& folder) {
    const QString text = QString::fromStdString(folder.string());
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && text.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + text.mid(home.size());
    return text;
}

} // namespace RootChoice
