// The tests run with an application object (message boxes and windows need one) and
// never inside the user's own Windows root: WINEPREFIX points at an empty temporary
// folder unless a test sets up its own.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    std::string prefix = std::string(tmp && *tmp ? tmp : "/tmp") + "/kolv-app-test-XXXXXX";
    if (!::mkdtemp(prefix.data()))
        return 1;
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    int result;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ec;
    std::filesystem::remove_all(prefix, ec);
    return result;
}
