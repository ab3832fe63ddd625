// The message boxes as shown: long addresses and paths wrap inside the box instead of
// widening it past the screen or being cut off, a path keeps its drive with its folders,
// and Ctrl+C copies the text as it was given.

#include "AppInfo.h"
#include "common/MessageBox.h"

#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QtTest>

namespace {

const QChar kMayBreak(0x200B);
const QChar kMustNotBreak(0x2060);

QString withoutMarks(QString shown) {
    return shown.remove(kMayBreak).remove(kMustNotBreak);
}

QString browserFailure() {
    return QStringLiteral("We are unable to load your default browser () to open the following page:\r\r\t") +
           AppInfo::donationAddress();
}

} // namespace

class tst_messageBox : public QObject {
    Q_OBJECT

private slots:
    void theDonationAddressWrapsInsideTheBox() {
        const auto box =
            quorlin::makeMessageBox(browserFailure(), 0, QStringLiteral("Quorlin Visual Style Manager"));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        // The box keeps to its usual width, and the text needs no more room than it has.
        QVERIFY2(box->width() <= box->screen()->availableGeometry().width() / 2 + 40,
                 qPrintable(QString::number(box->width())));
        QVERIFY2(
            label->minimumSizeHint().width() <= label->width(),
            qPrintable(QStringLiteral("%1 > %2").arg(label->minimumSizeHint().width()).arg(label->width())));
        QVERIFY(label->height() >= label->heightForWidth(label->width()));
    }

    void longWordsMayBreakShortOnesMayNot() {
        const QString text = browserFailure();
        const QString shown = quorlin::wrappableText(text);
        QCOMPARE(withoutMarks(shown), text);
        const QString address = shown.mid(shown.lastIndexOf(QLatin1Char('\t')) + 1);
        for (const QString& piece : address.split(kMayBreak))
            QVERIFY2(withoutMarks(piece).size() <= 40, qPrintable(withoutMarks(piece)));
        QVERIFY(QString(address)
                    .remove(kMustNotBreak)
                    .contains(QStringLiteral("&") + kMayBreak + QStringLiteral("cn=")));

        const QString sentence =
            QStringLiteral("The Windows program \"C:\\windows\\system32\\rundll32.exe\" cannot run.");
        const QString laidOut = quorlin::wrappableText(sentence);
        QCOMPARE(withoutMarks(laidOut), sentence);
        QVERIFY(!laidOut.contains(kMayBreak));
        QVERIFY(laidOut.contains(QStringLiteral("C") + kMustNotBreak + QStringLiteral(":") + kMustNotBreak +
                                 QStringLiteral("\\") + kMustNotBreak + QStringLiteral("windows")));
        QCOMPARE(quorlin::wrappableText(QStringLiteral("Plain words stay as they are.")),
                 QStringLiteral("Plain words stay as they are") + kMustNotBreak + QStringLiteral("."));
    }

    void copyGivesTheTextAsGiven() {
        const QString text = browserFailure();
        const auto box = quorlin::makeMessageBox(text, 48, QStringLiteral("Quorlin Visual Style Manager"));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QGuiApplication::clipboard()->clear();
        QTest::keySequence(box.get(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
    }
};

QTEST_MAIN(tst_messageBox)
#include "tst_messageBox.moc"
