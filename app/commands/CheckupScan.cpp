// The checkup's scan: five checks on every folder of the themes directory, the loose
// files beside them and a summary, written as lines of the report.

#include "CheckupScan.h"

#include "RegistryValues.h"
#include "StyleCommands.h"
#include "mdlMainControl.h"
#include "mdlMainThemes.h"

#include "platform/Clock.h"
#include "platform/DirectoryListing.h"
#include "platform/Registry.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace checkup {
namespace {

constexpr float kSecondsPerDay = 86400.0f;

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

// A Windows root Wine made: its machine registry holds Wine's own key. Wine draws no
// shell styles, so a style there needs no Shell folder.
bool inWinePrefix() {
    platform::Registry& registry = platform::Registry::current();
    platform::HKEY key = 0;
    if (registry.RegOpenKeyA(platform::HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != platform::ERROR_SUCCESS)
        return false;
    registry.RegCloseKey(key);
    return true;
}

bool hasStyleFile(const QString& pattern) {
    // Hidden and system files do not count: the mask asks for plain files only.
    platform::DirectoryListing listing(pattern.toStdString(), 33);
    return listing.next().has_value();
}

} // namespace

ScanEnd runScan(ScanHost& host, float start, QString& elapsed) {
    // 3. The Windows directory and the themes directory.
    const QString W = mdlMain::windowsDirectoryText();
    const QString T = mdlMain::themesDirectoryOf(W);

    QStringList styles;
    int32_t total = 0;
    int32_t c = 0;

    if (!mdlMain::ChkPathExist(T)) {
        // 4. No themes directory: reported, then straight to the summary.
        if (!host.tellMissingThemes(mdlMain::missingThemesMessage(W)))
            return ScanEnd::Abandoned;
        host.line(
            QStringLiteral("Error: Unable to locate system folder that contains all the visual styles."));
    } else {
        // 5. Collect the style folders, in the catalogue's order (as NTFS lists them), so
        // the report follows the list of the main window.
        if (!host.yield())
            return ScanEnd::Abandoned;
        if (!StyleCommands::listInstalledStyles(
                T, [&](QString name) { styles.append(std::move(name)); }, [&] { return host.yield(); }))
            return ScanEnd::Abandoned;
        std::sort(styles.begin(), styles.end(), StyleCommands::catalogueOrder);
        const bool wine = inWinePrefix();

        const int n = static_cast<int>(styles.size());
        // 7. Every style.
        for (int i = 1; i <= n; ++i) {
            const QString name = styles.at(i - 1);
            total += c;
            c = 0;
            if (!host.yield())
                return ScanEnd::Abandoned;
            const uint8_t P = roundPercent(static_cast<double>(i) / (n + 1.0) * 100.0);
            const uint8_t H = roundPercent((i - 1 + 0.5) / (n + 1.0) * 100.0);
            host.status(P, scanningText("Scanning", i, name, host.lineCount()));

            const QString folder = T + name + QLatin1Char('\\');
            const QString shownFolder = T + name + QLatin1Char('\\');
            if (!mdlMain::ChkPathExist(folder)) {
                host.line(QStringLiteral("Error: unable to locate ") + name +
                          QStringLiteral("'s visual style directory as ") + shownFolder);
                host.selectLast();
                if (!host.yield())
                    return ScanEnd::Abandoned;
                c = 1;
            }
            if (!mdlMain::ChkPathExist(folder + QStringLiteral("Shell\\"))) {
                // Wine draws no shell styles: there the folder is no part a style needs.
                host.line((wine ? QStringLiteral("Message: unable to locate ")
                                : QStringLiteral("Error: unable to locate ")) +
                          name + QStringLiteral("'s visual style shell directory as ") + shownFolder +
                          QStringLiteral("Shell\\") +
                          (wine ? QStringLiteral(", which Wine does not use: it draws no shell styles.")
                                : QString()));
                host.selectLast();
                if (!host.yield())
                    return ScanEnd::Abandoned;
                if (!wine)
                    c += 1;
            }
            host.status(H, scanningText("Scanning", i, name, host.lineCount()));
            host.selectLast();

            // First cancel point: after the folder checks.
            if (host.cancelRequested())
                return ScanEnd::Cancelled;

            if (!hasStyleFile(folder + QStringLiteral("*.msstyles"))) {
                host.line(QStringLiteral("Error: unable to locate ") + name +
                          QStringLiteral("'s msstyle info file as ") + shownFolder +
                          QStringLiteral("*.msstyles"));
                c += 1;
            }
            if (!mdlMain::ChkFileExist(folder + QStringLiteral("readme.txt"))) {
                host.line(QStringLiteral("Warning: unable to locate ") + name +
                          QStringLiteral("'s readme documentations."));
                c += 1;
            }
            if (!mdlMain::ChkFileExist(folder + QStringLiteral("preview.jpg"))) {
                host.line(QStringLiteral("Warning: unable to locate ") + name +
                          QStringLiteral("'s preview picture."));
                c += 1;
            }
            host.status(P, scanningText("Scanned", i, name, host.lineCount()));
            if (!host.yield())
                return ScanEnd::Abandoned;

            if (c == 0)
                host.line(QStringLiteral("Message: Scanning of ") + name +
                          QStringLiteral(" resulted in no errors found. This VS is safe for usage."));
            else
                host.line(QStringLiteral("Message: Scanning of ") + name + QStringLiteral(" resulted in ") +
                          QString::number(c) + QStringLiteral(" errors/warnings"));
            host.line(separatorLine());
            if (!host.yield())
                return ScanEnd::Abandoned;
            if (host.lineCount() > 0) {
                host.selectLast();
                if (!host.yield())
                    return ScanEnd::Abandoned;
            }

            // Second cancel point: after the style's separator.
            if (host.cancelRequested())
                return ScanEnd::Cancelled;
        }
        total += c;

        // 8. Loose files, when there was at least one style.
        if (n >= 1) {
            host.status(99, QStringLiteral("Scanning ") + T + QStringLiteral(" ..."));
            host.line(QStringLiteral("Message: Scanning for ") + T + QStringLiteral("*.*"));
            platform::DirectoryListing listing((T + QStringLiteral("*.*")).toStdString(), 33);
            while (auto file = listing.next()) {
                host.line(QStringLiteral("Warning: unknown file found - ") + QString::fromStdString(*file) +
                          QStringLiteral(" - in ") + T);
                if (!host.yield())
                    return ScanEnd::Abandoned;
            }
            host.line(separatorLine());
        }
    }

    // 9. Summary.
    if (!host.yield())
        return ScanEnd::Abandoned;
    host.status(100, QStringLiteral("Analyzing results ..."));
    if (!host.pauseOneSecond())
        return ScanEnd::Abandoned;
    host.line(QStringLiteral("Message: Scanning process completed!"));
    if (!host.yield())
        return ScanEnd::Abandoned;
    host.line(QStringLiteral("Message: You have ") + QString::number(styles.size()) +
              QStringLiteral(" visual styles installed."));
    const QString dllName =
        RegistryValues::readText(Functions::HKEY_CURRENT_USER, RegistryValues::kThemeManagerKey,
                                 QStringLiteral("DllName"), QStringLiteral("None"));
    const QString colorName =
        RegistryValues::readText(Functions::HKEY_CURRENT_USER, RegistryValues::kThemeManagerKey,
                                 QStringLiteral("ColorName"), QStringLiteral("None"));
    host.line(QStringLiteral("Message: You are using ") + colorName + QStringLiteral(" of ") + dllName +
              QLatin1Char('.'));
    // The one fault that leaves the desktop without its style: the file the registry names
    // as the style in use is not there.
    if (const QString inUse = StyleCommands::fileOfStyleInUse();
        !inUse.isEmpty() && !mdlMain::ChkFileExist(inUse))
        host.line(QStringLiteral("Error: unable to locate the visual style in use as ") + inUse);
    host.line(QStringLiteral("Message: You have ") + QString::number(total) +
              QStringLiteral(" errors/warning messages"));
    if (!host.yield())
        return ScanEnd::Abandoned;
    const float end = static_cast<float>(platform::secondsSinceMidnight());
    float seconds = end - start;
    // The clock starts again at midnight: a scan across it took a day less than that.
    if (seconds < 0.0f)
        seconds += kSecondsPerDay;
    const QString E = elapsedText(seconds);
    host.line(QStringLiteral("Message: Time taken to complete task - ") + E + QStringLiteral(" seconds"));

    // 10. Finish: the time of the check is recorded.
    host.hideProgress();
    if (!host.yield())
        return ScanEnd::Abandoned;
    RegistryValues::writeText(RegistryValues::kSettingsKey, QStringLiteral("LastChk"),
                              QString::fromStdString(platform::generalDateText()));
    elapsed = E;
    return ScanEnd::Completed;
}

uint8_t roundPercent(double x) {
    // Halves to the even neighbour under the default rounding mode; a byte holds the
    // result (the callers stay within 0 to 100).
    const double r = std::nearbyint(x);
    if (!(r >= 0.0))
        return 0;
    return r > 255.0 ? 255 : static_cast<uint8_t>(r);
}

QString elapsedText(float seconds) {
    QString text = QString::number(static_cast<double>(seconds), 'g', 7);
    // Exponents as the program has always printed them: "1E-05", "1.5E+07".
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

QString separatorLine() {
    static const QString line(76, QLatin1Char('-'));
    return line;
}

} // namespace checkup
