// Uninstall, the My Computer folder and Install from an archive: what is left on disk
// and in the registry afterwards, and what the user was told.

#include "frmMainTestSupport.h"

#include "app/archive/ArchiveBuilder.h"
#include "platform/FileAttributes.h"

#include <QAction>
#include <QLabel>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using quorlin::UiServices;

namespace {

Message confirm(const QString& style) {
    return {"Are you sure to uninstall the selected visual style(" + style +
                ")? This action cannot be undone.",
            36, "Uninstall VS"};
}
Message uninstalled(const QString& style) {
    return {"Visual Style " + style + " uninstalled from system.", 64, "VS Uninstall"};
}
Message incomplete(const QString& style) {
    return {
        "Visual Style " + style +
            " could not be removed completely: some of its files could not be deleted. What remains of it is "
            "shown in the refreshed list.",
        48, "VS Uninstall"};
}

Message inUse(const QString& style, const QString& file, bool othersKept = false) {
    return {
        "Visual Style " + style + " uninstalled from system, except its file " + file + ": " + style +
            " is the visual style in use; apply another style or the classic look first, then uninstall it "
            "again." +
            (othersKept
                 ? QStringLiteral(" Some of its other files could not be deleted either; what remains of "
                                  "it is shown in the refreshed list.")
                 : QString()),
        48, "VS Uninstall"};
}

Message missing(const QString& style) {
    return {"Visual Style " + style +
                " was not uninstalled: its folder is no longer in C:\\windows\\Resources\\Themes\\. The "
                "refreshed list shows the styles that are there.",
            48, "VS Uninstall"};
}
Message keptEmpty(const QString& style, int error) {
    return {"Every file of Visual Style " + style +
                " was deleted, but its empty folder could not be removed from "
                "C:\\windows\\Resources\\Themes\\ (" +
                QString::fromLocal8Bit(std::strerror(error)) + "), so the refreshed list still shows it.",
            48, "VS Uninstall"};
}

// Makes a folder refuse the removal of its entries while the object lives: no write
// permission for an ordinary user, the immutable attribute for root (who ignores
// permissions). error() is what a removal then fails with; 0 when the file system
// cannot be made to refuse.
class RefusingFolder {
public:
    explicit RefusingFolder(const std::filesystem::path& folder) : m_folder(folder) {
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const auto probe = folder / ".probe";
        std::filesystem::create_directory(probe);
        refuse();
        if (::rmdir(probe.c_str()) != 0)
            m_error = errno;
        release();
        ::rmdir(probe.c_str());
        if (m_error)
            refuse();
    }
    ~RefusingFolder() {
        release();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int error() const { return m_error; }

private:
    void refuse() {
        std::error_code ec;
        if (::geteuid() != 0) {
            std::filesystem::permissions(m_folder,
                                         std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::remove, ec);
            return;
        }
        setImmutable(true);
    }
    void release() {
        setImmutable(false);
        std::error_code ec;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ec);
    }
    void setImmutable(bool on) {
        int flags = 0;
        if (m_fd < 0 || ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) != 0 || bool(flags & FS_IMMUTABLE_FL) == on)
            return;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
    }

    std::filesystem::path m_folder;
    int m_fd = -1;
    int m_error = 0;
};

const std::string kNameSpace =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace";
const std::string kClassId = "{B691D85E-1CA8-4DDD-ABDF-70630FFDAC6A}";
const std::string kEntry = kNameSpace + "\\" + kClassId;
const std::string kClassKey = "Software\\Classes\\CLSID\\" + kClassId;

void createKey(platform::HKEY root, const std::string& key) {
    auto& reg = platform::Registry::current();
    platform::HKEY handle = 0;
    QVERIFY(reg.RegCreateKeyA(root, key, &handle) == platform::ERROR_SUCCESS);
    reg.RegCloseKey(handle);
}

} // namespace

class tst_frmMainUninstall : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainFixture> m_fx;

    void checkEntry(const frmMain& w, bool present) {
        QCOMPARE(w.mnuAddShortcut->isChecked(), present);
        QCOMPARE(keyExists(platform::HKEY_LOCAL_MACHINE, kEntry), present);
        if (present) {
            const auto value = readValue(platform::HKEY_LOCAL_MACHINE, kEntry, "");
            QVERIFY(value);
            QCOMPARE(value->type, platform::REG_SZ);
            QCOMPARE(value->text(), QStringLiteral("Visual Style Folder Shortcut from My Computer"));
        }
    }

    void checkClassRegistration() {
        const auto name = readValue(platform::HKEY_LOCAL_MACHINE, kClassKey, "");
        QVERIFY(name);
        QCOMPARE(name->type, platform::REG_SZ);
        QCOMPARE(name->text(), QStringLiteral("Visual Styles"));
        const auto command =
            readValue(platform::HKEY_LOCAL_MACHINE, kClassKey + "\\Shell\\Open\\Command", "");
        QVERIFY(command);
        QCOMPARE(command->type, platform::REG_EXPAND_SZ);
        QCOMPARE(command->text(),
                 QStringLiteral("%SystemRoot%\\Explorer.exe /idlist,%I,%L %systemroot%\\resources\\themes"));
        const auto folder = readValue(platform::HKEY_LOCAL_MACHINE, kClassKey + "\\ShellFolder", "");
        QVERIFY(folder);
        QCOMPARE(folder->type, platform::REG_SZ);
        QCOMPARE(folder->data, std::string(1, '\0'));
        const auto attributes =
            readValue(platform::HKEY_LOCAL_MACHINE, kClassKey + "\\ShellFolder", "Attributes");
        QVERIFY(attributes);
        QCOMPARE(attributes->type, platform::REG_DWORD);
        QCOMPARE(attributes->data, std::string("\x00\x00\x00\x08", 4));
    }

private slots:
    void init() { m_fx = std::make_unique<MainFixture>(); }
    void cleanup() { m_fx.reset(); }

    // ---- Uninstall -----------------------------------------------------------------------

    void uninstallWithoutSelection() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        w->cmdUninst_Click();
        QVERIFY(
            sameMessages({{"You did not select any visual style on the list to uninstall.", 64, "Error"}}));
        QVERIFY(std::filesystem::exists(m_fx->themes() / "Luna"));
    }

    void uninstallAnsweredNo() {
        m_fx->addStyle("Luna", "Luna.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        m_fx->addStyle("Added Meanwhile");
        UiServices::setNextAnswer(quorlin::AnswerNo);
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Luna")}));
        QVERIFY(std::filesystem::exists(m_fx->themes() / "Luna" / "Luna.msstyles"));
        // The list is rebuilt all the same.
        QCOMPARE(items(w->lstVS), toList(m_fx->expectedCatalogue()));
        QCOMPARE(w->selectedIndex(), -1);
    }

    void uninstallNestedStyleWithHiddenFiles() {
        const auto folder = m_fx->addStyle("Royale Noir", "Royale.msstyles");
        m_fx->addStyle("Other", "Other.msstyles");
        std::filesystem::create_directories(folder / "Shell" / "NormalColor" / "Deeper");
        std::ofstream(folder / "Shell" / "NormalColor" / "shellstyle.dll") << "x";
        std::ofstream(folder / "Shell" / "NormalColor" / "Deeper" / "more.ini") << "x";
        std::ofstream(folder / ".hidden by name") << "x";
        std::ofstream(folder / "hidden.txt") << "x";
        QVERIFY(platform::setDosAttributes(folder / "hidden.txt", platform::FILE_ATTRIBUTE_HIDDEN));
        auto w = m_fx->loadWindow();
        select(*w, "Royale Noir");
        w->mnuUninstall->trigger();
        QVERIFY(sameMessages({confirm("Royale Noir"), uninstalled("Royale Noir")}));
        QVERIFY(!std::filesystem::exists(folder));
        QCOMPARE(items(w->lstVS), QStringList({"Other"}));
        QCOMPARE(w->selectedIndex(), -1);
        QCOMPARE(w->Label1->text(), QStringLiteral("No Visual Style selected for preview."));
        QCOMPARE(UiServices::mousePointer(), 0);
        QVERIFY(std::filesystem::exists(m_fx->themes() / "Other" / "Other.msstyles"));
    }

    void uninstallWithARefusedFile_data() {
        QTest::addColumn<bool>("system");
        QTest::newRow("read-only file") << false;
        QTest::newRow("system file") << true;
    }
    void uninstallWithARefusedFile() {
        QFETCH(bool, system);
        const auto folder = m_fx->addStyle("Stubborn", "Stubborn.msstyles");
        std::filesystem::create_directories(folder / "Shell");
        std::ofstream(folder / "Shell" / "gone.dll") << "x";
        const auto refused = folder / "kept.ini";
        std::ofstream(refused) << "x";
        if (system)
            QVERIFY(platform::setDosAttributes(refused, platform::FILE_ATTRIBUTE_SYSTEM));
        else
            std::filesystem::permissions(refused,
                                         std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                         std::filesystem::perm_options::remove);
        auto w = m_fx->loadWindow();
        select(*w, "Stubborn");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Stubborn"), incomplete("Stubborn")}));
        QVERIFY(std::filesystem::exists(refused));
        QVERIFY(!std::filesystem::exists(folder / "Stubborn.msstyles"));
        QVERIFY(!std::filesystem::exists(folder / "Shell"));
        QCOMPARE(items(w->lstVS), QStringList({"Stubborn"}));
    }

    // Windows holds the file of the style in use open, so it cannot be deleted; in a Wine
    // prefix nothing does, and the registry would be left naming a file that is gone.
    void uninstallKeepsTheFileOfTheStyleInUse() {
        const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
        const auto makeLuna = [&] {
            const auto folder = m_fx->addStyle("Luna", "Luna.msstyles");
            std::filesystem::create_directories(folder / "Shell" / "NormalColor");
            std::ofstream(folder / "Shell" / "NormalColor" / "shellstyle.dll") << "x";
            std::ofstream(folder / "readme.txt") << "x";
            std::ofstream(folder / "Luna.msstyles.bak") << "x";
            return folder;
        };
        const auto folder = makeLuna();
        m_fx->addStyle("luna", "luna.msstyles");
        m_fx->addStyle("Royale", "Royale.msstyles");
        // Recorded in another case, as the theme service may record it.
        const std::string dllName = "C:\\WINDOWS\\RESOURCES\\THEMES\\Luna\\LUNA.MSSTYLES";
        writeString(platform::HKEY_CURRENT_USER, key, "DllName", dllName, platform::REG_EXPAND_SZ);
        writeString(platform::HKEY_CURRENT_USER, key, "ThemeActive", "1");
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Luna"), inUse("Luna", "LUNA.MSSTYLES")}));
        QCOMPARE(std::vector<std::filesystem::path>(std::filesystem::directory_iterator(folder), {}),
                 std::vector<std::filesystem::path>({folder / "Luna.msstyles"}));
        QCOMPARE(readValue(platform::HKEY_CURRENT_USER, key, "DllName")->text(),
                 QString::fromStdString(dllName));
        QCOMPARE(items(w->lstVS), QStringList({"Luna", "luna", "Royale"}));
        QCOMPARE(UiServices::mousePointer(), 0);

        // A folder spelled so only ignoring case is not the one in use.
        UiServices::resetScript();
        select(*w, "luna");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("luna"), uninstalled("luna")}));
        QVERIFY(!std::filesystem::exists(m_fx->themes() / "luna"));

        // A file that stays for its own reason is said as well.
        std::ofstream(folder / "kept.ini") << "x";
        std::filesystem::permissions(folder / "kept.ini",
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        UiServices::resetScript();
        select(*w, "Luna");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Luna"), inUse("Luna", "LUNA.MSSTYLES", true)}));
        std::filesystem::remove(folder / "kept.ini");

        // The classic look: no style is in use, and the whole folder goes.
        writeString(platform::HKEY_CURRENT_USER, key, "ThemeActive", "0");
        makeLuna();
        UiServices::resetScript();
        select(*w, "Luna");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Luna"), uninstalled("Luna")}));
        QVERIFY(!std::filesystem::exists(folder));
        QCOMPARE(items(w->lstVS), QStringList({"Royale"}));
    }

    void uninstallOfAFolderThatVanishedSaysSo() {
        const auto folder = m_fx->addStyle("Fleeting", "Fleeting.msstyles");
        m_fx->addStyle("Other", "Other.msstyles");
        auto w = m_fx->loadWindow();
        select(*w, "Fleeting");
        std::filesystem::remove_all(folder); // gone behind the list's back
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Fleeting"), missing("Fleeting")}));
        QCOMPARE(items(w->lstVS), QStringList({"Other"}));
    }

    void uninstallWhereOnlyTheEmptyFolderStaysSaysSo() {
        const auto folder = m_fx->addStyle("Pinned", "Pinned.msstyles");
        std::filesystem::create_directories(folder / "Shell" / "NormalColor");
        std::ofstream(folder / "Shell" / "NormalColor" / "shellstyle.dll") << "x";
        auto w = m_fx->loadWindow();
        select(*w, "Pinned");
        // A themes folder the user may not change: everything inside the style can go,
        // the style's folder itself cannot.
        RefusingFolder themes(m_fx->themes());
        if (!themes.error())
            QSKIP("this file system cannot be made to refuse a removal");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Pinned"), keptEmpty("Pinned", themes.error())}));
        QVERIFY(std::filesystem::exists(folder));
        QVERIFY(std::filesystem::is_empty(folder));
        QCOMPARE(items(w->lstVS), QStringList({"Pinned"}));
    }

    void uninstallNeverReachesOutside() {
        const std::filesystem::path outside = m_fx->root->root() / "outside";
        std::filesystem::create_directories(outside / "sub");
        std::ofstream(outside / "precious.txt") << "keep";
        std::ofstream(outside / "sub" / "also.txt") << "keep";

        const auto folder = m_fx->addStyle("Linking", "Linking.msstyles");
        std::filesystem::create_directory_symlink(outside, folder / "Shell");
        std::filesystem::create_symlink(outside / "precious.txt", folder / "file link.txt");
        // A style that is itself a link to a folder elsewhere.
        std::filesystem::create_directory_symlink(outside, m_fx->themes() / "Linked Style");

        auto w = m_fx->loadWindow();
        select(*w, "Linking");
        w->cmdUninst_Click();
        select(*w, "Linked Style");
        w->cmdUninst_Click();
        QVERIFY(sameMessages({confirm("Linking"), uninstalled("Linking"), confirm("Linked Style"),
                              noStylesMessage(), uninstalled("Linked Style")}));
        QVERIFY(!std::filesystem::exists(folder));
        QVERIFY(!std::filesystem::exists(std::filesystem::symlink_status(m_fx->themes() / "Linked Style")));
        QVERIFY(std::filesystem::exists(outside / "precious.txt"));
        QVERIFY(std::filesystem::exists(outside / "sub" / "also.txt"));
        QCOMPARE(items(w->lstVS), QStringList({"(NO VS installed)"}));
    }

    // ---- My Computer folder ----------------------------------------------------------------

    void startUpRegistersTheFolderClass() {
        auto w = m_fx->loadWindow();
        checkClassRegistration();
        checkEntry(*w, false);
    }

    void entryWithoutDefaultValueIsRemovedAtStart() {
        createKey(platform::HKEY_LOCAL_MACHINE, kEntry);
        writeString(platform::HKEY_LOCAL_MACHINE, kEntry, "Other", "x");
        QVERIFY(keyExists(platform::HKEY_LOCAL_MACHINE, kEntry));
        auto w = m_fx->loadWindow();
        checkEntry(*w, false);
    }

    void entryWithAnyDefaultTextIsRewrittenAtStart() {
        writeString(platform::HKEY_LOCAL_MACHINE, kEntry, "", "something else");
        auto w = m_fx->loadWindow();
        checkEntry(*w, true);
    }

    void togglingTwiceComesBack_data() {
        QTest::addColumn<bool>("startWithEntry");
        QTest::newRow("without entry") << false;
        QTest::newRow("with entry") << true;
    }
    void togglingTwiceComesBack() {
        QFETCH(bool, startWithEntry);
        if (startWithEntry)
            writeString(platform::HKEY_LOCAL_MACHINE, kEntry, "",
                        "Visual Style Folder Shortcut from My Computer");
        auto w = m_fx->loadWindow();
        checkEntry(*w, startWithEntry);
        w->mnuAddShortcut->trigger();
        checkEntry(*w, !startWithEntry);
        w->mnuAddShortcut->trigger();
        checkEntry(*w, startWithEntry);
        // The class stays registered either way.
        checkClassRegistration();
        QVERIFY(sameMessages({noStylesMessage()}));
    }

    // ---- Install ---------------------------------------------------------------------------

    void installCancelledDoesNothing() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        UiServices::setNextFileName(QString());
        w->cmdInst_Click();
        QCOMPARE(UiServices::fileDialogs().size(), 1);
        const auto request = UiServices::fileDialogs()[0];
        QVERIFY(!request.save);
        QCOMPARE(request.title, QStringLiteral("Install Visual Style from downloaded ZIP file"));
        QCOMPARE(request.filter, QStringLiteral("Zip compressed files (*.zip)|*.zip|All files (*.*)|*.*"));
        QVERIFY(request.fileName.isEmpty());
        QVERIFY(sameMessages({}));
        QCOMPARE(toList(m_fx->expectedCatalogue()), QStringList({"Luna"}));
        QCOMPARE(std::distance(std::filesystem::recursive_directory_iterator(m_fx->themes()), {}), 1);
    }

    void installExtractsWithoutRefreshing_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("zip") << "zip";
        QTest::newRow("7z") << "7zip";
    }
    void installExtractsWithoutRefreshing() {
        QFETCH(QString, format);
        const auto existing = m_fx->addStyle("Aqua", "Aqua.msstyles", "old contents");
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        const QStringList before = items(w->lstVS);

        const std::filesystem::path archive = m_fx->root->root() / "download.archive";
        writeArchive(archive,
                     {folderEntry("Aqua/"), fileEntry("Aqua/Aqua.msstyles", "new contents"),
                      fileEntry("Aqua/Shell/NormalColor/shellstyle.dll", "dll"),
                      fileEntry("Zest/Zest.msstyles", "z")},
                     ArchiveFormat(format.toStdString()));
        UiServices::setNextFileName(QString::fromStdString(archive.string()));
        w->mnuInstall->trigger();
        QVERIFY(sameMessages({}));

        std::ifstream replaced(existing / "Aqua.msstyles");
        std::string text;
        std::getline(replaced, text);
        QCOMPARE(text, std::string("new contents"));
        QVERIFY(std::filesystem::exists(existing / "Shell" / "NormalColor" / "shellstyle.dll"));
        QVERIFY(std::filesystem::exists(m_fx->themes() / "Zest" / "Zest.msstyles"));
        // The list only changes with the next Refresh.
        QCOMPARE(items(w->lstVS), before);
        w->cmdRefresh_Click();
        QCOMPARE(items(w->lstVS), toList(m_fx->expectedCatalogue()));
        QVERIFY(items(w->lstVS).contains("Zest"));
    }

    void installWithTheThemesFolderMissing() {
        std::filesystem::remove_all(m_fx->themes());
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        const std::filesystem::path archive = m_fx->root->root() / "style.zip";
        writeArchive(archive, {fileEntry("Zest/Zest.msstyles", "z")});
        UiServices::setNextFileName(QString::fromStdString(archive.string()));
        w->cmdInst_Click();
        const QList<Message> asked = UiServices::messages();
        QVERIFY(!asked.isEmpty());
        QVERIFY(asked[0] == missingThemesMessage());
        // The extraction ran all the same: either it made the folder or it reported why not.
        const bool extracted = std::filesystem::exists(m_fx->themes() / "Zest" / "Zest.msstyles");
        QVERIFY(extracted || (asked.size() == 2 && asked[1].title == QStringLiteral("Error unzipping")));
    }
};

QTEST_MAIN(tst_frmMainUninstall)
#include "tst_frmMainUninstall.moc"
