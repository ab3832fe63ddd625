#include "frmSplash.h"

#include "AppInfo.h"
#include "WindowPanes.h"
#include "devlib/Functions.h"
#include "windows/WindowControls.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry, const QFont& font,
                  const QColor& colour, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

} // namespace

frmSplash::frmSplash(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(productionLabel() + QStringLiteral(" - ") + AppInfo::kTitle);
    setFixedSize(480, 300);
    m_backdrop = WindowPanes::splashBackdrop(size());

    const QColor ink(20, 40, 90);
    const QColor grey(90, 100, 120);
    QFont big(QStringLiteral("Verdana"));
    big.setPixelSize(44);
    big.setBold(true);
    QFont sub(QStringLiteral("Verdana"));
    sub.setPixelSize(18);
    QFont small(QStringLiteral("Tahoma"));
    small.setPixelSize(11);
    QFont italic = small;
    italic.setItalic(true);

    Label1 = makeLabel(this, QStringLiteral("Quorlin"), QRect(24, 36, 280, 56), big, ink);
    Label2 = makeLabel(this, QStringLiteral("Visual Style Manager"), QRect(28, 92, 280, 26), sub, ink);
    Label3 = makeLabel(this, QStringLiteral("introducing organized visual styles"), QRect(30, 120, 260, 18),
                       italic, grey);
    Label4 = makeLabel(this, QStringLiteral("Please wait while loading Quorlin Zevra ..."),
                       QRect(30, 206, 300, 18), small, ink);
    Label5 = makeLabel(this, QStringLiteral("Updated: 20012007"), QRect(30, 252, 160, 16), small, grey);
    Label6 = makeLabel(
        this, QStringLiteral("Made by %1. Free to use and to pass on unchanged.").arg(AppInfo::kMakerName),
        QRect(30, 270, 420, 16), small, grey);
    lblVersion =
        makeLabel(this, QString(), QRect(300, 252, 164, 16), small, ink, Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    tmrFadeIn = new QTimer(this);
    tmrFadeIn->setObjectName(QStringLiteral("tmrFadeIn"));
    tmrFadeIn->setInterval(40);
    connect(tmrFadeIn, &QTimer::timeout, this, &frmSplash::tmrFadeIn_Timer);

    Form_Load();
}

QString frmSplash::productionLabel() {
    return AppInfo::kMakerName + QStringLiteral(" Productions");
}

void frmSplash::Form_Load() {
    FadeLevel = 0;
    m_completing = false;
    lblVersion->setText(AppInfo::versionText());
    tmrFadeIn->start();
    // Present but invisible until the first tick.
    applyOpacity(0);
}

void frmSplash::tmrFadeIn_Timer() {
    if (m_completing)
        return;
    FadeLevel += 25;
    applyOpacity(FadeLevel > 255 ? 255 : FadeLevel);
    if (FadeLevel > 255) {
        m_completing = true;
        int32_t seconds = 1;
        bool doEvents = true;
        Functions::instance().DelayExecution(seconds, doEvents);
        close();
        tmrFadeIn->stop();
    }
}

void frmSplash::applyOpacity(int alpha) {
    WindowControls::setOpacityNow(this, alpha);
    emit opacityApplied(alpha);
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    // The splash has nothing to cancel; Esc must not cut the start-up short.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_backdrop);
}
