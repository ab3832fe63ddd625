#include "frmAppearance.h"

#include "WorkAside.h"

#include "ScenePicture.h"
#include "WindowControls.h"
#include "appearance/ColorSchemes.h"
#include "appearance/DesktopColors.h"
#include "common/UiServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSpinBox>

#include <vector>

using appearance::ClassicLook;
using appearance::Font;
using appearance::Metrics;
using appearance::SysColor;
using quorlin::UiServices;

namespace {

const QString kTitle = QStringLiteral("Appearance");

// What an item of the list sets, as the Display control panel's Advanced appearance
// window has it: its size (the sizes it sets, and their range), its colours, its font and
// its font's colour. Selected Items share the menu's size and font, the two title bars
// their font, a message box the window's text colour.
struct ItemEdits {
    const char* name;
    std::optional<StylePreview::Item> scene; // the element of the preview that shows it
    std::vector<int Metrics::*> sizes;
    int minSize = 0;
    int maxSize = 0;
    std::optional<SysColor> color1;
    std::optional<SysColor> color2;
    Font Metrics::*font = nullptr;
    std::optional<SysColor> fontColor;
};

using Item = StylePreview::Item;
using namespace appearance;

// In the order of the Display control panel's list: by name.
const std::vector<ItemEdits>& items() {
    static const std::vector<ItemEdits> list = {
        {"3D Objects", Item::ThreeDObjects, {}, 0, 0, ButtonFace, {}, nullptr, ButtonText},
        {"Active Title Bar",
         Item::ActiveTitleBar,
         {&Metrics::captionHeight},
         8,
         100,
         ActiveTitle,
         GradientActiveTitle,
         &Metrics::captionFont,
         TitleText},
        {"Active Window Border",
         Item::ActiveWindowBorder,
         {&Metrics::borderWidth},
         1,
         50,
         ActiveBorder,
         {},
         nullptr,
         {}},
        {"Application Background", Item::ApplicationBackground, {}, 0, 0, AppWorkSpace, {}, nullptr, {}},
        {"Caption Buttons", Item::CaptionButtons, {&Metrics::captionWidth}, 8, 100, {}, {}, nullptr, {}},
        {"Desktop", Item::Desktop, {}, 0, 0, Background, {}, nullptr, {}},
        {"Icon", std::nullopt, {}, 0, 0, {}, {}, &Metrics::iconFont, {}},
        {"Inactive Title Bar",
         Item::InactiveTitleBar,
         {&Metrics::captionHeight},
         8,
         100,
         InactiveTitle,
         GradientInactiveTitle,
         &Metrics::captionFont,
         InactiveTitleText},
        {"Inactive Window Border",
         Item::InactiveWindowBorder,
         {&Metrics::borderWidth},
         1,
         50,
         InactiveBorder,
         {},
         nullptr,
         {}},
        {"Menu",
         Item::Menu,
         {&Metrics::menuHeight, &Metrics::menuWidth},
         8,
         100,
         Menu,
         {},
         &Metrics::menuFont,
         MenuText},
        {"Message Box", Item::MessageBox, {}, 0, 0, {}, {}, &Metrics::messageFont, WindowText},
        {"Scrollbar",
         Item::Scrollbar,
         {&Metrics::scrollWidth, &Metrics::scrollHeight},
         8,
         100,
         Scrollbar,
         {},
         nullptr,
         {}},
        {"Selected Items",
         Item::SelectedItems,
         {&Metrics::menuHeight, &Metrics::menuWidth},
         8,
         100,
         Hilight,
         {},
         &Metrics::menuFont,
         HilightText},
        {"ToolTip", Item::ToolTip, {}, 0, 0, InfoWindow, {}, &Metrics::statusFont, InfoText},
        {"Window", Item::Window, {}, 0, 0, Window, {}, nullptr, WindowText},
    };
    return list;
}

// Faces a Wine prefix has or substitutes, offered besides any typed in.
const char* const kFaces[] = {
    "Tahoma",  "MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg",    "Arial",
    "Verdana", "Segoe UI",      "Trebuchet MS",         "Times New Roman", "Courier New"};

QPixmap swatch(QRgb color) {
    QPixmap picture(36, 14);
    picture.fill(QColor::fromRgb(color));
    QPainter painter(&picture);
    painter.setPen(Qt::black);
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    return picture;
}

QPushButton* colorButton(QWidget* parent, const char* name, const QRect& geometry) {
    auto* button = WindowControls::button(parent, QLatin1String(name), QString(), QString(), geometry);
    button->setIconSize(QSize(36, 14));
    return button;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(geometry);
    return l;
}

// A colour set by hand that others followed follows on: the menu bar the menu's, the menu's
// selection the selection's, the 3D shades the face.
void setColor(ClassicLook& look, SysColor color, QRgb value) {
    const QRgb old = look.colors[color];
    look.colors[color] = value;
    if (color == Menu && look.colors[MenuBar] == old)
        look.colors[MenuBar] = value;
    if (color == Hilight && look.colors[MenuHilight] == old)
        look.colors[MenuHilight] = value;
    if (color == ButtonFace)
        deriveButtonShades(look);
}

ClassicLook wineDefault() {
    const Scheme* scheme = findScheme(QStringLiteral("Wine default"));
    return scheme ? scheme->look : ClassicLook{};
}

} // namespace

frmAppearance::frmAppearance(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAppearance"));
    setWindowTitle(kTitle);
    setFixedSize(440, 516);

    picPreview = new ScenePicture(this);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setGeometry(QRect(QPoint(14, 12), StylePreview::kSize));

    lblScheme = label(this, "lblScheme", QStringLiteral("Color &scheme:"), QRect(14, 305, 88, 20));
    cboScheme = new QComboBox(this);
    cboScheme->setObjectName(QStringLiteral("cboScheme"));
    cboScheme->setGeometry(104, 302, 210, 24);
    cboScheme->addItem(QStringLiteral("(current)"));
    for (const Scheme& scheme : schemes())
        cboScheme->addItem(scheme.name);
    lblScheme->setBuddy(cboScheme);
    cmdDesktop = WindowControls::button(
        this, QStringLiteral("cmdDesktop"), QStringLiteral("&Desktop Colours"),
        QStringLiteral("The colours and fonts of the Linux desktop"), QRect(320, 301, 106, 26));

    lblItem = label(this, "lblItem", QStringLiteral("&Item:"), QRect(14, 340, 88, 20));
    cboItem = new QComboBox(this);
    cboItem->setObjectName(QStringLiteral("cboItem"));
    cboItem->setGeometry(104, 337, 210, 24);
    for (const ItemEdits& item : items())
        cboItem->addItem(QLatin1String(item.name));
    lblItem->setBuddy(cboItem);
    lblSize = label(this, "lblSize", QStringLiteral("Si&ze:"), QRect(320, 340, 40, 20));
    spnSize = new QSpinBox(this);
    spnSize->setObjectName(QStringLiteral("spnSize"));
    spnSize->setGeometry(360, 337, 66, 24);
    lblSize->setBuddy(spnSize);

    lblColor1 = label(this, "lblColor1", QStringLiteral("Color &1:"), QRect(14, 373, 88, 20));
    cmdColor1 = colorButton(this, "cmdColor1", QRect(104, 369, 60, 26));
    lblColor2 = label(this, "lblColor2", QStringLiteral("Color &2:"), QRect(180, 373, 66, 20));
    cmdColor2 = colorButton(this, "cmdColor2", QRect(250, 369, 60, 26));
    lblColor1->setBuddy(cmdColor1);
    lblColor2->setBuddy(cmdColor2);

    lblFont = label(this, "lblFont", QStringLiteral("&Font:"), QRect(14, 409, 88, 20));
    cboFont = new QComboBox(this);
    cboFont->setObjectName(QStringLiteral("cboFont"));
    cboFont->setGeometry(104, 406, 210, 24);
    cboFont->setEditable(true);
    for (const char* face : kFaces)
        cboFont->addItem(QLatin1String(face));
    lblFont->setBuddy(cboFont);
    lblFontSize = label(this, "lblFontSize", QStringLiteral("S&ize:"), QRect(320, 409, 40, 20));
    spnFontSize = new QSpinBox(this);
    spnFontSize->setObjectName(QStringLiteral("spnFontSize"));
    spnFontSize->setGeometry(360, 406, 66, 24);
    spnFontSize->setRange(6, 72);
    lblFontSize->setBuddy(spnFontSize);

    lblFontColor = label(this, "lblFontColor", QStringLiteral("Co&lor:"), QRect(14, 443, 88, 20));
    cmdFontColor = colorButton(this, "cmdFontColor", QRect(104, 439, 60, 26));
    lblFontColor->setBuddy(cmdFontColor);
    chkBold = new QCheckBox(QStringLiteral("&Bold"), this);
    chkBold->setObjectName(QStringLiteral("chkBold"));
    chkBold->setGeometry(180, 442, 66, 22);
    chkItalic = new QCheckBox(QStringLiteral("I&talic"), this);
    chkItalic->setObjectName(QStringLiteral("chkItalic"));
    chkItalic->setGeometry(250, 442, 70, 22);

    cmdRestore = WindowControls::button(
        this, QStringLiteral("cmdRestore"), QStringLiteral("&Restore"),
        QStringLiteral("The colours, sizes and fonts the prefix had before this program first changed them"),
        QRect(14, 478, 90, 28));
    cmdOK = WindowControls::button(this, QStringLiteral("cmdOK"), QStringLiteral("OK"), QString(),
                                   QRect(246, 478, 86, 28));
    cmdOK->setDefault(true);
    cmdCancel = WindowControls::button(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), QString(),
                                       QRect(340, 478, 86, 28));

    connect(cboScheme, &QComboBox::activated, this, &frmAppearance::cboScheme_Click);
    connect(cmdDesktop, &QPushButton::clicked, this, &frmAppearance::cmdDesktop_Click);
    connect(cboItem, &QComboBox::activated, this, &frmAppearance::cboItem_Click);
    connect(picPreview, &ScenePicture::clicked, this, &frmAppearance::picPreview_Click);
    connect(spnSize, &QSpinBox::valueChanged, this, &frmAppearance::spnSize_Change);
    connect(cmdColor1, &QPushButton::clicked, this, &frmAppearance::cmdColor1_Click);
    connect(cmdColor2, &QPushButton::clicked, this, &frmAppearance::cmdColor2_Click);
    connect(cmdFontColor, &QPushButton::clicked, this, &frmAppearance::cmdFontColor_Click);
    connect(cboFont, &QComboBox::currentTextChanged, this, &frmAppearance::cboFont_Change);
    connect(spnFontSize, &QSpinBox::valueChanged, this, &frmAppearance::spnFontSize_Change);
    connect(chkBold, &QCheckBox::clicked, this, &frmAppearance::chkBold_Click);
    connect(chkItalic, &QCheckBox::clicked, this, &frmAppearance::chkItalic_Click);
    connect(cmdRestore, &QPushButton::clicked, this, &frmAppearance::cmdRestore_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAppearance::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAppearance::cmdCancel_Click);

    Form_Load();
}

// ---- the look shown -----------------------------------------------------------------

void frmAppearance::Form_Load() {
    const ClassicLook fallback = wineDefault();
    const std::optional<LookApply::Stored> stored = LookApply::readStored();
    if (!stored)
        UiServices::msgBox(
            QStringLiteral("The colours, sizes and fonts of this prefix cannot be read from its "
                           "registry; the window shows Wine's defaults."),
            quorlin::MsgExclamation, kTitle);
    m_loaded = stored ? stored->look(fallback).look : fallback;
    // Sizes and fonts to edit even where the registry holds none: those Wine uses then.
    if (!m_loaded.metrics)
        m_loaded.metrics = fallback.metrics ? fallback.metrics : appearance::standardMetrics();
    cboScheme->setCurrentIndex(0);
    showLook(m_loaded, LookApply::Mode::Items, QStringLiteral("The appearance"), false);
    m_changed = false;
}

void frmAppearance::showLook(const ClassicLook& look, LookApply::Mode mode, const QString& subject,
                             bool sendsMetrics) {
    const std::optional<Metrics> shown = m_look.metrics ? m_look.metrics : m_loaded.metrics;
    m_look = look;
    // A scheme of colours alone keeps the sizes and fonts in force.
    if (!m_look.metrics)
        m_look.metrics = shown;
    m_mode = mode;
    m_subject = subject;
    m_sendsMetrics = sendsMetrics;
    m_restore.reset();
    m_changed = true;
    showItem();
}

void frmAppearance::showItem() {
    const ItemEdits& item = items().at(static_cast<size_t>(std::max(0, cboItem->currentIndex())));
    const Metrics& metrics = *m_look.metrics;
    {
        const QSignalBlocker blockSize(spnSize);
        const bool sized = !item.sizes.empty();
        spnSize->setEnabled(sized);
        lblSize->setEnabled(sized);
        spnSize->setRange(sized ? item.minSize : 0, sized ? item.maxSize : 0);
        spnSize->setValue(sized ? metrics.*item.sizes.front() : 0);
        if (!sized)
            spnSize->clear();
    }
    const auto showColor = [&](QLabel* caption, QPushButton* button, const std::optional<SysColor>& color) {
        caption->setEnabled(color.has_value());
        button->setEnabled(color.has_value());
        button->setIcon(color ? QIcon(swatch(m_look.colors[*color])) : QIcon());
    };
    showColor(lblColor1, cmdColor1, item.color1);
    showColor(lblColor2, cmdColor2, item.color2);
    showColor(lblFontColor, cmdFontColor, item.fontColor);
    {
        const QSignalBlocker blockFace(cboFont);
        const QSignalBlocker blockSize(spnFontSize);
        const bool hasFont = item.font != nullptr;
        for (QWidget* control :
             std::initializer_list<QWidget*>{lblFont, cboFont, lblFontSize, spnFontSize, chkBold, chkItalic})
            control->setEnabled(hasFont);
        const Font font = hasFont ? metrics.*item.font : Font{};
        cboFont->setEditText(hasFont ? font.face : QString());
        spnFontSize->setValue(hasFont ? appearance::pointsForHeight(font.height) : spnFontSize->minimum());
        chkBold->setChecked(hasFont && font.weight >= 600);
        chkItalic->setChecked(hasFont && font.italic);
    }
    redraw();
}

void frmAppearance::redraw() {
    const StylePreview::Result drawn = StylePreview::render(m_look);
    m_scene = drawn.scene;
    picPreview->setPixmap(QPixmap::fromImage(drawn.image));
}

void frmAppearance::edited(bool metrics) {
    m_changed = true;
    m_sendsMetrics = m_sendsMetrics || metrics;
    // Values restored and then changed are a look of the user's own.
    m_restore.reset();
    if (m_mode == LookApply::Mode::Scheme)
        m_subject = QStringLiteral("The classic look");
    redraw();
}

// ---- the scheme box -------------------------------------------------------------------

void frmAppearance::cboScheme_Click() {
    const int index = cboScheme->currentIndex();
    if (index <= 0) {
        showLook(m_loaded, LookApply::Mode::Items, QStringLiteral("The appearance"), false);
        m_changed = false;
        return;
    }
    const Scheme& scheme = schemes().at(index - 1);
    showLook(scheme.look, LookApply::Mode::Scheme,
             QStringLiteral("The classic look in the colour scheme ") + scheme.name,
             scheme.look.metrics.has_value());
}

void frmAppearance::cmdDesktop_Click() {
    UiServices::setMousePointer(quorlin::PointerHourglass);
    const appearance::DesktopLook desktop = appearance::desktopLook(appearance::systemDesktopEnvironment());
    UiServices::setMousePointer(quorlin::PointerDefault);
    cboScheme->setCurrentIndex(-1);
    showLook(desktop.look, LookApply::Mode::Scheme,
             QStringLiteral("The classic look in the colours of ") + desktop.source,
             desktop.look.metrics.has_value());
    if (!desktop.notes.isEmpty())
        UiServices::msgBox(
            QStringLiteral("Not everything of the desktop's colours and fonts could be read (") +
                desktop.source + QStringLiteral("):\n\n") + desktop.notes.join(QLatin1Char('\n')),
            quorlin::MsgInformation, kTitle);
}

// ---- the item and its values ------------------------------------------------------------

void frmAppearance::cboItem_Click() {
    showItem();
}

void frmAppearance::picPreview_Click(const QPoint& point) {
    const std::optional<StylePreview::Item> clicked = StylePreview::itemAt(m_scene, point);
    if (!clicked)
        return;
    for (size_t i = 0; i < items().size(); ++i) {
        if (items()[i].scene == clicked) {
            cboItem->setCurrentIndex(static_cast<int>(i));
            showItem();
            return;
        }
    }
}

void frmAppearance::spnSize_Change() {
    const ItemEdits& item = items().at(static_cast<size_t>(cboItem->currentIndex()));
    if (item.sizes.empty())
        return;
    for (int Metrics::*size : item.sizes)
        (*m_look.metrics).*size = spnSize->value();
    edited(true);
}

void frmAppearance::pickColor(int which) {
    const ItemEdits& item = items().at(static_cast<size_t>(cboItem->currentIndex()));
    const std::optional<SysColor> color = which == 1   ? item.color1
                                          : which == 2 ? item.color2
                                                       : item.fontColor;
    if (!color)
        return;
    const QString title = which == 1   ? QStringLiteral("Color 1: ") + QLatin1String(item.name)
                          : which == 2 ? QStringLiteral("Color 2: ") + QLatin1String(item.name)
                                       : QStringLiteral("Font color: ") + QLatin1String(item.name);
    const QColor chosen = UiServices::chooseColor(QColor::fromRgb(m_look.colors[*color]), title);
    if (!chosen.isValid())
        return;
    setColor(m_look, *color, chosen.rgb());
    edited(false);
    showItem();
}

void frmAppearance::cmdColor1_Click() {
    pickColor(1);
}

void frmAppearance::cmdColor2_Click() {
    pickColor(2);
}

void frmAppearance::cmdFontColor_Click() {
    pickColor(3);
}

void frmAppearance::cboFont_Change() {
    const ItemEdits& item = items().at(static_cast<size_t>(cboItem->currentIndex()));
    const QString face = cboFont->currentText().trimmed();
    if (!item.font || face.isEmpty())
        return;
    ((*m_look.metrics).*item.font).face = appearance::logFontFace(face);
    edited(true);
}

void frmAppearance::spnFontSize_Change() {
    const ItemEdits& item = items().at(static_cast<size_t>(cboItem->currentIndex()));
    if (!item.font)
        return;
    ((*m_look.metrics).*item.font).height = appearance::heightForPoints(spnFontSize->value());
    edited(true);
}

void frmAppearance::chkBold_Click() {
    const ItemEdits& item = items().at(static_cast<size_t>(cboItem->currentIndex()));
    if (!item.font)
        return;
    ((*m_look.metrics).*item.font).weight = chkBold->isChecked() ? 700 : 400;
    edited(true);
}

void frmAppearance::chkItalic_Click() {
    const ItemEdits& item = items().at(static_cast<size_t>(cboItem->currentIndex()));
    if (!item.font)
        return;
    ((*m_look.metrics).*item.font).italic = chkItalic->isChecked();
    edited(true);
}

// ---- Restore, OK, Cancel -------------------------------------------------------------------

void frmAppearance::cmdRestore_Click() {
    const std::optional<LookApply::Stored> before = LookApply::remembered();
    if (!before) {
        UiServices::msgBox(QStringLiteral("This program has not changed the colours, sizes and fonts of this "
                                          "prefix: there is nothing to restore."),
                           quorlin::MsgInformation, kTitle);
        return;
    }
    ClassicLook look = before->look(wineDefault()).look;
    if (!look.metrics)
        look.metrics = wineDefault().metrics;
    cboScheme->setCurrentIndex(-1);
    showLook(look, LookApply::Mode::Items,
             QStringLiteral("The appearance the prefix had before this program changed it"), true);
    m_restore = before;
}

void frmAppearance::cmdOK_Click() {
    if (!m_changed) {
        accept();
        return;
    }
    ClassicLook look = m_look;
    if (!m_sendsMetrics)
        look.metrics.reset();
    m_working = true;
    setEnabled(false);
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    const std::optional<LookApply::Stored> restore = m_restore;
    const LookApply::Mode mode = m_mode;
    const LookApply::Outcome outcome = kolv::runAside([&restore, look, mode] {
        return restore ? LookApply::restore(*restore) : LookApply::apply(look, mode);
    });
    UiServices::setMousePointer(quorlin::PointerDefault);
    setEnabled(true);
    m_working = false;
    if (!outcome.succeeded()) {
        UiServices::msgBox(LookApply::failureMessage(m_subject, outcome), quorlin::MsgCritical,
                           QStringLiteral("Error"));
        return;
    }
    QString message = LookApply::appliedMessage(m_subject, outcome);
    if (outcome.kind == LookApply::Outcome::RegistryOnly)
        message += QStringLiteral("\n\n") + LookApply::registryOnlyNote(outcome);
    UiServices::msgBox(message, quorlin::MsgInformation, kTitle);
    accept();
}

void frmAppearance::cmdCancel_Click() {
    reject();
}

void frmAppearance::reject() {
    if (!m_working)
        QDialog::reject();
}
