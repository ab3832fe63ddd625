#pragma once
// Style files for the tests: a minimal 32- or 64-bit PE image whose only section holds a
// resource directory with the given resources of named types (each under a name or an
// id, and the language 0x409), built byte by byte the way a linker lays them out.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct PeResource {
    std::u16string type; // resource type name, e.g. u"COLORNAMES"
    std::string data;
    uint32_t id = 1;
    std::u16string name = {}; // the resource's name; empty: it is named by id
};

// A resource name list: each name, a NUL, and an empty name at the end.
inline std::string nameList(const std::vector<std::u16string>& names) {
    std::string out;
    const auto unit = [&](char16_t c) {
        out.push_back(char(c & 0xFF));
        out.push_back(char(c >> 8));
    };
    for (const auto& name : names) {
        for (char16_t c : name)
            unit(c);
        unit(0);
    }
    unit(0);
    return out;
}

class PeBuilder {
public:
    static constexpr uint32_t kSectionRva = 0x1000;
    static constexpr uint32_t kSectionFileOffset = 0x200;

    static std::string build(const std::vector<PeResource>& resources, bool pe32plus = false) {
        const std::string section = resourceSection(resources);
        std::string image(kSectionFileOffset, '\0');
        put16(image, 0, 0x5A4D); // MZ
        put32(image, 0x3C, 0x40);
        put32(image, 0x40, 0x00004550); // PE\0\0
        const size_t coff = 0x44;
        put16(image, coff, pe32plus ? 0x8664 : 0x14C);
        put16(image, coff + 2, 1); // one section
        const uint16_t optionalSize = pe32plus ? 240 : 224;
        put16(image, coff + 16, optionalSize);
        put16(image, coff + 18, 0x2102);
        const size_t optional = coff + 20;
        put16(image, optional, pe32plus ? 0x20B : 0x10B);
        const size_t rvaCount = optional + (pe32plus ? 108 : 92);
        put32(image, rvaCount, 16);
        const size_t resourceEntry = rvaCount + 4 + 2 * 8;
        put32(image, resourceEntry, kSectionRva);
        put32(image, resourceEntry + 4, uint32_t(section.size()));
        const size_t table = optional + optionalSize;
        image.replace(table, 6, ".rsrc\0", 6);
        const uint32_t rawSize = uint32_t((section.size() + 0x1FF) & ~size_t(0x1FF));
        put32(image, table + 8, uint32_t(section.size()));
        put32(image, table + 12, kSectionRva);
        put32(image, table + 16, rawSize);
        put32(image, table + 20, kSectionFileOffset);
        put32(image, table + 36, 0x40000040); // initialised data, readable
        image += section;
        image.resize(kSectionFileOffset + rawSize, '\0');
        return image;
    }

private:
    static void put16(std::string& s, size_t at, uint16_t v) {
        if (s.size() < at + 2)
            s.resize(at + 2, '\0');
        s[at] = char(v & 0xFF);
        s[at + 1] = char(v >> 8);
    }
    static void put32(std::string& s, size_t at, uint32_t v) {
        put16(s, at, uint16_t(v & 0xFFFF));
        put16(s, at + 2, uint16_t(v >> 16));
    }

    // Layout: the root directory with one entry per type (sorted as a linker sorts them);
    // per type a name directory (named entries first, then ids); per resource a language
    // directory with one entry; the data entries; the names; the data.
    static std::string resourceSection(const std::vector<PeResource>& resources) {
        const auto upper = [](std::u16string name) {
            for (char16_t& c : name)
                if (c >= u'a' && c <= u'z')
                    c = char16_t(c - 32);
            return name;
        };
        std::vector<std::u16string> types;
        for (const auto& r : resources)
            if (std::find(types.begin(), types.end(), upper(r.type)) == types.end())
                types.push_back(upper(r.type));
        std::sort(types.begin(), types.end());
        std::vector<std::vector<size_t>> members(types.size());
        for (size_t t = 0; t < types.size(); ++t) {
            for (size_t i = 0; i < resources.size(); ++i)
                if (upper(resources[i].type) == types[t])
                    members[t].push_back(i);
            std::stable_sort(members[t].begin(), members[t].end(), [&](size_t x, size_t y) {
                const auto& a = resources[x];
                const auto& b = resources[y];
                if (a.name.empty() != b.name.empty())
                    return !a.name.empty();
                return a.name.empty() ? a.id < b.id : upper(a.name) < upper(b.name);
            });
        }

        size_t at = 16 + 8 * types.size();
        std::vector<size_t> nameDirs, languageDirs(resources.size()), dataEntries(resources.size());
        for (size_t t = 0; t < types.size(); ++t) {
            nameDirs.push_back(at);
            at += 16 + 8 * members[t].size();
        }
        for (size_t i = 0; i < resources.size(); ++i, at += 24)
            languageDirs[i] = at;
        for (size_t i = 0; i < resources.size(); ++i, at += 16)
            dataEntries[i] = at;
        std::string s(at, '\0');
        const auto addName = [&](const std::u16string& name) {
            const size_t offset = s.size();
            put16(s, s.size(), uint16_t(name.size()));
            for (char16_t c : name)
                put16(s, s.size(), uint16_t(c));
            return offset;
        };

        put16(s, 12, uint16_t(types.size())); // named entries at the root
        for (size_t t = 0; t < types.size(); ++t) {
            const std::u16string& spelled = resources[members[t].front()].type;
            put32(s, 16 + 8 * t, 0x80000000u | uint32_t(addName(spelled)));
            put32(s, 16 + 8 * t + 4, 0x80000000u | uint32_t(nameDirs[t]));
            uint16_t named = 0;
            for (size_t k = 0; k < members[t].size(); ++k) {
                const PeResource& r = resources[members[t][k]];
                const size_t entry = nameDirs[t] + 16 + 8 * k;
                if (r.name.empty()) {
                    put32(s, entry, r.id);
                } else {
                    ++named;
                    put32(s, entry, 0x80000000u | uint32_t(addName(r.name)));
                }
                put32(s, entry + 4, 0x80000000u | uint32_t(languageDirs[members[t][k]]));
            }
            put16(s, nameDirs[t] + 12, named);
            put16(s, nameDirs[t] + 14, uint16_t(members[t].size() - named));
        }
        for (size_t i = 0; i < resources.size(); ++i) {
            put16(s, languageDirs[i] + 14, 1);
            put32(s, languageDirs[i] + 16, 0x409);
            put32(s, languageDirs[i] + 20, uint32_t(dataEntries[i]));
        }
        while (s.size() % 4)
            s.push_back('\0');
        for (size_t i = 0; i < resources.size(); ++i) {
            const size_t dataAt = s.size();
            s += resources[i].data;
            while (s.size() % 4)
                s.push_back('\0');
            put32(s, dataEntries[i], kSectionRva + uint32_t(dataAt));
            put32(s, dataEntries[i] + 4, uint32_t(resources[i].data.size()));
        }
        return s;
    }
};

// UTF-16 LE text, as a style's INI data is stored.
inline std::string utf16Text(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        out.push_back(char(c & 0xFF));
        out.push_back(char(c >> 8));
    }
    return out;
}

// A style file offering the given colour schemes and sizes, format 3, with the INI data
// the theme service reads: THEMES_INI and, through FILERESNAMES, one INI per scheme and
// size ("<SCHEME>_<SIZE>_INI").
inline std::string styleFile(const std::vector<std::u16string>& colors,
                             const std::vector<std::u16string>& sizes) {
    std::vector<PeResource> resources{{u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
                                      {u"COLORNAMES", nameList(colors)},
                                      {u"SIZENAMES", nameList(sizes)},
                                      {u"TEXTFILE", utf16Text(u"[documentation]\r\n"), 0, u"THEMES_INI"}};
    std::vector<std::u16string> iniNames;
    for (const auto& color : colors)
        for (const auto& size : sizes) {
            iniNames.push_back(color + u"_" + size + u"_INI");
            resources.push_back({u"TEXTFILE", utf16Text(u"[SysMetrics]\r\n"), 0, iniNames.back()});
        }
    resources.push_back({u"FILERESNAMES", nameList(iniNames)});
    return PeBuilder::build(resources);
}

} // namespace testing_support
