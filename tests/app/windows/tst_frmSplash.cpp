// The splash window: its texts, the fade-in (opacity 0, then 25 a tick, 255 on the
// eleventh), one completion however many ticks arrive during the final wait, and the
// start-up order: the main window only once the splash has closed.

#include "QuietOpacity.h"
#include "ScopedHook.h"
#include "windows/frmSplash.h"

#include "AppInfo.h"
#include "common/UiServices.h"
#include "mdlMain.h"
#include "platform/linux/TestRoot.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using quorlin::UiServices;

namespace {

QList<int> opacities(const QSignalSpy& spy) {
    QList<int> out;
    for (const auto& args : spy)
        out.append(args.at(0).toInt());
    return out;
}

QStringList labelTexts(const QWidget& w) {
    QStringList out;
    for (const QLabel* label : w.findChildren<QLabel*>())
        out.append(label->text());
    return out;
}

// Records, in order, the splash closing and the first showing of the main window,
// whether that comes as a shown window or through the modal service.
class StartOrder : public QObject {
public:
    QStringList events;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->inherits("frmMain") && !events.contains("main shown"))
            events.append(QStringLiteral("main shown"));
        return false;
    }
};

} // namespace

class tst_frmSplash : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quiet_opacity::install(); }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        UiServices::setScripted(true);
        UiServices::resetScript();
        UiServices::setModalHandler({});
    }
    void cleanup() {
        UiServices::setModalHandler({});
        m_root.reset();
    }

    void texts() {
        frmSplash splash;
        const QStringList texts = labelTexts(splash);
        for (const char* expected : {"Quorlin", "Visual Style Manager", "introducing organized visual styles",
                                     "Please wait while loading Quorlin Zevra ...", "Updated: 20012007"})
            QVERIFY2(texts.contains(QString::fromLatin1(expected)), expected);
        QCOMPARE(splash.lblVersion->text(), QStringLiteral("Version 3.26.2640"));
        QVERIFY(!splash.Label6->text().isEmpty());
        // The big name in Verdana, larger than every other text on the window.
        QCOMPARE(splash.Label1->font().family(), QStringLiteral("Verdana"));
        for (const QLabel* label : splash.findChildren<QLabel*>()) {
            if (label != splash.Label1)
                QVERIFY(label->font().pixelSize() < splash.Label1->font().pixelSize());
        }
        const QString caption = splash.windowTitle();
        QVERIFY(caption.endsWith(QStringLiteral(" - Quorlin Visual Style Manager")));
        QCOMPARE(caption, frmSplash::productionLabel() + QStringLiteral(" - Quorlin Visual Style Manager"));
        QVERIFY(!frmSplash::productionLabel().isEmpty());
    }

    void loadsInvisibleWithTimerRunning() {
        frmSplash splash;
        QCOMPARE(splash.FadeLevel, 0);
        QCOMPARE(splash.windowOpacity(), 0.0);
        QVERIFY(splash.tmrFadeIn->isActive());
        QCOMPARE(splash.tmrFadeIn->interval(), 40);
    }

    void fadesInThenClosesOnce() {
        frmSplash splash;
        QSignalSpy opacity(&splash, &frmSplash::opacityApplied);
        QSignalSpy finished(&splash, &QDialog::finished);
        // A tick of our own as soon as the last step is reached, on top of the timer's
        // own ticks that keep coming during the wait: neither may start a second wait.
        connect(&splash, &frmSplash::opacityApplied, &splash, [&](int alpha) {
            if (alpha == 255)
                QTimer::singleShot(0, &splash, &frmSplash::tmrFadeIn_Timer);
        });
        splash.show();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QList<int> expected;
        for (int level = 25; level <= 250; level += 25)
            expected.append(level);
        expected.append(255);
        QCOMPARE(opacities(opacity), expected);
        QCOMPARE(splash.FadeLevel, 275);
        QVERIFY(!splash.isVisible());
        QVERIFY(!splash.tmrFadeIn->isActive());
        // Nothing more happens afterwards.
        QTest::qWait(200);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(opacity.count(), expected.size());
    }

    void escapeDoesNotCutItShort() {
        frmSplash splash;
        QSignalSpy finished(&splash, &QDialog::finished);
        splash.show();
        QTest::keyClick(&splash, Qt::Key_Escape);
        QVERIFY(splash.isVisible());
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        QCOMPARE(splash.FadeLevel, 275);
    }

    void mainWindowOnlyAfterSplashClosed() {
        StartOrder order;
        qApp->installEventFilter(&order);
        int splashes = 0;
        const ScopedHook modal(&UiServices::setModalHandler, [&](QWidget* w) {
            if (auto* splash = qobject_cast<frmSplash*>(w)) {
                ++splashes;
                QVERIFY(!order.events.contains("main shown"));
                order.events.append(QStringLiteral("splash shown"));
                QSignalSpy finished(splash, &QDialog::finished);
                splash->show();
                QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
                order.events.append(QStringLiteral("splash closed"));
                return;
            }
            if (w->inherits("frmMain") && !order.events.contains("main shown"))
                order.events.append(QStringLiteral("main shown"));
            w->close();
        });
        qputenv("KOLV_QUIT_AFTER_START", "1");
        mdlMain::Main();
        qunsetenv("KOLV_QUIT_AFTER_START");
        qApp->removeEventFilter(&order);
        QCOMPARE(splashes, 1);
        QCOMPARE(order.events, QStringList({QStringLiteral("splash shown"), QStringLiteral("splash closed"),
                                            QStringLiteral("main shown")}));
    }

private:
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_frmSplash)
#include "tst_frmSplash.moc"
