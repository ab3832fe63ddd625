// The main window: its face, loading, the catalogue and Refresh, selection and preview,
// the style readme, tray and ending, the forwarding handlers and the Help menu.

#include "ScopedHook.h"
#include "frmMainTestSupport.h"

#include "AppInfo.h"
#include "app/archive/ArchiveBuilder.h"
#include "app/style/PreviewStyles.h"
#include "app/style/StyleFileBuilder.h"
#include "checkup/frmCleanUp.h"
#include "commands/mdlMainControl.h"
#include "control/QLFunctions.h"
#include "mainwindow/MainBackground.h"
#include "mainwindow/PictureBox.h"
#include "platform/FileAttributes.h"
#include "platform/linux/wine/WineInstall.h"
#include "windows/frmAbout.h"
#include "windows/frmAppearance.h"
#include "windows/frmFirstRun.h"
#include "windows/frmInfo.h"
#include "windows/frmStats.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

using namespace testing_support;
using quorlin::UiServices;

namespace {

const QString kNoSelection = QStringLiteral("No Visual Style selected for preview.");

// The window's face in order whatever it shows: each control inside the client area, none
// over another, the scheme and size row between the preview and the commands below it.
void checkLayout(const frmMain& w) {
    QList<const QWidget*> shown;
    for (const QWidget* c : std::initializer_list<const QWidget*>{
             w.lstVS, w.picPreview, w.lblColor, w.cboColor, w.lblSize, w.cboSize, w.cmdRefresh, w.cmdInfo,
             w.cmdAbout, w.cmdApply, w.cmdOpen, w.cmdInst, w.cmdUninst, w.lblVersion, w.fraNote})
        if (!c->isHidden())
            shown.append(c);
    for (const QWidget* c : shown)
        QVERIFY2(w.client->rect().contains(c->geometry()), qPrintable(c->objectName()));
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                     qPrintable(shown[i]->objectName() + QStringLiteral(" over ") + shown[j]->objectName()));
    for (const QWidget* c :
         {static_cast<const QWidget*>(w.cboColor), static_cast<const QWidget*>(w.cboSize)}) {
        QVERIFY(c->geometry().top() > w.picPreview->geometry().bottom());
        QVERIFY(c->geometry().bottom() < w.cmdRefresh->geometry().top());
    }
    QVERIFY(w.cmdRefresh->geometry().bottom() < w.client->height());
    // The utility control is an object to call, never in view.
    QVERIFY(w.functions->y() >= w.client->height());
}

// The texts a box offers.
QStringList texts(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out.append(box->itemText(i));
    return out;
}

// Whether the box's text field shows each of its texts whole.
bool showsWhole(const QComboBox* box) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.frame = box->hasFrame();
    const QRect field =
        box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    for (const QString& text : texts(box))
        if (box->fontMetrics().horizontalAdvance(text) > field.width())
            return false;
    return true;
}

// A style of two colour schemes and two sizes whose display names are longer than their
// names, the longest given.
std::string styleOfLongNames(const std::u16string& longest) {
    using namespace testing_support;
    std::vector<PeResource> resources{
        {u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
        {u"COLORNAMES", nameList({u"NormalColor", u"Metallic"})},
        {u"SIZENAMES", nameList({u"NormalSize", u"LargeFonts"})},
        {u"FILERESNAMES", nameList({u"A_INI", u"B_INI", u"C_INI", u"D_INI"})},
        {u"TEXTFILE", utf16(u"[documentation]\r\n"), 0, u"THEMES_INI"},
        // Ids 1000 and 1001, the schemes; 3000 and 3001, the sizes.
        {u"", stringBlock({{8, u"Default (blue)"}, {9, longest}}), 63, u"", 0x409, 6},
        {u"", stringBlock({{8, u"Normal"}, {9, u"Extra Large Fonts"}}), 188, u"", 0x409, 6},
    };
    for (const char16_t* ini : {u"A_INI", u"B_INI", u"C_INI", u"D_INI"})
        resources.push_back({u"TEXTFILE", utf16(u"[SysMetrics]\r\n"), 0, ini});
    return PeBuilder::build(resources);
}
const QString kNoPreview = QStringLiteral("No preview available for the currently selected Visual Style.");

void writePicture(const std::filesystem::path& path, const char* format) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 200));
    QVERIFY(image.save(QString::fromStdString(path.string()), format));
}

void setBrowser(const std::string& command) {
    writeString(platform::HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\StartMenuInternet", "", "Fox");
    writeString(platform::HKEY_LOCAL_MACHINE,
                "SOFTWARE\\Clients\\StartMenuInternet\\Fox\\shell\\open\\command", "", command);
}

struct MenuRow {
    QString caption;
    QKeySequence shortcut;
};

QList<MenuRow> rows(const QMenu* menu) {
    QList<MenuRow> out;
    for (const QAction* a : menu->actions())
        out.append({a->isSeparator() ? QStringLiteral("-") : a->text(), a->shortcut()});
    return out;
}

} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainFixture> m_fx;

private slots:
    void init() { m_fx = std::make_unique<MainFixture>(); }
    void cleanup() { m_fx.reset(); }

    // ---- the window's face ------------------------------------------------------------

    void controlsCaptionsTipsAndPlaces() {
        TestMain w;
        // The designed 600 x 399 and the row of the colour scheme and size under the preview.
        QCOMPARE(w.client->size(), QSize(600, 429));
        QCOMPARE(w.windowTitle(), QStringLiteral("%title%"));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);

        struct Button {
            QPushButton* button;
            QString caption;
            QString tip;
            QRect place;
        };
        const QList<Button> buttons = {
            {w.cmdOpen, "&Open", "open in Desktop control panel", {357, 44, 73, 25}},
            {w.cmdApply, "A&pply", "apply the current selected Visual style", {277, 44, 73, 25}},
            {w.cmdAbout, "&About", "about Quorlin Kolvane", {507, 399, 73, 25}},
            {w.cmdRefresh, "&Refresh", "refresh list view", {346, 398, 74, 26}},
            {w.cmdInfo,
             "&More Info",
             "more information on the selected visual style; the readme file of the visual style",
             {427, 399, 73, 25}},
            {w.cmdInst, "&Install", "install a new visual style from a zip file", {437, 44, 73, 25}},
            {w.cmdUninst,
             "&Uninstall",
             "remove the selected visual style from your system",
             {517, 44, 73, 25}},
        };
        for (const auto& b : buttons) {
            QCOMPARE(b.button->text(), b.caption);
            QCOMPARE(b.button->toolTip(), b.tip);
            QCOMPARE(b.button->geometry(), b.place);
            QCOMPARE(b.button->parentWidget(), w.client);
            QCOMPARE(b.button->font().family(), QStringLiteral("Tahoma"));
            QCOMPARE(b.button->font().pointSizeF(), 8.25);
        }

        QCOMPARE(w.picPreview->geometry(), QRect(175, 75, 415, 285));
        QCOMPARE(w.picPreview->toolTip(),
                 QStringLiteral("preview of the selected visual style, if available"));
        QCOMPARE(w.Label1->parentWidget(), w.picPreview);
        QCOMPARE(w.Label1->geometry(), QRect(-64, 132, 533, 13));
        QCOMPARE(w.Label1->text(), kNoPreview);
        QCOMPARE(w.Label1->toolTip(),
                 QStringLiteral("currently selected visual style does not have a preview"));
        QCOMPARE(w.Label1->palette().color(QPalette::WindowText), QColor(128, 128, 128));
        QVERIFY(w.Label1->alignment() & Qt::AlignHCenter);

        QCOMPARE(w.lstVS->geometry(), QRect(30, 75, 140, 345));
        QCOMPARE(w.lstVS->toolTip(),
                 QStringLiteral("list of Visual Styles installed on your computer. double click "
                                "to view more info"));
        QCOMPARE(w.lstVS->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!w.lstVS->isSortingEnabled());
        QCOMPARE(w.lstVS->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(w.lstVS->palette().color(QPalette::Text), QColor(64, 64, 64));

        QCOMPARE(w.lblVersion->geometry(), QRect(502, 24, 91, 13));
        QCOMPARE(w.lblVersion->text(), QStringLiteral("Version %.%.%"));
        QCOMPARE(w.lblVersion->toolTip(), QStringLiteral("Kolvane Version information"));
        QCOMPARE(w.lblVersion->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(w.lblVersion->font().pointSizeF(), 8.25);
        QVERIFY(w.lblVersion->alignment() & Qt::AlignRight);

        // The utility control: below the visible area, the one every window reaches.
        QVERIFY(w.functions->y() >= w.client->height());
        QCOMPARE(&mdlMain::functions(), w.functions);
        QCOMPARE(w.SysIcon->toolTip(), QStringLiteral("Quorlin Visual Style Manager"));
        QVERIFY(!w.windowIcon().isNull());
    }

    // The window and the tray show the desktop's icon, in every size it is installed in.
    void theIconIsTheDesktopIconInEverySize() {
        TestMain w;
        const QList<QSize> sizes = {{16, 16}, {22, 22}, {24, 24},   {32, 32},
                                    {48, 48}, {64, 64}, {128, 128}, {256, 256}};
        for (const QIcon& icon : {w.windowIcon(), w.SysIcon->icon()}) {
            QList<QSize> available = icon.availableSizes();
            std::sort(available.begin(), available.end(),
                      [](const QSize& a, const QSize& b) { return a.width() < b.width(); });
            QCOMPARE(available, sizes);
        }
        // The very pictures installed for the desktop, rendered from the same drawing.
        const QString installed =
            QCoreApplication::applicationDirPath() +
            QStringLiteral("/../share/icons/hicolor/256x256/apps/example.quorlin.kolvmgr.png");
        const QImage desktop(installed);
        QVERIFY2(!desktop.isNull(), qPrintable(installed));
        QCOMPARE(w.windowIcon().pixmap(256).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 desktop.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    // The client area paints the artwork itself: where no control covers it, what is on
    // screen is the artwork's own pixels.
    void clientAreaShowsTheArtwork() {
        TestMain w;
        const QImage shown = w.client->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage artwork(shown.size(), QImage::Format_RGB32);
        artwork.fill(Qt::black);
        {
            QPainter p(&artwork);
            MainBackground::paint(p, shown.size(), 394.5);
        }
        QCOMPARE(shown.size(), QSize(600, 429));
        // The header band, the title, and the lower rule.
        for (const QPoint at :
             {QPoint(5, 1), QPoint(5, 40), QPoint(40, 26), QPoint(300, 394), QPoint(595, 428)})
            QCOMPARE(shown.pixel(at), artwork.pixel(at));
        QVERIFY(artwork.pixel(5, 1) != artwork.pixel(5, 428));
        QVERIFY(artwork.pixel(300, 394) != artwork.pixel(300, 390));
    }

    // The colour scheme and size of the selected style, labelled as the Display control
    // panel labels them, by their display names, each box wide enough for its longest; shown
    // for every style whose file lists them, open to a choice only where there is one.
    void schemeAndSizeBoxes() {
        m_fx->addStyle("Luna", "Luna.msstyles", styleOfLongNames(u"Silver (metallic)"));
        m_fx->addStyle("Light", "light.msstyles", testing_support::styleFile({u"Blue"}, {u"NormalSize"}));
        m_fx->addStyle("Long", "long.msstyles",
                       styleOfLongNames(u"A colour scheme whose display name runs on and on past any box"));
        m_fx->addStyle("Plain", "plain.msstyles", "not a resource library");
        auto w = m_fx->loadWindow();
        const QList<QWidget*> row = {w->lblColor, w->cboColor, w->lblSize, w->cboSize};
        for (QWidget* c : row)
            QVERIFY2(c->isHidden(), qPrintable(c->objectName()));

        select(*w, "Luna");
        for (QWidget* c : row)
            QVERIFY2(!c->isHidden() && c->isEnabled(), qPrintable(c->objectName()));
        QCOMPARE(w->lblColor->text(), QStringLiteral("Color scheme:"));
        QCOMPARE(w->lblSize->text(), QStringLiteral("Font size:"));
        QCOMPARE(w->lblColor->buddy(), w->cboColor);
        QCOMPARE(w->lblSize->buddy(), w->cboSize);
        QCOMPARE(texts(w->cboColor), QStringList({"Default (blue)", "Silver (metallic)"}));
        QCOMPARE(texts(w->cboSize), QStringList({"Normal", "Extra Large Fonts"}));
        QCOMPARE(w->cboColor->currentData().toString(), QStringLiteral("NormalColor"));
        QVERIFY(showsWhole(w->cboColor));
        QVERIFY(showsWhole(w->cboSize));
        QVERIFY(w->lblColor->geometry().right() < w->cboColor->geometry().left());
        QVERIFY(w->lblSize->geometry().right() < w->cboSize->geometry().left());
        checkLayout(*w);

        // One scheme and one size: shown, as what Apply applies, and not open to a choice.
        select(*w, "Light");
        for (QWidget* c : row)
            QVERIFY2(!c->isHidden(), qPrintable(c->objectName()));
        QVERIFY(!w->cboColor->isEnabled() && !w->cboSize->isEnabled());
        QCOMPARE(texts(w->cboColor), QStringList({"Blue"}));
        QCOMPARE(texts(w->cboSize), QStringList({"NormalSize"}));
        checkLayout(*w);

        // A name longer than the row: the boxes stay within it, their lists show it whole.
        select(*w, "Long");
        checkLayout(*w);
        QVERIFY(w->cboColor->view()->minimumWidth() >=
                w->cboColor->fontMetrics().horizontalAdvance(texts(w->cboColor).last()));

        // A file that cannot be read offers nothing to choose.
        select(*w, "Plain");
        for (QWidget* c : row)
            QVERIFY2(c->isHidden(), qPrintable(c->objectName()));
        QVERIFY(sameMessages({}));
    }

    // What start-up notes without stopping anything shows in a line above the list, which
    // moves the list, the preview and the commands down while it is there.
    void theNoteLineSitsAboveTheListAndCloses() {
        m_fx->addStyle("Luna", "Luna.msstyles", testing_support::styleFile({u"Blue"}, {u"NormalSize"}));
        auto w = m_fx->loadWindow();
        select(*w, "Luna");
        QVERIFY(w->fraNote->isHidden());
        QList<QRect> before;
        const QList<QWidget*> below = {w->lstVS,   w->picPreview, w->cboColor,
                                       w->cboSize, w->cmdRefresh, w->cmdAbout};
        for (QWidget* c : below)
            before.append(c->geometry());
        const QSize client = w->client->size();
        const QRect apply = w->cmdApply->geometry();

        const QString note = QStringLiteral(
            "Wine is running in the prefix /home/someone/.wine. While its programs run, Quorlin "
            "Visual Style Manager saves its changes through Wine's registry tool (wine reg), so "
            "that Wine keeps them; each change takes a moment, and the registry files show it "
            "once Wine has saved its registry.");
        w->showNotes({note});
        QVERIFY(!w->fraNote->isHidden());
        QCOMPARE(w->lblNote->text(), note);
        QVERIFY(w->lblNote->height() >= w->lblNote->heightForWidth(w->lblNote->width()));
        QVERIFY(w->fraNote->geometry().top() > 71);
        QVERIFY(w->fraNote->geometry().bottom() < w->lstVS->geometry().top());
        const int moved = w->lstVS->geometry().top() - before[0].top();
        QVERIFY(moved > w->fraNote->height());
        for (int i = 0; i < below.size(); ++i)
            QCOMPARE(below[i]->geometry(), before[i].translated(0, moved));
        QCOMPARE(w->client->size(), client + QSize(0, moved));
        QCOMPARE(w->cmdApply->geometry(), apply);
        checkLayout(*w);

        QTest::mouseClick(w->cmdCloseNote, Qt::LeftButton);
        QVERIFY(w->fraNote->isHidden());
        for (int i = 0; i < below.size(); ++i)
            QCOMPARE(below[i]->geometry(), before[i]);
        QCOMPARE(w->client->size(), client);
        QVERIFY(sameMessages({}));
    }

    void tabOrder() {
        TestMain w;
        // The scheme and size of the style come before the command that applies them.
        const QList<QWidget*> order = {w.cmdRefresh, w.cmdInfo,  w.cmdAbout, w.lstVS,
                                       w.picPreview, w.cboColor, w.cboSize,  w.cmdApply,
                                       w.cmdOpen,    w.cmdInst,  w.cmdUninst};
        for (int i = 0; i + 1 < order.size(); ++i) {
            // The next widget in the chain that takes the Tab key.
            QWidget* next = order[i]->nextInFocusChain();
            while (next && !(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
    }

    void menus() {
        TestMain w;
        const QList<QAction*> top = w.menuBar()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top[0]->text(), QStringLiteral("&File"));
        QCOMPARE(top[1]->text(), QStringLiteral("&Tools"));
        QCOMPARE(top[2]->text(), QStringLiteral("&Help"));

        const auto check = [](const QList<MenuRow>& actual, const QList<MenuRow>& expected) {
            QCOMPARE(actual.size(), expected.size());
            for (int i = 0; i < actual.size(); ++i) {
                QCOMPARE(actual[i].caption, expected[i].caption);
                QCOMPARE(actual[i].shortcut, expected[i].shortcut);
            }
        };
        check(rows(w.mnuFile), {{"&Refresh", QKeySequence(Qt::Key_F5)},
                                {"&Install VS", QKeySequence(Qt::CTRL | Qt::Key_I)},
                                {"&Windows Root", {}},
                                {"-", {}},
                                {"E&xit Manager", QKeySequence(Qt::CTRL | Qt::Key_Q)}});
        check(rows(w.mnuTools), {{"&Checkup", QKeySequence(Qt::CTRL | Qt::Key_F2)},
                                 {"&Add Folder in My Computer", {}},
                                 {"System &Stats", QKeySequence(Qt::CTRL | Qt::Key_S)},
                                 {"A&ppearance...", {}},
                                 {"-", {}},
                                 {"&Visual Style", {}}});
        QCOMPARE(w.mnuFile->actions().at(2)->menu(), w.mnuRoots);
        QCOMPARE(w.mnuTools->actions().last()->menu(), w.mnuVS);
        check(rows(w.mnuVS), {{"More &info", QKeySequence(Qt::CTRL | Qt::Key_M)},
                              {"&Apply VS", {}},
                              {"&Uninstall VS", {}},
                              {"&Classic Look", {}}});
        check(rows(w.mnuHelpMain), {{"&Forum Discussions", QKeySequence(Qt::Key_F1)},
                                    {"&Readme Documentations", QKeySequence(Qt::Key_F2)},
                                    {"-", {}},
                                    {"&Donate to us", {}},
                                    {"Check for &updates", {}},
                                    {"&About Quorlin Zevra", QKeySequence(Qt::CTRL | Qt::Key_A)}});
        QVERIFY(w.mnuAddShortcut->isCheckable());
    }

    // ---- loading ------------------------------------------------------------------------

    void loadSetsVersionAndCaption() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        QCOMPARE(w->lblVersion->text(), QStringLiteral("Version 3.26.2640"));
        // Right-aligned at its designed right edge, wide enough for the text.
        QCOMPARE(w->lblVersion->geometry().right(), 592);
        QVERIFY(w->lblVersion->width() >= 91);
        QVERIFY(w->lblVersion->width() >=
                w->lblVersion->fontMetrics().horizontalAdvance(w->lblVersion->text()));
        QCOMPARE(w->windowTitle(), QStringLiteral("Quorlin Visual Style Manager 3.26"));
        QCOMPARE(w->Label1->text(), kNoSelection);
        QVERIFY(!w->Label1->isHidden());
        QVERIFY(!w->SysIcon->isVisible());
        QVERIFY(UiServices::messages().isEmpty());
    }

    void firstRunWindow_data() {
        QTest::addColumn<QString>("stored"); // "<missing>" for no value
        QTest::addColumn<bool>("shown");
        QTest::newRow("missing") << "<missing>" << true;
        QTest::newRow("zero") << "0" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("one") << "1" << false;
        QTest::newRow("other text") << "yes" << false;
    }
    void firstRunWindow() {
        QFETCH(QString, stored);
        QFETCH(bool, shown);
        m_fx.reset();
        auto root = std::make_unique<TestRoot>();
        UiServices::resetScript();
        if (stored != QLatin1String("<missing>"))
            writeString(platform::HKEY_CURRENT_USER, "Software\\Quorlin\\Zevra", "firstrun",
                        stored.toStdString());
        // Nothing of the catalogue has been asked yet when the welcome window shows.
        qsizetype messagesBefore = -1;
        int firstRunWindows = 0;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (qobject_cast<frmFirstRun*>(window)) {
                ++firstRunWindows;
                messagesBefore = UiServices::messages().size();
            }
        });
        {
            TestMain w;
            w.Form_Load();
            QCOMPARE(firstRunWindows, shown ? 1 : 0);
            if (shown) {
                QCOMPARE(messagesBefore, qsizetype(0));
                QCOMPARE(UiServices::messages().size(), 1); // the empty catalogue
            }
        }
    }

    // ---- the catalogue --------------------------------------------------------------------

    void missingThemesDirectory() {
        std::filesystem::remove_all(m_fx->themes());
        auto w = m_fx->loadWindow();
        QVERIFY(sameMessages({missingThemesMessage(), noStylesMessage()}));
        QCOMPARE(items(w->lstVS), QStringList({"(NO VS installed)"}));
        QVERIFY(!w->lstVS->isEnabled());
        QCOMPARE(w->Label1->text(), kNoSelection);
    }

    void emptyOrFilesOnly_data() {
        QTest::addColumn<bool>("withFiles");
        QTest::newRow("empty") << false;
        QTest::newRow("files only") << true;
    }
    void emptyOrFilesOnly() {
        QFETCH(bool, withFiles);
        if (withFiles) {
            std::ofstream(m_fx->themes() / "Luna.msstyles") << "x";
            std::ofstream(m_fx->themes() / "readme.txt") << "x";
        }
        auto w = m_fx->loadWindow();
        QVERIFY(sameMessages({noStylesMessage()}));
        QCOMPARE(items(w->lstVS), QStringList({"(NO VS installed)"}));
        QVERIFY(!w->lstVS->isEnabled());
    }

    void whatCountsAsAStyle() {
        m_fx->addStyle("Luna", "Luna.msstyles");
        m_fx->addStyle("No Style File");         // listed all the same
        m_fx->addStyle(".dotted", "x.msstyles"); // hidden by its name
        const auto hidden = m_fx->addStyle("Hidden", "x.msstyles");
        const auto system = m_fx->addStyle("System", "x.msstyles");
        QVERIFY(platform::setDosAttributes(hidden, platform::FILE_ATTRIBUTE_HIDDEN));
        QVERIFY(platform::setDosAttributes(system, platform::FILE_ATTRIBUTE_SYSTEM));
        std::ofstream(m_fx->themes() / "loose.msstyles") << "x";
        // A link to a folder elsewhere can be entered like a folder.
        std::filesystem::create_directories(m_fx->root->root() / "elsewhere");
        std::filesystem::create_directory_symlink(m_fx->root->root() / "elsewhere",
                                                  m_fx->themes() / "Linked");
        // A link to nowhere cannot.
        std::filesystem::create_directory_symlink(m_fx->root->root() / "gone", m_fx->themes() / "Dangling");

        auto w = m_fx->loadWindow();
        QVERIFY(sameMessages({}));
        QCOMPARE(items(w->lstVS), QStringList({"Linked", "Luna", "No Style File"}));
        QVERIFY(w->lstVS->isEnabled());
        QCOMPARE(w->selectedIndex(), -1);
    }

    void listedInTheOrderWindowsListsTheFolder() {
        // Mixed case, in no order the host's file system keeps: the list is by name, case
        // ignored, as NTFS lists a folder.
        std::vector<std::string> names;
        for (int i = 0; i < 60; ++i) {
            std::string name = "Style " + std::to_string((i * 37) % 101);
            if (i % 3 == 0)
                std::transform(name.begin(), name.end(), name.begin(), ::tolower);
            else if (i % 3 == 1)
                std::transform(name.begin(), name.end(), name.begin(), ::toupper);
            m_fx->addStyle(name);
            names.push_back(name);
        }
        const auto upper = [](std::string s) {
            std::transform(s.begin(), s.end(), s.begin(), ::toupper);
            return s;
        };
        std::sort(names.begin(), names.end(),
                  [&](const std::string& a, const std::string& b) { return upper(a) < upper(b); });
        QStringList expected;
        for (const std::string& name : names)
            expected.append(QString::fromStdString(name));
        auto w = m_fx->loadWindow();
        QCOMPARE(items(w->lstVS), expected);
        // Refreshed when input has been waiting a while, the listing lets events through
        // after its first name: the names found afterwards go into their places around it.
        QTest::qSleep(30);
        w->cmdRefresh_Click();
        QCOMPARE(items(w->lstVS), expected);
    }

    void refreshShowsWhatIsThereNow() {
        m_fx->addStyle("Alpha");
        m_fx->addStyle("Beta");
        auto w = m_fx->loadWindow();
        select(*w, "Beta");
        QCOMPARE(w->selectedStyle(), QStringLiteral("Beta"));

        std::filesystem::remove_all(m_fx->themes() / "Alpha");
        m_fx->addStyle("Gamma");
        m_fx->addStyle("Delta");
        w->cmdRefresh_Click();
        QCOMPARE(items(w->lstVS), toList(m_fx->expectedCatalogue()));
        QCOMPARE(w->selectedIndex(), -1);
        QCOMPARE(w->Label1->text(), kNoSelection);
        QVERIFY(!w->Label1->isHidden());
        QVERIFY(!w->picPreview->hasPicture());
        QCOMPARE(UiServices::mousePointer(), 0);
        QVERIFY(sameMessages({}));
    }

    void refreshFromThePlaceholderEnablesTheList() {
        auto w = m_fx->loadWindow();
        QVERIFY(!w->lstVS->isEnabled());
        m_fx->addStyle("Luna");
        w->mnuRefresh->trigger();
        QCOMPARE(items(w->lstVS), QStringList({"Luna"}));
        QVERIFY(w->lstVS->isEnabled());

        // And back: every style removed.
        std::filesystem::remove_all(m_fx->themes() / "Luna");
        UiServices::resetScript();
        w->cmdRefresh_Click();
        QCOMPARE(items(w->lstVS), QStringList({"(NO VS installed)"}));
        QVERIFY(!w->lstVS->isEnabled());
        QVERIFY(sameMessages({noStylesMessage()}));
    }

    void refreshWithTheThemesDirectoryGone() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        std::filesystem::remove_all(m_fx->themes());
        w->cmdRefresh_Click();
        QVERIFY(sameMessages({missingThemesMessage(), noStylesMessage()}));
        QCOMPARE(items(w->lstVS), QStringList({"(NO VS installed)"}));
    }

    void refreshChosenDuringAListingIsIgnored() {
        for (int i = 0; i < 20; ++i)
            m_fx->addStyle("Style " + std::to_string(i));
        auto w = m_fx->loadWindow();
        m_fx->addStyle("Late");
        // The listing lets waiting events through before its next name; let one be
        // waiting: a Refresh chosen while the first listing runs.
        bool ranDuringListing = false;
        UiServices::doEvents();
        QTimer::singleShot(0, w.get(), [&] {
            ranDuringListing = w->isListing();
            w->cmdRefresh_Click();
        });
        QTest::qSleep(30); // input counts as waiting once the loop has not run for a while
        w->cmdRefresh_Click();
        QVERIFY(ranDuringListing);
        QCOMPARE(items(w->lstVS), toList(m_fx->expectedCatalogue()));
        QVERIFY(!w->isListing());
    }

    // ---- selection, preview, readme ----------------------------------------------------------

    void selectingShowsThePreview() {
        writePicture(m_fx->addStyle("Jpeg") / "preview.jpg", "JPG");
        writePicture(m_fx->addStyle("Png Inside") / "preview.jpg", "PNG");
        m_fx->addStyle("Without");
        std::ofstream(m_fx->addStyle("Broken") / "preview.jpg") << "not a picture";
        auto w = m_fx->loadWindow();

        for (const char* style : {"Jpeg", "Png Inside"}) {
            select(*w, style);
            QVERIFY2(w->picPreview->hasPicture(), style);
            QCOMPARE(w->picPreview->picture().size(), QSize(40, 30));
            QVERIFY(w->Label1->isHidden());
            QCOMPARE(w->Label1->text(), kNoPreview);
        }
        for (const char* style : {"Without", "Broken"}) {
            select(*w, style);
            QVERIFY2(!w->picPreview->hasPicture(), style);
            QVERIFY(!w->Label1->isHidden());
            QCOMPARE(w->Label1->text(), kNoPreview);
        }
        QCOMPARE(UiServices::mousePointer(), 0);
        QVERIFY(sameMessages({}));
    }

    void withoutAPictureTheStyleIsDrawnFromItsFile() {
        m_fx->addStyle("Drawn", "drawn.msstyles", previewStyle().build());
        writePicture(m_fx->addStyle("Both", "both.msstyles", previewStyle().build()) / "preview.jpg", "JPG");
        m_fx->addStyle("Damaged", "damaged.msstyles", previewStyle().build().substr(0, 700));
        m_fx->addStyle("No Caption", "n.msstyles", styleFile({u"Blue"}, {u"Normal"}));
        const auto light = platform::wineStyleFile(platform::wineLibraryFolders());
        if (light)
            std::filesystem::copy_file(*light, m_fx->addStyle("Light") / "light.msstyles");
        auto w = m_fx->loadWindow();

        QStringList drawn = {"Drawn"};
        if (light)
            drawn.append("Light");
        for (const QString& style : drawn) {
            select(*w, style.toUtf8().constData());
            QVERIFY2(w->picPreview->hasPicture(), qPrintable(style));
            QCOMPARE(w->picPreview->picture().size(), QSize(411, 281));
            QVERIFY(w->Label1->isHidden());
            QCOMPARE(w->Label1->text(), kNoPreview);
            // A click opens nothing (there is no picture file) and keeps the picture.
            const QImage shown = w->picPreview->picture().toImage();
            QTest::mouseClick(w->picPreview, Qt::LeftButton, {}, QPoint(300, 20));
            QVERIFY(UiServices::startedCommands().isEmpty());
            QCOMPARE(w->picPreview->picture().toImage(), shown);
            QVERIFY(w->Label1->isHidden());
        }
        // The style's own picture comes first.
        select(*w, "Both");
        QCOMPARE(w->picPreview->picture().size(), QSize(40, 30));
        for (const char* style : {"Damaged", "No Caption"}) {
            select(*w, style);
            QVERIFY2(!w->picPreview->hasPicture(), style);
            QVERIFY(!w->Label1->isHidden());
            QCOMPARE(w->Label1->text(), kNoPreview);
            w->picPreview_Click();
            QVERIFY(!w->picPreview->hasPicture());
        }
        QCOMPARE(UiServices::mousePointer(), 0);
        QVERIFY(sameMessages({}));
    }

    // The choice of colour scheme shows in the drawn preview before it is applied; the
    // schemes are offered by their display names.
    void theDrawnPreviewFollowsTheSchemeChosen() {
        using namespace previewColours;
        m_fx->addStyle("Drawn", "drawn.msstyles", previewStyle().build());
        auto w = m_fx->loadWindow();
        select(*w, "Drawn");
        QVERIFY(!w->cboColor->isHidden());
        QCOMPARE(w->cboColor->currentData().toString(), QStringLiteral("Blue"));
        const auto holds = [](const QImage& image, uint32_t rgb) {
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if ((image.pixel(x, y) & 0xFFFFFF) == rgb)
                        return true;
            return false;
        };
        const QImage blue = w->picPreview->picture().toImage();
        QVERIFY(holds(blue, kBlueCaption) && !holds(blue, kOliveCaption));
        w->cboColor->setCurrentIndex(w->cboColor->findData(QStringLiteral("Olive")));
        const QImage olive = w->picPreview->picture().toImage();
        QVERIFY(holds(olive, kOliveCaption) && !holds(olive, kBlueCaption));
        QVERIFY(w->Label1->isHidden());
        // The click keeps the picture of the choice.
        w->picPreview_Click();
        QCOMPARE(w->picPreview->picture().toImage(), olive);
        QVERIFY(w->picPreview->toolTip().contains(QStringLiteral("Colour schemes: Blue, Olive")));
        QVERIFY(sameMessages({}));
    }

    void selectingAStyleRemovedMeanwhile() {
        writePicture(m_fx->addStyle("Jpeg") / "preview.jpg", "JPG");
        m_fx->addStyle("Gone");
        auto w = m_fx->loadWindow();
        select(*w, "Jpeg");
        QVERIFY(w->picPreview->hasPicture());
        std::filesystem::remove_all(m_fx->themes() / "Gone");
        select(*w, "Gone");
        QVERIFY(!w->picPreview->hasPicture());
        QVERIFY(!w->Label1->isHidden());
        QCOMPARE(w->Label1->text(), QStringLiteral("Please wait while loading preview..."));
    }

    void clickingThePreviewOpensThePicture() {
        setBrowser("\"C:\\Program Files\\Fox\\fox.exe\"");
        writePicture(m_fx->addStyle("Blue Sky") / "preview.jpg", "JPG");
        m_fx->addStyle("Without");
        auto w = m_fx->loadWindow();

        select(*w, "Without");
        w->picPreview_Click();
        QVERIFY(UiServices::startedCommands().isEmpty());

        select(*w, "Blue Sky");
        QTest::mouseClick(w->picPreview, Qt::LeftButton, {}, QPoint(300, 20));
        QCOMPARE(UiServices::startedCommands(),
                 QStringList({"\"C:\\Program Files\\Fox\\fox.exe\" "
                              "C:\\windows\\Resources\\Themes\\Blue Sky\\preview.jpg"}));
        QVERIFY(w->picPreview->hasPicture());
        QCOMPARE(w->Label1->text(), kNoPreview);
        QVERIFY(sameMessages({}));
    }

    void moreInfoShowsTheStyleReadme() {
        const auto folder = m_fx->addStyle("Royale Noir");
        std::ofstream(folder / "readme.txt", std::ios::binary) << "Royale Noir\r\nby someone\nthird line";
        m_fx->addStyle("No Readme");
        auto w = m_fx->loadWindow();

        QString shownText;
        QString shownTitle;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* info = qobject_cast<frmInfo*>(window)) {
                shownText = info->Text1->toPlainText();
                shownTitle = info->windowTitle();
            }
        });
        select(*w, "Royale Noir");
        w->cmdInfo_Click();
        QCOMPARE(shownTitle, QStringLiteral("Royale Noir - Visual Style Readme"));
        // The text box keeps the lines, whatever their breaks were.
        QCOMPARE(shownText, mdlMain::ReadFromFile("C:\\windows\\Resources\\Themes\\Royale Noir\\readme.txt")
                                .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY(shownText.startsWith(QStringLiteral("Royale Noir")));
        QVERIFY(shownText.contains(QStringLiteral("third line")));
        QCOMPARE(UiServices::mousePointer(), 0);

        select(*w, "No Readme");
        w->cmdInfo_Click();
        QCOMPARE(UiServices::modalWindows().size(), 1);
        QVERIFY(
            sameMessages({{"The selected visual style's readme file could not be found in its directory. For "
                           "more information, please visit the site you have downloaded this visual style.",
                           48, "Readme.txt not found"}}));
    }

    void moreInfoReadsAUtf8ReadmeAsUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("\xc3\x91"
                                             "and\xc3\xba \xc3\x81"
                                             "lvarez\r\n")
                               << QStringLiteral("Ñandú Álvarez");
        QTest::newRow("UTF-8 with its mark")
            << QByteArray("\xef\xbb\xbf\xe6\x97\xa5\xe6\x9c\xac \xe2\x82\xac\r\n")
            << QStringLiteral("日本 €");
        QTest::newRow("Windows-1252") << QByteArray("\xd1"
                                                    "and\xfa \x80 caf\xe9\r\n")
                                      << QStringLiteral("Ñandú € café");
        QTest::newRow("ASCII") << QByteArray("plain\r\n") << QStringLiteral("plain");
    }
    void moreInfoReadsAUtf8ReadmeAsUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const auto folder = m_fx->addStyle("Texts");
        std::ofstream(folder / "readme.txt", std::ios::binary) << bytes.toStdString();
        auto w = m_fx->loadWindow();
        QString shownText;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* info = qobject_cast<frmInfo*>(window))
                shownText = info->Text1->toPlainText();
        });
        select(*w, "Texts");
        w->cmdInfo_Click();
        QCOMPARE(shownText, shown + QLatin1Char('\n'));
    }

    void moreInfoWithoutSelection() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        const Message noSelection{"You did not select any visual style on the list.", 64, "Error"};
        w->cmdInfo_Click();
        w->mnuMoreInfo->trigger();
        w->lstVS_DblClick();
        QVERIFY(sameMessages({noSelection, noSelection, noSelection}));
        QVERIFY(UiServices::modalWindows().isEmpty());
    }

    // ---- tray and ending --------------------------------------------------------------------

    void minimisingHidesToTheTray() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        w->tray = true;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->setWindowState(Qt::WindowMinimized);
        QVERIFY(w->isHidden());
        QVERIFY(w->SysIcon->isVisible());

        w->SysIcon_DblClick();
        QVERIFY(!w->isHidden());
        QVERIFY(!(w->windowState() & Qt::WindowMinimized));
        QVERIFY(!w->SysIcon->isVisible());
        QCOMPARE(w->ended, 0);

        // Closing after coming back from the tray still ends the program.
        w->close();
        QCOMPARE(w->ended, 1);
    }

    void withoutANotificationAreaTheWindowStaysMinimised() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        w->tray = false;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->setWindowState(Qt::WindowMinimized);
        QVERIFY(!w->isHidden());
        QVERIFY(w->windowState() & Qt::WindowMinimized);
        QVERIFY(!w->SysIcon->isVisible());
    }

    void exitAndCloseEndTheProgram() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        w->mnuExit->trigger();
        QCOMPARE(w->ended, 1);
        w->show();
        w->close();
        QCOMPARE(w->ended, 2);
    }

    // ---- windows opened and forwarding ------------------------------------------------------

    void windowsOpenModal() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        QStringList kinds;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (qobject_cast<frmAbout*>(window))
                kinds << "about";
            else if (qobject_cast<frmCleanUp*>(window))
                kinds << "checkup";
            else if (qobject_cast<frmStats*>(window))
                kinds << "stats";
            else if (qobject_cast<frmAppearance*>(window))
                kinds << "appearance";
            else
                kinds << "other";
        });
        w->cmdAbout->click();
        w->mnuAbout->trigger();
        w->mnuCleanup->trigger();
        w->mnuSystems->trigger();
        w->mnuAppearance->trigger();
        QCOMPARE(kinds, QStringList({"about", "about", "checkup", "stats", "appearance"}));
    }

    void menuItemsForwardToTheirCommands() {
        m_fx->addStyle("Luna");
        auto w = m_fx->loadWindow();
        w->mnuApply->trigger();
        w->mnuUninstall->trigger();
        QVERIFY(
            sameMessages({{"QuorlinZevra cannot apply your visual style because you did not select any "
                           "visual style on the list.",
                           64, "Error"},
                          {"You did not select any visual style on the list to uninstall.", 64, "Error"}}));
        w->mnuInstall->trigger();
        QCOMPARE(UiServices::fileDialogs().size(), 1);
        QCOMPARE(UiServices::fileDialogs()[0].title,
                 QStringLiteral("Install Visual Style from downloaded ZIP file"));
    }

    // ---- Help menu ------------------------------------------------------------------------------

    void helpAddresses() {
        setBrowser("fox");
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        w->mnuHelp->trigger();
        w->mnuUpdates->trigger();
        const QStringList started = UiServices::startedCommands();
        QCOMPARE(started.size(), 2);
        QCOMPARE(started[0], QStringLiteral("fox ") + AppInfo::kForumAddress);
        QVERIFY(started[0].startsWith(QStringLiteral("fox http://")));
        QVERIFY(started[0].endsWith(QLatin1Char('/')));
        QVERIFY2(started[1].startsWith(QStringLiteral("fox ") + AppInfo::kMakerSite), qPrintable(started[1]));
        QVERIFY(started[1].endsWith(QStringLiteral("/zevra/updates/?v=3.26.2640")));
        QVERIFY(sameMessages({}));
    }

    void donationThanksEvenWhenTheBrowserFails() {
        setBrowser("fox");
        auto w = m_fx->loadWindow();
        UiServices::resetScript();
        const Message thanks{
            "Thank you for choosing to donate to us. Your browser window should now be opened "
            "showing you Paypal.",
            64, "Thank you"};
        w->mnuDonate->trigger();
        QCOMPARE(UiServices::startedCommands().size(), 1);
        const QString address = UiServices::startedCommands()[0].mid(4);
        QVERIFY(address.startsWith(QStringLiteral("https://")));
        QVERIFY(address.contains(QStringLiteral("/cgi-bin/webscr?cmd=_xclick&business=")));
        QVERIFY(address.endsWith(QStringLiteral("&cn=Comments&tax=0&currency_code=USD&bn=PP%2dDonationsBF"
                                                "&charset=UTF%2d8")));
        QVERIFY(sameMessages({thanks}));

        UiServices::resetScript();
        UiServices::setNextStartResult(false);
        w->mnuDonate_Click();
        QVERIFY(sameMessages(
            {{"We are unable to load your default browser (fox) to open the following page:\r\r\t" + address,
              0, "Quorlin Visual Style Manager"},
             thanks}));
    }

    void programReadme() {
        const std::filesystem::path readme =
            (QCoreApplication::applicationDirPath() + QStringLiteral("/readme.txt")).toStdString();
        if (std::filesystem::exists(readme))
            QSKIP("a readme.txt lies beside the test program; this test needs that place for itself");
        // The program's folder is reached through Z:, as in any Wine prefix.
        m_fx->root->addDrive('z', "/");
        auto w = m_fx->loadWindow();
        UiServices::resetScript();

        w->mnuReadme->trigger();
        QVERIFY(
            sameMessages({{"Kolvane is unable to locate the readme file. Please download the latest version "
                           "from Zevra's official Download site(" +
                               AppInfo::kDownloadSite + ").",
                           48, "Unable to locate readme.txt"}}));
        QVERIFY(UiServices::modalWindows().isEmpty());

        UiServices::resetScript();
        std::ofstream(readme, std::ios::binary) << "Program readme\r\nsecond line\r\n";
        QString title;
        QString text;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* window) {
            if (auto* info = qobject_cast<frmInfo*>(window)) {
                title = info->windowTitle();
                text = info->Text1->toPlainText();
            }
        });
        w->mnuReadme_Click();
        std::filesystem::remove(readme);
        QCOMPARE(title, QStringLiteral("Quorlin Visual Style Manager Readme"));
        QVERIFY(text.startsWith(QStringLiteral("Program readme")));
        QVERIFY(text.contains(QStringLiteral("second line")));
        QVERIFY(sameMessages({}));
    }

    // ---- archives handed over at start ----------------------------------------------------

    void archivesGivenAtStartAreOfferedOneByOne() {
        m_fx->addStyle("Luna");
        const auto aero = m_fx->root->root() / "aero.zip";
        const auto royale = m_fx->root->root() / "royale.zip";
        const auto broken = m_fx->root->root() / "broken.zip";
        writeArchive(aero, {fileEntry("Aero/aero.msstyles", "style")});
        writeArchive(royale, {fileEntry("Royale/royale.msstyles", "style")});
        m_fx->root->writeFile("broken.zip", "not an archive");
        auto w = m_fx->loadWindow();
        UiServices::setNextAnswer(quorlin::AnswerYes);
        UiServices::setNextAnswer(quorlin::AnswerNo);
        UiServices::setNextAnswer(quorlin::AnswerYes);
        const QStringList archives = {QString::fromStdString(aero.string()),
                                      QString::fromStdString(royale.string()),
                                      QString::fromStdString(broken.string())};
        w->offerToInstall(archives);
        const auto offer = [](const QString& archive) {
            return Message{"Install the visual styles of the archive " + archive + "?", 36, "Install VS"};
        };
        QVERIFY(
            sameMessages({offer(archives[0]),
                          offer(archives[1]),
                          offer(archives[2]),
                          {"An error has occurred during unzipping. Error Code: 9", 16, "Error unzipping"}}));
        QVERIFY(std::filesystem::exists(m_fx->themes() / "Aero" / "aero.msstyles"));
        QVERIFY(!std::filesystem::exists(m_fx->themes() / "Royale"));
        // Shown at once: the list is refreshed.
        QCOMPARE(items(w->lstVS), toList(m_fx->expectedCatalogue()));
        QVERIFY(items(w->lstVS).contains("Aero"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
