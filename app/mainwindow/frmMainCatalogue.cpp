// The catalogue of installed styles (listing, Refresh, the empty list), the selection
// with its preview, and the style's readme.

#include "frmMain.h"

#include "PictureBox.h"
#include "commands/PreviewCommand.h"
#include "commands/StyleCommands.h"
#include "commands/mdlMainBrowser.h"
#include "commands/mdlMainControl.h"
#include "commands/mdlMainThemes.h"
#include "common/UiServices.h"
#include "platform/Paths.h"
#include "windows/frmInfo.h"

#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>

#include <algorithm>

using quorlin::UiServices;

namespace {

// Clears a flag when the scope ends, however it ends.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

const QString kNoSelection = QStringLiteral("No Visual Style selected for preview.");
const QString kNoPreview = QStringLiteral("No preview available for the currently selected Visual Style.");
const QString kLoadingPreview = QStringLiteral("Please wait while loading preview...");

// The check mark beside the style in use.
QIcon inUseMark() {
    static const QIcon mark = [] {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(34, 120, 52), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(2, 6.5), QPointF(5, 9.5), QPointF(10, 2.5)}));
        return QIcon(pixmap);
    }();
    return mark;
}

} // namespace

// ---- listing ------------------------------------------------------------------------

void frmMain::listStyles() {
    FlagGuard listing(m_listing);
    // Names found since the last yield go into the list together, each in its place in
    // the catalogue's order (the order the folder is listed in on NTFS): the list looks the
    // same at every yield as if each had been added on its own. The list's names are kept
    // beside it, so a long folder pays neither for one list update per name nor for reading
    // texts back out of the list.
    QStringList shown;
    for (int i = 0; i < lstVS->count(); ++i)
        shown.append(lstVS->item(i)->text());
    QStringList found;
    // What a merge is built in; kept from one to the next so that its storage is reused.
    QStringList merged;
    const auto flush = [&] {
        if (found.isEmpty())
            return;
        std::sort(found.begin(), found.end(), StyleCommands::catalogueOrder);
        if (shown.isEmpty()) {
            lstVS->addItems(found);
            std::swap(shown, found);
        } else {
            merged.clear();
            merged.reserve(shown.size() + found.size());
            qsizetype next = 0;
            for (QString& name : found) {
                while (next < shown.size() && !StyleCommands::catalogueOrder(name, shown.at(next)))
                    merged.append(std::move(shown[next++]));
                lstVS->insertItem(static_cast<int>(merged.size()), name);
                merged.append(std::move(name));
            }
            while (next < shown.size())
                merged.append(std::move(shown[next++]));
            std::swap(shown, merged);
        }
        found.clear();
    };
    StyleCommands::listInstalledStyles(
        mdlMain::themesDirectory(), [&](QString name) { found.append(std::move(name)); },
        [&] {
            if (UiServices::inputWaiting()) {
                flush();
                UiServices::doEvents();
            }
        });
    flush();
}

void frmMain::markStyleInUse() {
    if (!m_markedStyle.isEmpty()) {
        for (QListWidgetItem* item :
             lstVS->findItems(m_markedStyle, Qt::MatchFixedString | Qt::MatchCaseSensitive)) {
            item->setData(Qt::FontRole, QVariant());
            item->setIcon(QIcon());
            item->setToolTip(QString());
        }
        m_markedStyle.clear();
    }
    // The placeholder of an empty list is no style.
    if (!lstVS->isEnabled())
        return;
    const QString inUse = StyleCommands::appliedStyle();
    if (inUse.isEmpty())
        return;
    // As Wine finds the folder: spelled so, else the first one spelled so ignoring case.
    QList<QListWidgetItem*> items = lstVS->findItems(inUse, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (items.isEmpty())
        items = lstVS->findItems(inUse, Qt::MatchFixedString);
    if (items.isEmpty())
        return;
    QListWidgetItem* item = items.constFirst();
    QFont bold = lstVS->font();
    bold.setBold(true);
    item->setFont(bold);
    item->setIcon(inUseMark());
    item->setToolTip(QStringLiteral("the visual style in use"));
    m_markedStyle = item->text();
}

void frmMain::handleEmptyCatalogue() {
    if (lstVS->count() > 0)
        return;
    lstVS->addItem(QStringLiteral("(NO VS installed)"));
    lstVS->setEnabled(false);
    UiServices::msgBox(QStringLiteral("You have no Visual Styles installed on your OS."),
                       quorlin::MsgExclamation, QStringLiteral("No VS installed"));
}

void frmMain::cmdRefresh_Click() {
    // A Refresh chosen while a listing runs (its yields let the key through) is
    // ignored: the running listing finishes undisturbed and shows the folder as it is.
    if (m_listing)
        return;
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    Label1->setText(QStringLiteral("Please wait while refreshing list of VS ..."));
    picPreview->clearPicture();
    Label1->setVisible(true);
    mdlMain::checkThemesDirectory();
    lstVS->clear();
    m_markedStyle.clear();
    showStyleChoices();
    lstVS->setEnabled(true);
    listStyles();
    markStyleInUse();
    handleEmptyCatalogue();
    if (selectedIndex() < 0)
        Label1->setText(kNoSelection);
    UiServices::setMousePointer(quorlin::PointerDefault);
}

// ---- selection and preview ------------------------------------------------------------

bool frmMain::loadPreview(const QString& picturePath) {
    const auto host = platform::toHostPath(picturePath.toStdString());
    if (!host)
        return false;
    // Any picture format the reader knows, whatever the name says.
    QImageReader reader(QString::fromStdString(host->string()));
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    picPreview->setPicture(QPixmap::fromImage(image));
    return true;
}

bool frmMain::showDrawnPreview(const QString& style) {
    if (m_selectedFileStyle != style)
        return false;
    const PreviewCommand::Drawn drawn =
        PreviewCommand::draw(m_selectedFile, style, chosenColorIndex(), chosenSizeIndex());
    m_drawnPreview = drawn.image.isNull() ? QPixmap() : QPixmap::fromImage(drawn.image);
    m_drawnPreviewStyle = style;
    if (m_drawnPreview.isNull())
        return false;
    picPreview->setPicture(m_drawnPreview);
    return true;
}

void frmMain::redrawPreview() {
    // Only a drawn preview follows the choice; a style's own picture stays as it is.
    const QString style = selectedStyle();
    if (style.isEmpty() || m_drawnPreviewStyle != style)
        return;
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    picPreview->clearPicture();
    Label1->setVisible(!showDrawnPreview(style));
    Label1->setText(kNoPreview);
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void frmMain::lstVS_Click() {
    mdlMain::checkThemesDirectory();
    if (UiServices::inputWaiting())
        UiServices::doEvents();
    Label1->setVisible(true);
    Label1->setText(kLoadingPreview);
    picPreview->clearPicture();

    const QString themes = mdlMain::themesDirectory();
    const QString style = selectedStyle();
    showStyleChoices();
    if (!mdlMain::ChkPathExist(themes + style + QLatin1Char('\\')))
        return;
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    // Each selection draws afresh (the style's file may have changed since); without a
    // picture of its own, the style is drawn from its file.
    m_drawnPreview = QPixmap();
    m_drawnPreviewStyle.clear();
    const bool loaded =
        loadPreview(themes + style + QStringLiteral("\\preview.jpg")) || showDrawnPreview(style);
    Label1->setVisible(false);
    if (!loaded)
        Label1->setVisible(true);
    Label1->setText(kNoPreview);
    UiServices::setMousePointer(quorlin::PointerDefault);
}

void frmMain::picPreview_Click() {
    mdlMain::checkThemesDirectory();
    if (UiServices::inputWaiting())
        UiServices::doEvents();
    picPreview->clearPicture();

    const QString themes = mdlMain::themesDirectory();
    const QString style = selectedStyle();
    if (!mdlMain::ChkPathExist(themes + style + QLatin1Char('\\')))
        return;
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    const QString picture = themes + style + QStringLiteral("\\preview.jpg");
    if (loadPreview(picture))
        mdlMain::OpenInBrowser(picture);
    else if (m_drawnPreviewStyle == style && !m_drawnPreview.isNull())
        // The drawn preview comes back as it was; there is no picture file to open.
        picPreview->setPicture(m_drawnPreview);
    Label1->setText(kNoPreview);
    UiServices::setMousePointer(quorlin::PointerDefault);
}

// ---- the style's readme -------------------------------------------------------------

void frmMain::cmdInfo_Click() {
    if (selectedIndex() < 0) {
        UiServices::msgBox(QStringLiteral("You did not select any visual style on the list."),
                           quorlin::MsgInformation, QStringLiteral("Error"));
        return;
    }
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    mdlMain::checkThemesDirectory();
    const QString style = selectedStyle();
    const QString readme = mdlMain::themesDirectory() + style + QStringLiteral("\\readme.txt");
    if (mdlMain::ChkFileExist(readme)) {
        frmInfo info(this);
        info.Text1->setPlainText(mdlMain::ReadTextFile(readme));
        UiServices::setMousePointer(quorlin::PointerDefault);
        info.setWindowTitle(style + QStringLiteral(" - Visual Style Readme"));
        UiServices::showModal(&info);
    } else {
        UiServices::setMousePointer(quorlin::PointerDefault);
        UiServices::msgBox(QStringLiteral("The selected visual style's readme file could not be found in its "
                                          "directory. For more information, please visit the site you have "
                                          "downloaded this visual style."),
                           quorlin::MsgExclamation, QStringLiteral("Readme.txt not found"));
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
}
