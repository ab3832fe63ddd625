#pragma once
// Wine's own style, Light (light.msstyles), as the installed Wine ships it; the tests
// that read it say so and skip where no Wine is installed.

#include "platform/linux/wine/WineInstall.h"
#include "style/StyleFile.h"

#include <QString>

#include <optional>

namespace testing_support {

inline std::optional<QString> wineLightPath() {
    const auto path = platform::wineStyleFile(platform::wineLibraryFolders());
    if (!path)
        return std::nullopt;
    return QString::fromStdString(path->string());
}

} // namespace testing_support

// Skips the test where no Wine is installed.
#define REQUIRE_WINE_LIGHT(file)                                                                             \
    const auto wineLight_ = testing_support::wineLightPath();                                                \
    if (!wineLight_)                                                                                         \
        GTEST_SKIP() << "no light.msstyles: Wine is not installed";                                          \
    const StyleFile file = StyleFile::fromHostPath(*wineLight_)
