#pragma once
// What Apply needs to know about a style file: a .msstyles file is a Windows resource
// DLL, and its resources COLORNAMES and SIZENAMES (name 1) list the colour schemes and
// sizes it offers, as UTF-16 names each ended by a NUL, the list ended by an empty name.
// PACKTHEM_VERSION (name 1) holds the 2-byte format number (3 for the styles we manage).
//
// The reader walks the PE headers and the resource directory itself; every offset is
// checked against the data, so a file that is not a PE, is truncated or lies about its
// sizes simply "cannot be read".

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

class StyleFile {
public:
    // Reads the style file at a host path.
    static StyleFile fromHostPath(const QString& hostPath);
    // Reads a style file held in memory.
    static StyleFile fromData(QByteArrayView data);

    // The colour schemes the style offers, in the file's order; nullopt when the file or
    // the list cannot be read or the list is empty.
    const std::optional<QStringList>& colorNames() const { return m_colorNames; }
    // The sizes the style offers, likewise.
    const std::optional<QStringList>& sizeNames() const { return m_sizeNames; }
    // The format number; nullopt when it cannot be read.
    std::optional<int> packthemVersion() const { return m_packthemVersion; }
    // Whether a theme service can be handed the file: format 3, colour schemes and sizes
    // listed, and the INI data (TEXTFILE) of the style and of every scheme and size
    // there. A file that is damaged, hostile or no style is never handed over.
    bool themeServiceCanOpen() const { return m_themeServiceCanOpen; }

    // The raw data of the resource type/1 (first language), nullopt when the data holds
    // no readable PE resource of that name. Types are given by name ("COLORNAMES").
    static std::optional<QByteArrayView> findResource(QByteArrayView image, const QString& type, int id);
    // A resource name list: UTF-16 names ended by NUL, the list ended by an empty name
    // (or by the end of the data).
    static QStringList parseNameList(QByteArrayView data);

private:
    std::optional<QStringList> m_colorNames;
    std::optional<QStringList> m_sizeNames;
    std::optional<int> m_packthemVersion;
    bool m_themeServiceCanOpen = false;
};
