#include "RootWine.h"

#include "HostText.h"
#include "common/ProblemText.h"
#include "platform/WineChoice.h"

#include <QDir>
#include <QSettings>

#include <utility>
#include <vector>

namespace RootWine {
namespace {

// The settings' array of the prefixes' Wines: each entry a prefix and its Wine.
const QString kArray = QStringLiteral("PrefixWines");
const QString kPrefix = QStringLiteral("Prefix");
const QString kWine = QStringLiteral("Wine");

using Choices = std::vector<std::pair<std::filesystem::path, std::filesystem::path>>;

Choices stored() {
    Choices out;
    const auto store = RootChoice::settings();
    const int count = store->beginReadArray(kArray);
    for (int i = 0; i < count; ++i) {
        store->setArrayIndex(i);
        const QString prefix = store->value(kPrefix).toString();
        const QString wine = store->value(kWine).toString();
        if (!prefix.isEmpty() && !wine.isEmpty())
            out.emplace_back(HostText::toBytes(prefix), HostText::toBytes(wine));
    }
    store->endArray();
    return out;
}

} // namespace

void loadChosen() {
    platform::wine::setChosenWines(stored());
}

void useForThisRun(const QString& wine) {
    platform::wine::setWineForThisRun(
        HostText::toBytes(QDir::cleanPath(QDir::current().absoluteFilePath(wine))));
}

void choose(const std::filesystem::path& prefix, const std::filesystem::path& wine) {
    Choices choices = stored();
    std::erase_if(choices, [&](const auto& choice) { return RootChoice::sameFolder(choice.first, prefix); });
    if (!wine.empty())
        choices.emplace_back(prefix, wine);
    const auto store = RootChoice::settings();
    store->remove(kArray);
    store->beginWriteArray(kArray, static_cast<int>(choices.size()));
    for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
        store->setArrayIndex(i);
        store->setValue(kPrefix, HostText::fromBytes(choices[static_cast<size_t>(i)].first.native()));
        store->setValue(kWine, HostText::fromBytes(choices[static_cast<size_t>(i)].second.native()));
    }
    store->endArray();
    store->sync();
    platform::wine::setChosenWines(std::move(choices));
}

std::filesystem::path chosen(const std::filesystem::path& prefix) {
    return platform::wine::wineOverrides(prefix).chosenForPrefix;
}

Shown shown(const std::filesystem::path& root) {
    const platform::wine::WineChoice choice = platform::wine::chooseWine(root);
    Shown out;
    out.wine = HostText::fromBytes(choice.name);
    if (choice.why)
        out.cannotDrive = HostText::fromBytes(quorlin::problemText(choice.why));
    return out;
}

QString prefixesLine(const RootChoice::ListedRoot& root) {
    const Shown wine = shown(root.folder);
    QString line = (root.managed ? QStringLiteral("* ") : QStringLiteral("  ")) +
                   HostText::fromBytes(root.folder.native()) + QLatin1Char('\t') + root.name +
                   QStringLiteral("\twine=") + wine.wine;
    if (!wine.cannotDrive.isEmpty())
        line += QStringLiteral("\tcannot drive: ") + wine.cannotDrive;
    return line;
}

} // namespace RootWine
