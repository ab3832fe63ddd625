#pragma once
// The Appearance window: the classic look's colours, sizes and fonts item by item, as the
// Display control panel's Advanced appearance window sets them, with its preview scene.
// The scheme box puts a colour scheme's look in the window and Desktop Colours the Linux
// desktop's; an item is picked from the item list or by clicking it in the preview. OK
// applies what the preview shows (a scheme switches to the classic look; items changed
// alone apply over a visual style in use), Cancel changes nothing, and Restore puts in the
// window what the prefix held before the program first changed it, for OK to put back.

#include "appearance/ClassicLook.h"
#include "commands/LookApply.h"
#include "style/StylePreview.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class ScenePicture;

class frmAppearance : public QDialog {
    Q_OBJECT
public:
    explicit frmAppearance(QWidget* parent = nullptr);

    ScenePicture* picPreview;
    QLabel* lblScheme;
    QComboBox* cboScheme; // "(current)", then every colour scheme
    QPushButton* cmdDesktop;
    QLabel* lblItem;
    QComboBox* cboItem;
    QLabel* lblSize;
    QSpinBox* spnSize;
    QLabel* lblColor1;
    QPushButton* cmdColor1;
    QLabel* lblColor2;
    QPushButton* cmdColor2;
    QLabel* lblFont;
    QComboBox* cboFont;
    QLabel* lblFontSize;
    QSpinBox* spnFontSize; // points
    QLabel* lblFontColor;
    QPushButton* cmdFontColor;
    QCheckBox* chkBold;
    QCheckBox* chkItalic;
    QPushButton* cmdRestore;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The look the window shows, as OK would apply it (its sizes and fonts whether or not
    // OK sends them).
    const appearance::ClassicLook& look() const { return m_look; }
    // Where each element of the preview was drawn.
    const StylePreview::Scene& scene() const { return m_scene; }

public slots:
    // Reads the prefix's look.
    void Form_Load();
    void cboScheme_Click();
    void cmdDesktop_Click();
    void cboItem_Click();
    void picPreview_Click(const QPoint& point);
    void spnSize_Change();
    void cmdColor1_Click();
    void cmdColor2_Click();
    void cmdFontColor_Click();
    void cboFont_Change();
    void spnFontSize_Change();
    void chkBold_Click();
    void chkItalic_Click();
    void cmdRestore_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void reject() override;

private:
    // Puts a whole look in the window: a scheme's (mode Scheme, subject its words), the one
    // loaded or remembered (mode Items).
    void showLook(const appearance::ClassicLook& look, LookApply::Mode mode, const QString& subject,
                  bool sendsMetrics);
    // The current item's controls, enabled as the item has them, and the preview.
    void showItem();
    void redraw();
    // A change made by hand: the look is the user's now.
    void edited(bool metrics);
    // The colour of a button, as its swatch shows it.
    void pickColor(int which);

    appearance::ClassicLook m_loaded;
    appearance::ClassicLook m_look;
    StylePreview::Scene m_scene;
    LookApply::Mode m_mode = LookApply::Mode::Items;
    QString m_subject;
    // Whether OK sends the sizes and fonts (a scheme's own, or ones changed here), and
    // whether anything is to be applied at all.
    bool m_sendsMetrics = false;
    bool m_changed = false;
    // While Wine takes the look (run aside, WorkAside.h) the window is disabled and is not
    // closed: the prefix's look is not left half set.
    bool m_working = false;
    // After Restore: the values OK puts back.
    std::optional<LookApply::Stored> m_restore;
};
