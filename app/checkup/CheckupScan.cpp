// The Check button: five checks on every folder of the themes directory, the loose
// files beside them and a summary, written as lines into the list.

#include "frmCleanUp.h"

#include "AppInfo.h"
#include "CheckupSettings.h"
#include "ProgressPicture.h"
#include "mdlMain.h"

#include "common/UiServices.h"
#include "platform/Clock.h"
#include "platform/DirectoryListing.h"

#include <QListWidget>
#include <QPushButton>
#include <QStringList>

#include <charconv>

using quorlin::UiServices;

namespace {

constexpr float kSecondsPerDay = 86400.0f;

// The pointer goes back to the default however the scan ends, also when its window is
// destroyed under it.
struct PointerRestore {
    ~PointerRestore() { UiServices::setMousePointer(quorlin::PointerDefault); }
};

void appendNumber(QString& text, int value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text += QLatin1String(digits, static_cast<qsizetype>(end - digits));
}

// Built in one buffer: the scan shows two of these per style.
QString scanningText(const char* verb, int i, const QString& name, int lines) {
    QString text;
    text.reserve(name.size() + 80);
    text += QLatin1String(verb);
    text += QLatin1String(" visual style ");
    appendNumber(text, i);
    text += QLatin1String(" - ");
    text += name;
    text += QLatin1String(". ");
    appendNumber(text, lines);
    text += QLatin1String(" error or warning messages.");
    return text;
}

bool hasStyleFile(const QString& pattern) {
    // Hidden and system files do not count: the mask asks for plain files only.
    platform::DirectoryListing listing(pattern.toStdString(), 33);
    return listing.next().has_value();
}

} // namespace

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

    // 3. The Windows directory and the themes directory.
    const QString W = mdlMain::windowsDirectoryText();
    const QString T = W + QStringLiteral("\\Resources\\Themes\\");

    QStringList styles;
    int32_t total = 0;
    int32_t c = 0;

    if (!mdlMain::ChkPathExist(T)) {
        // 4. No themes directory: reported, then straight to the summary.
        bool alive = true;
        messageBox(mdlMain::missingThemesMessage(W), quorlin::MsgOk, AppInfo::kTitle, &alive);
        if (!alive)
            return;
        appendLine(
            QStringLiteral("Error: Unable to locate system folder that contains all the visual styles."));
    } else {
        // 5. Collect the style folders in listing order.
        if (!yieldOnce())
            return;
        {
            platform::DirectoryListing listing(T.toStdString(), 16);
            while (auto entry = listing.next()) {
                const QString e = QString::fromStdString(*entry);
                if (mdlMain::ChkPathExist(T + e + QLatin1Char('\\')) && e != QLatin1String("..") &&
                    e != QLatin1String("."))
                    styles.append(e);
                if (!yieldOnce())
                    return;
            }
        }

        const int n = static_cast<int>(styles.size());
        // 7. Every style.
        for (int i = 1; i <= n; ++i) {
            const QString name = styles.at(i - 1);
            total += c;
            c = 0;
            if (!yieldOnce())
                return;
            const uint8_t P = roundPercent(static_cast<double>(i) / (n + 1.0) * 100.0);
            const uint8_t H = roundPercent((i - 1 + 0.5) / (n + 1.0) * 100.0);
            UpdateStatus(P, scanningText("Scanning", i, name, lstErrors->count()));

            const QString folder = T + name + QLatin1Char('\\');
            const QString shownFolder = T + name + QLatin1Char('\\');
            if (!mdlMain::ChkPathExist(folder)) {
                appendLine(QStringLiteral("Error: unable to locate ") + name +
                           QStringLiteral("'s visual style directory as ") + shownFolder);
                selectLastLine();
                if (!yieldOnce())
                    return;
                c = 1;
            }
            if (!mdlMain::ChkPathExist(folder + QStringLiteral("Shell\\"))) {
                appendLine(QStringLiteral("Error: unable to locate ") + name +
                           QStringLiteral("'s visual style shell directory as ") + shownFolder +
                           QStringLiteral("Shell\\"));
                selectLastLine();
                if (!yieldOnce())
                    return;
                c += 1;
            }
            UpdateStatus(H, scanningText("Scanning", i, name, lstErrors->count()));
            selectLastLine();

            // First cancel point: after the folder checks.
            if (CancelCheck) {
                cancelScan();
                return;
            }

            if (!hasStyleFile(folder + QStringLiteral("*.msstyles"))) {
                appendLine(QStringLiteral("Error: unable to locate ") + name +
                           QStringLiteral("'s msstyle info file as ") + shownFolder +
                           QStringLiteral("*.msstyles"));
                c += 1;
            }
            if (!mdlMain::ChkFileExist(folder + QStringLiteral("readme.txt"))) {
                appendLine(QStringLiteral("Warning: unable to locate ") + name +
                           QStringLiteral("'s readme documentations."));
                c += 1;
            }
            if (!mdlMain::ChkFileExist(folder + QStringLiteral("preview.jpg"))) {
                appendLine(QStringLiteral("Warning: unable to locate ") + name +
                           QStringLiteral("'s preview picture."));
                c += 1;
            }
            UpdateStatus(P, scanningText("Scanned", i, name, lstErrors->count()));
            if (!yieldOnce())
                return;

            if (c == 0)
                appendLine(QStringLiteral("Message: Scanning of ") + name +
                           QStringLiteral(" resulted in no errors found. This VS is safe for usage."));
            else
                appendLine(QStringLiteral("Message: Scanning of ") + name + QStringLiteral(" resulted in ") +
                           QString::number(c) + QStringLiteral(" errors/warnings"));
            appendLine(separatorLine());
            if (!yieldOnce())
                return;
            if (lstErrors->count() > 0) {
                selectLastLine();
                if (!yieldOnce())
                    return;
            }

            // Second cancel point: after the style's separator.
            if (CancelCheck) {
                cancelScan();
                return;
            }
        }
        total += c;

        // 8. Loose files, when there was at least one style.
        if (n >= 1) {
            UpdateStatus(99, QStringLiteral("Scanning ") + T + QStringLiteral(" ..."));
            appendLine(QStringLiteral("Message: Scanning for ") + T + QStringLiteral("*.*"));
            platform::DirectoryListing listing((T + QStringLiteral("*.*")).toStdString(), 33);
            while (auto file = listing.next()) {
                appendLine(QStringLiteral("Warning: unknown file found - ") + QString::fromStdString(*file) +
                           QStringLiteral(" - in ") + T);
                if (!yieldOnce())
                    return;
            }
            appendLine(separatorLine());
        }
    }

    // 9. Summary.
    if (!yieldOnce())
        return;
    UpdateStatus(100, QStringLiteral("Analyzing results ..."));
    if (!pauseOneSecond())
        return;
    appendLine(QStringLiteral("Message: Scanning process completed!"));
    if (!yieldOnce())
        return;
    appendLine(QStringLiteral("Message: You have ") + QString::number(styles.size()) +
               QStringLiteral(" visual styles installed."));
    const QString dllName =
        checkup::readSetting(checkup::kThemeManagerKey, QStringLiteral("DllName"), QStringLiteral("None"));
    const QString colorName =
        checkup::readSetting(checkup::kThemeManagerKey, QStringLiteral("ColorName"), QStringLiteral("None"));
    appendLine(QStringLiteral("Message: You are using ") + colorName + QStringLiteral(" of ") + dllName +
               QLatin1Char('.'));
    appendLine(QStringLiteral("Message: You have ") + QString::number(total) +
               QStringLiteral(" errors/warning messages"));
    if (!yieldOnce())
        return;
    const float end = static_cast<float>(platform::secondsSinceMidnight());
    float elapsed = end - start;
    // The clock starts again at midnight: a scan across it took a day less than that.
    if (elapsed < 0.0f)
        elapsed += kSecondsPerDay;
    const QString E = elapsedText(elapsed);
    appendLine(QStringLiteral("Message: Time taken to complete task - ") + E + QStringLiteral(" seconds"));

    // 10. Finish.
    picProgress->hide();
    if (!yieldOnce())
        return;
    checkup::writeSetting(checkup::kSettingsKey, QStringLiteral("LastChk"),
                          QString::fromStdString(platform::generalDateText()));
    UiServices::setMousePointer(quorlin::PointerDefault);
    cmdChk->setEnabled(true);
    cmdSave->setEnabled(true);
    if (!yieldOnce())
        return;
    const QString lastCheck =
        checkup::readSetting(checkup::kSettingsKey, QStringLiteral("LastChk"),
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
