#pragma once
// Style files for the tests: a minimal 32- or 64-bit PE image whose only section holds a
// resource directory with the given named resource types (each under one name id and
// the language 0x409), built byte by byte the way a linker lays them out.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct PeResource {
    std::u16string type; // resource type name, e.g. u"COLORNAMES"
    std::string data;
    uint32_t id = 1;
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

    // Layout: root directory and its entries; per type a name directory and a language
    // directory with one entry each; the data entries; the type names; the data.
    static std::string resourceSection(const std::vector<PeResource>& resources) {
        const size_t n = resources.size();
        const size_t rootSize = 16 + 8 * n;
        const size_t perTypeDirs = 2 * (16 + 8);
        const size_t dataEntriesAt = rootSize + n * perTypeDirs;
        size_t namesAt = dataEntriesAt + n * 16;
        std::string s(namesAt, '\0');
        put16(s, 12, uint16_t(n)); // named entries at the root
        std::vector<size_t> nameOffsets;
        for (const auto& r : resources) {
            nameOffsets.push_back(s.size());
            put16(s, s.size(), uint16_t(r.type.size()));
            for (char16_t c : r.type)
                put16(s, s.size(), uint16_t(c));
        }
        while (s.size() % 4)
            s.push_back('\0');
        for (size_t i = 0; i < n; ++i) {
            const size_t nameDir = rootSize + i * perTypeDirs;
            const size_t languageDir = nameDir + 24;
            const size_t dataEntry = dataEntriesAt + i * 16;
            put32(s, 16 + 8 * i, 0x80000000u | uint32_t(nameOffsets[i]));
            put32(s, 16 + 8 * i + 4, 0x80000000u | uint32_t(nameDir));
            put16(s, nameDir + 14, 1); // one id entry
            put32(s, nameDir + 16, resources[i].id);
            put32(s, nameDir + 20, 0x80000000u | uint32_t(languageDir));
            put16(s, languageDir + 14, 1);
            put32(s, languageDir + 16, 0x409);
            put32(s, languageDir + 20, uint32_t(dataEntry));
            const size_t dataAt = s.size();
            s += resources[i].data;
            while (s.size() % 4)
                s.push_back('\0');
            put32(s, dataEntry, kSectionRva + uint32_t(dataAt));
            put32(s, dataEntry + 4, uint32_t(resources[i].data.size()));
        }
        return s;
    }
};

// A style file offering the given colour schemes and sizes, format 3.
inline std::string styleFile(const std::vector<std::u16string>& colors,
                             const std::vector<std::u16string>& sizes) {
    return PeBuilder::build({{u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
                             {u"COLORNAMES", nameList(colors)},
                             {u"SIZENAMES", nameList(sizes)}});
}

} // namespace testing_support
