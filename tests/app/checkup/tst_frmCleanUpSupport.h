#pragma once
// Shared by the checkup window's tests: a themes folder to fill with styles, a clock
// that moves fast (the summary's one-second pause then takes a few readings), and the
// list's lines.

#include "SteppingClock.h"
#include "checkup/frmCleanUp.h"
#include "commands/mdlMainThemes.h"

#include "platform/Clock.h"
#include "platform/linux/TestRoot.h"

#include <QListWidget>
#include <QStringList>

#include <filesystem>
#include <fstream>

namespace checkup_test {

namespace fs = std::filesystem;

inline void touch(const fs::path& path, const char* text = "x") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A style folder with everything a style should have.
inline fs::path makeCompleteStyle(const testing_support::TestRoot& root, const std::string& name) {
    const fs::path folder = root.themes() / name;
    fs::create_directories(folder / "Shell");
    touch(folder / (name + ".msstyles"));
    touch(folder / "readme.txt");
    touch(folder / "preview.jpg");
    return folder;
}

inline QStringList lines(const frmCleanUp& window) {
    QStringList out;
    for (int i = 0; i < window.lstErrors->count(); ++i)
        out << window.lstErrors->item(i)->text();
    return out;
}

inline QString windowsDir() {
    return mdlMain::windowsDirectoryText();
}
inline QString themesText() {
    return windowsDir() + QStringLiteral("\\Resources\\Themes\\");
}
inline QString separator76() {
    return QString(76, QLatin1Char('-'));
}

} // namespace checkup_test
