// The checkup window: its controls, its opening, the progress picture, the scan's
// lines, and stopping a scan by Cancel or by closing the window.

#include "tst_frmCleanUpSupport.h"

#include "checkup/ProgressPicture.h"
#include "commands/CheckupScan.h"
#include "commands/RegistryValues.h"

#include "common/UiServices.h"
#include "platform/FileAttributes.h"
#include "platform/Registry.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace checkup_test;
using quorlin::UiServices;

namespace {

const QString kAppTitle = QStringLiteral("Quorlin Visual Style Manager");

QRect fromTwips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

// The next widget after w in the tab order that takes the focus by Tab.
QWidget* nextTabStop(QWidget* w) {
    for (QWidget* next = w->nextInFocusChain(); next && next != w; next = next->nextInFocusChain())
        if (!w->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus))
            return next;
    return nullptr;
}

// The number a verdict line reports (0 for a safe style), -1 for other lines.
int verdictCount(const QString& line) {
    static const QRegularExpression counted(QStringLiteral("^Message: Scanning of .* resulted in (\\d+) "
                                                           "errors/warnings$"));
    if (line.startsWith(QLatin1String("Message: Scanning of ")) &&
        line.endsWith(QLatin1String(" resulted in no errors found. This VS is safe for usage.")))
        return 0;
    const auto match = counted.match(line);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The summary block of a scan of `styles` styles with `total` findings, and the elapsed
// time it reports.
void checkSummary(const QStringList& tail, int styles, int total, const QString& using_) {
    QCOMPARE(tail.size(), 5);
    QCOMPARE(tail[0], QStringLiteral("Message: Scanning process completed!"));
    QCOMPARE(tail[1], QStringLiteral("Message: You have %1 visual styles installed.").arg(styles));
    QCOMPARE(tail[2], QStringLiteral("Message: You are using ") + using_ + QLatin1Char('.'));
    QCOMPARE(tail[3], QStringLiteral("Message: You have %1 errors/warning messages").arg(total));
    QVERIFY2(QRegularExpression(QStringLiteral("^Message: Time taken to complete task - [0-9.E+-]+ seconds$"))
                 .match(tail[4])
                 .hasMatch(),
             qPrintable(tail[4]));
}

QString elapsedOf(const QStringList& all) {
    static const QRegularExpression time(
        QStringLiteral("^Message: Time taken to complete task - (.+) seconds$"));
    for (const QString& line : all)
        if (auto m = time.match(line); m.hasMatch())
            return m.captured(1);
    return QString();
}

} // namespace

class tst_frmCleanUp : public QObject {
    Q_OBJECT

    std::unique_ptr<testing_support::TestRoot> m_root;
    std::unique_ptr<SteppingClock> m_clock;

    QString lastCheck() {
        return RegistryValues::readText(Functions::HKEY_CURRENT_USER, RegistryValues::kSettingsKey,
                                        QStringLiteral("LastChk"), QString());
    }
    // Calls react(text, window) at every status update of window.
    static void onStatus(frmCleanUp& window, std::function<void(const QString&)> react) {
        QObject::connect(&window, &frmCleanUp::statusUpdated, &window,
                         [react](int, const QString& text) { react(text); });
    }
    // A scan that ended in the idle state.
    static void checkIdle(const frmCleanUp& window) {
        QVERIFY(!window.Checking);
        QVERIFY(window.cmdChk->isEnabled());
        QVERIFY(window.cmdSave->isEnabled());
        QVERIFY(window.cmdCancel->isEnabled());
        QVERIFY(window.picProgress->isHidden());
        QCOMPARE(UiServices::mousePointer(), int(quorlin::PointerDefault));
    }

private slots:
    void initTestCase() { UiServices::setScripted(true); }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        m_clock = std::make_unique<SteppingClock>(36000.0);
        UiServices::resetScript();
    }
    void cleanup() {
        m_clock.reset();
        m_root.reset();
    }

    // ---- the window ---------------------------------------------------------------------

    void layoutTextsAndFonts() {
        QWidget owner;
        frmCleanUp window(&owner);
        QCOMPARE(window.windowTitle(), QStringLiteral("Quorlin Zevra Check Tool"));
        QCOMPARE(window.size(), QSize(8745 / 15, 5145 / 15));
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(window.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(window.font().pointSizeF(), 8.25);
        QCOMPARE(window.picProgress->font().pointSizeF(), 9.0);

        QCOMPARE(window.lstErrors->geometry(), fromTwips(120, 720, 7215, 4155));
        QCOMPARE(window.Label1->geometry(), fromTwips(120, 120, 7245, 660));
        QCOMPARE(window.cmdChk->geometry(), fromTwips(7440, 120, 1215, 375));
        QCOMPARE(window.cmdCancel->geometry(), fromTwips(7440, 600, 1215, 375));
        QCOMPARE(window.lblStatus->geometry(), fromTwips(120, 4920, 7185, 195));
        QCOMPARE(window.picProgress->geometry(), fromTwips(120, 2640, 7215, 345));
        QCOMPARE(window.cmdSave->geometry(), fromTwips(7440, 1080, 1215, 375));
        QCOMPARE(window.Image1->geometry(), fromTwips(7920, 2160, 840, 3000));

        QCOMPARE(
            window.Label1->text(),
            QStringLiteral("This tool will help you to clear up your Visual Styles and check to invalid or "
                           "incomplete Visual Styles found on your system. Click Check to start the "
                           "checking process and cancel to close this window. The process may take up to "
                           "a few minutes."));
        QCOMPARE(window.cmdChk->text(), QStringLiteral("&Check"));
        QCOMPARE(window.cmdChk->toolTip(), QStringLiteral("Start the check on your visual styles"));
        QCOMPARE(window.cmdCancel->text(), QStringLiteral("Ca&ncel"));
        QCOMPARE(window.cmdCancel->toolTip(), QStringLiteral("Cancel scanning process/Close dialog"));
        QCOMPARE(window.cmdSave->text(), QStringLiteral("&Save"));
        QCOMPARE(window.cmdSave->toolTip(), QStringLiteral("Save messages and errors as log file"));
        QCOMPARE(window.picProgress->toolTip(), QStringLiteral("Processing"));
        QVERIFY(window.picProgress->isHidden());
        QCOMPARE(window.lstErrors->count(), 0);
        QCOMPARE(nextTabStop(window.lstErrors), static_cast<QWidget*>(window.cmdChk));
        QCOMPARE(nextTabStop(window.cmdChk), static_cast<QWidget*>(window.cmdCancel));
        QCOMPARE(nextTabStop(window.cmdCancel), static_cast<QWidget*>(window.cmdSave));

        // Centred on its owner.
        owner.setGeometry(50, 40, 700, 520); // inside the 800 x 600 offscreen screen
        owner.show();
        window.show();
        QVERIFY(qAbs(window.geometry().center().x() - owner.geometry().center().x()) <= 2);
        QVERIFY(qAbs(window.geometry().center().y() - owner.geometry().center().y()) <= 2);
    }

    void openingShowsTheLastCheck() {
        {
            frmCleanUp window;
            QCOMPARE(window.lblStatus->text(),
                     QStringLiteral("No check has been done. Click Check to start checking."));
        }
        RegistryValues::writeText(RegistryValues::kSettingsKey, QStringLiteral("LastChk"),
                                  QStringLiteral("1/2/2031 3:04:05 AM"));
        frmCleanUp window;
        QCOMPARE(window.lblStatus->text(),
                 QStringLiteral("Last check process was done at 1/2/2031 3:04:05 AM."));
    }

    // ---- the progress picture ------------------------------------------------------------

    void progressPictureRows_data() {
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("x");
        QTest::addColumn<bool>("filled");
        QTest::newRow("0%, left edge") << 0 << 0 << false;
        QTest::newRow("0%, right end") << 0 << 475 << false;
        QTest::newRow("50%, left") << 50 << 5 << true;
        QTest::newRow("50%, right") << 50 << 475 << false;
        QTest::newRow("100%, left") << 100 << 5 << true;
        QTest::newRow("100%, right end") << 100 << 480 << true;
        QTest::newRow("200% is clipped") << 200 << 480 << true;
    }
    void progressPictureRows() {
        QFETCH(int, percent);
        QFETCH(int, x);
        QFETCH(bool, filled);
        frmCleanUp window;
        window.UpdateStatus(static_cast<uint8_t>(percent), QStringLiteral("status"));
        QCOMPARE(window.lblStatus->text(), QStringLiteral("status"));
        const QImage image = window.picProgress->image();
        QCOMPARE(image.size(), QSize(481, 23));
        const QRgb background = window.picProgress->background().rgb();
        // Pixel row p shows the last drawn twip row among 15p .. 15p + 14.
        struct Row {
            int y;
            QRgb left, right;
        };
        const Row rows[] = {
            {0, qRgb(160, 230, 160), background},           // twips 0-14: top edge, right unpainted
            {1, qRgb(160, 230, 160), background},           // 15-29: edge up to 25, then nothing
            {2, qRgb(150, 220, 100), qRgb(245, 245, 245)},  // 30-44: upper half
            {10, qRgb(150, 220, 100), qRgb(245, 245, 245)}, // 150-164
            {11, qRgb(150, 200, 100), qRgb(220, 220, 220)}, // 165-179: the lower half from 172
            {20, qRgb(150, 200, 100), qRgb(220, 220, 220)}, // 300-314
            {21, qRgb(150, 220, 150), qRgb(250, 250, 250)}, // 315-329: bottom edge
            {22, qRgb(150, 220, 150), qRgb(250, 250, 250)}, // 330-344
        };
        for (const Row& row : rows) {
            const QRgb expected = filled ? row.left : row.right;
            QVERIFY2(image.pixel(x, row.y) == expected, qPrintable(QStringLiteral("row %1: %2 instead of %3")
                                                                       .arg(row.y)
                                                                       .arg(image.pixel(x, row.y), 0, 16)
                                                                       .arg(expected, 0, 16)));
        }
    }

    void progressPictureSplitAndCaption() {
        frmCleanUp window;
        window.UpdateStatus(50, QString());
        QCOMPARE(window.lblStatus->text(), QString());
        const QImage image = window.picProgress->image();
        // F = 3607.5 twips: the filled part ends inside pixel column 240.
        for (int y : {0, 21, 22}) {
            QCOMPARE(image.pixel(239, y), y ? qRgb(150, 220, 150) : qRgb(160, 230, 160));
            QCOMPARE(image.pixel(240, y), y ? qRgb(250, 250, 250) : window.picProgress->background().rgb());
        }
        QCOMPARE(ProgressPicture::caption(50), QStringLiteral("Please wait while checking (50%)"));
        // The dark caption sits in the middle of the box.
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 90) {
                    left = qMin(left, x), right = qMax(right, x);
                    top = qMin(top, y), bottom = qMax(bottom, y);
                }
        QVERIFY(right > left + 60);
        QVERIFY(qAbs((left + right) / 2.0 - 240.0) <= 3.0);
        QVERIFY(qAbs((top + bottom) / 2.0 - 11.0) <= 3.0);
    }

    void elapsedTimeText() {
        QCOMPARE(checkup::elapsedText(2.5f), QStringLiteral("2.5"));
        QCOMPARE(checkup::elapsedText(3.0f), QStringLiteral("3"));
        QCOMPARE(checkup::elapsedText(1.0f / 3.0f), QStringLiteral("0.3333333"));
        QCOMPARE(checkup::elapsedText(123.456789f), QStringLiteral("123.4568"));
        QCOMPARE(checkup::roundPercent(12.5), uint8_t(12));
        QCOMPARE(checkup::roundPercent(37.5), uint8_t(38));
    }

    // ---- the scan's lines ----------------------------------------------------------------

    void themesFolderWithoutStyles() {
        touch(m_root->themes() / "loose.txt");
        const QString dll = QStringLiteral("C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles");
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("DllName"), dll);
        frmCleanUp window;
        window.cmdChk_Click();
        QStringList all = lines(window);
        // The style the registry names as in use is not installed.
        QCOMPARE(all.value(3), QStringLiteral("Error: unable to locate the visual style in use as ") + dll);
        all.removeAt(3);
        checkSummary(all, 0, 0, QStringLiteral("None of ") + dll);
        const QString stored = lastCheck();
        QVERIFY(!stored.isEmpty());
        QCOMPARE(window.lblStatus->text(), QStringLiteral("Check process completed at ") + stored +
                                               QStringLiteral(". Time taken: ") + elapsedOf(all) +
                                               QStringLiteral("s "));
        QCOMPARE(window.lstErrors->currentRow(), all.size());
        checkIdle(window);
        QVERIFY(UiServices::messages().isEmpty());
    }

    // The report follows the main window's list: the order NTFS lists the folder in.
    void stylesAreScannedInTheCatalogueOrder() {
        const QStringList names = {"aero",  "Blue Steel", "light",  "Luna",
                                   "Olive", "Royale",     "Silver", "Zune"};
        for (const char* name : {"Zune", "light", "Silver", "Royale", "Luna", "Blue Steel", "aero", "Olive"})
            makeCompleteStyle(*m_root, name);
        frmCleanUp window;
        window.cmdChk_Click();
        QStringList scanned;
        for (const QString& line : lines(window))
            if (verdictCount(line) == 0)
                scanned.append(line.section(QLatin1Char(' '), 3).section(QStringLiteral(" resulted"), 0, 0));
        QCOMPARE(scanned, names);
    }

    // Wine draws no shell styles: in a prefix Wine made, a style without a Shell folder lacks
    // nothing Wine uses. Elsewhere it is the error it always was.
    void inAWinePrefixAMissingShellFolderIsNoError() {
        const fs::path light = makeCompleteStyle(*m_root, "light");
        fs::remove_all(light / "Shell");
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("DllName"),
                                  QStringLiteral("%systemroot%\\Resources\\Themes\\light\\light.msstyles"));
        const QString shell = themesText() + QStringLiteral("light\\Shell\\");
        {
            frmCleanUp window;
            window.cmdChk_Click();
            QCOMPARE(lines(window).mid(0, 2),
                     QStringList(
                         {QStringLiteral("Error: unable to locate light's visual style shell directory as ") +
                              shell,
                          QStringLiteral("Message: Scanning of light resulted in 1 errors/warnings")}));
        }
        auto& registry = platform::Registry::current();
        platform::HKEY key = 0;
        QCOMPARE(registry.RegCreateKeyA(platform::HKEY_LOCAL_MACHINE, "Software\\Wine", &key),
                 platform::ERROR_SUCCESS);
        registry.RegCloseKey(key);
        frmCleanUp window;
        window.cmdChk_Click();
        const QStringList all = lines(window);
        QCOMPARE(all.mid(0, 2),
                 QStringList(
                     {QStringLiteral("Message: unable to locate light's visual style shell directory as ") +
                          shell + QStringLiteral(", which Wine does not use: it draws no shell styles."),
                      QStringLiteral("Message: Scanning of light resulted in no errors found. This VS is "
                                     "safe for usage.")}));
        checkSummary(all.mid(all.size() - 5), 1, 0,
                     QStringLiteral("None of %systemroot%\\Resources\\Themes\\light\\light.msstyles"));
    }

    // The one fault that leaves the desktop without its style: the file the registry names
    // as in use is gone. Not a fault under the classic look, which uses none.
    void theStyleInUseThatIsNotInstalledIsAnError() {
        const fs::path luna = makeCompleteStyle(*m_root, "Luna");
        fs::remove(luna / "Luna.msstyles");
        touch(luna / "Other.msstyles");
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("DllName"),
                                  QStringLiteral("%SystemRoot%\\Resources\\Themes\\Luna\\Luna.msstyles"));
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("ThemeActive"),
                                  QStringLiteral("1"));
        const QString using_ = QStringLiteral(
            "Message: You are using None of %SystemRoot%\\Resources\\Themes\\Luna\\Luna.msstyles.");
        {
            frmCleanUp window;
            window.cmdChk_Click();
            const QStringList all = lines(window);
            const int at = all.indexOf(using_);
            QVERIFY(at > 0);
            QCOMPARE(all.value(at + 1),
                     QStringLiteral("Error: unable to locate the visual style in use as ") + windowsDir() +
                         QStringLiteral("\\Resources\\Themes\\Luna\\Luna.msstyles"));
            QCOMPARE(all.value(at + 2), QStringLiteral("Message: You have 0 errors/warning messages"));
        }
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("ThemeActive"),
                                  QStringLiteral("0"));
        frmCleanUp window;
        window.cmdChk_Click();
        const QStringList all = lines(window);
        QCOMPARE(all.value(all.indexOf(using_) + 1),
                 QStringLiteral("Message: You have 0 errors/warning messages"));
    }

    void completeStyleHiddenEntriesAndLooseFiles() {
        makeCompleteStyle(*m_root, "Luna");
        makeCompleteStyle(*m_root, ".Secret"); // hidden by its name: never a style
        touch(m_root->themes() / "stray.txt");
        touch(m_root->themes() / ".hidden.txt");
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("DllName"),
                                  QStringLiteral("%SystemRoot%\\Resources\\Themes\\Luna\\Luna.msstyles"));
        RegistryValues::writeText(RegistryValues::kThemeManagerKey, QStringLiteral("ColorName"),
                                  QStringLiteral("Metallic"));
        frmCleanUp window;
        window.cmdChk_Click();
        const QStringList all = lines(window);
        const QString T = themesText();
        QCOMPARE(all.mid(0, 5),
                 QStringList(
                     {QStringLiteral("Message: Scanning of Luna resulted in no errors found. This VS is "
                                     "safe for usage."),
                      separator76(), QStringLiteral("Message: Scanning for ") + T + QStringLiteral("*.*"),
                      QStringLiteral("Warning: unknown file found - stray.txt - in ") + T, separator76()}));
        checkSummary(all.mid(5), 1, 0,
                     QStringLiteral("Metallic of %SystemRoot%\\Resources\\Themes\\Luna\\Luna.msstyles"));
    }

    void emptyStyleAndHiddenStyleFile() {
        fs::create_directories(m_root->themes() / "Bare");
        const fs::path dotted = makeCompleteStyle(*m_root, "Dotted");
        fs::rename(dotted / "Dotted.msstyles", dotted / ".Dotted.msstyles");
        const QString T = themesText();
        frmCleanUp window;
        window.cmdChk_Click();
        const QStringList all = lines(window);
        const int bare =
            all.indexOf(QStringLiteral("Error: unable to locate Bare's visual style shell directory as ") +
                        T + QStringLiteral("Bare\\Shell\\"));
        QVERIFY(bare >= 0);
        QCOMPARE(all.mid(bare, 6),
                 QStringList({all[bare],
                              QStringLiteral("Error: unable to locate Bare's msstyle info file as ") + T +
                                  QStringLiteral("Bare\\*.msstyles"),
                              QStringLiteral("Warning: unable to locate Bare's readme documentations."),
                              QStringLiteral("Warning: unable to locate Bare's preview picture."),
                              QStringLiteral("Message: Scanning of Bare resulted in 4 errors/warnings"),
                              separator76()}));
        const int dottedAt =
            all.indexOf(QStringLiteral("Error: unable to locate Dotted's msstyle info file as ") + T +
                        QStringLiteral("Dotted\\*.msstyles"));
        QVERIFY(dottedAt >= 0);
        QCOMPARE(all.mid(dottedAt + 1, 2),
                 QStringList({QStringLiteral("Message: Scanning of Dotted resulted in 1 errors/warnings"),
                              separator76()}));
        checkSummary(all.mid(all.size() - 5), 2, 5, QStringLiteral("None of None"));
    }

    void systemStyleFileIsMissing() {
        const fs::path folder = makeCompleteStyle(*m_root, "Sys");
        if (!platform::setDosAttributes(folder / "Sys.msstyles", platform::FILE_ATTRIBUTE_SYSTEM))
            QSKIP("the file system keeps no extended attributes");
        frmCleanUp window;
        window.cmdChk_Click();
        QCOMPARE(lines(window).mid(0, 2),
                 QStringList({QStringLiteral("Error: unable to locate Sys's msstyle info file as ") +
                                  themesText() + QStringLiteral("Sys\\*.msstyles"),
                              QStringLiteral("Message: Scanning of Sys resulted in 1 errors/warnings")}));
    }

    void styleFolderVanishingDuringTheScan() {
        const fs::path folder = makeCompleteStyle(*m_root, "Gone");
        frmCleanUp window;
        onStatus(window, [&](const QString& text) {
            if (text.startsWith(QLatin1String("Scanning visual style 1 - Gone.")))
                fs::remove_all(folder);
        });
        window.cmdChk_Click();
        const QString T = themesText();
        QCOMPARE(
            lines(window).mid(0, 7),
            QStringList({QStringLiteral("Error: unable to locate Gone's visual style directory as ") + T +
                             QStringLiteral("Gone\\"),
                         QStringLiteral("Error: unable to locate Gone's visual style shell directory as ") +
                             T + QStringLiteral("Gone\\Shell\\"),
                         QStringLiteral("Error: unable to locate Gone's msstyle info file as ") + T +
                             QStringLiteral("Gone\\*.msstyles"),
                         QStringLiteral("Warning: unable to locate Gone's readme documentations."),
                         QStringLiteral("Warning: unable to locate Gone's preview picture."),
                         QStringLiteral("Message: Scanning of Gone resulted in 5 errors/warnings"),
                         separator76()}));
    }

    void missingThemesDirectory() {
        fs::remove_all(m_root->themes());
        frmCleanUp window;
        window.cmdChk_Click();
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].text,
                 QStringLiteral("Error: unable to find folder ") + windowsDir() +
                     QStringLiteral("\\Resources\\Themes which contains all the "
                                    "visual styles."));
        QCOMPARE(UiServices::messages()[0].style, 0);
        QCOMPARE(UiServices::messages()[0].title, kAppTitle);
        const QStringList all = lines(window);
        QCOMPARE(
            all.value(0),
            QStringLiteral("Error: Unable to locate system folder that contains all the visual styles."));
        checkSummary(all.mid(1), 0, 0, QStringLiteral("None of None"));
        QVERIFY(!lastCheck().isEmpty());
        checkIdle(window);
    }

    void totalsPercentagesAndStatusTexts() {
        makeCompleteStyle(*m_root, "A");
        fs::create_directories(m_root->themes() / "B");
        fs::remove(makeCompleteStyle(*m_root, "C") / "preview.jpg");
        frmCleanUp window;
        // Stale lines of an earlier scan go first, the pointer showing the arrow and
        // hourglass meanwhile.
        window.lstErrors->addItems({QStringLiteral("old 1"), QStringLiteral("old 2")});
        int pointerWhileClearing = -1;
        QTest::qWait(20);
        QTimer::singleShot(0, &window, [&] { pointerWhileClearing = UiServices::mousePointer(); });
        struct Update {
            int percent;
            QString text;
            int count;
        };
        QList<Update> updates;
        QList<int> pointers;
        connect(&window, &frmCleanUp::statusUpdated, &window, [&](int percent, const QString& text) {
            updates.append({percent, text, window.lstErrors->count()});
            pointers.append(UiServices::mousePointer());
        });
        window.cmdChk_Click();
        QCOMPARE(pointerWhileClearing, int(quorlin::PointerArrowHourglass));

        const QStringList all = lines(window);
        QVERIFY(!all.contains(QStringLiteral("old 1")));
        int sum = 0, verdicts = 0;
        for (const QString& line : all)
            if (const int count = verdictCount(line); count >= 0)
                sum += count, ++verdicts;
        QCOMPARE(verdicts, 3);
        QCOMPARE(sum, 5);
        QVERIFY(all.contains(QStringLiteral("Message: You have %1 errors/warning messages").arg(sum)));

        QList<int> stylePercents;
        for (const Update& u : updates) {
            if (!u.text.contains(QLatin1String(" visual style ")))
                continue;
            stylePercents.append(u.percent);
            QVERIFY2(u.text.endsWith(QStringLiteral(". %1 error or warning messages.").arg(u.count)),
                     qPrintable(u.text));
        }
        QCOMPARE(stylePercents, QList<int>({25, 12, 25, 50, 38, 50, 75, 62, 75}));
        QCOMPARE(updates.first().text, QStringLiteral("Initializing check process..."));
        QCOMPARE(updates.first().percent, 0);
        QVERIFY(updates[1].text.startsWith(QLatin1String("Scanning visual style 1 - ")));
        QVERIFY(updates[3].text.startsWith(QLatin1String("Scanned visual style 1 - ")));
        QCOMPARE(updates[updates.size() - 3].text,
                 QStringLiteral("Scanning ") + themesText() + QStringLiteral(" ..."));
        QCOMPARE(updates[updates.size() - 3].percent, 99);
        QCOMPARE(updates[updates.size() - 2].text, QStringLiteral("Analyzing results ..."));
        QCOMPARE(updates.last().percent, 100);
        QCOMPARE(pointers[1], int(quorlin::PointerHourglass));
        checkIdle(window);
    }

    void scanAcrossMidnight() {
        // The clock of init() goes first: going after this one, it would take the fake
        // time away and the scan would run on the real one.
        m_clock.reset();
        m_clock = std::make_unique<SteppingClock>(86399.0, 0.25);
        frmCleanUp window;
        window.cmdChk_Click();
        const float elapsed = elapsedOf(lines(window)).toFloat();
        QVERIFY2(elapsed > 0.0f && elapsed < 60.0f, qPrintable(elapsedOf(lines(window))));
    }

    // ---- stopping a scan -----------------------------------------------------------------

    void cancelDuringFolderChecks_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("afterSeparator");
        QTest::newRow("during the folder checks") << QStringLiteral("Scanning visual style 2 - ") << false;
        QTest::newRow("after the folder checks") << QStringLiteral("Scanned visual style 2 - ") << true;
    }
    void cancelDuringFolderChecks() {
        QFETCH(QString, trigger);
        QFETCH(bool, afterSeparator);
        for (const char* name : {"One", "Two", "Three"})
            fs::create_directories(m_root->themes() / name);
        RegistryValues::writeText(RegistryValues::kSettingsKey, QStringLiteral("LastChk"),
                                  QStringLiteral("earlier"));
        frmCleanUp window;
        QString second;
        bool asked = false;
        onStatus(window, [&](const QString& text) {
            if (!asked && text.startsWith(trigger)) {
                asked = true;
                second = text.mid(trigger.size()).section(QLatin1Char('.'), 0, 0);
                UiServices::setNextAnswer(quorlin::AnswerYes);
                window.cmdCancel_Click();
            }
        });
        window.cmdChk_Click();
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].text,
                 QStringLiteral("The check is currently running, are you sure you want to cancel the scan?"));
        QCOMPARE(UiServices::messages()[0].style, 36);
        QCOMPARE(UiServices::messages()[0].title, QStringLiteral("Comfirm cancel"));

        const QStringList all = lines(window);
        const QString shellError = QStringLiteral("Error: unable to locate ") + second +
                                   QStringLiteral("'s visual style shell directory as ") + themesText() +
                                   second + QStringLiteral("\\Shell\\");
        const int at = all.indexOf(shellError);
        QCOMPARE(at, 6); // after the first style's six lines
        QStringList expected{shellError};
        if (afterSeparator)
            expected << QStringLiteral("Error: unable to locate ") + second +
                            QStringLiteral("'s msstyle info file as ") + themesText() + second +
                            QStringLiteral("\\*.msstyles")
                     << QStringLiteral("Warning: unable to locate ") + second +
                            QStringLiteral("'s readme documentations.")
                     << QStringLiteral("Warning: unable to locate ") + second +
                            QStringLiteral("'s preview picture.")
                     << QStringLiteral("Message: Scanning of ") + second +
                            QStringLiteral(" resulted in 4 errors/warnings")
                     << separator76();
        expected << QStringLiteral("Message: Scan cancelled by User");
        QCOMPARE(all.mid(at), expected);
        QCOMPARE(window.lblStatus->text(), QStringLiteral("Scan cancelled by user"));
        QCOMPARE(lastCheck(), QStringLiteral("earlier"));
        checkIdle(window);
    }

    void cancelAnsweredNoRunsToTheEnd() {
        makeCompleteStyle(*m_root, "Keep");
        frmCleanUp window;
        onStatus(window, [&](const QString& text) {
            if (text.startsWith(QLatin1String("Scanning visual style 1 - ")) &&
                UiServices::messages().isEmpty()) {
                UiServices::setNextAnswer(quorlin::AnswerNo);
                window.cmdCancel_Click();
            }
        });
        window.cmdChk_Click();
        QCOMPARE(UiServices::messages().size(), 1);
        QVERIFY(!lastCheck().isEmpty());
        QVERIFY(lines(window).last().startsWith(QLatin1String("Message: Time taken to complete task - ")));
    }

    void cancelArrivingThroughTheEventLoop() {
        makeCompleteStyle(*m_root, "First");
        makeCompleteStyle(*m_root, "Second");
        frmCleanUp window;
        QTest::qWait(20);
        QTimer::singleShot(0, &window, [&] {
            UiServices::setNextAnswer(quorlin::AnswerYes);
            window.cmdCancel_Click();
        });
        window.cmdChk_Click();
        // Asked while the folders were collected, acted on at the first cancel point.
        QCOMPARE(lines(window), QStringList({QStringLiteral("Message: Scan cancelled by User")}));
    }

    void closeConfirmedDuringScan() {
        for (const char* name : {"One", "Two", "Three"})
            makeCompleteStyle(*m_root, name);
        auto* window = new frmCleanUp();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        QPointer<frmCleanUp> guard(window);
        int showsAfterClose = -1;
        bool hiddenAtOnce = false;
        onStatus(*window, [&](const QString& text) {
            if (showsAfterClose < 0 && text.startsWith(QLatin1String("Scanning visual style 2 - "))) {
                UiServices::setNextAnswer(quorlin::AnswerYes);
                window->close();
                hiddenAtOnce = !window->isVisible();
                showsAfterClose = 0;
            }
        });
        connect(window, &frmCleanUp::statusUpdated, window, [&] {
            if (showsAfterClose >= 0 && window->isVisible())
                ++showsAfterClose;
        });
        window->cmdChk_Click();
        QVERIFY(hiddenAtOnce);
        QCOMPARE(showsAfterClose, 0);
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].text,
                 QStringLiteral("The check is currently running. Closing the window will cancel the checking "
                                "process. Are you sure to close Checkup Tool? "));
        QCOMPARE(UiServices::messages()[0].title, QStringLiteral("Comfirm close"));
        QCOMPARE(UiServices::messages()[0].style, 36);
        QVERIFY(guard);
        QCOMPARE(lines(*window).last(), QStringLiteral("Message: Scan cancelled by User"));
        QVERIFY(!window->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
    }

    void closeAnsweredNoKeepsScanning() {
        makeCompleteStyle(*m_root, "Stay");
        frmCleanUp window;
        window.show();
        onStatus(window, [&](const QString& text) {
            if (text.startsWith(QLatin1String("Scanning visual style 1 - ")) &&
                UiServices::messages().isEmpty()) {
                UiServices::setNextAnswer(quorlin::AnswerNo);
                window.close();
            }
        });
        window.cmdChk_Click();
        QVERIFY(window.isVisible());
        QVERIFY(!lastCheck().isEmpty());
        QVERIFY(lines(window).last().startsWith(QLatin1String("Message: Time taken to complete task - ")));
    }

    void closedWhileIdleAndOpenedAgain() {
        makeCompleteStyle(*m_root, "Again");
        frmCleanUp window;
        window.show();
        window.cmdChk_Click();
        const QString stored = lastCheck();
        window.cmdCancel_Click(); // idle: closes without a question
        QVERIFY(!window.isVisible());
        QVERIFY(UiServices::messages().isEmpty());
        window.show();
        QCOMPARE(window.lstErrors->count(), 0);
        QCOMPARE(window.lblStatus->text(),
                 QStringLiteral("Last check process was done at ") + stored + QLatin1Char('.'));
        // No stop request stays behind.
        window.cmdChk_Click();
        QVERIFY(lines(window).last().startsWith(QLatin1String("Message: Time taken to complete task - ")));

        frmCleanUp next;
        QCOMPARE(next.lstErrors->count(), 0);
        QCOMPARE(next.lblStatus->text(),
                 QStringLiteral("Last check process was done at ") + lastCheck() + QLatin1Char('.'));
    }

    void windowDestroyedUnderTheScan() {
        for (const char* name : {"One", "Two", "Three"})
            makeCompleteStyle(*m_root, name);
        auto* window = new frmCleanUp();
        QPointer<frmCleanUp> guard(window);
        bool scheduled = false;
        onStatus(*window, [&](const QString&) {
            if (!scheduled) {
                scheduled = true;
                // Delivered at one of the scan's yields or in its pause.
                QTimer::singleShot(0, [window] { delete window; });
            }
        });
        window->cmdChk_Click();
        QVERIFY(!guard);
        QCOMPARE(UiServices::mousePointer(), int(quorlin::PointerDefault));
    }

    void modalWindowClosedDuringScanReturns() {
        for (const char* name : {"One", "Two"})
            makeCompleteStyle(*m_root, name);
        QWidget owner;
        owner.show();
        auto* window = new frmCleanUp(&owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<frmCleanUp> guard(window);
        onStatus(*window, [&](const QString& text) {
            if (text.startsWith(QLatin1String("Scanning visual style 1 - "))) {
                UiServices::setNextAnswer(quorlin::AnswerYes);
                window->close();
            }
        });
        QTimer::singleShot(0, window, &frmCleanUp::cmdChk_Click);
        // Should the window never give control back, end the test instead of hanging.
        QTimer::singleShot(20000, window, [window] { window->done(0); });
        window->exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].title, QStringLiteral("Comfirm close"));
    }
};

QTEST_MAIN(tst_frmCleanUp)
#include "tst_frmCleanUp.moc"
