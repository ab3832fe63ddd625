#pragma once
// Archives for the tests, written with libarchive's own writer, and the small file
// helpers the extraction tests share.

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale.h>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

struct ArchiveEntry {
    std::string name;
    std::string data;
    mode_t type = AE_IFREG;
    std::string link; // symbolic link target
    std::string hardlink;
};

inline ArchiveEntry fileEntry(std::string name, std::string data) {
    return {std::move(name), std::move(data), AE_IFREG, {}, {}};
}
inline ArchiveEntry folderEntry(std::string name) {
    return {std::move(name), {}, AE_IFDIR, {}, {}};
}
inline ArchiveEntry symlinkEntry(std::string name, std::string target) {
    return {std::move(name), {}, AE_IFLNK, std::move(target), {}};
}
inline ArchiveEntry hardlinkEntry(std::string name, std::string target) {
    return {std::move(name), {}, AE_IFREG, {}, std::move(target)};
}

struct ArchiveFormat {
    ArchiveFormat(std::string format_ = "zip", std::string filter_ = {}, std::string options_ = {},
                  std::string passphrase_ = {})
        : format(std::move(format_)), filter(std::move(filter_)), options(std::move(options_)),
          passphrase(std::move(passphrase_)) {}
    std::string format;  // libarchive writer name: zip, 7zip, pax, ustar
    std::string filter;  // gzip, ...
    std::string options; // e.g. "zip:encryption=zipcrypt"
    std::string passphrase;
};

inline void writeArchive(const std::filesystem::path& path, const std::vector<ArchiveEntry>& entries,
                         const ArchiveFormat& format = {}) {
    // Names beyond ASCII only convert under a UTF-8 locale.
    locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(nullptr));
    locale_t previous = utf8 ? uselocale(utf8) : locale_t(nullptr);
    archive* a = archive_write_new();
    std::string error;
    auto check = [&](int status, const char* what) {
        if (status < ARCHIVE_WARN && error.empty())
            error = std::string(what) + ": " + (archive_error_string(a) ? archive_error_string(a) : "");
    };
    check(archive_write_set_format_by_name(a, format.format.c_str()), "format");
    if (!format.filter.empty())
        check(archive_write_add_filter_by_name(a, format.filter.c_str()), "filter");
    if (!format.options.empty())
        check(archive_write_set_options(a, format.options.c_str()), "options");
    if (!format.passphrase.empty())
        check(archive_write_set_passphrase(a, format.passphrase.c_str()), "passphrase");
    check(archive_write_open_filename(a, path.c_str()), "open");
    for (const ArchiveEntry& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, e.type == AE_IFDIR ? 0755 : 0644);
        archive_entry_set_mtime(entry, 1136073600, 0); // 2006-01-01
        if (!e.link.empty())
            archive_entry_set_symlink(entry, e.link.c_str());
        if (!e.hardlink.empty())
            archive_entry_set_hardlink(entry, e.hardlink.c_str());
        archive_entry_set_size(entry,
                               e.type == AE_IFREG && e.hardlink.empty() ? la_int64_t(e.data.size()) : 0);
        check(archive_write_header(a, entry), "header");
        if (!e.data.empty())
            archive_write_data(a, e.data.data(), e.data.size());
        archive_entry_free(entry);
    }
    check(archive_write_close(a), "close");
    archive_write_free(a);
    if (utf8) {
        uselocale(previous);
        freelocale(utf8);
    }
    if (!error.empty())
        throw std::runtime_error("cannot write " + path.string() + ": " + error);
}

inline std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(generator());
    return out;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& data) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

// Every path below folder, relative and sorted, folders with a trailing slash.
inline std::vector<std::string> tree(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::string name = it->path().lexically_relative(folder).generic_string();
        if (it->is_directory(ec) && !it->is_symlink(ec))
            name += '/';
        out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Joins two ZIP archives into one holding the entries of both, as a zip tool appending
// entries would; so one archive can mix encrypted and plain entries.
inline void joinZips(const std::filesystem::path& first, const std::filesystem::path& second,
                     const std::filesystem::path& out) {
    struct Parts {
        std::string local, central;
        uint16_t count = 0;
    };
    auto u16 = [](const std::string& s, size_t at) {
        return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8);
    };
    auto u32 = [&](const std::string& s, size_t at) {
        return uint32_t(u16(s, at)) | uint32_t(u16(s, at + 2)) << 16;
    };
    auto put32 = [](std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s[at + i] = char(v >> (8 * i));
    };
    auto split = [&](const std::string& zip) {
        const size_t end = zip.size() - 22; // no archive comment
        if (u32(zip, end) != 0x06054b50)
            throw std::runtime_error("no end of central directory");
        Parts p;
        p.count = u16(zip, end + 10);
        const uint32_t size = u32(zip, end + 12), offset = u32(zip, end + 16);
        p.local = zip.substr(0, offset);
        p.central = zip.substr(offset, size);
        return p;
    };
    Parts a = split(readFile(first)), b = split(readFile(second));
    // The second archive's entries move up by the first one's local part.
    for (size_t at = 0; at + 46 <= b.central.size();) {
        put32(b.central, at + 42, u32(b.central, at + 42) + uint32_t(a.local.size()));
        at += 46 + u16(b.central, at + 28) + u16(b.central, at + 30) + u16(b.central, at + 32);
    }
    std::string end(22, '\0');
    put32(end, 0, 0x06054b50);
    const uint16_t count = uint16_t(a.count + b.count);
    end[8] = end[10] = char(count & 0xFF);
    end[9] = end[11] = char(count >> 8);
    put32(end, 12, uint32_t(a.central.size() + b.central.size()));
    put32(end, 16, uint32_t(a.local.size() + b.local.size()));
    std::ofstream(out, std::ios::binary) << a.local << b.local << a.central << b.central << end;
}

} // namespace testing_support
