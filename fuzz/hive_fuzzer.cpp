// The hive parser: a registry file may be hand-edited, cut short or made by anyone.
// Whatever it holds: parsing ends; a text that parses is given back byte for byte when
// nothing changed; a value set is read back as it was set, also after the changed text is
// parsed again; and no change loses another key.
#include "FuzzCheck.h"
#include "platform/Codepage.h"
#include "platform/HiveDocument.h"

#include <string>
#include <vector>

using platform::hive::Document;
using platform::hive::foldPath;
using platform::hive::splitPath;

namespace {

using Path = std::vector<std::u16string>;

// A piece of the input as the registry calls would take a name: ANSI text up to its NUL.
std::u16string ansiName(std::string_view input, uint64_t choice, size_t most) {
    if (input.empty())
        return {};
    std::string_view piece = input.substr(choice % input.size(), most);
    piece = piece.substr(0, piece.find('\0'));
    return platform::ansiToUtf16(piece);
}

// The value is there under that name, with that type and those bytes.
void expectValue(const Document& doc, const Path& key, const std::u16string& name, uint32_t type,
                 const std::string& bytes) {
    const long k = doc.findKey(foldPath(key));
    FUZZ_EXPECT(k >= 0);
    const long v = doc.findValue(k, name);
    FUZZ_EXPECT(v >= 0);
    uint32_t readType = 0;
    std::string readBytes;
    doc.valueData(k, v, readType, readBytes);
    FUZZ_EXPECT(readType == type);
    FUZZ_EXPECT(readBytes == bytes);
}

// The text the document renders parses again, and every key it had is still there.
Document reparsed(const Document& doc, const std::vector<std::string>& keys) {
    Document again;
    FUZZ_EXPECT(!again.parse(doc.render()));
    for (const std::string& folded : keys)
        FUZZ_EXPECT(again.keyExists(folded));
    return again;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    Document doc;
    if (doc.parse(input))
        return 0;
    FUZZ_EXPECT(doc.render() == input);

    const auto sections = doc.sections();
    std::vector<std::string> keys;
    for (const auto& section : sections)
        keys.push_back(section.folded);

    const uint64_t h = fuzzing::hashOf(input);
    static constexpr uint32_t kTypes[] = {1, 2, 7, 4, 3, 0, 0xFFFF0012u};
    const uint32_t type = kTypes[h % std::size(kTypes)];
    const std::string bytes = input.substr((h >> 8) % (size + 1), (h >> 24) % 300);
    // A name of the input's, or one a hand-made hive may well hold already.
    static const std::u16string kNames[] = {u"", u"Name", u"NAME", u"v"};
    const std::u16string name = (h >> 40) % 5 < 4 ? kNames[(h >> 40) % 5] : ansiName(input, h >> 44, 12);

    // In a key of the file, among whatever text is around it.
    Path key = {u"Software", u"Fuzz"};
    if (!sections.empty())
        key = splitPath(sections[(h >> 16) % sections.size()].path);
    if (key.empty())
        return 0; // "[\\]" names the root itself, which holds no values
    doc.setValue(key, name, type, bytes, 0);
    expectValue(doc, key, name, type, bytes);
    expectValue(reparsed(doc, keys), key, name, type, bytes);

    // In a key made new below it, then gone again.
    Path child = key;
    child.push_back(u"New" + ansiName(input, h >> 12, 6));
    if (child.back().find(u'\\') != std::u16string::npos)
        return 0; // a name holding a backslash is two names to the registry calls
    const bool existed = doc.keyExists(foldPath(child));
    doc.setValue(child, u"x", 4, std::string("\1\2\3\4", 4), 0);
    expectValue(reparsed(doc, keys), child, u"x", 4, std::string("\1\2\3\4", 4));
    if (!existed && !doc.hasSubkeys(foldPath(child))) {
        FUZZ_EXPECT(doc.deleteKey(foldPath(child), 0));
        FUZZ_EXPECT(!reparsed(doc, keys).keyExists(foldPath(child)));
    }
    // The first value set goes, in every section of its key.
    FUZZ_EXPECT(doc.deleteValue(foldPath(key), name, 0));
    const Document after = reparsed(doc, keys);
    const long k = after.findKey(foldPath(key));
    FUZZ_EXPECT(k < 0 || after.findValue(k, name) < 0);
    return 0;
}
