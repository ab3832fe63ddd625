#include "StyleApply.h"

#include "RegistryValues.h"
#include "StyleCommands.h"
#include "ThemeServiceRun.h"
#include "common/ProblemText.h"
#include "devlib/Functions.h"
#include "mdlMainControl.h"
#include "mdlMainThemes.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/WindowsDirectoryText.h"
#include "platform/WindowsRoot.h"

namespace StyleApply {
namespace {

using RegistryValues::readThemeManager;
constexpr int kCurrentUser = static_cast<int>(0x80000001u);
const QString& kThemeManager = RegistryValues::kThemeManagerKey;

using ThemeServiceRun::Reach;
using ThemeServiceRun::Settled;

Outcome fromRun(const platform::ThemeOutcome& run) {
    const ThemeServiceRun::Verdict verdict = ThemeServiceRun::verdict(run);
    switch (verdict.kind) {
    case ThemeServiceRun::Verdict::Applied:
        return {Outcome::Applied, verdict.why};
    case ThemeServiceRun::Verdict::CannotRun:
        return {Outcome::RegistryOnly, verdict.why};
    case ThemeServiceRun::Verdict::Failed:
        break;
    }
    return {Outcome::WineFailed, verdict.why};
}

// A style path as Windows finds it, compared ignoring case (the theme service may have
// recorded the same file spelled in another case).
QString comparablePath(const QString& dllName) {
    return expandedDllName(dllName).toCaseFolded();
}

bool namesStyle(const RegistryValues::ThemeRecord& record, const QString& dllText, const QString& color,
                const QString& size) {
    return record.themeActive == QLatin1String("1") &&
           comparablePath(record.dllName) == comparablePath(dllText) &&
           record.colorName.compare(color, Qt::CaseInsensitive) == 0 &&
           record.sizeName.compare(size, Qt::CaseInsensitive) == 0;
}

// After Wine's theme service failed or was stopped part-way, what Wine holds decides.
Outcome settled(Outcome outcome, const std::optional<RegistryValues::ThemeRecord>& before,
                const std::function<bool(const RegistryValues::ThemeRecord&)>& isTheChange) {
    if (outcome.kind != Outcome::WineFailed)
        return outcome;
    switch (ThemeServiceRun::settle(before, RegistryValues::readThemeRecord(), isTheChange)) {
    case Settled::Took:
        outcome.kind = Outcome::Applied;
        break;
    case Settled::CannotTell:
        outcome.kind = Outcome::Unknown;
        break;
    case Settled::Unchanged:
        break;
    }
    return outcome;
}

// The registry's values alone, as the program wrote them before Wine's theme service was
// reached, all in one batch. Whether the registry took them, as what it holds afterwards
// says: the registry's own verdict can be wrong when a wineserver starts or stops
// meanwhile, and one that cannot be read back cannot be told.
Outcome writeRegistryOnly(const QString& dllText, const QString& colorName, const QString& sizeName,
                          bool sizeChosen) {
    // One command's values reach a running Wine in one call.
    platform::RegistryBatch batch;

    // The text keeps %systemroot% literally; the type REG_EXPAND_SZ (the one Windows
    // gives this value) is what makes the theme service expand it.
    Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
    QString key = kThemeManager;
    QString dllName = QStringLiteral("Dllname");
    Functions::RegKeyTypes expandSz = Functions::REG_EXPAND_SZ;
    QString dllValue = dllText;
    Functions::instance().WriteRegistry(root, key, dllName, expandSz, dllValue);
    mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("ColorName"), colorName);
    // A size the style does not offer leaves theming off; one it offers stays as stored,
    // unless the user chose another.
    const QString storedSize = readThemeManager(QStringLiteral("SizeName"));
    if (!sizeName.isEmpty() && (sizeChosen || !storedSize.isEmpty()) &&
        storedSize.compare(sizeName, Qt::CaseInsensitive) != 0)
        mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("SizeName"), sizeName);

    // Theming switched off would keep the style from ever loading.
    const QString themeActive = readThemeManager(QStringLiteral("ThemeActive"));
    if (themeActive.isEmpty() || themeActive.startsWith(QLatin1Char('0')))
        mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("ThemeActive"), QStringLiteral("1"));

    // The batch's own verdict first (it finds out for itself whether a running Wine took
    // what it could not confirm); then, as the registry routines swallow their failures,
    // what is stored (read as the program reads it: trimmed of blanks).
    if (batch.end() != platform::ERROR_SUCCESS)
        return {Outcome::RegistryRefused, {}};
    const auto stored = RegistryValues::readThemeRecord();
    if (!stored)
        return {Outcome::Unknown, QStringLiteral("what the registry holds could not be read back")};
    if (stored->dllName == dllText.trimmed() && stored->colorName == colorName.trimmed())
        return {Outcome::RegistryOnly, {}};
    return {Outcome::RegistryRefused, {}};
}

} // namespace

QString expandedDllName(const QString& dllName) {
    static const QString root = QStringLiteral("%systemroot%");
    QString path = dllName.trimmed();
    if (path.startsWith(root, Qt::CaseInsensitive))
        path = QString::fromStdString(platform::windowsDirectoryText()) + path.mid(root.size());
    return path;
}

StyleFile readStyleFile(const QString& themes, const QString& style, const QString& styleFile) {
    const auto host = platform::toHostPath((themes + style + QLatin1Char('\\') + styleFile).toStdString());
    return host ? StyleFile::fromHostPath(QString::fromStdString(host->string())) : StyleFile();
}

namespace {

// The name among those offered that a stored name means, spelled as the style spells it.
QString offeredNamed(const QStringList& offered, const QString& asked) {
    for (const QString& name : offered)
        if (name.compare(asked, Qt::CaseInsensitive) == 0)
            return name;
    return QString();
}

std::optional<int> chosen(const QList<StyleChoice>& choices, std::optional<int> index, const QString& style,
                          const QString& asked, const char* what, QString& error) {
    if (asked.isEmpty())
        return 0;
    if (!index)
        error = QStringLiteral("Visual Style ") + style + QStringLiteral(" offers no ") +
                QLatin1String(what) + QLatin1Char(' ') + asked + QStringLiteral("; it offers: ") +
                describeChoices(choices);
    return index;
}

} // namespace

QString defaultColor(const StyleFile& file) {
    const QString normal = QStringLiteral("NormalColor");
    if (!file.colorNames())
        return normal;
    const QString offered = offeredNamed(*file.colorNames(), normal);
    return offered.isEmpty() ? file.colorNames()->constFirst() : offered;
}

QString defaultSize(const StyleFile& file) {
    if (!file.sizeNames())
        return QString();
    const QString stored = readThemeManager(QStringLiteral("SizeName"));
    const QString offered = stored.isEmpty() ? QString() : offeredNamed(*file.sizeNames(), stored);
    return offered.isEmpty() ? file.sizeNames()->constFirst() : offered;
}

std::optional<int> chosenColor(const StyleFile& file, const QString& style, const QString& asked,
                               QString& error) {
    return chosen(file.colorSchemes(), file.colorSchemeIndex(asked), style, asked, "colour scheme", error);
}

std::optional<int> chosenSize(const StyleFile& file, const QString& style, const QString& asked,
                              QString& error) {
    return chosen(file.sizes(), file.sizeIndex(asked), style, asked, "size", error);
}

Plan plan(const QString& themes, const QString& name, const QString& color, const QString& size) {
    Plan plan;
    Outcome& refusal = plan.refusal;
    plan.style = StyleCommands::installedStyleNamed(themes, name);
    refusal.style = plan.style.isEmpty() ? name : plan.style;
    if (plan.style.isEmpty()) {
        refusal.kind = Outcome::NotInstalled;
        return plan;
    }
    plan.styleFile = StyleCommands::findStyleFile(themes, plan.style);
    refusal.styleFile = plan.styleFile;
    if (plan.styleFile.isEmpty()) {
        refusal.kind = Outcome::NoStyleFile;
        return plan;
    }
    if (!StyleCommands::canApply(plan.style, plan.styleFile)) {
        refusal.kind = Outcome::NameNotAnsi;
        return plan;
    }
    plan.file = readStyleFile(themes, plan.style, plan.styleFile);
    // A name the user gave can only be looked for in a file that can be read.
    if ((!color.isEmpty() || !size.isEmpty()) && !plan.file.problem().isEmpty()) {
        refusal.kind = Outcome::StyleRefused;
        refusal.why = plan.file.problem();
        return plan;
    }
    const auto colorIndex = chosenColor(plan.file, plan.style, color, refusal.why);
    const auto sizeIndex = colorIndex ? chosenSize(plan.file, plan.style, size, refusal.why) : std::nullopt;
    if (!colorIndex || !sizeIndex) {
        refusal.kind = Outcome::NoSuchChoice;
        return plan;
    }
    plan.color = color.isEmpty() ? defaultColor(plan.file) : plan.file.colorNames()->at(*colorIndex);
    plan.size = size.isEmpty() ? defaultSize(plan.file) : plan.file.sizeNames()->at(*sizeIndex);
    plan.sizeChosen = !size.isEmpty();
    plan.dllText = mdlMain::themesDirectoryOf(QStringLiteral("%systemroot%")) + plan.style +
                   QLatin1Char('\\') + plan.styleFile;
    return plan;
}

Outcome apply(const Plan& plan) {
    if (!plan.ready())
        return plan.refusal;
    Outcome outcome;
    Reach service;
    const QString unreachable = service.unreachable();
    if (unreachable.isEmpty()) {
        // The theme service must never be handed a file the reader refuses.
        if (const QString problem = plan.file.problem(); !problem.isEmpty()) {
            outcome = {Outcome::StyleRefused, problem};
        } else {
            const auto before = RegistryValues::readThemeRecord();
            outcome = fromRun(service.run({QStringLiteral("apply"), plan.dllText, plan.color, plan.size}));
            outcome = settled(outcome, before, [&](const RegistryValues::ThemeRecord& record) {
                return namesStyle(record, plan.dllText, plan.color, plan.size);
            });
        }
    }
    if (unreachable.isEmpty() && outcome.kind != Outcome::RegistryOnly) {
        outcome.style = plan.style;
        outcome.styleFile = plan.styleFile;
        return outcome;
    }
    const QString why = unreachable.isEmpty() ? outcome.why : unreachable;
    outcome = writeRegistryOnly(plan.dllText, plan.color, plan.size, plan.sizeChosen);
    if (outcome.kind == Outcome::RegistryOnly) {
        outcome.why = why;
        outcome.wineChoice = service.unreachableForItsWine();
    } else if (outcome.kind == Outcome::RegistryRefused) {
        outcome.wineChoice = platform::Registry::current().writeProblem().why.concernsWineChoice();
    }
    outcome.style = plan.style;
    outcome.styleFile = plan.styleFile;
    return outcome;
}

Outcome apply(const QString& themes, const QString& name, const QString& color, const QString& size) {
    return apply(plan(themes, name, color, size));
}

QString appliedMessage() {
    return QStringLiteral(
        "Selected visual style applied. You will need to logoff and login again to apply the settings");
}

QString failureMessage(const QString& themes, const Outcome& outcome) {
    const QString& style = outcome.style;
    const QString& styleFile = outcome.styleFile;
    switch (outcome.kind) {
    case Outcome::NotInstalled:
        return StyleCommands::notInstalledMessage(style, themes);
    case Outcome::NoStyleFile:
        return style + QStringLiteral(": ") + StyleCommands::noStyleFileMessage();
    case Outcome::NameNotAnsi:
        return StyleCommands::cannotApplyMessage(style, styleFile);
    case Outcome::NoSuchChoice:
        return outcome.why;
    case Outcome::StyleRefused:
        return QStringLiteral("Visual Style ") + style + QStringLiteral(" cannot be applied: its file ") +
               styleFile +
               QStringLiteral(" is damaged or is no visual style that Wine's theme service can load. Nothing "
                              "was changed.");
    case Outcome::RegistryRefused:
        return ThemeServiceRun::registryRefusedMessage(QStringLiteral("Visual Style ") + style);
    case Outcome::WineFailed:
        return ThemeServiceRun::failedMessage(QStringLiteral("Visual Style ") + style, outcome.why);
    case Outcome::Unknown:
        return ThemeServiceRun::unknownMessage(QStringLiteral("Visual Style ") + style, outcome.why);
    case Outcome::Applied:
    case Outcome::RegistryOnly:
        break;
    }
    return QString();
}

QString registryOnlyNote(const Outcome& outcome) {
    return QStringLiteral("Wine's theme service was not reached (") + outcome.why +
           QStringLiteral("): the registry names the style, and its colours and sizes take effect when the "
                          "style is next applied by Wine.");
}

Outcome applyClassic() {
    Outcome outcome;
    Reach service;
    outcome.why = service.unreachable();
    if (outcome.why.isEmpty()) {
        const auto before = RegistryValues::readThemeRecord();
        outcome = fromRun(service.run({QStringLiteral("classic")}));
        outcome = settled(outcome, before, [](const RegistryValues::ThemeRecord& record) {
            return record.themeActive == QLatin1String("0");
        });
        if (outcome.kind != Outcome::RegistryOnly)
            return outcome;
    }
    // Without Wine, theming off is all the registry can say; what it holds afterwards tells
    // whether it took.
    outcome.kind = Outcome::RegistryOnly;
    platform::RegistryBatch batch;
    mdlMain::WriteRegStr(kCurrentUser, kThemeManager, QStringLiteral("ThemeActive"), QStringLiteral("0"));
    if (batch.end() != platform::ERROR_SUCCESS)
        return {Outcome::RegistryRefused, {}};
    const auto stored = RegistryValues::readThemeRecord();
    if (!stored)
        return {Outcome::Unknown, QStringLiteral("what the registry holds could not be read back")};
    if (stored->themeActive != QLatin1String("0"))
        outcome.kind = Outcome::RegistryRefused;
    return outcome;
}

QString classicMessage(const Outcome& outcome) {
    if (outcome.kind == Outcome::Applied)
        return QStringLiteral(
            "The classic look is applied: programs started from now on show no visual style.");
    return QStringLiteral(
        "The classic look is recorded. You will need to logoff and login again to apply the "
        "settings");
}

QString classicFailureMessage(const Outcome& outcome) {
    if (outcome.kind == Outcome::RegistryRefused)
        return QStringLiteral("The classic look was not applied: the registry did not take the change.");
    if (outcome.kind == Outcome::Unknown)
        return QStringLiteral("The classic look may not have been applied: ") + outcome.why +
               QStringLiteral("; whether the change took cannot be told.");
    return QStringLiteral("The classic look was not applied: ") + outcome.why + QLatin1Char('.');
}

} // namespace StyleApply
