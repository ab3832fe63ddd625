// The catalogue's order: a folder's names as NTFS lists them, whatever order the host's
// file system keeps them in.
#include "app/archive/ArchiveBuilder.h"
#include "commands/StyleCommands.h"
#include "platform/linux/TestRoot.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(CatalogueOrder, NamesSortAsNtfsListsThem) {
    // Case ignored; then by UTF-16 unit: '_' after the letters, Latin-1 letters after
    // ASCII, a character beyond the BMP (two units from 0xD800) before the fullwidth forms
    // (0xFF00), though its code point is greater.
    const QStringList ntfs = {
        QStringLiteral("1st"),     QStringLiteral("Blue Steel"), QStringLiteral("light"),
        QStringLiteral("Royale"),  QStringLiteral("royale2"),    QStringLiteral("Zune"),
        QStringLiteral("_hidden"), QStringLiteral(u"Émeraude"),  QStringLiteral(u"éte"),
        QStringLiteral(u"ÿ"),      QStringLiteral(u"🎨 Art"),     QStringLiteral(u"Ａqua")};
    QStringList shuffled = ntfs;
    std::reverse(shuffled.begin(), shuffled.end());
    std::swap(shuffled[1], shuffled[5]);
    std::sort(shuffled.begin(), shuffled.end(), StyleCommands::catalogueOrder);
    EXPECT_EQ(shuffled, ntfs);
    // Names equal but for case, which NTFS cannot hold together, come in a fixed order.
    EXPECT_TRUE(StyleCommands::catalogueOrder(QStringLiteral("BLUE"), QStringLiteral("Blue")));
    EXPECT_FALSE(StyleCommands::catalogueOrder(QStringLiteral("Blue"), QStringLiteral("BLUE")));
    EXPECT_FALSE(StyleCommands::catalogueOrder(QStringLiteral("Blue"), QStringLiteral("Blue")));
}

TEST(CatalogueOrder, TheInstalledStylesComeInThatOrder) {
    testing_support::TestRoot root;
    for (const char* name : {"Zune", "light", "Royale", "Blue Steel", "aero"})
        std::filesystem::create_directories(root.themes() / name);
    EXPECT_EQ(StyleCommands::installedStyles(QStringLiteral("C:\\windows\\Resources\\Themes\\")),
              QStringList({"aero", "Blue Steel", "light", "Royale", "Zune"}));
}
