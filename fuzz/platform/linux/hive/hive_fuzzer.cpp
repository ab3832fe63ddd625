// The hive parser: a registry file may be hand-edited, cut short or made by anyone.
// Whatever it holds: parsing ends; a text that parses is given back byte for byte when
// nothing changed; a value set is read back as it was set, also after the changed text is
// parsed again; and no change loses another key. Then several edits before one save,
// against a plain model of the keys: every key and value is found before the save, in the
// saved text as the document takes it (in the order it was read in, when it says so) and
// in that text read anew. After every change, each section of a key no change named is
// in the text to save byte for byte.
#include "FuzzCheck.h"
#include "platform/Codepage.h"
#include "platform/linux/hive/HiveDocument.h"
#include "platform/linux/hive/HiveText.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using platform::hive::Document;
using platform::hive::foldPath;
using platform::hive::SourceText;
using platform::hive::splitPath;

namespace {

using Path = std::vector<std::u16string>;
using Sections = std::vector<Document::Section>;

// A section's bytes as they stand in text; the last one of an unterminated text with the
// line feed a save gives it.
std::string sectionText(const std::string& text, const Document::Section& section) {
    std::string out = text.substr(std::min<uint64_t>(section.offset, text.size()), section.length);
    if (section.offset + section.length > text.size())
        out += '\n';
    return out;
}

// Where the key's own "[...]" line of the section at offset starts: after the blank lines
// that open the section.
uint64_t keyLineOf(const std::string& text, uint64_t offset) {
    for (uint64_t line = offset;;) {
        const size_t end = text.find('\n', line);
        if (end == std::string::npos || text.find_first_not_of(" \t\r", line) < end)
            return line;
        line = end + 1;
    }
}

// Every section of the text first read whose key no change has named (touched) stands in
// the text the document would save now, byte for byte, around the key line of a section of
// its key (sections of one key in their order). Blank lines move between neighbours: a
// changed section may keep blank lines of its own at its end, which the next section's
// start then takes in, and the blank lines that end the last section belong to a section
// saved after it, once there is one. They are looked for, not their owner.
void expectUntouchedSections(const std::string& input, const Sections& original, const Document& doc,
                             const std::set<std::string>& touched) {
    const std::string saved = doc.render();
    FUZZ_EXPECT(!saved.empty());
    std::map<std::string, std::vector<uint64_t>> starts;
    for (const auto& section : doc.sections())
        if (!touched.count(section.folded))
            starts[section.folded].push_back(section.offset);
    std::map<std::string, size_t> matched;
    for (const auto& section : original) {
        if (touched.count(section.folded))
            continue;
        const std::vector<uint64_t>& at = starts[section.folded];
        const size_t i = matched[section.folded]++;
        FUZZ_EXPECT(i < at.size());
        const uint64_t lead = keyLineOf(input, section.offset) - section.offset;
        const uint64_t keyLine = keyLineOf(saved, at[i]);
        FUZZ_EXPECT(keyLine >= lead);
        Document::Section now = section;
        now.offset = keyLine - lead;
        FUZZ_EXPECT(sectionText(saved, now) == sectionText(input, section));
    }
}

// A piece of the input as the registry calls would take a name: ANSI text up to its NUL.
std::u16string ansiName(std::string_view input, uint64_t choice, size_t most) {
    if (input.empty())
        return {};
    std::string_view piece = input.substr(choice % input.size(), most);
    piece = piece.substr(0, piece.find('\0'));
    return platform::ansiToUtf16(piece);
}

// The value is there under that name, with that type and those bytes.
void expectValue(const Document& doc, const std::string& folded, const std::u16string& name, uint32_t type,
                 const std::string& bytes) {
    const long k = doc.findKey(folded);
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

// The keys with a section of their own, by folded path, and the values set since the text
// was read, by key and folded name.
struct Model {
    std::set<std::string> keys;
    std::map<std::string, std::map<std::string, std::tuple<std::u16string, uint32_t, std::string>>> values;

    bool exists(const std::string& folded) const {
        const auto at = keys.lower_bound(folded);
        return at != keys.end() && (*at == folded || at->starts_with(folded + '\0'));
    }
    bool hasSubkeys(const std::string& folded) const { return exists(folded + '\0'); }
};

std::string foldedName(std::u16string_view name) {
    std::string out;
    platform::hive::appendFolded(out, name);
    return out;
}

void expectModel(const Document& doc, const Model& model, const std::set<std::string>& deleted) {
    for (const std::string& folded : model.keys)
        FUZZ_EXPECT(doc.findKey(folded) >= 0);
    for (const std::string& folded : deleted)
        FUZZ_EXPECT(model.exists(folded) || !doc.keyExists(folded));
    for (const auto& [folded, values] : model.values)
        for (const auto& [name, value] : values)
            expectValue(doc, folded, std::get<0>(value), std::get<1>(value), std::get<2>(value));
}

// The choices of the batch: a function of the input alone.
class Choices {
public:
    explicit Choices(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A short name of letters in both cases, '_' and the characters around the letters, so
    // that new keys fall between and beside each other and the file's own keys.
    std::u16string name() {
        static constexpr char16_t kUnits[] = u"_aAbBzZ[`^09-\u00e9\u00c9\u0178\u00ff";
        std::u16string out;
        for (uint64_t n = 1 + next() % 3; n > 0; --n)
            out += kUnits[next() % (std::size(kUnits) - 1)];
        return out;
    }

private:
    uint64_t m_state;
};

// Several edits, then one save: keys made around keys deleted in the same save, values set
// and deleted, in keys of the file and new ones.
void batchedEdits(const std::string& input) {
    Document doc;
    if (doc.parse(input))
        return;
    const bool sorted = doc.summary().sorted;
    Model model;
    std::map<std::string, Path> paths;
    const Sections original = doc.sections();
    std::set<std::string> touched;
    for (const auto& section : original) {
        if (section.folded.empty())
            continue; // "[\\]" names the root itself
        model.keys.insert(section.folded);
        paths.emplace(section.folded, splitPath(section.path));
    }
    static const std::u16string kValueNames[] = {u"", u"v", u"V", u"_v", u"Name"};
    Choices choose(fuzzing::hashOf(input));
    std::set<std::string> deleted;
    for (uint64_t edits = 2 + choose.next() % 8; edits > 0; --edits) {
        Path key = {u"Software"};
        if (!paths.empty() && choose.next() % 4 != 0)
            key = std::next(paths.begin(), static_cast<long>(choose.next() % paths.size()))->second;
        if (choose.next() % 2 == 0)
            key.push_back(choose.name());
        const std::string folded = foldPath(key);
        paths.emplace(folded, key);
        touched.insert(folded);
        switch (choose.next() % 4) {
        case 0:
            // A key known from its subkeys only stays so.
            FUZZ_EXPECT(doc.createKey(key, 0) == !model.exists(folded));
            if (!model.exists(folded))
                model.keys.insert(folded);
            break;
        case 1: {
            // As the registry calls delete: a key without subkeys, here one with a section.
            if (!model.keys.count(folded) || model.hasSubkeys(folded))
                break;
            FUZZ_EXPECT(doc.deleteKey(folded, 0));
            model.keys.erase(folded);
            model.values.erase(folded);
            deleted.insert(folded);
            // Wine keeps the parent as an empty key.
            Path parent = key;
            parent.pop_back();
            touched.insert(foldPath(parent));
            if (!parent.empty() && !model.exists(foldPath(parent))) {
                model.keys.insert(foldPath(parent));
                paths.emplace(foldPath(parent), parent);
            }
            break;
        }
        case 2: {
            const std::u16string& name = kValueNames[choose.next() % std::size(kValueNames)];
            const uint32_t type = choose.next() % 2 ? 4 : 3;
            const std::string bytes = input.substr(choose.next() % (input.size() + 1), type == 4 ? 4 : 12);
            doc.setValue(key, name, type, bytes, 0);
            model.keys.insert(folded);
            model.values[folded][foldedName(name)] = {name, type, bytes};
            break;
        }
        default: {
            const auto key = model.values.find(folded);
            if (key == model.values.end() || key->second.empty())
                break;
            auto& values = key->second;
            const auto value = std::next(values.begin(), static_cast<long>(choose.next() % values.size()));
            FUZZ_EXPECT(doc.deleteValue(folded, std::get<0>(value->second), 0));
            values.erase(value);
            break;
        }
        }
        expectUntouchedSections(input, original, doc, touched);
    }
    expectModel(doc, model, deleted);

    // Saved: the document goes on from the text written, through what it knows of its order.
    const std::string saved = doc.render();
    doc.adopt(SourceText(saved));
    FUZZ_EXPECT(!sorted || doc.summary().sorted);
    expectModel(doc, model, deleted);
    Document again;
    FUZZ_EXPECT(!again.parse(saved));
    FUZZ_EXPECT(!doc.summary().sorted || again.summary().sorted);
    expectModel(again, model, deleted);
}

// One value set, in a key of the file and in a new key below it, then deleted.
void oneEdit(const std::string& input) {
    Document doc;
    if (doc.parse(input))
        return;
    FUZZ_EXPECT(doc.render() == input);

    const auto sections = doc.sections();
    std::vector<std::string> keys;
    for (const auto& section : sections)
        keys.push_back(section.folded);

    const uint64_t h = fuzzing::hashOf(input);
    static constexpr uint32_t kTypes[] = {1, 2, 7, 4, 3, 0, 0xFFFF0012u};
    const uint32_t type = kTypes[h % std::size(kTypes)];
    const std::string bytes = input.substr((h >> 8) % (input.size() + 1), (h >> 24) % 300);
    // A name of the input's, or one a hand-made hive may well hold already.
    static const std::u16string kNames[] = {u"", u"Name", u"NAME", u"v"};
    const std::u16string name = (h >> 40) % 5 < 4 ? kNames[(h >> 40) % 5] : ansiName(input, h >> 44, 12);

    // In a key of the file, among whatever text is around it.
    Path key = {u"Software", u"Fuzz"};
    if (!sections.empty())
        key = splitPath(sections[(h >> 16) % sections.size()].path);
    if (key.empty())
        return; // "[\\]" names the root itself, which holds no values
    std::set<std::string> touched = {foldPath(key)};
    doc.setValue(key, name, type, bytes, 0);
    expectUntouchedSections(input, sections, doc, touched);
    expectValue(doc, foldPath(key), name, type, bytes);
    expectValue(reparsed(doc, keys), foldPath(key), name, type, bytes);

    // In a key made new below it, then gone again.
    Path child = key;
    child.push_back(u"New" + ansiName(input, h >> 12, 6));
    if (child.back().find(u'\\') != std::u16string::npos)
        return; // a name holding a backslash is two names to the registry calls
    const bool existed = doc.keyExists(foldPath(child));
    touched.insert(foldPath(child));
    doc.setValue(child, u"x", 4, std::string("\1\2\3\4", 4), 0);
    expectUntouchedSections(input, sections, doc, touched);
    expectValue(reparsed(doc, keys), foldPath(child), u"x", 4, std::string("\1\2\3\4", 4));
    if (!existed && !doc.hasSubkeys(foldPath(child))) {
        FUZZ_EXPECT(doc.deleteKey(foldPath(child), 0));
        expectUntouchedSections(input, sections, doc, touched);
        FUZZ_EXPECT(!reparsed(doc, keys).keyExists(foldPath(child)));
    }
    // The first value set goes, in every section of its key.
    FUZZ_EXPECT(doc.deleteValue(foldPath(key), name, 0));
    expectUntouchedSections(input, sections, doc, touched);
    const Document after = reparsed(doc, keys);
    const long k = after.findKey(foldPath(key));
    FUZZ_EXPECT(k < 0 || after.findValue(k, name) < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    oneEdit(input);
    batchedEdits(input);
    return 0;
}
