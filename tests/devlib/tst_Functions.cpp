// The global class Functions: its member tables, enumerations, the one instance, calls
// through the dispatch interface, window placement and its two windows.

#include "Functions.h"
#include "ScopedHook.h"
#include "frmAbout.h"
#include "frmReadme.h"

#include "common/RuntimeError.h"
#include "common/UiServices.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/linux/TestRoot.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

using quorlin::RuntimeError;
using quorlin::UiServices;

namespace {

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

const QStringList kPublicMembers = {
    "DrawBackGrd_XP",        "RandomNumber", "DelayExecution",       "ChkPathExist",     "ChkDriveExist",
    "ChkFileExist",          "ReadFile",     "AppendFile",           "WriteFile",        "StripTerminator",
    "OpposeBoolean",         "ConvertStr",   "DEconvertSTR",         "DecompressLZFile", "WriteRegistry",
    "WriteRegistryAsNumber", "ReadRegistry", "ReadRegistryAsNumber", "DeleteRegValue",   "DeleteRegKey",
    "ClearFolder",           "LookFolder",   "GetFilename",          "GetExtension",     "About",
    "SetWindowZState",
};

} // namespace

class tst_Functions : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        std::filesystem::create_directories(m_root->driveC() / "work");
        UiServices::setScripted(true);
        UiServices::resetScript();
        UiServices::setModalHandler({});
    }
    void cleanup() { m_root.reset(); }

    void memberTables() {
        QCOMPARE(Functions::publicMembers(), kPublicMembers);
        QStringList dispatch = kPublicMembers;
        dispatch.insert(11, "ConvertChar");   // before ConvertStr
        dispatch.insert(13, "DeconvertChar"); // before DEconvertSTR
        QCOMPARE(Functions::dispatchNames(), dispatch);
        QCOMPARE(Functions::earlyBoundNames(),
                 kPublicMembers + QStringList({"ConvertChar", "DeconvertChar"}));
        QCOMPARE(Functions::dispIdOf("DrawBackGrd_XP"), 1);
        QCOMPARE(Functions::dispIdOf("ConvertChar"), 12);
        QCOMPARE(Functions::dispIdOf("deconvertstr"), 15);
        QCOMPARE(Functions::dispIdOf("SetWindowZState"), 28);
    }

    void privateMembersCannotBeCalled() {
        Functions f;
        QVariantList args{QString("A")};
        QCOMPARE(errorOf([&] { f.invoke("ConvertChar", args); }), 438);
        QCOMPARE(errorOf([&] { f.invoke(14, args); }), 438);
        QCOMPARE(f.invoke(13, args), QVariant(QString("U"))); // ConvertStr
    }

    void enumerations() {
        QCOMPARE(Functions::enumerations(),
                 (QStringList{"HKEYEnum", "RegKeyTypes", "HwndContants", "OFEnum"}));
        using E = Functions::EnumMembers;
        auto pair = [](const char* n, qint64 v) { return qMakePair(QString(n), int32_t(v)); };
        QCOMPARE(Functions::enumMembers("HKEYEnum"), (E{pair("HKEY_CLASSES_ROOT", int32_t(0x80000000u)),
                                                        pair("HKEY_CURRENT_CONFIG", int32_t(0x80000005u)),
                                                        pair("HKEY_CURRENT_USER", int32_t(0x80000001u)),
                                                        pair("HKEY_DYN_DATA", int32_t(0x80000006u)),
                                                        pair("HKEY_LOCAL_MACHINE", int32_t(0x80000002u)),
                                                        pair("HKEY_PERFORMANCE_DATA", int32_t(0x80000004u)),
                                                        pair("HKEY_USERS", int32_t(0x80000003u))}));
        QCOMPARE(Functions::enumMembers("RegKeyTypes"),
                 (E{pair("REG_BINARY", 3), pair("REG_DWORD", 4), pair("REG_EXPAND_SZ", 2),
                    pair("REG_MULTI_SZ", 7), pair("REG_SZ", 1)}));
        QCOMPARE(Functions::enumMembers("HwndContants"),
                 (E{pair("HWND_BOTTOM", 1), pair("HWND_BROADCAST", 65535), pair("HWND_DESKTOP", 0),
                    pair("HWND_NOTOPMOST", -2), pair("HWND_TOP", 0), pair("HWND_TOPMOST", -1)}));
        QCOMPARE(Functions::enumMembers("OFEnum"),
                 (E{pair("OF_WRITE", 1), pair("OF_VERIFY", 1024), pair("OF_SHARE_EXCLUSIVE", 16),
                    pair("OF_SHARE_DENY_WRITE", 32), pair("OF_SHARE_DENY_READ", 48),
                    pair("OF_SHARE_DENY_NONE", 64), pair("OF_SHARE_COMPAT", 0), pair("OF_REOPEN", 32768),
                    pair("OF_READWRITE", 2), pair("OF_READ", 0), pair("OF_PROMPT", 8192),
                    pair("OF_PARSE", 256), pair("OF_EXIST", 16384), pair("OF_DELETE", 512),
                    pair("OF_CANCEL", 2048), pair("OF_CREATE", 4096)}));
        QVERIFY(Functions::enumMembers("Nothing").isEmpty());
    }

    void oneInstanceAndCreationByName() {
        Functions& a = Functions::instance();
        QCOMPARE(&Functions::instance(), &a);
        QCOMPARE(QString(Functions::ProgId), QString("QuorlinDLL.Functions"));
        QCOMPARE(Functions::TypeLibMajor, 8);
        QCOMPARE(Functions::TypeLibMinor, 0);
        std::unique_ptr<QObject> made(createQuorlinDLLObject("QuorlinDLL.Functions"));
        QVERIFY(qobject_cast<Functions*>(made.get()) != nullptr);
        QVERIFY(made.get() != &a);
        QVERIFY(createQuorlinDLLObject("Quorlin.QLFunctions") == nullptr);
    }

    void getFilenameShortensTheCallersVariable() {
        Functions f;
        QVariantList args{QString("C:\\Windows\\")};
        QCOMPARE(f.invoke("GetFilename", args), QVariant(QString("Windows")));
        QCOMPARE(args.at(0), QVariant(QString("C:\\Windows")));

        args = {QString("abcd\\")};
        QCOMPARE(errorOf([&] { f.invoke("GetFilename", args); }), 5);
        QCOMPARE(args.at(0), QVariant(QString("abcd")));

        QString early = "C:\\Windows\\notepad.exe\\";
        QCOMPARE(f.GetFilename(early), QString("notepad.exe"));
        QCOMPARE(early, QString("C:\\Windows\\notepad.exe"));

        args = {QString("name.")};
        QCOMPARE(f.invoke("GetExtension", args), QVariant(QString("name")));
        QCOMPARE(args.at(0), QVariant(QString("name")));
        // An unchanged argument keeps its own kind.
        args = {QString("a.b")};
        f.invoke("GetExtension", args);
        QCOMPARE(args.at(0).metaType(), QMetaType::fromType<QString>());
    }

    void aNullWindowAndANameEndingInASeparator() {
        Functions f;
        f.DrawBackGrd_XP(static_cast<QWidget*>(nullptr), 255, 200, 192);
        QVariantList args{QVariant::fromValue(static_cast<QWidget*>(nullptr)), 255, 200, 192};
        QCOMPARE(f.invoke("DrawBackGrd_XP", args), QVariant());

        std::ofstream(m_root->driveC() / "work" / "keep.txt", std::ios::binary) << "keep\r\n";
        QString name = "C:\\work\\keep.txt/";
        QString text = "lost";
        QCOMPARE(errorOf([&] { f.WriteFile(name, text); }), 76);
        QCOMPARE(errorOf([&] { f.AppendFile(name, text); }), 76);
        QCOMPARE(f.ReadFile(name), QString());
        std::ifstream in(m_root->driveC() / "work" / "keep.txt", std::ios::binary);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}), std::string("keep\r\n"));
    }

    void readRegistryLeavesTheActualType() {
        auto& reg = platform::Registry::current();
        platform::HKEY key = 0;
        QCOMPARE(reg.RegCreateKeyA(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\T", &key), 0);
        const char text[] = "%windir%";
        reg.RegSetValueExA(key, "E", 0, platform::REG_EXPAND_SZ, reinterpret_cast<const uint8_t*>(text),
                           sizeof text);
        reg.RegCloseKey(key);

        Functions f;
        QVariantList args{int(Functions::HKEY_CURRENT_USER), QString("Software\\Quorlin\\T"), QString("E"),
                          int(Functions::REG_SZ)};
        QCOMPARE(f.invoke("ReadRegistry", args), QVariant(QString("%windir%")));
        QCOMPARE(args.at(3).toInt(), 2);

        Functions::HKEYEnum root = Functions::HKEY_CURRENT_USER;
        QString sub = "Software\\Quorlin\\T", name = "E", def = "None", missing = "Missing";
        Functions::RegKeyTypes type = Functions::REG_SZ;
        QCOMPARE(f.ReadRegistry(root, sub, name, type, def), QString("%windir%"));
        QCOMPARE(type, Functions::REG_EXPAND_SZ);
        type = Functions::REG_BINARY;
        QCOMPARE(f.ReadRegistry(root, sub, missing, type, def), QString("None"));
        QCOMPARE(type, Functions::REG_BINARY);
    }

    void writeRegistryStoresTextUnderAnyType() {
        Functions f;
        QVariantList args{int(Functions::HKEY_CURRENT_USER), QString("Software\\Quorlin\\T"), QString("D"),
                          int(Functions::REG_DWORD), QString("1")};
        f.invoke("WriteRegistry", args);
        auto& reg = platform::Registry::current();
        platform::HKEY key = 0;
        QCOMPARE(reg.RegOpenKeyA(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\T", &key), 0);
        uint8_t data[8] = {};
        uint32_t size = sizeof data, type = 0;
        QCOMPARE(reg.RegQueryValueExA(key, "D", nullptr, &type, data, &size), 0);
        reg.RegCloseKey(key);
        QCOMPARE(type, platform::REG_DWORD);
        QCOMPARE(size, 2u);
        QCOMPARE(int(data[0]), 49);
        QCOMPARE(int(data[1]), 0);

        args = {int(Functions::HKEY_CURRENT_USER), QString("Software\\Quorlin\\T"), QString("D")};
        QCOMPARE(f.invoke("ReadRegistryAsNumber", args), QVariant(49));
        args = {int(Functions::HKEY_CURRENT_USER), QString("Software\\Quorlin\\T"), QString("N"), 1234567};
        f.invoke("WriteRegistryAsNumber", args);
        args.removeLast();
        QCOMPARE(f.invoke("ReadRegistryAsNumber", args), QVariant(1234567));
    }

    void lookFolderGivesACollection() {
        const auto work = m_root->driveC() / "work";
        std::filesystem::create_directories(work / "empty");
        std::ofstream(work / "x.txt") << "x";
        Functions f;
        QVariantList args{QString("C:\\work\\empty\\")};
        const QVariant none = f.invoke("LookFolder", args);
        QVERIFY(none.isValid());
        QCOMPARE(none.toStringList(), QStringList());
        args = {QString("C:\\work\\")};
        QCOMPARE(f.invoke("LookFolder", args).toStringList(), QStringList{"C:\\work\\x.txt"});
        QVariantList strip{QString("ab") + QChar(0) + "c"};
        QCOMPARE(f.invoke("StripTerminator", strip), QVariant(QString("ab")));
    }

    void setWindowZStatePlacesAndShowsTheWindow() {
        QWidget window;
        QWidget other;
        other.show();
        int32_t hwnd = Functions::hWndOf(&window);
        QVERIFY(hwnd != 0);
        QCOMPARE(Functions::hWndOf(&window), hwnd);
        QCOMPARE(Functions::windowOfHwnd(hwnd), &window);
        QVERIFY(Functions::windowOfHwnd(hwnd + 1) != &window);

        Functions f;
        QVariantList args{hwnd, int(Functions::HWND_TOPMOST), 1500, 1500, 3000, 2250};
        f.invoke("SetWindowZState", args);
        QVERIFY(window.isVisible());
        // Position and size of the whole window, frame included.
        QCOMPARE(window.frameGeometry(), QRect(100, 100, 200, 150));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        // The nearest pixel: 337 / 15 = 22.47 -> 22, 563 / 15 = 37.53 -> 38.
        Functions::HwndContants order = Functions::HWND_NOTOPMOST;
        int32_t x = 337, y = 563, w = 3007, h = 2257;
        f.SetWindowZState(hwnd, order, x, y, w, h);
        QCOMPARE(window.frameGeometry(), QRect(22, 38, 200, 150));
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());

        // An unknown handle is ignored.
        args = {12345, 0, 0, 0, 0, 0};
        f.invoke("SetWindowZState", args);
    }

    void aboutAndReadmeWindows() {
        Functions f;
        QPointer<QuorlinDLL::frmAbout> seen;
        QPointer<QuorlinDLL::frmReadme> readme;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* w) {
            if (auto* about = qobject_cast<QuorlinDLL::frmAbout*>(w)) {
                seen = about;
                about->Command2_Click(); // Readme
                about->Label4_Click();
            } else if (auto* r = qobject_cast<QuorlinDLL::frmReadme*>(w)) {
                readme = r;
            }
        });
        f.About();
        QVERIFY(seen);
        QCOMPARE(UiServices::modalWindowTitles(),
                 (QStringList{"About Quorlin Functions DLL", "Quorlin Functions DLL Readme"}));

        QCOMPARE(seen->size(), QSize(338, 130));
        QCOMPARE(seen->Label1->text(), QString("Quorlin Functions DLL"));
        QCOMPARE(seen->Label1->font().family(), QString("Tahoma"));
        QCOMPARE(seen->Label1->font().pointSizeF(), 15.75);
        QVERIFY(seen->Label1->font().bold());
        QCOMPARE(seen->Label2->font().pointSizeF(), 8.25);
        QCOMPARE(seen->Label3->font().pointSizeF(), 8.25);
        QVERIFY(seen->Label2->text().contains("Quorlin"));
        QCOMPARE(seen->Command2->text(), QString("Readme"));
        QCOMPARE(seen->Command2->geometry(), QRect(224, 104, 57, 25));
        QCOMPARE(seen->Command1->text(), QString("OK"));
        QCOMPARE(seen->Command1->geometry(), QRect(288, 104, 49, 25));
        QCOMPARE(UiServices::startedCommands(), QStringList{"explorer " + seen->Label4->text()});

        QVERIFY(readme);
        QCOMPARE(readme->parentWidget(), seen.data());
        QCOMPARE(readme->size(), QSize(424, 319));
        QCOMPARE(readme->Text1->geometry(), QRect(8, 8, 409, 305));
        QCOMPARE(readme->Text1->font().pointSizeF(), 8.25);
        const QStringList first = {
            "Quorlin Functions DLL",
            "Readme Document",
            "  ",
            "Introduction",
            "========",
            "Quorlin Functions DLL is a dynamic reference library which allows developers to ",
            "invoke more advance programming functions and sub-programs. ",
            "  ",
            "It is a free tool for developers to add in as a reference library into their ",
            "development projects. Functions such as accessing the registry, and more is ",
            "included. ",
        };
        const QStringList lines = QuorlinDLL::frmReadme::readmeText().split("\r\n");
        QCOMPARE(lines.mid(0, 11), first);
        QCOMPARE(lines.at(11), QString("  "));
        QCOMPARE(lines.at(12), QString("Programmer Notes"));
        QCOMPARE(lines.at(13), QString("============"));
        QVERIFY(!QuorlinDLL::frmReadme::readmeText().contains('\n' + QString("\n")));
        QCOMPARE(readme->Text1->toPlainText().split('\n').mid(0, 11), first);

        // The same window comes back until OK unloads it; then a new one is made.
        const QPointer<QuorlinDLL::frmAbout> shown = seen;
        const ScopedHook sameWindow(&UiServices::setModalHandler, [&](QWidget* w) {
            if (auto* about = qobject_cast<QuorlinDLL::frmAbout*>(w))
                seen = about;
        });
        seen = nullptr;
        f.About();
        QCOMPARE(seen.data(), shown.data());
        seen->Command1_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown);
        QVERIFY(!readme);
        f.About();
        QVERIFY(seen);
        seen->Command1_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!seen);
    }

    void delayExecutionThroughTheEarlyBoundTable() {
        double now = 500.2;
        const ScopedHook clock(&platform::setSecondsSinceMidnightSourceForTests, [&] { return now += 0.5; });
        Functions& global = Functions::instance();
        int32_t seconds = 2;
        global.DelayExecution(seconds);
        QVERIFY(now >= 502.0);
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_Functions)
#include "tst_Functions.moc"
