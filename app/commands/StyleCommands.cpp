#include "StyleCommands.h"

#include "RegistryValues.h"
#include "mdlMainThemes.h"

#include "common/AnsiText.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include <unistd.h>

namespace StyleCommands {

namespace {

// A unit as NTFS's upper-case table has it; names are mostly ASCII, whose letters are
// upper-cased without a table.
char16_t upperUnit(QChar unit) {
    const char16_t u = unit.unicode();
    if (u < 0x80)
        return u >= u'a' && u <= u'z' ? char16_t(u - (u'a' - u'A')) : u;
    return unit.toUpper().unicode();
}

} // namespace

bool catalogueOrder(const QString& a, const QString& b) {
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t ua = upperUnit(pa[i]), ub = upperUnit(pb[i]);
        if (ua != ub)
            return ua < ub;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

QStringList installedStyles(const QString& themes) {
    QStringList styles;
    listInstalledStyles(
        themes, [&](QString name) { styles.append(std::move(name)); }, [] {});
    std::sort(styles.begin(), styles.end(), catalogueOrder);
    return styles;
}

QString styleNamedIn(const QStringList& styles, const QString& name) {
    if (name.isEmpty())
        return QString();
    if (styles.contains(name))
        return name;
    for (const QString& style : styles)
        if (style.compare(name, Qt::CaseInsensitive) == 0)
            return style;
    return QString();
}

QString notInstalledMessage(const QString& name, const QString& themes) {
    return QStringLiteral("no visual style named ") + name + QStringLiteral(" is installed in ") + themes;
}

QString installedStyleNamed(const QString& themes, const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')))
        return QString();
    return styleNamedIn(installedStyles(themes), name);
}

QString findStyleFile(const QString& themes, const QString& style) {
    // Plain files, read-only and archive ones included; hidden and system ones are not
    // seen. The first one the folder reports is the style's file.
    platform::DirectoryListing files((themes + style + QStringLiteral("\\*.msstyles")).toStdString(), 33);
    if (const auto name = files.next())
        return QString::fromStdString(*name);
    return QString();
}

QString noStyleFileMessage() {
    return QStringLiteral("Unable to find MSStyles file in the folder.");
}

namespace {

// What ThemeManager's DllName names as a path ("%systemroot%\Resources\Themes\<style>\<file>"
// as written here, or the path the theme service wrote); empty when no style is in use.
QString pathInUse(const RegistryValues::ThemeRecord& record) {
    if (record.themeActive.trimmed() == QLatin1String("0"))
        return QString();
    const QString path = record.dllName.trimmed();
    for (const QLatin1String variable : {QLatin1String("%systemroot%"), QLatin1String("%windir%")}) {
        if (path.startsWith(variable, Qt::CaseInsensitive))
            return mdlMain::windowsDirectoryText() + path.mid(variable.size());
    }
    return path;
}

} // namespace

QString fileOfStyleInUse() {
    const auto record = RegistryValues::readThemeRecord();
    return record ? pathInUse(*record) : QString();
}

StyleInUse styleInUseOf(const RegistryValues::ThemeRecord& record) {
    const QString path = pathInUse(record);
    const QString themes = mdlMain::themesDirectory();
    if (!path.startsWith(themes, Qt::CaseInsensitive))
        return {};
    const QString rest = path.mid(themes.size());
    const qsizetype slash = rest.indexOf(QLatin1Char('\\'));
    if (slash <= 0 || slash + 1 == rest.size())
        return {};
    return {rest.left(slash), rest.mid(slash + 1), record.dllName};
}

StyleInUse styleInUse() {
    const auto record = RegistryValues::readThemeRecord();
    return record ? styleInUseOf(*record) : StyleInUse{};
}

QString appliedStyle() {
    return styleInUse().folder;
}

bool canApply(const QString& style, const QString& styleFile) {
    // The registry takes the path as ANSI text: a name the code page lacks would be
    // recorded as question marks, naming a style that does not exist.
    return quorlin::ansiCanCarry(style) && quorlin::ansiCanCarry(styleFile);
}

QString cannotApplyMessage(const QString& style, const QString& styleFile) {
    return QStringLiteral("Visual Style ") + style +
           QStringLiteral(" cannot be applied: the name of its folder or of its file ") + styleFile +
           QStringLiteral(
               " holds characters that the registry's ANSI text cannot carry. Rename them with Latin "
               "letters, refresh the list and apply it again.");
}

namespace {

// Whether anything but the file kept stays in the folder (the folders on the way to it
// do not count).
bool holdsMoreThan(const std::filesystem::path& folder, const std::filesystem::path& kept) {
    std::error_code ec;
    std::filesystem::recursive_directory_iterator entries(folder, ec), end;
    for (; !ec && entries != end; entries.increment(ec)) {
        const std::filesystem::path& path = entries->path();
        const auto [keptEnd, pathEnd] = std::mismatch(kept.begin(), kept.end(), path.begin(), path.end());
        const bool onTheWay = pathEnd == path.end() && keptEnd != kept.end();
        if (path != kept && !onTheWay)
            return true;
    }
    return bool(ec);
}

} // namespace

QString fileInUse(const QString& themes, const QString& style) {
    const StyleInUse inUse = styleInUse();
    if (inUse.isEmpty() || inUse.folder.compare(style, Qt::CaseInsensitive) != 0)
        return QString();
    // Folders that differ only in case: the one Wine finds is the one in use.
    return styleNamedIn(installedStyles(themes), inUse.folder) == style ? inUse.file : QString();
}

Removal removeStyleFolder(const QString& folderPath, const QString& inUseFile,
                          const ClearFunction& clearFolder) {
    // folderPath ends with a backslash; look at the folder entry itself.
    QString folder = folderPath;
    folder.chop(1);
    const auto host = platform::toHostPath(folder.toStdString());
    if (!host || !platform::fileAttributes(*host))
        return {.outcome = Removal::Missing};
    const auto attributes = platform::fileAttributes(*host);
    if (*attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) {
        // A style that is a link to a folder elsewhere: clearing it would delete what
        // lies outside the themes directory. Only the link goes, unless the style in use
        // is reached through it.
        if (!inUseFile.isEmpty())
            return {.outcome = Removal::KeptInUse, .fileInUse = inUseFile};
        if (::unlink(host->c_str()) != 0)
            return {.outcome = Removal::KeptEntries, .removalError = errno};
        return {.outcome = Removal::Removed};
    }
    const QString kept = inUseFile.isEmpty() ? QString() : folderPath + inUseFile;
    clearFolder(folderPath, kept);
    if (::rmdir(host->c_str()) == 0)
        return {.outcome = Removal::Removed};
    const int error = errno;
    if (!platform::fileAttributes(*host))
        return {.outcome = Removal::Removed}; // someone else took it meanwhile
    if (const auto keptHost = kept.isEmpty() ? std::nullopt : platform::toHostPath(kept.toStdString());
        keptHost && platform::fileAttributes(*keptHost))
        return {.outcome = Removal::KeptInUse,
                .removalError = error,
                .fileInUse = inUseFile,
                .othersKept = holdsMoreThan(*host, *keptHost)};
    std::error_code ec;
    const bool empty = std::filesystem::is_empty(*host, ec) && !ec;
    return {.outcome = empty ? Removal::KeptEmpty : Removal::KeptEntries, .removalError = error};
}

QString removalMessage(const QString& style, const QString& themes, const Removal& removal) {
    switch (removal.outcome) {
    case Removal::Removed:
        return QStringLiteral("Visual Style ") + style + QStringLiteral(" uninstalled from system.");
    case Removal::Missing:
        return QStringLiteral("Visual Style ") + style +
               QStringLiteral(" was not uninstalled: its folder is no longer in ") + themes +
               QStringLiteral(". The refreshed list shows the styles that are there.");
    case Removal::KeptEmpty:
        return QStringLiteral("Every file of Visual Style ") + style +
               QStringLiteral(" was deleted, but its empty folder could not be removed from ") + themes +
               QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(removal.removalError)) +
               QStringLiteral("), so the refreshed list still shows it.");
    case Removal::KeptInUse:
        return QStringLiteral("Visual Style ") + style +
               QStringLiteral(" uninstalled from system, except its file ") + removal.fileInUse +
               QStringLiteral(": ") + style +
               QStringLiteral(
                   " is the visual style in use; apply another style or the classic look first, then "
                   "uninstall it again.") +
               (removal.othersKept
                    ? QStringLiteral(" Some of its other files could not be deleted either; what "
                                     "remains of it is shown in the refreshed list.")
                    : QString());
    case Removal::KeptEntries:
        break;
    }
    return QStringLiteral("Visual Style ") + style +
           QStringLiteral(
               " could not be removed completely: some of its files could not be deleted. What remains "
               "of it is shown in the refreshed list.");
}

} // namespace StyleCommands
