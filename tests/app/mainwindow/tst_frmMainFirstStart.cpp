// The first start on a machine without a Wine prefix: the private root the program makes
// holds the style Wine ships, and the catalogue, Apply and the checkup treat it as any
// other style; without Wine the first start is as it always was.

#include "frmMainTestSupport.h"

#include "app/style/StyleFileBuilder.h"
#include "platform/WindowsRoot.h"
#include "platform/linux/EnvGuard.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

using namespace testing_support;
using quorlin::UiServices;
namespace fs = std::filesystem;

namespace {

// A home without ~/.wine, and a Wine on PATH shipping the given style file (none when
// empty).
struct FreshHome {
    QTemporaryDir scratch;
    fs::path home = fs::path(scratch.path().toStdString()) / "home";
    EnvGuard prefix{"WINEPREFIX", nullptr};
    EnvGuard homeVar{"HOME", home.c_str()};
    EnvGuard data{"XDG_DATA_HOME", (home / ".local" / "share").c_str()};
    std::optional<EnvGuard> path;

    explicit FreshHome(const std::string& style) {
        const fs::path wine = home / "wine";
        fs::create_directories(wine / "bin");
        fs::create_directories(wine / "lib" / "wine" / "x86_64-windows");
        std::ofstream(wine / "bin" / "wine") << "#!/bin/sh\nexit 0\n";
        fs::permissions(wine / "bin" / "wine", fs::perms::owner_all);
        if (!style.empty())
            std::ofstream(wine / "lib" / "wine" / "x86_64-windows" / "light.msstyles", std::ios::binary)
                << style;
        path.emplace("PATH", (wine / "bin").c_str());
        quorlin::UiServices::setScripted(true);
        quorlin::UiServices::resetScript();
        quorlin::UiServices::setModalHandler({});
    }
};

bool askedNoStyles() {
    const auto asked = UiServices::messages();
    return std::any_of(asked.begin(), asked.end(), [](const Message& m) { return m == noStylesMessage(); });
}

} // namespace

class tst_frmMainFirstStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Quorlin Visual Style Manager"));
    }

    void wineStyleIsListedAndApplies() {
        FreshHome home(styleFile({u"Blue"}, {u"Normal"}));
        TestMain w;
        w.Form_Load();
        QCOMPARE(items(w.lstVS), QStringList({"Light"}));
        QVERIFY(!askedNoStyles());

        UiServices::resetScript();
        select(w, "Light");
        UiServices::setNextAnswer(quorlin::AnswerYes);
        w.cmdApply_Click();
        QCOMPARE(UiServices::messages().size(), 2);
        QCOMPARE(UiServices::messages().last().style, 64);
        const auto dll = readValue(platform::HKEY_CURRENT_USER,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "Dllname");
        QVERIFY(dll);
        QCOMPARE(dll->text(), QStringLiteral("%systemroot%\\Resources\\Themes\\Light\\light.msstyles"));
        const auto color =
            readValue(platform::HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ColorName");
        QVERIFY(color);
        QCOMPARE(color->text(), QStringLiteral("Blue"));
    }

    void withoutWineTheFirstStartIsUnchanged() {
        FreshHome home("");
        TestMain w;
        w.Form_Load();
        QCOMPARE(items(w.lstVS), QStringList({"(NO VS installed)"}));
        QVERIFY(!w.lstVS->isEnabled());
        QVERIFY(askedNoStyles());
    }
};

QTEST_MAIN(tst_frmMainFirstStart)
#include "tst_frmMainFirstStart.moc"
