#pragma once
// Shared ground for the tests of the shared routines: a throw-away Windows root (with
// drive C:) made current through WINEPREFIX, scripted message boxes, and helpers to
// read and write host files byte for byte.

#include "platform/linux/TestRoot.h"

#include "common/UiServices.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace library_test {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        quorlin::UiServices::setScripted(true);
        quorlin::UiServices::resetScript();
        std::filesystem::create_directories(m_root.driveC() / "work");
    }
    void TearDown() override {
        quorlin::UiServices::resetScript();
        // The tests after this one start real processes.
        quorlin::UiServices::setScripted(false);
    }

    // C:\work\<relative> as the callers write it, and its host file.
    static QString win(const QString& relative) { return QStringLiteral("C:\\work\\") + relative; }
    std::filesystem::path host(const std::string& relative) const {
        return m_root.driveC() / "work" / relative;
    }

    static std::string readBytes(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    static void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    }

    testing_support::TestRoot m_root;
};

} // namespace library_test
