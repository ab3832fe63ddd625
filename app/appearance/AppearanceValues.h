#pragma once
// A classic look as the registry values Windows and Wine read it from, and back. Colours
// live under HKEY_CURRENT_USER\Control Panel\Colors, one REG_SZ "R G B" per colour name;
// sizes under Control Panel\Desktop\WindowMetrics as REG_SZ in negative twips ("-15"
// times the pixels, as the Display control panel writes them; Wine reads a negative value
// as twips and a positive one as pixels), the six fonts there as REG_BINARY LOGFONTW of 92
// bytes. Gradient captions and flat menus are two bits of Control Panel\Desktop's
// UserPreferencesMask, which also holds other settings, so that value is only ever
// changed bit by bit (withLookPreferences). Everything here is plain data: the values to
// store, or the values found; nothing here touches a registry.

#include "ClassicLook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace appearance {

// The keys, under HKEY_CURRENT_USER.
inline const QString kColorsKey = QStringLiteral("Control Panel\\Colors");
inline const QString kWindowMetricsKey = QStringLiteral("Control Panel\\Desktop\\WindowMetrics");
inline const QString kDesktopKey = QStringLiteral("Control Panel\\Desktop");
inline const QString kUserPreferencesMaskName = QStringLiteral("UserPreferencesMask");

struct RegistryValue {
    // The registry's own type numbers.
    enum Type : int { Text = 1 /* REG_SZ */, Binary = 3 /* REG_BINARY */ };
    QString key; // under HKEY_CURRENT_USER
    QString name;
    Type type = Text;
    QString text;     // for Text
    QByteArray bytes; // for Binary
    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;

    static RegistryValue ofText(QString key, QString name, QString text) {
        RegistryValue value;
        value.key = std::move(key);
        value.name = std::move(name);
        value.text = std::move(text);
        return value;
    }
    static RegistryValue ofBinary(QString key, QString name, QByteArray bytes) {
        RegistryValue value;
        value.key = std::move(key);
        value.name = std::move(name);
        value.type = Binary;
        value.bytes = std::move(bytes);
        return value;
    }
};

// The values that store look: its 31 colours, and when it has metrics, the ten sizes and
// six fonts. UserPreferencesMask is not among them (see withLookPreferences).
QList<RegistryValue> registryValues(const ClassicLook& look);

// UserPreferencesMask (currentMask, as stored; empty when there is none) with the gradient
// captions and flat menus bits set as look has them and every other bit kept. A mask
// shorter than Windows' 8 bytes is padded with Wine's defaults.
QByteArray withLookPreferences(const QByteArray& currentMask, const ClassicLook& look);

struct LookFromRegistry {
    ClassicLook look;
    // One sentence for each value that was missing or could not be read, naming the value
    // and what was kept instead; empty when everything was read.
    QStringList notes;
};

// The look stored in values (as found under the keys above; other keys are ignored).
// What is missing or malformed keeps fallback's part, and a note says so. When no size
// or font is stored at all, the metrics are fallback's (absent if fallback has none).
LookFromRegistry lookFromRegistry(const QList<RegistryValue>& values, const ClassicLook& fallback);

// The pieces, for the Appearance window and the tests.
QString colorText(QRgb color);                                // "R G B"
std::optional<QRgb> colorFromText(QStringView text);          // "R G B" (or commas), each 0..255
QString metricText(int pixels);                               // "-15" per pixel
std::optional<int> metricPixels(QStringView text);            // negative twips or positive pixels
QByteArray logFontBytes(const Font& font);                    // LOGFONTW, 92 bytes
QString logFontFace(const QString& face);                     // as LOGFONTW holds it: 31 units
std::optional<Font> fontFromLogFont(const QByteArray& bytes); // null unless 92 bytes

} // namespace appearance
