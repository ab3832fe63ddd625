#include "AppearanceValues.h"

#include "ColorSchemes.h"

#include <QHash>
#include <QtEndian>

#include <cstdint>
#include <cstring>

namespace appearance {

namespace {

constexpr int kLogFontSize = 92;
constexpr int kFaceNameOffset = 28;
constexpr int kFaceNameUnits = 32; // LF_FACESIZE, the terminating NUL included
constexpr int kDefaultCharset = 1; // DEFAULT_CHARSET, as the Display control panel stores it
// A size or font height beyond this is no screen's; a value that claims one is damaged.
constexpr int kMaxPixels = 1000;

// Wine's default UserPreferencesMask; its byte 0 bit 0x10 is gradient captions, its byte 2
// bit 0x02 flat menus.
constexpr unsigned char kDefaultPreferences[8] = {0x30, 0x00, 0x00, 0x80, 0x12, 0x00, 0x00, 0x00};
constexpr int kGradientByte = 0;
constexpr unsigned char kGradientBit = 0x10;
constexpr int kFlatMenuByte = 2;
constexpr unsigned char kFlatMenuBit = 0x02;

// A value under WindowMetrics and the member of Metrics it stores.
template <typename T> struct MetricsField {
    const char* name;
    T Metrics::*member;
};
using SizeField = MetricsField<int>;
using FontField = MetricsField<Font>;

const SizeField kSizeFields[] = {
    {"BorderWidth", &Metrics::borderWidth},         {"ScrollWidth", &Metrics::scrollWidth},
    {"ScrollHeight", &Metrics::scrollHeight},       {"CaptionWidth", &Metrics::captionWidth},
    {"CaptionHeight", &Metrics::captionHeight},     {"SmCaptionWidth", &Metrics::smCaptionWidth},
    {"SmCaptionHeight", &Metrics::smCaptionHeight}, {"MenuWidth", &Metrics::menuWidth},
    {"MenuHeight", &Metrics::menuHeight},           {"PaddedBorderWidth", &Metrics::paddedBorderWidth},
};

const FontField kFontFields[] = {
    {"CaptionFont", &Metrics::captionFont}, {"SmCaptionFont", &Metrics::smCaptionFont},
    {"MenuFont", &Metrics::menuFont},       {"StatusFont", &Metrics::statusFont},
    {"MessageFont", &Metrics::messageFont}, {"IconFont", &Metrics::iconFont},
};

// MulDiv's rounding: halves away from zero.
qint64 mulDiv(qint64 value, qint64 multiplier, qint64 divisor) {
    const qint64 product = value * multiplier;
    return product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
}

QString fontDescription(const Font& font) {
    QString text = QStringLiteral("%1 %2 px")
                       .arg(font.face.isEmpty() ? QStringLiteral("(default face)") : font.face)
                       .arg(font.height < 0 ? -font.height : font.height);
    if (font.weight >= 600)
        text += QStringLiteral(", bold");
    if (font.italic)
        text += QStringLiteral(", italic");
    return text;
}

QString valuePath(const QString& key, QStringView name) {
    return key + QLatin1Char('\\') + name.toString();
}

// The values found, by key and name without regard to case, the first of each kept.
class FoundValues {
public:
    explicit FoundValues(const QList<RegistryValue>& values) {
        for (const RegistryValue& value : values) {
            const QString id = value.key.toLower() + QLatin1Char('\n') + value.name.toLower();
            if (!m_values.contains(id))
                m_values.insert(id, &value);
        }
    }
    const RegistryValue* find(const QString& key, QStringView name) const {
        return m_values.value(key.toLower() + QLatin1Char('\n') + name.toString().toLower());
    }
    bool anyUnder(const QString& key, const QStringList& names) const {
        for (const QString& name : names)
            if (find(key, name))
                return true;
        return false;
    }

private:
    QHash<QString, const RegistryValue*> m_values;
};

QString quoted(const RegistryValue& value) {
    if (value.type != RegistryValue::Text)
        return value.bytes.size() == 1 ? QStringLiteral("(1 byte of binary data)")
                                       : QStringLiteral("(%1 bytes of binary data)").arg(value.bytes.size());
    return QLatin1Char('"') + value.text + QLatin1Char('"');
}

// The text value key\name as parse reads it; when it is missing or parse refuses it (or it
// is not text), a note says so, names kind and what was kept, and the result is null.
template <typename Parse>
auto readText(const FoundValues& found, const QString& key, const QString& name, const QString& kept,
              const QString& kind, Parse parse, QStringList& notes) -> decltype(parse(QStringView())) {
    const QString path = valuePath(key, name);
    const RegistryValue* value = found.find(key, name);
    if (!value) {
        notes << QStringLiteral("%1 is missing; kept %2.").arg(path, kept);
        return std::nullopt;
    }
    auto parsed = value->type == RegistryValue::Text ? parse(value->text) : std::nullopt;
    if (!parsed)
        notes << QStringLiteral("%1 %2 is not %3; kept %4.").arg(path, quoted(*value), kind, kept);
    return parsed;
}

void readColors(const FoundValues& found, const ClassicLook& fallback, ClassicLook& look,
                QStringList& notes) {
    QStringList names;
    for (int i = 0; i < SysColorCount; ++i)
        names << QString::fromLatin1(sysColorName(static_cast<SysColor>(i)));
    if (!found.anyUnder(kColorsKey, names)) {
        notes << QStringLiteral("%1 holds no colours; all 31 kept as they were.").arg(kColorsKey);
        return;
    }
    for (int i = 0; i < SysColorCount; ++i)
        if (const std::optional<QRgb> color =
                readText(found, kColorsKey, names[i], colorText(fallback.colors[i]),
                         QStringLiteral("\"R G B\" with each 0 to 255"), colorFromText, notes))
            look.colors[i] = *color;
}

void readMetrics(const FoundValues& found, const ClassicLook& fallback, ClassicLook& look,
                 QStringList& notes) {
    QStringList names;
    for (const SizeField& field : kSizeFields)
        names << QString::fromLatin1(field.name);
    for (const FontField& field : kFontFields)
        names << QString::fromLatin1(field.name);
    if (!found.anyUnder(kWindowMetricsKey, names)) {
        notes << QStringLiteral("%1 holds no sizes or fonts; they were kept as they were.")
                     .arg(kWindowMetricsKey);
        return;
    }
    const Metrics base = fallback.metrics.value_or(standardMetrics());
    Metrics metrics = base;
    for (const SizeField& field : kSizeFields)
        if (const std::optional<int> pixels =
                readText(found, kWindowMetricsKey, QString::fromLatin1(field.name),
                         QStringLiteral("%1 px").arg(base.*field.member),
                         QStringLiteral("a size (negative twips or pixels)"), metricPixels, notes))
            metrics.*field.member = *pixels;
    for (const FontField& field : kFontFields) {
        const QString name = QString::fromLatin1(field.name);
        const QString path = valuePath(kWindowMetricsKey, name);
        const QString kept = fontDescription(base.*field.member);
        const RegistryValue* value = found.find(kWindowMetricsKey, name);
        if (!value) {
            notes << QStringLiteral("%1 is missing; kept %2.").arg(path, kept);
            continue;
        }
        if (value->type != RegistryValue::Binary) {
            notes << QStringLiteral("%1 is text, not a binary LOGFONTW; kept %2.").arg(path, kept);
            continue;
        }
        const std::optional<Font> font = fontFromLogFont(value->bytes);
        if (!font) {
            notes << (value->bytes.size() == kLogFontSize
                          ? QStringLiteral(
                                "%1 is not a usable LOGFONTW (height or weight out of range); kept %2.")
                                .arg(path, kept)
                          : QStringLiteral("%1 is %2 bytes, not a LOGFONTW (92 bytes); kept %3.")
                                .arg(path)
                                .arg(value->bytes.size())
                                .arg(kept));
            continue;
        }
        metrics.*field.member = *font;
    }
    look.metrics = metrics;
}

void readPreferences(const FoundValues& found, const ClassicLook& fallback, ClassicLook& look,
                     QStringList& notes) {
    const QString path = valuePath(kDesktopKey, kUserPreferencesMaskName);
    const QString kept = QStringLiteral("gradient captions %1, flat menus %2")
                             .arg(fallback.gradientCaptions ? QStringLiteral("on") : QStringLiteral("off"),
                                  fallback.flatMenus ? QStringLiteral("on") : QStringLiteral("off"));
    const RegistryValue* value = found.find(kDesktopKey, kUserPreferencesMaskName);
    if (!value) {
        notes << QStringLiteral("%1 is missing; kept %2.").arg(path, kept);
        return;
    }
    if (value->type != RegistryValue::Binary || value->bytes.size() <= kFlatMenuByte) {
        notes << QStringLiteral("%1 %2 is not a binary mask of 8 bytes; kept %3.")
                     .arg(path, quoted(*value), kept);
        return;
    }
    look.gradientCaptions = (static_cast<unsigned char>(value->bytes[kGradientByte]) & kGradientBit) != 0;
    look.flatMenus = (static_cast<unsigned char>(value->bytes[kFlatMenuByte]) & kFlatMenuBit) != 0;
}

} // namespace

QString colorText(QRgb color) {
    return QStringLiteral("%1 %2 %3").arg(qRed(color)).arg(qGreen(color)).arg(qBlue(color));
}

// Unlike a style file's colours, which are held within 0-255, a stored colour out of range
// is refused, as Wine refuses it (and keeps its default).
std::optional<QRgb> colorFromText(QStringView text) {
    QString spaced = text.toString();
    spaced.replace(QLatin1Char(','), QLatin1Char(' '));
    const QStringList parts = spaced.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return std::nullopt;
    int channels[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        channels[i] = parts[i].toInt(&ok, 10);
        if (!ok || channels[i] < 0 || channels[i] > 255 || parts[i].startsWith(QLatin1Char('+')))
            return std::nullopt;
    }
    return qRgb(channels[0], channels[1], channels[2]);
}

QString metricText(int pixels) {
    return QString::number(-15 * pixels);
}

std::optional<int> metricPixels(QStringView text) {
    bool ok = false;
    const qint64 stored = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    // Negative: twips, converted at 96 dots per inch as Wine does; positive: pixels.
    const qint64 pixels = stored < 0 ? mulDiv(-stored, 96, 1440) : stored;
    if (pixels > kMaxPixels)
        return std::nullopt;
    return static_cast<int>(pixels);
}

QByteArray logFontBytes(const Font& font) {
    QByteArray bytes(kLogFontSize, '\0');
    char* data = bytes.data();
    qToLittleEndian<qint32>(font.height, data);
    qToLittleEndian<qint32>(font.weight, data + 16);
    data[20] = font.italic ? 1 : 0;
    data[23] = kDefaultCharset;
    const QString face = logFontFace(font.face);
    for (qsizetype i = 0; i < face.size(); ++i)
        qToLittleEndian<quint16>(face[i].unicode(), data + kFaceNameOffset + 2 * i);
    return bytes;
}

QString logFontFace(const QString& face) {
    QString held = face.left(kFaceNameUnits - 1);
    // Half of a surrogate pair names no character.
    if (!held.isEmpty() && held.back().isHighSurrogate())
        held.chop(1);
    return held;
}

std::optional<Font> fontFromLogFont(const QByteArray& bytes) {
    if (bytes.size() != kLogFontSize)
        return std::nullopt;
    const char* data = bytes.constData();
    const qint32 height = qFromLittleEndian<qint32>(data);
    const qint32 weight = qFromLittleEndian<qint32>(data + 16);
    if (height < -kMaxPixels || height > kMaxPixels || weight < 0 || weight > 1000)
        return std::nullopt;
    Font font;
    // A positive height is in points (1/72 inch), as Wine reads it.
    font.height = height > 0 ? -static_cast<int>(mulDiv(height, 96, 72)) : height;
    font.weight = weight;
    font.italic = data[20] != 0;
    QString face;
    for (qsizetype i = 0; i < kFaceNameUnits; ++i) {
        const quint16 unit = qFromLittleEndian<quint16>(data + kFaceNameOffset + 2 * i);
        if (unit == 0)
            break;
        face.append(QChar(unit));
    }
    font.face = face;
    return font;
}

QList<RegistryValue> registryValues(const ClassicLook& look) {
    QList<RegistryValue> values;
    for (int i = 0; i < SysColorCount; ++i)
        values << RegistryValue::ofText(kColorsKey,
                                        QString::fromLatin1(sysColorName(static_cast<SysColor>(i))),
                                        colorText(look.colors[i]));
    if (look.metrics) {
        for (const SizeField& field : kSizeFields)
            values << RegistryValue::ofText(kWindowMetricsKey, QString::fromLatin1(field.name),
                                            metricText((*look.metrics).*field.member));
        for (const FontField& field : kFontFields)
            values << RegistryValue::ofBinary(kWindowMetricsKey, QString::fromLatin1(field.name),
                                              logFontBytes((*look.metrics).*field.member));
    }
    return values;
}

QByteArray withLookPreferences(const QByteArray& currentMask, const ClassicLook& look) {
    QByteArray mask = currentMask;
    for (qsizetype i = mask.size(); i < qsizetype(sizeof kDefaultPreferences); ++i)
        mask.append(static_cast<char>(kDefaultPreferences[i]));
    auto setBit = [&mask](int byte, unsigned char bit, bool on) {
        const auto current = static_cast<unsigned char>(mask[byte]);
        mask[byte] = static_cast<char>(on ? (current | bit) : (current & ~bit));
    };
    setBit(kGradientByte, kGradientBit, look.gradientCaptions);
    setBit(kFlatMenuByte, kFlatMenuBit, look.flatMenus);
    return mask;
}

LookFromRegistry lookFromRegistry(const QList<RegistryValue>& values, const ClassicLook& fallback) {
    LookFromRegistry result;
    result.look = fallback;
    const FoundValues found(values);
    readColors(found, fallback, result.look, result.notes);
    readMetrics(found, fallback, result.look, result.notes);
    readPreferences(found, fallback, result.look, result.notes);
    return result;
}

} // namespace appearance
