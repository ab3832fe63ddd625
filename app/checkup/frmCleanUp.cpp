#include "frmCleanUp.h"

#include "AppInfo.h"
#include "ProgressPicture.h"
#include "commands/CheckupScan.h"
#include "commands/RegistryValues.h"

#include "common/UiServices.h"
#include "devlib/Functions.h"
#include "devlib/Twips.h"
#include "platform/Clock.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include <cmath>

using quorlin::twipsRect;
using quorlin::twipsToPixels;
using quorlin::UiServices;

namespace {

QFont tahoma(double points) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(points);
    return font;
}

// The decoration beside the list: a soft blue strip with a magnifying glass over a
// check mark, drawn here so the program carries no picture files.
QPixmap decoration(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient strip(0, 0, 0, size.height());
    strip.setColorAt(0.0, QColor(214, 228, 247));
    strip.setColorAt(1.0, QColor(250, 252, 255));
    p.fillRect(pixmap.rect(), strip);

    const double w = size.width();
    const QPointF centre(w / 2.0, w / 2.0 + 6.0);
    const double radius = w * 0.3;
    QPainterPath tick;
    tick.moveTo(centre.x() - radius * 0.5, centre.y());
    tick.lineTo(centre.x() - radius * 0.1, centre.y() + radius * 0.4);
    tick.lineTo(centre.x() + radius * 0.55, centre.y() - radius * 0.45);
    p.setPen(QPen(QColor(60, 150, 60), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.setPen(QPen(QColor(70, 90, 130), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius, radius);
    const double s = radius / std::sqrt(2.0);
    p.setPen(QPen(QColor(70, 90, 130), 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(centre.x() + s, centre.y() + s), QPointF(centre.x() + s * 2.1, centre.y() + s * 2.1));
    return pixmap;
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // Style names and dates are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* button(const QString& text, const QString& tip, const QRect& geometry, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setToolTip(tip);
    b->setGeometry(geometry);
    return b;
}

} // namespace

frmCleanUp::frmCleanUp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCleanUp"));
    setWindowTitle(QStringLiteral("Quorlin Zevra Check Tool"));
    // A fixed dialog without minimise and maximise buttons; without an owner it is a
    // tool window, which keeps it out of the task bar.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (!parent)
        flags |= Qt::Tool;
    setWindowFlags(flags);
    setFont(tahoma(8.25));
    setFixedSize(twipsToPixels(8745), twipsToPixels(5145));

    lstErrors = new QListWidget(this);
    lstErrors->setObjectName(QStringLiteral("lstErrors"));
    lstErrors->setGeometry(twipsRect(120, 720, 7215, 4155));
    lstErrors->setUniformItemSizes(true);
    lstErrors->setSelectionMode(QAbstractItemView::SingleSelection);

    Label1 = plainLabel(
        QStringLiteral(
            "This tool will help you to clear up your Visual Styles and check to invalid or incomplete "
            "Visual Styles found on your system. Click Check to start the checking process and cancel "
            "to close this window. The process may take up to a few minutes."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(twipsRect(120, 120, 7245, 660));

    cmdChk = button(QStringLiteral("&Check"), QStringLiteral("Start the check on your visual styles"),
                    twipsRect(7440, 120, 1215, 375), this);
    cmdChk->setObjectName(QStringLiteral("cmdChk"));
    cmdCancel = button(QStringLiteral("Ca&ncel"), QStringLiteral("Cancel scanning process/Close dialog"),
                       twipsRect(7440, 600, 1215, 375), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    lblStatus =
        plainLabel(QStringLiteral("No checks have been conducted before. Click Check to start checking "
                                  "your visual styles."),
                   this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStatus->setGeometry(twipsRect(120, 4920, 7185, 195));

    picProgress = new ProgressPicture(this);
    picProgress->setObjectName(QStringLiteral("picProgress"));
    picProgress->setToolTip(QStringLiteral("Processing"));
    picProgress->setGeometry(twipsRect(120, 2640, 7215, 345));
    picProgress->hide();

    cmdSave = button(QStringLiteral("&Save"), QStringLiteral("Save messages and errors as log file"),
                     twipsRect(7440, 1080, 1215, 375), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(7920, 2160, 840, 3000));
    Image1->setPixmap(decoration(Image1->size()));

    setTabOrder(lstErrors, cmdChk);
    setTabOrder(cmdChk, cmdCancel);
    setTabOrder(cmdCancel, cmdSave);

    connect(cmdChk, &QPushButton::clicked, this, &frmCleanUp::cmdChk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCleanUp::cmdCancel_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmCleanUp::cmdSave_Click);

    // The window is loaded when it is made; the main window makes it anew for every
    // opening.
    Form_Load();
}

frmCleanUp::~frmCleanUp() = default;

void frmCleanUp::Form_Load() {
    const QString text = RegistryValues::readText(Functions::HKEY_CURRENT_USER, RegistryValues::kSettingsKey,
                                                  QStringLiteral("LastChk"), QStringLiteral("%ERROR&"));
    if (text != QLatin1String("%ERROR&"))
        UpdateStatus(0, QStringLiteral("Last check process was done at ") + text + QLatin1Char('.'));
    else
        UpdateStatus(0, QStringLiteral("No check has been done. Click Check to start checking."));
}

void frmCleanUp::UpdateStatus(uint8_t percent, const QString& text) {
    picProgress->paintProgress(percent);
    lblStatus->setText(text);
    emit statusUpdated(percent, text);
}

// ---- helpers of the loops ----------------------------------------------------------------

bool frmCleanUp::yieldOnce() {
    // Every yield point lets the event loop run only when input may be waiting (events
    // were last let through a few milliseconds ago or more). A scan of thousands of
    // styles would otherwise repaint the window several times per style; this way the
    // window still answers within a frame or two and the loops run at file-system speed.
    if (!UiServices::inputWaiting())
        return true;
    applySelection();
    QPointer<frmCleanUp> self(this);
    UiServices::doEvents();
    return !self.isNull();
}

bool frmCleanUp::pauseOneSecond() {
    applySelection();
    QPointer<frmCleanUp> self(this);
    int32_t seconds = 1;
    bool doEvents = true;
    Functions::instance().DelayExecution(seconds, doEvents);
    return !self.isNull();
}

int frmCleanUp::messageBox(const QString& text, int style, const QString& title, bool* alive) {
    applySelection();
    QPointer<frmCleanUp> self(this);
    const int answer = UiServices::msgBox(text, style, title);
    *alive = !self.isNull();
    return answer;
}

void frmCleanUp::appendLine(const QString& text) {
    lstErrors->addItem(text);
}

void frmCleanUp::selectLastLine() {
    // Selecting a line makes the list lay out all its lines again, so the loops only
    // note it here; it is applied before the event loop next runs (nobody sees the list
    // in between) and when a loop ends.
    m_selectLastPending = lstErrors->count() > 0;
}

void frmCleanUp::applySelection() {
    if (!m_selectLastPending)
        return;
    m_selectLastPending = false;
    const int count = lstErrors->count();
    if (count > 0 && lstErrors->currentRow() != count - 1)
        lstErrors->setCurrentRow(count - 1);
}

// ---- cancel and close ------------------------------------------------------------------

void frmCleanUp::cmdCancel_Click() {
    if (Checking) {
        bool alive = true;
        const int answer = messageBox(
            QStringLiteral("The check is currently running, are you sure you want to cancel the scan?"),
            quorlin::MsgYesNoQuestion, QStringLiteral("Comfirm cancel"), &alive);
        if (alive && answer == quorlin::AnswerYes)
            CancelCheck = true;
        return;
    }
    close();
}

void frmCleanUp::Form_QueryUnload(int& Cancel, int UnloadMode) {
    Q_UNUSED(UnloadMode);
    bool alive = true;
    if (Checking) {
        const int answer = messageBox(
            QStringLiteral("The check is currently running. Closing the window will cancel the checking "
                           "process. Are you sure to close Checkup Tool? "),
            quorlin::MsgYesNoQuestion, QStringLiteral("Comfirm close"), &alive);
        if (!alive)
            return;
        if (answer == quorlin::AnswerNo) {
            Cancel = 1;
            return;
        }
    } else if (Saving) {
        const int answer = messageBox(
            QStringLiteral("Checkup Tool is currently saving your log file, are you sure to cancel?"),
            quorlin::MsgYesNoQuestion, QStringLiteral("Comfirm cancel save"), &alive);
        if (!alive)
            return;
        if (answer == quorlin::AnswerNo) {
            Cancel = 1;
            return;
        }
    }
    CancelCheck = true;
    CancelSave = true;
}

void frmCleanUp::closeEvent(QCloseEvent* event) {
    if (m_closePending) {
        // Already closed by the user; the running loop completes the close.
        event->ignore();
        return;
    }
    QPointer<frmCleanUp> self(this);
    int cancel = 0;
    Form_QueryUnload(cancel, 0);
    if (!self)
        return;
    if (cancel != 0) {
        event->ignore();
        return;
    }
    if (Checking || Saving) {
        // The loop still runs on this window: hide it now and let the loop end by its
        // cancellation; the close completes after that.
        m_closePending = true;
        event->ignore();
        hide();
        return;
    }
    m_wasClosed = true;
    QDialog::closeEvent(event);
}

void frmCleanUp::completePendingClose() {
    if (!m_closePending)
        return;
    m_closePending = false;
    close();
}

void frmCleanUp::keyPressEvent(QKeyEvent* event) {
    // Escape asks to close like the close box does, rather than hiding the dialog
    // behind the back of a running scan or save.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmCleanUp::showEvent(QShowEvent* event) {
    if (m_wasClosed && !event->spontaneous()) {
        // Opened again after a close: nothing of the earlier opening stays.
        m_wasClosed = false;
        lstErrors->clear();
        picProgress->hide();
        Form_Load();
    }
    QDialog::showEvent(event);
}

// ---- the Check button ----------------------------------------------------------------

namespace {

// The pointer goes back to the default however the scan ends, also when its window is
// destroyed under it.
struct PointerRestore {
    ~PointerRestore() { UiServices::setMousePointer(quorlin::PointerDefault); }
};

} // namespace

// The window as the scan's host: the report goes into the list, the progress into the
// progress box and the status line.
class frmCleanUp::ScanReport : public checkup::ScanHost {
public:
    explicit ScanReport(frmCleanUp& window) : m_window(window) {}
    void status(uint8_t percent, const QString& text) override { m_window.UpdateStatus(percent, text); }
    void line(const QString& text) override { m_window.appendLine(text); }
    int lineCount() const override { return m_window.lstErrors->count(); }
    void selectLast() override { m_window.selectLastLine(); }
    bool yield() override { return m_window.yieldOnce(); }
    bool cancelRequested() const override { return m_window.CancelCheck; }
    bool tellMissingThemes(const QString& text) override {
        bool alive = true;
        m_window.messageBox(text, quorlin::MsgOk, AppInfo::kTitle, &alive);
        return alive;
    }
    bool pauseOneSecond() override { return m_window.pauseOneSecond(); }
    void hideProgress() override { m_window.picProgress->hide(); }

private:
    frmCleanUp& m_window;
};

void frmCleanUp::cmdChk_Click() {
    // The button is disabled while a scan or a save runs; a second loop never starts
    // on the same window.
    if (Checking || Saving)
        return;

    // 1. Start.
    Checking = true;
    cmdChk->setEnabled(false);
    CancelCheck = false;
    cmdSave->setEnabled(false);
    picProgress->show();
    UpdateStatus(0, QStringLiteral("Initializing check process..."));
    const float start = static_cast<float>(platform::secondsSinceMidnight());
    PointerRestore pointerRestore;

    // 2. Clear the list from the top, yielding only when input waits.
    UiServices::setMousePointer(quorlin::PointerArrowHourglass);
    // The lines taken since the last yield go together: the list looks the same at every
    // yield as if each had gone on its own, without one model update per line.
    const int held = lstErrors->count();
    int pending = 0;
    for (int k = 0; k < held; ++k) {
        ++pending;
        const bool yield = UiServices::inputWaiting();
        if (yield || k + 1 == held) {
            lstErrors->model()->removeRows(0, pending);
            pending = 0;
        }
        if (yield && !yieldOnce())
            return;
    }
    UiServices::setMousePointer(quorlin::PointerHourglass);

    // 3 to 9, and the time of the check.
    ScanReport report(*this);
    QString E;
    switch (checkup::runScan(report, start, E)) {
    case checkup::ScanEnd::Abandoned:
        return;
    case checkup::ScanEnd::Cancelled:
        cancelScan();
        return;
    case checkup::ScanEnd::Completed:
        break;
    }
    UiServices::setMousePointer(quorlin::PointerDefault);
    cmdChk->setEnabled(true);
    cmdSave->setEnabled(true);
    if (!yieldOnce())
        return;
    const QString lastCheck = RegistryValues::readText(
        Functions::HKEY_CURRENT_USER, RegistryValues::kSettingsKey, QStringLiteral("LastChk"),
        QStringLiteral("(An internal error has occurred. Please report errorcode 100)"));
    UpdateStatus(100, QStringLiteral("Check process completed at ") + lastCheck +
                          QStringLiteral(". Time taken: ") + E + QStringLiteral("s "));
    if (lstErrors->count() > 0) {
        selectLastLine();
        if (!yieldOnce())
            return;
    }
    applySelection();
    Checking = false;
    completePendingClose();
}

bool frmCleanUp::cancelScan() {
    appendLine(QStringLiteral("Message: Scan cancelled by User"));
    picProgress->hide();
    if (!yieldOnce())
        return false;
    UiServices::setMousePointer(quorlin::PointerDefault);
    cmdChk->setEnabled(true);
    cmdSave->setEnabled(true);
    UpdateStatus(0, QStringLiteral("Scan cancelled by user"));
    if (!yieldOnce())
        return false;
    applySelection();
    Checking = false;
    completePendingClose();
    return true;
}
