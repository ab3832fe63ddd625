#pragma once
// Wine's own style, Light (light.msstyles), as the installed Wine ships it; the tests
// that read it say so and skip where no Wine is installed. Variants of it keep its
// bitmaps and INI data but for the sections a test gives.

#include "StyleFileBuilder.h"
#include "platform/linux/wine/WineInstall.h"
#include "style/StyleFile.h"

#include <QString>

#include <map>
#include <optional>

namespace testing_support {

inline std::optional<QString> wineLightPath() {
    const auto path = platform::wineStyleFile(platform::wineLibraryFolders());
    if (!path)
        return std::nullopt;
    return QString::fromStdString(path->string());
}

// The lines of a section of Light's INI data (its first colour scheme and size), without
// the section's name.
inline QString lightSection(const StyleFile& light, const QString& name) {
    const QString ini = light.iniText(0, 0).value_or(QString());
    const QString header = QLatin1Char('[') + name + QStringLiteral("]\r\n");
    const qsizetype at = ini.indexOf(header);
    if (at < 0)
        return QString();
    const qsizetype end = ini.indexOf(QStringLiteral("\n["), at);
    return ini.mid(at + header.size(), end < 0 ? -1 : end + 1 - at - header.size());
}

// Light's first colour scheme in its first size, as a style of its own: each section named
// in sections ("Window.CloseButton") has its lines replaced (a section Light lacks is
// added), and the bitmaps given join Light's.
inline std::string lightVariant(const StyleFile& light, const std::map<QString, QString>& sections,
                                const std::vector<std::pair<std::u16string, std::string>>& bitmaps) {
    QString ini = light.iniText(0, 0).value_or(QString());
    for (const auto& [name, lines] : sections) {
        const QString header = QLatin1Char('[') + name + QLatin1Char(']');
        const qsizetype at = ini.indexOf(header);
        const QString replacement = header + QStringLiteral("\r\n") + lines;
        if (at < 0) {
            ini += QStringLiteral("\r\n") + replacement;
            continue;
        }
        qsizetype end = ini.indexOf(QStringLiteral("\n["), at);
        end = end < 0 ? ini.size() : end + 1;
        ini.replace(at, end - at, replacement);
    }
    std::vector<PeResource> resources = {
        {u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
        {u"COLORNAMES", nameList({light.colorNames()->front().toStdU16String()})},
        {u"SIZENAMES", nameList({light.sizeNames()->front().toStdU16String()})},
        {u"FILERESNAMES", nameList({u"VARIANT_INI"})},
        {u"TEXTFILE", utf16(ini.toStdU16String()), 0, u"VARIANT_INI"},
    };
    for (const ResourceName& name : light.resources().names(2)) {
        const auto data = light.resources().find(2, name);
        resources.push_back({u"", std::string(data->data(), size_t(data->size())),
                             name.isId() ? uint32_t(name.id()) : 0, name.name().toStdU16String(), 0x409, 2});
    }
    for (const auto& [name, data] : bitmaps)
        resources.push_back({u"", data, 0, name, 0x409, 2});
    return PeBuilder::build(resources);
}

} // namespace testing_support

// Skips the test where no Wine is installed.
#define REQUIRE_WINE_LIGHT(file)                                                                             \
    const auto wineLight_ = testing_support::wineLightPath();                                                \
    if (!wineLight_)                                                                                         \
        GTEST_SKIP() << "no light.msstyles: Wine is not installed";                                          \
    const StyleFile file = StyleFile::fromHostPath(*wineLight_)
