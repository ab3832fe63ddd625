// The colour schemes on the command line: --schemes, --scheme NAME (and desktop) without
// Wine and through a stand-in for it, an unknown name, and --preview --scheme.
#include "CommandLineFixture.h"
#include "platform/linux/wine/FakeWine.h"

namespace fs = std::filesystem;
using namespace cli_test;
using namespace platform;
using namespace registry_test;

namespace {

// The published colours of Brick, by system colour index, as the Windows program is given
// them.
const std::string kBrick =
    "E1E0D24200008000008D8961C2BFA5FFFFFF000000000000000000E1E0D2C2BFA5C2BFA5E1E0D28D8961"
    "FFFFFFC2BFA58D89618D8961000000E1E0D2E1E0D2000000C2BFA5800000E1E0D2C0C0C0800000B07440"
    "C8B8708D8961C2BFA5";

std::string listing() {
    return "Brick\nDesert\nEggplant\nHigh Contrast #1\nHigh Contrast #1 (large)\nHigh Contrast #1 (extra "
           "large)\n"
           "High Contrast #2\nHigh Contrast #2 (large)\nHigh Contrast #2 (extra large)\nHigh Contrast Black\n"
           "High Contrast Black (large)\nHigh Contrast Black (extra large)\nHigh Contrast White\n"
           "High Contrast White (large)\nHigh Contrast White (extra large)\nLilac\nLilac (large)\nMaple\n"
           "Marine (high color)\nPlum (high color)\nPumpkin\nPumpkin (large)\nRainy Day\n"
           "Red, White, and Blue (VGA)\nRose\nSlate\nSpruce\nStorm (VGA)\nTeal (VGA)\nWheat\nWindows "
           "Classic\n"
           "Windows Classic (large)\nWindows Classic (extra large)\nWindows Standard\nWindows Standard "
           "(large)\n"
           "Windows Standard (extra large)\nWine default\nDark\n";
}

std::string notReached(const fs::path& root) {
    return "kolvmgr: Wine's theme service was not reached (" + root.string() +
           " is no prefix made by Wine): the colours, sizes and fonts are stored in the registry alone, "
           "which "
           "Wine reads when it next starts.\n";
}

// The width and height a PNG file's header gives; zeros when it is no PNG.
std::pair<unsigned, unsigned> pngSize(const std::string& data) {
    if (data.size() < 24 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || data.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    const auto number = [&](size_t at) {
        return unsigned(uint8_t(data[at])) << 24 | unsigned(uint8_t(data[at + 1])) << 16 |
               unsigned(uint8_t(data[at + 2])) << 8 | unsigned(uint8_t(data[at + 3]));
    };
    return {number(16), number(20)};
}

} // namespace

TEST_F(CommandLine, SchemesAreListedAndAnUnknownOneChangesNothing) {
    expectResult(run({"--schemes"}), 0, listing(), "");
    expectResult(
        runOn(prefix, {"--scheme", "Chartreuse"}), 1, "",
        "kolvmgr: There is no colour scheme Chartreuse; the colour schemes are these, and desktop for the "
        "Linux desktop's own colours:\n" +
            listing());
    // A size variant is never taken for its scheme.
    EXPECT_EQ(runOn(prefix, {"--scheme", "Brick (large)"}).code, 1);
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));
    EXPECT_EQ(readFile(home / ".config" / "kolvmgr" / "kolvmgr.conf").find("PrefixLooks"), std::string::npos);

    const std::vector<std::pair<std::vector<std::string>, std::string>> usage = {
        {{"--scheme"}, "--scheme needs a scheme name"},
        {{"--preview", "--scheme"}, "--preview --scheme needs a scheme name and a file"},
        {{"--preview", "--scheme", "Brick"}, "--preview --scheme needs a scheme name and a file"},
        {{"--preview", "--scheme", "Brick", "b.png", "--color", "Blue"},
         "--color and --size go only with the preview of a style"},
        {{"--schemes", "--list"}, "--schemes and --list cannot be given together"},
        {{"--scheme", "Brick", "--classic"}, "--scheme and --classic cannot be given together"},
        {{"--list", "--preview", "--scheme", "Brick", "b.png"},
         "--list and --preview cannot be given together"},
    };
    for (const auto& [args, why] : usage)
        expectResult(run(args), 2, "", "kolvmgr: " + why + "\n" + kUsageHint);
}

TEST_F(CommandLine, WithoutWineASchemeIsStoredInWindowsFormatsWithThemingOff) {
    expectResult(
        runOn(prefix, {"--scheme", "windows standard"}), 0,
        "The classic look in the colour scheme Windows Standard is stored: Wine shows it from its next "
        "start.\n",
        notReached(prefix));
    Registry reg(prefix);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Colors", "ButtonFace"), "212 208 200");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Colors", "ActiveTitle"), "10 36 106");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", "ScrollWidth"), "-240");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", "CaptionHeight"), "-270");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager",
                   "ThemeActive"),
              "0");
    // "Dark" sets colours alone: the sizes stored stay.
    expectResult(runOn(prefix, {"--scheme", "dark"}), 0,
                 "The classic look in the colour scheme Dark is stored: Wine shows it from its next start.\n",
                 notReached(prefix));
    Registry again(prefix);
    EXPECT_NE(text(again, HKEY_CURRENT_USER, "Control Panel\\Colors", "ButtonFace"), "212 208 200");
    EXPECT_EQ(text(again, HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", "ScrollWidth"), "-240");
}

TEST_F(CommandLine, TheDesktopsColoursAndWhatOfThemCouldNotBeRead) {
    fs::create_directories(home / ".config");
    std::ofstream(home / ".config" / "kdeglobals") << "[Colors:View]\nBackgroundNormal=10,20,30\n"
                                                      "ForegroundNormal=230,231,232\n"
                                                      "[Colors:Window]\nBackgroundNormal=49,54,59\n"
                                                      "ForegroundNormal=#eff0f1\nForegroundInactive=1,2,3\n"
                                                      "BackgroundAlternate=4,5,6\n"
                                                      "[Colors:Selection]\nBackgroundNormal=61,174,233\n"
                                                      "ForegroundNormal=not a colour\n"
                                                      "[Colors:Tooltip]\nBackgroundNormal=7,8,9\n"
                                                      "ForegroundNormal=250,250,250\n"
                                                      "[Colors:Header]\nBackgroundNormal=20,30,40\n"
                                                      "ForegroundNormal=240,240,240\n"
                                                      "[Colors:Header][Inactive]\nBackgroundNormal=30,30,30\n"
                                                      "ForegroundNormal=200,200,200\n"
                                                      "[General]\nfont=Noto Sans,10,-1,5,50,0,0,0,0,0\n";
    expectResult(
        run({"--prefix", prefix.string(), "--scheme", "desktop"}, {{"XDG_CURRENT_DESKTOP", "KDE"}}), 0,
        "The classic look in the colours of KDE (~/.config/kdeglobals) is stored: Wine shows it from its "
        "next "
        "start.\n",
        "kolvmgr: [Colors:Selection] ForegroundNormal \"not a colour\" is not a colour (r,g,b with each 0 to "
        "255); HilightText keeps Dark's 255 255 255.\n"
        "kolvmgr: [Colors:View] has no ForegroundLink; HotTrackingColor keeps Dark's 120 170 255.\n" +
            notReached(prefix));
    Registry reg(prefix);
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Colors", "Window"), "10 20 30");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Colors", "InfoWindow"), "7 8 9");
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Colors", "HilightText"), "255 255 255");
    // Noto Sans 10 pt: 13 pixels at 96 dots per inch, the menu grown to fit it.
    EXPECT_EQ(text(reg, HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", "MenuHeight"), "-315");
}

TEST_F(CommandLine, ThroughWinesProgramASchemeIsOneCallAndItsRefusalIsSaid) {
    testing_support::FakeWine wine(prefix, scratch / "wine", {false, "win64"});
    expectResult(
        runOn(prefix, {"--scheme", "BRICK"}), 0,
        "The classic look in the colour scheme Brick is applied: programs started from now on show it.\n",
        "");
    ASSERT_EQ(wine.programCalls().size(), 1u);
    const std::string call = wine.programCalls()[0];
    const std::string start = "WINEPREFIX=" + prefix.string() + " [";
    EXPECT_EQ(call.substr(0, start.size()), start);
    EXPECT_NE(call.find(".exe] [scheme] [1] [" + kBrick + "] "), std::string::npos) << call;
    // The Windows program stores the values itself.
    EXPECT_FALSE(fs::exists(prefix / "user.reg"));

    wine.reply(
        "kolvmgr-apply-theme 1\nerror: Wine did not take the look (SetSysColors or SystemParametersInfo "
        "failed, 87)\n",
        44);
    expectResult(runOn(prefix, {"--scheme", "Brick"}), 1, "",
                 "kolvmgr: The classic look in the colour scheme Brick was not applied: Wine's theme service "
                 "failed: Wine did not take the look (SetSysColors or SystemParametersInfo failed, 87).\n");
}

TEST_F(CommandLine, PreviewOfASchemeIsTheClassicScenesPictureAndNeedsNoRoot) {
    const fs::path picture = scratch / "brick.png";
    expectResult(run({"--prefix", (scratch / "no-such-prefix").string(), "--preview", "--scheme", "Brick",
                      picture.string()}),
                 0, "", "");
    EXPECT_EQ(pngSize(readFile(picture)), std::make_pair(411u, 281u));
    EXPECT_FALSE(fs::exists(scratch / "no-such-prefix"));
    expectResult(
        run({"--preview", "--scheme", "Nothing", (scratch / "n.png").string()}), 1, "",
        "kolvmgr: There is no colour scheme Nothing; the colour schemes are these, and desktop for the "
        "Linux desktop's own colours:\n" +
            listing());
    EXPECT_FALSE(fs::exists(scratch / "n.png"));
}
