// Pins the Windows attributes of host files: user.DOSATTRIB in Wine's text form, dot
// names, owner write permission, archive on plain files, links as reparse points.
#include "platform/FileAttributes.h"
#include "TestRoot.h"
#include "platform/linux/DosAttributeText.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cerrno>

using namespace platform;
using testing_support::TestRoot;
namespace fs = std::filesystem;

namespace {

class FileAttributesTest : public ::testing::Test {
protected:
    TestRoot root;
    fs::path dir = root.themes();

    fs::path file(const char* name, std::string_view text = "x") {
        return root.writeFile(fs::relative(dir / name, root.root()), text);
    }
    // The user.DOSATTRIB text as stored, or "<none>".
    static std::string stored(const fs::path& path) {
        char text[64];
        const ssize_t size = ::lgetxattr(path.c_str(), "user.DOSATTRIB", text, sizeof text);
        return size < 0 ? std::string("<none>") : std::string(text, static_cast<size_t>(size));
    }
    void requireXattrs() {
        const auto probe = file("probe");
        if (::lsetxattr(probe.c_str(), "user.probe", "1", 1, 0) != 0 && (errno == ENOTSUP || errno == EPERM))
            GTEST_SKIP() << "the file system of the temporary folder refuses user extended attributes";
        fs::remove(probe);
    }
    void storeRaw(const fs::path& path, std::string_view text) {
        ASSERT_EQ(::lsetxattr(path.c_str(), "user.DOSATTRIB", text.data(), text.size(), 0), 0);
    }
};

} // namespace

TEST_F(FileAttributesTest, ReadOnlyWhenTheOwnerMayNotWrite) {
    const auto f = file("ro.txt");
    fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    fs::permissions(f, fs::perms::owner_write | fs::perms::owner_read);
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileAttributesTest, DotNamesAreHidden) {
    EXPECT_EQ(fileAttributes(file(".profile")), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    fs::create_directory(dir / ".cache");
    EXPECT_EQ(fileAttributes(dir / ".cache"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileAttributesTest, HiddenAndSystemStoredInWineForm) {
    requireXattrs();
    const auto f = file("a.txt");
    ASSERT_TRUE(setDosAttributes(f, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(stored(f), "0x2");
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);

    ASSERT_TRUE(
        setDosAttributes(f, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(stored(f), "0x4") << "only hidden and system are stored";
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);

    ASSERT_TRUE(setDosAttributes(f, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(stored(f), "0x6");

    ASSERT_TRUE(setDosAttributes(f, 0));
    EXPECT_EQ(stored(f), "<none>");
    EXPECT_TRUE(setDosAttributes(f, 0)) << "removing what is not there succeeds";
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_ARCHIVE);

    fs::create_directory(dir / "Sys");
    ASSERT_TRUE(setDosAttributes(dir / "Sys", FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(fileAttributes(dir / "Sys"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileAttributesTest, StoredAttributeDecidesOverTheDotName) {
    requireXattrs();
    const auto f = file(".shown");
    storeRaw(f, "0x0");
    EXPECT_EQ(fileAttributes(f), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(FileAttributesTest, OtherFormsOfTheStoredAttributeAreIgnored) {
    requireXattrs();
    const auto plain = file("plain");
    const auto dotted = file(".dotted");
    for (std::string_view text : {std::string_view("0x2\0", 4), std::string_view("2"), std::string_view("0x"),
                                  std::string_view("0xZ2"), std::string_view("\x01\x00\x02\x00", 4)}) {
        storeRaw(plain, text);
        storeRaw(dotted, text);
        EXPECT_EQ(fileAttributes(plain), FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_EQ(fileAttributes(dotted), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE)
            << "dot rule applies";
    }
}

TEST_F(FileAttributesTest, LinksAreReparsePoints) {
    fs::create_directory(dir / "Blue");
    fs::create_directory_symlink("Blue", dir / "ToBlue");
    fs::create_symlink("nowhere", dir / "Dangling");
    fs::create_symlink(file("a.txt"), dir / "ToFile");
    EXPECT_EQ(fileAttributes(dir / "ToBlue"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(fileAttributes(dir / "Dangling"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(fileAttributes(dir / "ToFile"), FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE);
}

TEST(DosAttributeText, OnlyHexTextCountsAndOnlyItsHiddenAndSystemBits) {
    EXPECT_EQ(parseDosAttributeText("0x2"), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(parseDosAttributeText("0x6"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(parseDosAttributeText("0X26"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(parseDosAttributeText("0x20"), 0u);
    EXPECT_EQ(parseDosAttributeText("0xffffffff"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_FALSE(parseDosAttributeText("0x1ffffffff").has_value());
    EXPECT_FALSE(parseDosAttributeText("0x").has_value());
    EXPECT_FALSE(parseDosAttributeText("x2").has_value());
    EXPECT_FALSE(parseDosAttributeText(std::string_view("0x2\0", 4)).has_value());
}
