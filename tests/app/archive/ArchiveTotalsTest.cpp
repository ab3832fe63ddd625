// What an archive says of its size before extraction: a ZIP's central directory, nothing
// for formats that only tell as they are read.
#include "archive/ArchiveTotals.h"
#include "ArchiveBuilder.h"
#include "platform/linux/TestRoot.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(ArchiveTotals, AZipTellsItsEntriesAndBytesOthersNothing) {
    TestRoot root;
    const auto folder = root.root();
    const std::vector<ArchiveEntry> entries = {folderEntry("Blue/"),
                                               fileEntry("Blue/Blue.msstyles", randomBytes(70000, 1)),
                                               fileEntry("Blue/readme.txt", "Blue\r\n")};
    writeArchive(folder / "s.zip", entries);
    const auto zip = ArchiveTotals::announced((folder / "s.zip").string());
    ASSERT_TRUE(zip);
    EXPECT_EQ(zip->entries, 3u);
    EXPECT_EQ(zip->bytes, 70006u);

    writeArchive(folder / "s.tgz", entries, ArchiveFormat("pax", "gzip"));
    EXPECT_FALSE(ArchiveTotals::announced((folder / "s.tgz").string()));
    writeFile(folder / "cut.zip", readFile(folder / "s.zip").substr(0, 100));
    EXPECT_FALSE(ArchiveTotals::announced((folder / "cut.zip").string()));
    EXPECT_FALSE(ArchiveTotals::announced((folder / "missing.zip").string()));
}
