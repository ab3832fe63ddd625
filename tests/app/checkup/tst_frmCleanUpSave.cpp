// The checkup log file: the dialog, the file's bytes, the progress figures, the three
// endings, and closing the window while a save runs.

#include "tst_frmCleanUpSupport.h"

#include "checkup/ProgressPicture.h"

#include "common/UiServices.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace checkup_test;
using quorlin::UiServices;

namespace {

const QString kAppTitle = QStringLiteral("Quorlin Visual Style Manager");
const QString kDataText = QStringLiteral("Saving log file ... (writing data to file)");

QByteArray readAll(const fs::path& path) {
    QFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_frmCleanUpSave : public QObject {
    Q_OBJECT

    std::unique_ptr<testing_support::TestRoot> m_root;
    std::unique_ptr<SteppingClock> m_clock;

    fs::path logPath() const { return m_root->root() / "checkup.log"; }
    void chooseFile(const fs::path& path) {
        UiServices::setNextFileName(QString::fromStdString(path.string()));
    }

    static void fill(frmCleanUp& window, int count) {
        for (int i = 0; i < count; ++i)
            window.lstErrors->addItem(QStringLiteral("Message: line %1").arg(i));
    }
    static void checkIdle(const frmCleanUp& window, const QString& status) {
        QVERIFY(!window.Saving);
        QVERIFY(window.cmdChk->isEnabled());
        QVERIFY(window.cmdCancel->isEnabled());
        QVERIFY(window.cmdSave->isEnabled());
        QVERIFY(window.picProgress->isHidden());
        QCOMPARE(window.lblStatus->text(), status);
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

    void emptyListIsReported() {
        frmCleanUp window;
        window.cmdSave_Click();
        QCOMPARE(UiServices::fileDialogs().size(), 0);
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].text,
                 QStringLiteral("There is nothing in the mesage box to save in the log file."));
        QCOMPARE(UiServices::messages()[0].style, 64);
        QCOMPARE(UiServices::messages()[0].title, QStringLiteral("Error"));
    }

    void cancelledDialogChangesNothing() {
        frmCleanUp window;
        fill(window, 2);
        const QString status = window.lblStatus->text();
        window.cmdSave_Click(); // no file name queued: the dialog is cancelled
        QCOMPARE(UiServices::fileDialogs().size(), 1);
        const auto request = UiServices::fileDialogs()[0];
        QVERIFY(request.save);
        QVERIFY(!request.title.isEmpty());
        QCOMPARE(
            request.filter,
            QStringLiteral("Log files (*.log)|*.log|Plain Text Documents (*.txt)|*.txt|All files (*.*)|*.*"));
        QCOMPARE(request.fileName, QStringLiteral("checkup.log"));
        QVERIFY(UiServices::messages().isEmpty());
        checkIdle(window, status);
    }

    void oneLineGivesSixLinesByteForByte() {
        frmCleanUp window;
        window.lstErrors->addItem(
            QStringLiteral("Message: Scanning of Café resulted in no errors found. This VS "
                           "is safe for usage."));
        const QString status = window.lblStatus->text();
        chooseFile(logPath());
        const QByteArray before = QByteArray::fromStdString(platform::generalDateText());
        window.cmdSave_Click();
        const QByteArray after = QByteArray::fromStdString(platform::generalDateText());

        const QByteArray bytes = readAll(logPath());
        const QList<QByteArray> fileLines = bytes.split('\n');
        QCOMPARE(fileLines.size(), 7); // six lines, each ended by CR LF
        QVERIFY(fileLines[1] == "[DateTime] " + before + '\r' ||
                fileLines[1] == "[DateTime] " + after + '\r');
        const QByteArray expected =
            "[Quorlin Visual Style Manager] Checkup Tool Log File\r\n" + fileLines[1] + "\n" +
            QByteArray(68, '-') +
            "\r\n"
            "Message: Scanning of Caf\xe9 resulted in no errors found. This VS is safe for "
            "usage.\r\n" +
            QByteArray(68, '-') +
            "\r\n"
            "[Quorlin Visual Style Manager] Checkup Tool Log File [End of log file]\r\n";
        QCOMPARE(bytes, expected);

        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].text, QStringLiteral("Log file saved successfully."));
        QCOMPARE(UiServices::messages()[0].style, 64);
        QCOMPARE(UiServices::messages()[0].title, kAppTitle);
        checkIdle(window, status);
    }

    void progressFiguresAndTexts() {
        frmCleanUp window;
        fill(window, 6);
        window.UpdateStatus(0, QStringLiteral("before the save"));
        QList<int> percents;
        QStringList texts;
        connect(&window, &frmCleanUp::statusUpdated, &window, [&](int percent, const QString& text) {
            percents.append(percent);
            texts.append(text);
        });
        chooseFile(logPath());
        window.cmdSave_Click();
        QCOMPARE(percents, QList<int>({1, 2, 3, 0, 10, 20, 30, 40, 50, 70, 80, 0}));
        QStringList expected{QStringLiteral("Saving log file ... (writing file header)"),
                             QStringLiteral("Saving log file ... (writing file date time)"),
                             QStringLiteral("Saving log file ... (writing file seperator)")};
        for (int i = 0; i < 6; ++i)
            expected << kDataText;
        expected << QStringLiteral("Saving log file ... (writing file signature)")
                 << QStringLiteral("Log file saved.") << QStringLiteral("before the save");
        QCOMPARE(texts, expected);
        QCOMPARE(readAll(logPath()).count("\r\n"), 11);

        // The same list again replaces the file.
        chooseFile(logPath());
        window.cmdSave_Click();
        QCOMPARE(readAll(logPath()).count("\r\n"), 11);
    }

    void errorEndings_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("details");
        QTest::newRow("folder missing")
            << QStringLiteral("no such folder/checkup.log") << QStringLiteral("76 - Path not found");
        QTest::newRow("a folder's name") << QString() << QStringLiteral("75 - Path/File access error");
        QTest::newRow("disk full") << QStringLiteral("/dev/full") << QStringLiteral("61 - Disk full");
    }
    void errorEndings() {
        QFETCH(QString, path);
        QFETCH(QString, details);
        if (path == QLatin1String("/dev/full") && ::access("/dev/full", W_OK) != 0)
            QSKIP("no writable /dev/full");
        const fs::path target = path.startsWith(QLatin1Char('/')) ? fs::path(path.toStdString())
                                                                  : m_root->root() / path.toStdString();
        frmCleanUp window;
        fill(window, 3);
        const QString status = window.lblStatus->text();
        chooseFile(target);
        window.cmdSave_Click();
        QCOMPARE(UiServices::messages().size(), 1);
        QCOMPARE(UiServices::messages()[0].text,
                 QStringLiteral("An error occurred when saving the log file. \r\n"
                                "Error details: ") +
                     details);
        QCOMPARE(UiServices::messages()[0].style, 0);
        QCOMPARE(UiServices::messages()[0].title, kAppTitle);
        checkIdle(window, status);
    }

    // ---- closing during a save -----------------------------------------------------------

    void closeConfirmedAbandonsTheSave() {
        auto* window = new frmCleanUp();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        fill(*window, 6);
        QPointer<frmCleanUp> guard(window);
        int shownAfterClose = -1;
        connect(window, &frmCleanUp::statusUpdated, window, [&](int, const QString& text) {
            if (shownAfterClose < 0 && text == kDataText) {
                UiServices::setNextAnswer(quorlin::AnswerYes);
                window->close();
                shownAfterClose = window->isVisible() ? 1 : 0;
            } else if (shownAfterClose == 0 && window->isVisible()) {
                shownAfterClose = 1;
            }
        });
        chooseFile(logPath());
        window->cmdSave_Click();
        QCOMPARE(shownAfterClose, 0);
        QVERIFY(!fs::exists(logPath()));
        QCOMPARE(UiServices::messages().size(), 2);
        QCOMPARE(UiServices::messages()[0].text,
                 QStringLiteral("Checkup Tool is currently saving your log file, are you sure to cancel?"));
        QCOMPARE(UiServices::messages()[0].title, QStringLiteral("Comfirm cancel save"));
        QCOMPARE(UiServices::messages()[0].style, 36);
        QCOMPARE(UiServices::messages()[1].text, QStringLiteral("Log saving process cancelled by user."));
        QCOMPARE(UiServices::messages()[1].title, QStringLiteral("Log save"));
        QCOMPARE(UiServices::messages()[1].style, 64);
        QVERIFY(guard && !guard->Saving && !guard->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
    }

    void closeAnsweredNoKeepsSaving() {
        frmCleanUp window;
        window.show();
        fill(window, 4);
        connect(&window, &frmCleanUp::statusUpdated, &window, [&](int, const QString& text) {
            if (text == kDataText && UiServices::messages().isEmpty()) {
                UiServices::setNextAnswer(quorlin::AnswerNo);
                window.close();
            }
        });
        chooseFile(logPath());
        window.cmdSave_Click();
        QVERIFY(window.isVisible());
        QCOMPARE(UiServices::messages().last().text, QStringLiteral("Log file saved successfully."));
        QCOMPARE(readAll(logPath()).count("\r\n"), 9);
    }

    void closeAfterTheLastLineStillSaves() {
        auto* window = new frmCleanUp();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        fill(*window, 3);
        QPointer<frmCleanUp> guard(window);
        int dataLines = 0;
        connect(window, &frmCleanUp::statusUpdated, window, [&](int, const QString& text) {
            if (text == kDataText && ++dataLines == 3) {
                UiServices::setNextAnswer(quorlin::AnswerYes);
                window->close();
            }
        });
        chooseFile(logPath());
        window->cmdSave_Click();
        QCOMPARE(UiServices::messages().last().text, QStringLiteral("Log file saved successfully."));
        QCOMPARE(readAll(logPath()).count("\r\n"), 8);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
    }

    void closedWhileIdleLeavesNoStopRequest() {
        frmCleanUp window;
        window.show();
        window.close();
        QVERIFY(UiServices::messages().isEmpty());
        window.show();
        fill(window, 2);
        chooseFile(logPath());
        window.cmdSave_Click();
        QCOMPARE(UiServices::messages().last().text, QStringLiteral("Log file saved successfully."));
        QVERIFY(fs::exists(logPath()));
    }
};

QTEST_MAIN(tst_frmCleanUpSave)
#include "tst_frmCleanUpSave.moc"
