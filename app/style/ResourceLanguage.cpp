#include "ResourceLanguage.h"

namespace ResourceLanguage {
namespace {

constexpr quint16 primaryOf(quint16 language) {
    return language & 0x3FF;
}

constexpr quint16 make(quint16 primary, quint16 sublanguage) {
    return quint16(sublanguage << 10 | primary);
}

struct Primary {
    QLocale::Language language;
    quint16 primary;
};

// Windows' primary language numbers (winnt.h, LANG_*).
constexpr Primary kPrimaries[] = {
    {QLocale::Arabic, 0x01},
    {QLocale::Bulgarian, 0x02},
    {QLocale::Catalan, 0x03},
    {QLocale::Chinese, 0x04},
    {QLocale::Czech, 0x05},
    {QLocale::Danish, 0x06},
    {QLocale::German, 0x07},
    {QLocale::Greek, 0x08},
    {QLocale::English, 0x09},
    {QLocale::Spanish, 0x0A},
    {QLocale::Finnish, 0x0B},
    {QLocale::French, 0x0C},
    {QLocale::Hebrew, 0x0D},
    {QLocale::Hungarian, 0x0E},
    {QLocale::Icelandic, 0x0F},
    {QLocale::Italian, 0x10},
    {QLocale::Japanese, 0x11},
    {QLocale::Korean, 0x12},
    {QLocale::Dutch, 0x13},
    {QLocale::NorwegianBokmal, 0x14},
    {QLocale::NorwegianNynorsk, 0x14},
    {QLocale::Polish, 0x15},
    {QLocale::Portuguese, 0x16},
    {QLocale::Romansh, 0x17},
    {QLocale::Romanian, 0x18},
    {QLocale::Russian, 0x19},
    {QLocale::Croatian, 0x1A},
    {QLocale::Serbian, 0x1A},
    {QLocale::Bosnian, 0x1A},
    {QLocale::Slovak, 0x1B},
    {QLocale::Albanian, 0x1C},
    {QLocale::Swedish, 0x1D},
    {QLocale::Thai, 0x1E},
    {QLocale::Turkish, 0x1F},
    {QLocale::Urdu, 0x20},
    {QLocale::Indonesian, 0x21},
    {QLocale::Ukrainian, 0x22},
    {QLocale::Belarusian, 0x23},
    {QLocale::Slovenian, 0x24},
    {QLocale::Estonian, 0x25},
    {QLocale::Latvian, 0x26},
    {QLocale::Lithuanian, 0x27},
    {QLocale::Tajik, 0x28},
    {QLocale::Persian, 0x29},
    {QLocale::Vietnamese, 0x2A},
    {QLocale::Armenian, 0x2B},
    {QLocale::Azerbaijani, 0x2C},
    {QLocale::Basque, 0x2D},
    {QLocale::Macedonian, 0x2F},
    {QLocale::Afrikaans, 0x36},
    {QLocale::Georgian, 0x37},
    {QLocale::Faroese, 0x38},
    {QLocale::Hindi, 0x39},
    {QLocale::Maltese, 0x3A},
    {QLocale::Irish, 0x3C},
    {QLocale::Malay, 0x3E},
    {QLocale::Kazakh, 0x3F},
    {QLocale::Kyrgyz, 0x40},
    {QLocale::Swahili, 0x41},
    {QLocale::Uzbek, 0x43},
    {QLocale::Tatar, 0x44},
    {QLocale::Bengali, 0x45},
    {QLocale::Punjabi, 0x46},
    {QLocale::Gujarati, 0x47},
    {QLocale::Tamil, 0x49},
    {QLocale::Telugu, 0x4A},
    {QLocale::Kannada, 0x4B},
    {QLocale::Malayalam, 0x4C},
    {QLocale::Marathi, 0x4E},
    {QLocale::Mongolian, 0x50},
    {QLocale::Welsh, 0x52},
    {QLocale::Khmer, 0x53},
    {QLocale::Lao, 0x54},
    {QLocale::Galician, 0x56},
    {QLocale::Sinhala, 0x5B},
    {QLocale::Breton, 0x7E},
    {QLocale::Esperanto, 0x8F},
    {QLocale::Walloon, 0x90},
    {QLocale::Cornish, 0x91},
};

} // namespace

quint16 fromLocale(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    const QLocale::Territory territory = locale.territory();
    switch (language) {
    case QLocale::Chinese:
        if (territory == QLocale::Taiwan || locale.script() == QLocale::TraditionalChineseScript)
            return territory == QLocale::HongKong ? make(0x04, 3)
                   : territory == QLocale::Macao  ? make(0x04, 5)
                                                  : make(0x04, 1);
        return territory == QLocale::Singapore ? make(0x04, 4) : make(0x04, 2);
    case QLocale::Portuguese:
        return territory == QLocale::Brazil ? make(0x16, 1) : make(0x16, 2);
    case QLocale::English:
        return territory == QLocale::UnitedKingdom ? make(0x09, 2) : kEnglishUs;
    case QLocale::Serbian:
        return locale.script() == QLocale::CyrillicScript ? make(0x1A, 0x0A) : make(0x1A, 0x09);
    case QLocale::NorwegianNynorsk:
        return make(0x14, 2);
    default:
        break;
    }
    for (const Primary& p : kPrimaries)
        if (p.language == language)
            return make(p.primary, 1);
    return kEnglishUs;
}

quint16 user() {
    return fromLocale(QLocale::system());
}

quint16 pick(const QList<quint16>& available, quint16 preferred) {
    if (available.contains(preferred))
        return preferred;
    const quint16 neutral = primaryOf(preferred);
    if (available.contains(neutral))
        return neutral;
    for (quint16 language : available)
        if (primaryOf(language) == neutral)
            return language;
    if (available.contains(kEnglishUs))
        return kEnglishUs;
    return available.isEmpty() ? kEnglishUs : available.constFirst();
}

} // namespace ResourceLanguage
