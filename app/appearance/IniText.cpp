#include "IniText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace appearance {

namespace {

// Settings files are a few kilobytes; anything this large is not one.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

// "name[$i]" -> "name"; "name[de]" (a translation) -> empty, as no reader wants one.
QString withoutFlags(QString name) {
    while (name.endsWith(QLatin1Char(']'))) {
        const qsizetype open = name.lastIndexOf(QLatin1Char('['));
        if (open <= 0)
            break;
        if (name.at(open + 1) != QLatin1Char('$'))
            return QString();
        name.truncate(open);
    }
    return name.trimmed();
}

} // namespace

SettingsFile readSettingsFile(const QString& path) {
    SettingsFile file;
    const QFileInfo info(path);
    if (!info.exists()) {
        file.status = SettingsFile::Missing;
        return file;
    }
    if (info.isDir()) {
        file.status = SettingsFile::Unreadable;
        file.problem = QStringLiteral("it is a folder");
        return file;
    }
    // A pipe or a device in a file's place would block the read or never end.
    if (!info.isFile()) {
        file.status = SettingsFile::Unreadable;
        file.problem = QStringLiteral("it is not a regular file");
        return file;
    }
    QFile handle(path);
    if (!handle.open(QIODevice::ReadOnly)) {
        file.status = SettingsFile::Unreadable;
        file.problem = handle.errorString();
        return file;
    }
    const QByteArray bytes = handle.read(kMaxSettingsBytes + 1);
    if (handle.error() != QFileDevice::NoError) {
        file.status = SettingsFile::Unreadable;
        file.problem = handle.errorString();
        return file;
    }
    if (bytes.size() > kMaxSettingsBytes) {
        file.status = SettingsFile::TooLarge;
        return file;
    }
    if (bytes.trimmed().isEmpty()) {
        file.status = SettingsFile::Empty;
        return file;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || bytes.contains('\0')) {
        file.status = SettingsFile::NotText;
        return file;
    }
    file.status = SettingsFile::Read;
    file.text = std::move(text);
    return file;
}

QString settingsFileProblem(const SettingsFile& file, const QString& shownPath) {
    switch (file.status) {
    case SettingsFile::Read:
        return QString();
    case SettingsFile::Missing:
        return QStringLiteral("%1 does not exist").arg(shownPath);
    case SettingsFile::Unreadable:
        return QStringLiteral("%1 cannot be read (%2)").arg(shownPath, file.problem);
    case SettingsFile::Empty:
        return QStringLiteral("%1 is empty").arg(shownPath);
    case SettingsFile::NotText:
        return QStringLiteral("%1 is not a text file").arg(shownPath);
    case SettingsFile::TooLarge:
        return QStringLiteral("%1 is too large for a settings file").arg(shownPath);
    }
    return QString();
}

IniText IniText::parse(const QString& text) {
    IniText ini;
    QHash<QString, QString>* group = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            // "[Colors:Header][Inactive][$i]" -> "Colors:Header][Inactive"
            QString name = line;
            while (name.endsWith(QLatin1String("]")) && name.lastIndexOf(QLatin1String("[$")) > 0)
                name.truncate(name.lastIndexOf(QLatin1String("[$")));
            if (!name.endsWith(QLatin1Char(']'))) {
                group = nullptr; // a broken header: its keys belong to no group
                continue;
            }
            group = &ini.m_groups[name.mid(1, name.size() - 2)];
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!group || equals <= 0)
            continue;
        const QString key = withoutFlags(line.left(equals).trimmed());
        if (key.isEmpty())
            continue;
        group->insert(key, line.mid(equals + 1).trimmed());
    }
    return ini;
}

void IniText::overlay(const IniText& other) {
    for (auto group = other.m_groups.cbegin(); group != other.m_groups.cend(); ++group) {
        QHash<QString, QString>& mine = m_groups[group.key()];
        for (auto entry = group->cbegin(); entry != group->cend(); ++entry)
            mine.insert(entry.key(), entry.value());
    }
}

std::optional<QString> IniText::value(const QString& group, const QString& key) const {
    const auto found = m_groups.constFind(group);
    if (found == m_groups.cend())
        return std::nullopt;
    const auto entry = found->constFind(key);
    if (entry == found->cend())
        return std::nullopt;
    return *entry;
}

} // namespace appearance
