#pragma once
// The splash window: fades in from transparent to opaque in eleven ticks, stays one
// second and closes itself; start-up shows the main window only after that.

#include <QDialog>
#include <QPixmap>

#include <cstdint>

class QLabel;
class QTimer;

class frmSplash : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // The current opacity step; 0 whenever the window is loaded.
    int32_t FadeLevel = 0;

    QTimer* tmrFadeIn;
    QLabel* Label1; // "Quorlin"
    QLabel* Label2; // "Visual Style Manager"
    QLabel* Label3; // "introducing organized visual styles"
    QLabel* Label4; // "Please wait while loading Quorlin Zevra ..."
    QLabel* Label5; // "Updated: 20012007"
    QLabel* Label6; // the maker's notice
    QLabel* lblVersion;

    // The production label the caption starts with.
    static QString productionLabel();

public slots:
    void Form_Load();
    void tmrFadeIn_Timer();

signals:
    // Every opacity the window is given, 0 to 255, in order.
    void opacityApplied(int alpha);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyOpacity(int alpha);

    // Set while the final wait runs: a tick that arrives then must not start a second
    // wait and a second close.
    bool m_completing = false;
    QPixmap m_backdrop;
};
