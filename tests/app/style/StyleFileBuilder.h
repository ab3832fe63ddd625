#pragma once
// Style files for the tests: a minimal 32- or 64-bit PE image whose only section holds a
// resource directory (type, name, language), built byte by byte the way a linker lays
// it out; and the resources a style holds: name lists, string tables, UTF-16 INI text,
// device-independent bitmaps.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct PeResource {
    std::u16string type; // a named type, e.g. u"COLORNAMES"; empty for typeId
    std::string data;
    uint32_t id = 1;          // the resource's number, when it has no name
    std::u16string name = {}; // the resource's name, e.g. u"BLUE_INI"
    uint16_t language = 0x409;
    uint32_t typeId = 0; // a numbered type (2 RT_BITMAP, 6 RT_STRING) when type is empty
};

inline void putUnit(std::string& out, char16_t c) {
    out.push_back(char(c & 0xFF));
    out.push_back(char(c >> 8));
}

// UTF-16LE text.
inline std::string utf16(std::u16string_view text) {
    std::string out;
    for (char16_t c : text)
        putUnit(out, c);
    return out;
}

// A resource name list: each name, a NUL, and an empty name at the end.
inline std::string nameList(const std::vector<std::u16string>& names) {
    std::string out;
    for (const auto& name : names) {
        out += utf16(name);
        putUnit(out, 0);
    }
    putUnit(out, 0);
    return out;
}

// A string table block: entry i of 16 is strings[i] (none where absent).
inline std::string stringBlock(const std::map<int, std::u16string>& strings) {
    std::string out;
    for (int i = 0; i < 16; ++i) {
        const auto found = strings.find(i);
        const std::u16string text = found == strings.end() ? std::u16string() : found->second;
        putUnit(out, char16_t(text.size()));
        out += utf16(text);
    }
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

private:
    // A directory entry's name: a string, or a number when the string is empty.
    struct Key {
        std::u16string text;
        uint32_t id = 0;
        bool operator==(const Key& other) const { return text == other.text && id == other.id; }
    };
    struct NameNode {
        Key key;
        std::vector<size_t> resources; // one per language
    };
    struct TypeNode {
        Key key;
        std::vector<NameNode> names;
    };

    // Layout: the root directory, the type directories, the name directories, the data
    // entries, the names, the data; each directory lists named entries before numbered
    // ones.
    static std::string resourceSection(const std::vector<PeResource>& resources) {
        std::vector<TypeNode> types;
        for (size_t i = 0; i < resources.size(); ++i) {
            const PeResource& r = resources[i];
            const Key typeKey{r.type, r.type.empty() ? r.typeId : 0};
            const Key nameKey{r.name, r.name.empty() ? r.id : 0};
            auto type =
                std::find_if(types.begin(), types.end(), [&](const TypeNode& t) { return t.key == typeKey; });
            if (type == types.end())
                type = types.insert(types.end(), TypeNode{typeKey, {}});
            auto name = std::find_if(type->names.begin(), type->names.end(),
                                     [&](const NameNode& n) { return n.key == nameKey; });
            if (name == type->names.end())
                name = type->names.insert(type->names.end(), NameNode{nameKey, {}});
            name->resources.push_back(i);
        }
        const auto namedFirst = [](const auto& a, const auto& b) {
            return !a.key.text.empty() && b.key.text.empty();
        };
        std::stable_sort(types.begin(), types.end(), namedFirst);
        for (TypeNode& t : types)
            std::stable_sort(t.names.begin(), t.names.end(), namedFirst);

        size_t at = 16 + 8 * types.size();
        std::vector<size_t> typeDirs, nameDirs;
        for (const TypeNode& t : types) {
            typeDirs.push_back(at);
            at += 16 + 8 * t.names.size();
        }
        for (const TypeNode& t : types)
            for (const NameNode& n : t.names) {
                nameDirs.push_back(at);
                at += 16 + 8 * n.resources.size();
            }
        const size_t dataEntries = at;
        std::string s(dataEntries + 16 * resources.size(), '\0');
        const auto nameString = [&](const Key& key) -> uint32_t {
            const size_t offset = s.size();
            put16(s, offset, uint16_t(key.text.size()));
            for (char16_t c : key.text)
                put16(s, s.size(), uint16_t(c));
            return 0x80000000u | uint32_t(offset);
        };
        const auto entry = [&](size_t dir, size_t index, const Key& key, uint32_t target) {
            put32(s, dir + 16 + 8 * index, key.text.empty() ? key.id : nameString(key));
            put32(s, dir + 16 + 8 * index + 4, target);
        };
        const auto counts = [&](size_t dir, const auto& children) {
            size_t named = 0;
            for (const auto& c : children)
                named += c.key.text.empty() ? 0 : 1;
            put16(s, dir + 12, uint16_t(named));
            put16(s, dir + 14, uint16_t(children.size() - named));
        };
        counts(0, types);
        size_t nameDirIndex = 0;
        for (size_t t = 0; t < types.size(); ++t) {
            entry(0, t, types[t].key, 0x80000000u | uint32_t(typeDirs[t]));
            counts(typeDirs[t], types[t].names);
            for (size_t n = 0; n < types[t].names.size(); ++n) {
                const size_t dir = nameDirs[nameDirIndex++];
                entry(typeDirs[t], n, types[t].names[n].key, 0x80000000u | uint32_t(dir));
                const auto& members = types[t].names[n].resources;
                put16(s, dir + 14, uint16_t(members.size()));
                for (size_t l = 0; l < members.size(); ++l) {
                    put32(s, dir + 16 + 8 * l, resources[members[l]].language);
                    put32(s, dir + 16 + 8 * l + 4, uint32_t(dataEntries + 16 * members[l]));
                }
            }
        }
        while (s.size() % 4)
            s.push_back('\0');
        for (size_t i = 0; i < resources.size(); ++i) {
            const size_t dataAt = s.size();
            s += resources[i].data;
            while (s.size() % 4)
                s.push_back('\0');
            put32(s, dataEntries + 16 * i, kSectionRva + uint32_t(dataAt));
            put32(s, dataEntries + 16 * i + 4, uint32_t(resources[i].data.size()));
        }
        return s;
    }
};

// A style file offering the given colour schemes and sizes, format 3, with the INI data
// the theme service reads: THEMES_INI and, through FILERESNAMES, one INI per scheme and
// size ("<SCHEME>_<SIZE>_INI").
inline std::string styleFile(const std::vector<std::u16string>& colors,
                             const std::vector<std::u16string>& sizes) {
    std::vector<PeResource> resources{{u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
                                      {u"COLORNAMES", nameList(colors)},
                                      {u"SIZENAMES", nameList(sizes)},
                                      {u"TEXTFILE", utf16(u"[documentation]\r\n"), 0, u"THEMES_INI"}};
    std::vector<std::u16string> iniNames;
    for (const auto& color : colors)
        for (const auto& size : sizes) {
            iniNames.push_back(color + u"_" + size + u"_INI");
            resources.push_back({u"TEXTFILE", utf16(u"[SysMetrics]\r\n"), 0, iniNames.back()});
        }
    resources.push_back({u"FILERESNAMES", nameList(iniNames)});
    return PeBuilder::build(resources);
}

// The 40-byte header of a bottom-up BI_RGB DIB of the pixels' size.
inline std::string dibHeader(const std::vector<std::vector<uint32_t>>& pixels, uint16_t bits) {
    std::string out(40, '\0');
    PeBuilder::put32(out, 0, 40);
    PeBuilder::put32(out, 4, uint32_t(pixels.empty() ? 0 : pixels[0].size()));
    PeBuilder::put32(out, 8, uint32_t(pixels.size()));
    PeBuilder::put16(out, 12, 1);
    PeBuilder::put16(out, 14, bits);
    return out;
}

// A 32-bit bottom-up DIB, BI_RGB: pixels[y][x] as 0xAARRGGBB, top row first.
inline std::string dib32(const std::vector<std::vector<uint32_t>>& pixels) {
    std::string out = dibHeader(pixels, 32);
    for (size_t y = pixels.size(); y-- > 0;)
        for (uint32_t p : pixels[y])
            PeBuilder::put32(out, out.size(), p);
    return out;
}

// A 24-bit bottom-up DIB (rows padded to 4 bytes): pixels as 0xRRGGBB, top row first.
inline std::string dib24(const std::vector<std::vector<uint32_t>>& pixels) {
    std::string out = dibHeader(pixels, 24);
    for (size_t y = pixels.size(); y-- > 0;) {
        for (uint32_t p : pixels[y]) {
            out.push_back(char(p & 0xFF));
            out.push_back(char((p >> 8) & 0xFF));
            out.push_back(char((p >> 16) & 0xFF));
        }
        while (out.size() % 4)
            out.push_back('\0');
    }
    return out;
}

// A width x height image of one colour with a different one at each corner pixel.
inline std::vector<std::vector<uint32_t>> cornered(size_t width, size_t height, uint32_t fill,
                                                   const uint32_t corners[4]) {
    std::vector<std::vector<uint32_t>> pixels(height, std::vector<uint32_t>(width, fill));
    pixels[0][0] = corners[0];
    pixels[0][width - 1] = corners[1];
    pixels[height - 1][0] = corners[2];
    pixels[height - 1][width - 1] = corners[3];
    return pixels;
}

// A drawable style: colour schemes Blue and Olive, size Normal, one INI file each (their
// text given), the bitmaps given (RT_BITMAP by name), and strings of the string table.
struct DrawableStyle {
    std::u16string blueIni;
    std::u16string oliveIni;
    std::vector<std::pair<std::u16string, std::string>> bitmaps;
    std::vector<PeResource> more;

    std::string build() const {
        std::vector<PeResource> resources = {
            {u"PACKTHEM_VERSION", std::string("\x03\x00", 2)},
            {u"COLORNAMES", nameList({u"Blue", u"Olive"})},
            {u"SIZENAMES", nameList({u"Normal"})},
            {u"FILERESNAMES", nameList({u"BLUE_INI", u"OLIVE_INI"})},
            {u"TEXTFILE", utf16(blueIni), 0, u"BLUE_INI"},
            {u"TEXTFILE", utf16(oliveIni), 0, u"OLIVE_INI"},
        };
        for (const auto& [name, data] : bitmaps)
            resources.push_back({u"", data, 0, name, 0x409, 2});
        resources.insert(resources.end(), more.begin(), more.end());
        return PeBuilder::build(resources);
    }
};

} // namespace testing_support
