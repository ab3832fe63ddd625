#include "LookApply.h"

#include "HostText.h"
#include "RootChoice.h"
#include "StyleApply.h"
#include "ThemeServiceRun.h"
#include "appearance/ColorSchemes.h"
#include "appearance/DesktopColors.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/WindowsRoot.h"

#include <QSettings>

#include <functional>

namespace LookApply {
namespace {

using appearance::ClassicLook;
using appearance::RegistryValue;
using RegistryValues::ReadResult;
using RegistryValues::StoredValue;

const char* const kThemeRecordNames[] = {"ThemeActive", "DllName", "ColorName", "SizeName"};
const QString kThemeActive = QStringLiteral("ThemeActive");

// Every value a look is stored in, key by key, in the order registryValues writes them.
QList<std::pair<QString, QString>> lookValueNames() {
    ClassicLook any;
    any.metrics = appearance::standardMetrics();
    QList<std::pair<QString, QString>> names;
    for (const RegistryValue& value : appearance::registryValues(any))
        names.append({value.key, value.name});
    names.append({appearance::kDesktopKey, appearance::kUserPreferencesMaskName});
    for (const char* name : kThemeRecordNames)
        names.append({RegistryValues::kThemeManagerKey, QLatin1String(name)});
    return names;
}

// Whether stored holds look as mode sets it, in meaning: Wine stores some sizes in forms
// of its own. What is missing or unreadable never matches.
bool holds(const Stored& stored, const ClassicLook& look, Mode mode) {
    ClassicLook nothing = look;
    nothing.colors.fill(qRgba(0, 0, 0, 0));
    if (nothing.metrics) {
        appearance::Metrics& m = *nothing.metrics;
        m = appearance::Metrics{};
        for (int* size :
             {&m.borderWidth, &m.scrollWidth, &m.scrollHeight, &m.captionWidth, &m.captionHeight,
              &m.smCaptionWidth, &m.smCaptionHeight, &m.menuWidth, &m.menuHeight, &m.paddedBorderWidth})
            *size = -1;
    }
    const ClassicLook read = stored.look(nothing).look;
    return read.colors == look.colors && (!look.metrics || read.metrics == look.metrics) &&
           (mode != Mode::Scheme ||
            stored.text(RegistryValues::kThemeManagerKey, kThemeActive) == QLatin1String("0"));
}

// Through Wine's theme service, where it can be reached; nullopt when it cannot (why then
// says why). After a run that failed, what the registry holds decides.
std::optional<Outcome> throughWine(const ClassicLook& look, Mode mode, QString& why) {
    ThemeServiceRun::Reach service;
    why = service.unreachable();
    if (!why.isEmpty())
        return std::nullopt;
    const std::optional<Stored> before = readStored();
    const ThemeServiceRun::Verdict verdict =
        ThemeServiceRun::verdict(service.runLook(platformLook(look), mode == Mode::Scheme));
    switch (verdict.kind) {
    case ThemeServiceRun::Verdict::Applied:
        return Outcome{Outcome::Applied, {}};
    case ThemeServiceRun::Verdict::CannotRun:
        why = verdict.why;
        return std::nullopt;
    case ThemeServiceRun::Verdict::Failed:
        break;
    }
    Outcome outcome{Outcome::WineFailed, verdict.why};
    switch (ThemeServiceRun::settle<Stored>(before, readStored(),
                                            [&](const Stored& after) { return holds(after, look, mode); })) {
    case ThemeServiceRun::Settled::Took:
        outcome.kind = Outcome::Applied;
        break;
    case ThemeServiceRun::Settled::CannotTell:
        outcome.kind = Outcome::Unknown;
        break;
    case ThemeServiceRun::Settled::Unchanged:
        break;
    }
    return outcome;
}

// The batch of registry writes ended, and what the registry then holds judged by taken.
Outcome judged(platform::RegistryBatch& batch, const std::function<bool(const Stored&)>& taken) {
    if (batch.end() != platform::ERROR_SUCCESS)
        return {Outcome::RegistryRefused, {}};
    const std::optional<Stored> stored = readStored();
    if (!stored)
        return {Outcome::Unknown, QStringLiteral("what the registry holds could not be read back")};
    return {taken(*stored) ? Outcome::RegistryOnly : Outcome::RegistryRefused, {}};
}

// The registry's values alone, all in one batch: the look, its two bits of
// UserPreferencesMask (the others kept), and for a scheme theming off.
Outcome writeAlone(const ClassicLook& look, Mode mode) {
    QByteArray mask;
    if (const std::optional<Stored> stored = readStored())
        for (const Stored::Value& value : stored->values)
            if (value.name == appearance::kUserPreferencesMaskName && value.value &&
                value.value->type == platform::REG_BINARY)
                mask = QByteArray::fromStdString(value.value->data);
    platform::RegistryBatch batch;
    for (const RegistryValue& value : appearance::registryValues(look)) {
        if (value.type == RegistryValue::Text)
            RegistryValues::writeText(value.key, value.name, value.text);
        else
            RegistryValues::writeStored(value.key, value.name,
                                        {platform::REG_BINARY, value.bytes.toStdString()});
    }
    RegistryValues::writeStored(
        appearance::kDesktopKey, appearance::kUserPreferencesMaskName,
        {platform::REG_BINARY, appearance::withLookPreferences(mask, look).toStdString()});
    if (mode == Mode::Scheme)
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("ThemeActive"),
                                  QStringLiteral("0"));
    return judged(batch, [&](const Stored& stored) { return holds(stored, look, mode); });
}

// The program's settings: for each prefix whose look it changed, the values it had.
const QString kArray = QStringLiteral("PrefixLooks");
const QString kPrefix = QStringLiteral("Prefix");
const QString kValues = QStringLiteral("Values");

// A value as the settings keep it: key, name, then "-" for none or its type and its data
// in hex, tab-separated.
QString rememberedText(const Stored::Value& value) {
    QString text = value.key + QLatin1Char('\t') + value.name + QLatin1Char('\t');
    if (!value.value)
        return text + QLatin1Char('-');
    return text + QString::number(value.value->type) + QLatin1Char('\t') +
           QString::fromLatin1(QByteArray::fromStdString(value.value->data).toHex());
}

std::optional<Stored::Value> rememberedValue(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('\t'));
    if (parts.size() == 3 && parts[2] == QLatin1String("-"))
        return Stored::Value{parts[0], parts[1], std::nullopt};
    bool ok = false;
    const uint type = parts.size() == 4 ? parts[2].toUInt(&ok) : 0;
    if (!ok)
        return std::nullopt;
    const QByteArray data = QByteArray::fromHex(parts[3].toLatin1());
    return Stored::Value{parts[0], parts[1], StoredValue{type, data.toStdString()}};
}

// The index of the prefix's entry in the settings' array, -1 when it has none.
int rememberedIndex(QSettings& store, const std::filesystem::path& prefix) {
    const int count = store.beginReadArray(kArray);
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        store.setArrayIndex(i);
        if (RootChoice::sameFolder(HostText::toBytes(store.value(kPrefix).toString()), prefix))
            found = i;
    }
    store.endArray();
    return found;
}

// Keeps what the prefix holds now, unless the program changed its look before.
void rememberBeforeFirstChange() {
    const std::filesystem::path prefix = platform::windowsRoot();
    const auto store = RootChoice::settings();
    if (rememberedIndex(*store, prefix) >= 0)
        return;
    const std::optional<Stored> stored = readStored();
    if (!stored)
        return;
    QStringList values;
    for (const Stored::Value& value : stored->values)
        values.append(rememberedText(value));
    const int count = store->beginReadArray(kArray);
    store->endArray();
    store->beginWriteArray(kArray, count + 1);
    store->setArrayIndex(count);
    store->setValue(kPrefix, HostText::fromBytes(prefix.native()));
    store->setValue(kValues, values);
    store->endArray();
    store->sync();
}

} // namespace

appearance::LookFromRegistry Stored::look(const ClassicLook& fallback) const {
    QList<RegistryValue> found;
    for (const Value& value : values) {
        if (!value.value)
            continue;
        const StoredValue& stored = *value.value;
        if (stored.type == platform::REG_SZ || stored.type == platform::REG_EXPAND_SZ) {
            std::string text = stored.data;
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            found.append(RegistryValue::ofText(value.key, value.name,
                                               QString::fromStdString(platform::ansiToUtf8(text))));
        } else {
            found.append(
                RegistryValue::ofBinary(value.key, value.name, QByteArray::fromStdString(stored.data)));
        }
    }
    return appearance::lookFromRegistry(found, fallback);
}

std::optional<Stored> readStored() {
    platform::Registry& registry = platform::Registry::current();
    Stored stored;
    QString openKey;
    platform::HKEY key = 0;
    bool keyThere = false;
    bool readable = true;
    for (const auto& [keyPath, name] : lookValueNames()) {
        if (keyPath != openKey) {
            if (keyThere)
                registry.RegCloseKey(key);
            openKey = keyPath;
            const int32_t opened = registry.RegOpenKeyA(platform::HKEY_CURRENT_USER,
                                                        platform::utf8ToAnsi(keyPath.toStdString()), &key);
            keyThere = opened == platform::ERROR_SUCCESS;
            readable = readable && (keyThere || opened == platform::ERROR_FILE_NOT_FOUND);
        }
        Stored::Value value{keyPath, name, std::nullopt};
        StoredValue data;
        const ReadResult read =
            keyThere ? RegistryValues::readStored(key, name.toStdString(), data) : ReadResult::Missing;
        readable = readable && read != ReadResult::Failed;
        if (read == ReadResult::Found)
            value.value = data;
        stored.values.append(value);
    }
    if (keyThere)
        registry.RegCloseKey(key);
    if (!readable)
        return std::nullopt;
    return stored;
}

QString Stored::text(const QString& key, const QString& name) const {
    for (const Value& value : values) {
        if (value.key != key || value.name != name || !value.value ||
            (value.value->type != platform::REG_SZ && value.value->type != platform::REG_EXPAND_SZ))
            continue;
        std::string data = value.value->data;
        while (!data.empty() && data.back() == '\0')
            data.pop_back();
        return QString::fromStdString(platform::ansiToUtf8(data));
    }
    return QString();
}

QList<Stored::Value> Stored::themeRecord() const {
    QList<Value> record;
    for (const Value& value : values)
        if (value.key == RegistryValues::kThemeManagerKey)
            record.append(value);
    return record;
}

Outcome apply(const ClassicLook& look, Mode mode) {
    rememberBeforeFirstChange();
    QString why;
    if (std::optional<Outcome> outcome = throughWine(look, mode, why))
        return *outcome;
    Outcome outcome = writeAlone(look, mode);
    if (outcome.kind == Outcome::RegistryOnly)
        outcome.why = why;
    return outcome;
}

std::optional<Stored> remembered() {
    const auto store = RootChoice::settings();
    const int index = rememberedIndex(*store, platform::windowsRoot());
    if (index < 0)
        return std::nullopt;
    store->beginReadArray(kArray);
    store->setArrayIndex(index);
    const QStringList texts = store->value(kValues).toStringList();
    store->endArray();
    // Values the settings do not hold whole, or values of anything but a look (the file is
    // the user's to edit), are not put back at all.
    const QList<std::pair<QString, QString>> names = lookValueNames();
    Stored stored;
    for (const QString& text : texts) {
        const std::optional<Stored::Value> value = rememberedValue(text);
        if (!value || !names.contains(std::pair{value->key, value->name}))
            return std::nullopt;
        stored.values.append(*value);
    }
    if (stored.values.isEmpty())
        return std::nullopt;
    return stored;
}

namespace {

// Where Wine can be reached and theming is not as before was: the style before named
// applied again through Wine's theme service, or the classic look. nullopt when nothing
// had to be done or it took; else what kept it from taking.
std::optional<Outcome> themingThroughWine(const Stored& before) {
    const std::optional<Stored> now = readStored();
    if (now && now->themeRecord() == before.themeRecord())
        return std::nullopt;
    ThemeServiceRun::Reach service;
    if (!service.unreachable().isEmpty())
        return std::nullopt;
    const QString& manager = RegistryValues::kThemeManagerKey;
    const bool styled = before.text(manager, kThemeActive) == QLatin1String("1") &&
                        !before.text(manager, QStringLiteral("DllName")).isEmpty();
    if (!styled && now && now->text(manager, kThemeActive) != QLatin1String("1"))
        return std::nullopt;
    // The theme service must never be handed a file the reader refuses, the style that was in
    // use either: it may have been changed or damaged since.
    if (styled) {
        const QString dllName = before.text(manager, QStringLiteral("DllName"));
        const auto host = platform::toHostPath(StyleApply::expandedDllName(dllName).toStdString());
        const StyleFile file =
            host ? StyleFile::fromHostPath(QString::fromStdString(host->string())) : StyleFile();
        if (const QString problem = file.problem(); !problem.isEmpty())
            return Outcome{Outcome::WineFailed, QStringLiteral("the style that was in use, ") + dllName +
                                                    QStringLiteral(", cannot be applied again: ") + problem};
    }
    const QStringList request =
        styled ? QStringList{QStringLiteral("apply"), before.text(manager, QStringLiteral("DllName")),
                             before.text(manager, QStringLiteral("ColorName")),
                             before.text(manager, QStringLiteral("SizeName"))}
               : QStringList{QStringLiteral("classic")};
    const ThemeServiceRun::Verdict verdict = ThemeServiceRun::verdict(service.run(request));
    if (verdict.kind != ThemeServiceRun::Verdict::Failed)
        return std::nullopt;
    switch (ThemeServiceRun::settle<Stored>(now, readStored(), [&](const Stored& after) {
        return styled ? after.themeRecord() == before.themeRecord()
                      : after.text(manager, kThemeActive) != QLatin1String("1");
    })) {
    case ThemeServiceRun::Settled::Took:
        return std::nullopt;
    case ThemeServiceRun::Settled::CannotTell:
        return Outcome{Outcome::Unknown, verdict.why};
    case ThemeServiceRun::Settled::Unchanged:
        break;
    }
    return Outcome{Outcome::WineFailed, verdict.why};
}

} // namespace

Outcome restore(const Stored& before) {
    if (std::optional<Outcome> theming = themingThroughWine(before))
        return *theming;
    // Wine's calls take the look the values hold (Wine's defaults for what was not there);
    // the values themselves are then put back as they were, over the forms Wine stored.
    const appearance::Scheme* wineDefault = appearance::findScheme(QStringLiteral("Wine default"));
    const ClassicLook look = before.look(wineDefault ? wineDefault->look : ClassicLook{}).look;
    QString why;
    const std::optional<Outcome> wine = throughWine(look, Mode::Items, why);
    if (wine && wine->kind != Outcome::Applied)
        return *wine;
    platform::RegistryBatch batch;
    for (const Stored::Value& value : before.values) {
        if (value.value)
            RegistryValues::writeStored(value.key, value.name, *value.value);
        else
            RegistryValues::deleteValue(value.key, value.name);
    }
    Outcome outcome = judged(batch, [&](const Stored& stored) { return stored.values == before.values; });
    if (outcome.kind == Outcome::RegistryOnly) {
        outcome.kind = wine ? Outcome::Applied : Outcome::RegistryOnly;
        outcome.why = wine ? QString() : why;
    }
    return outcome;
}

QString appliedMessage(const QString& subject, const Outcome& outcome) {
    if (outcome.kind == Outcome::RegistryOnly)
        return subject + QStringLiteral(" is stored: Wine shows it from its next start.");
    return subject + QStringLiteral(" is applied: programs started from now on show it.");
}

QString failureMessage(const QString& subject, const Outcome& outcome) {
    switch (outcome.kind) {
    case Outcome::RegistryRefused:
        return ThemeServiceRun::registryRefusedMessage(subject);
    case Outcome::WineFailed:
        return ThemeServiceRun::failedMessage(subject, outcome.why);
    case Outcome::Unknown:
        return ThemeServiceRun::unknownMessage(subject, outcome.why);
    case Outcome::Applied:
    case Outcome::RegistryOnly:
        break;
    }
    return QString();
}

QString registryOnlyNote(const Outcome& outcome) {
    return QStringLiteral("Wine's theme service was not reached (") + outcome.why +
           QStringLiteral(
               "): the colours, sizes and fonts are stored in the registry alone, which Wine reads "
               "when it next starts.");
}

std::optional<NamedLook> namedLook(const QString& name) {
    if (name.compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) {
        const appearance::DesktopLook desktop =
            appearance::desktopLook(appearance::systemDesktopEnvironment());
        return NamedLook{desktop.look, QStringLiteral("The classic look in the colours of ") + desktop.source,
                         desktop.notes};
    }
    const appearance::Scheme* scheme = appearance::findScheme(name);
    if (!scheme)
        return std::nullopt;
    return NamedLook{
        scheme->look, QStringLiteral("The classic look in the colour scheme ") + scheme->name, {}};
}

QString unknownSchemeMessage(const QString& name) {
    QString listing = appearance::schemeListing();
    if (listing.endsWith(QLatin1Char('\n')))
        listing.chop(1);
    return QStringLiteral("There is no colour scheme ") + name +
           QStringLiteral(
               "; the colour schemes are these, and desktop for the Linux desktop's own colours:\n") +
           listing;
}

platform::Look platformLook(const ClassicLook& look) {
    platform::Look out;
    for (int i = 0; i < platform::Look::kColorCount; ++i)
        out.colors[static_cast<size_t>(i)] = look.colors[static_cast<size_t>(i)] & 0xFFFFFFu;
    out.gradientCaptions = look.gradientCaptions;
    out.flatMenus = look.flatMenus;
    if (!look.metrics)
        return out;
    const appearance::Metrics& m = *look.metrics;
    platform::LookMetrics metrics;
    metrics.sizes = {m.borderWidth,   m.scrollWidth,      m.scrollHeight,    m.captionWidth,
                     m.captionHeight, m.smCaptionWidth,   m.smCaptionHeight, m.menuWidth,
                     m.menuHeight,    m.paddedBorderWidth};
    const appearance::Font* fonts[] = {&m.captionFont, &m.smCaptionFont, &m.menuFont,
                                       &m.statusFont,  &m.messageFont,   &m.iconFont};
    for (size_t i = 0; i < metrics.fonts.size(); ++i)
        metrics.fonts[i] = {fonts[i]->height, fonts[i]->weight, fonts[i]->italic,
                            appearance::logFontFace(fonts[i]->face).toStdString()};
    out.metrics = metrics;
    return out;
}

} // namespace LookApply
