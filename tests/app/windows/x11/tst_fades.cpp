// The fades as an X server sees them: every opacity step reaches the server at its own
// tick, not when input happens to arrive. A second connection reads the window's
// _NET_WM_WINDOW_OPACITY the way a compositor does, each time a step is applied.

#include "windows/frmAbout.h"
#include "windows/frmSplash.h"

#include "common/UiServices.h"
#include "platform/linux/TestRoot.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// What another client sees of a window's opacity: the property's value, nothing when the
// window has none (fully opaque).
class Compositor {
public:
    Compositor() : m_connection(xcb_connect(nullptr, nullptr)) {
        const char name[] = "_NET_WM_WINDOW_OPACITY";
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        if (reply)
            m_atom = reply->atom;
        std::free(reply);
    }
    ~Compositor() { xcb_disconnect(m_connection); }
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    bool connected() const { return !xcb_connection_has_error(m_connection) && m_atom != XCB_ATOM_NONE; }

    std::optional<uint32_t> opacity(WId window) const {
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, static_cast<xcb_window_t>(window),
                                                    m_atom, XCB_ATOM_CARDINAL, 0, 1),
                                   nullptr);
        std::optional<uint32_t> value;
        if (reply && xcb_get_property_value_length(reply) == 4)
            value = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return value;
    }

private:
    xcb_connection_t* m_connection;
    xcb_atom_t m_atom = XCB_ATOM_NONE;
};

// The property value for an opacity of alpha / 255.
uint32_t expectedValue(int alpha) {
    return static_cast<uint32_t>(qRound64(alpha / 255.0 * 0xffffffffu));
}

// One applied step: the opacity asked for and what the server held right afterwards.
struct Step {
    int alpha;
    std::optional<uint32_t> seen;
};

void compareSteps(const QList<Step>& steps, const QList<int>& alphas) {
    QCOMPARE(steps.size(), alphas.size());
    for (qsizetype i = 0; i < steps.size(); ++i) {
        QCOMPARE(steps[i].alpha, alphas[i]);
        // Full opacity may also be said by having no property at all.
        if (!steps[i].seen) {
            QVERIFY2(alphas[i] == 255,
                     qPrintable(QStringLiteral("step %1 (opacity %2) has no opacity on the server")
                                    .arg(i)
                                    .arg(alphas[i])));
            continue;
        }
        const uint32_t expected = expectedValue(alphas[i]);
        QVERIFY2(
            qAbs(qint64(*steps[i].seen) - qint64(expected)) <= 1,
            qPrintable(QStringLiteral("step %1 (opacity %2) has not reached the server: it holds %3, not %4")
                           .arg(i)
                           .arg(alphas[i])
                           .arg(*steps[i].seen)
                           .arg(expected)));
    }
}

} // namespace

class tst_fades : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "this test needs an X server");
        QVERIFY(m_compositor.connected());
    }
    void init() {
        m_root = std::make_unique<testing_support::TestRoot>();
        quorlin::UiServices::setScripted(true);
        quorlin::UiServices::resetScript();
    }
    void cleanup() { m_root.reset(); }

    void splashStepsReachTheServerAtTheirTicks() {
        frmSplash splash;
        QList<Step> steps;
        connect(&splash, &frmSplash::opacityApplied, this, [&](int alpha) {
            if (splash.isVisible())
                steps.append({alpha, m_compositor.opacity(splash.winId())});
        });
        // No input arrives while it fades in: the steps must get there on their own.
        splash.exec();
        QList<int> alphas;
        for (int level = 25; level <= 250; level += 25)
            alphas.append(level);
        alphas.append(255);
        compareSteps(steps, alphas);
    }

    void aboutStepsReachTheServerAtTheirTicks() {
        frmAbout about;
        QList<Step> steps;
        connect(&about, &frmAbout::opacityApplied, this, [&](int alpha) {
            if (about.isVisible())
                steps.append({alpha, m_compositor.opacity(about.winId())});
        });
        QTimer::singleShot(0, &about, [&] { about.cmdOK->click(); });
        about.exec();
        QList<int> alphas;
        for (int level = 230; level > 0; level -= 25)
            alphas.append(level);
        alphas.append(0);
        compareSteps(steps, alphas);
    }

private:
    Compositor m_compositor;
    std::unique_ptr<testing_support::TestRoot> m_root;
};

QTEST_MAIN(tst_fades)
#include "tst_fades.moc"
