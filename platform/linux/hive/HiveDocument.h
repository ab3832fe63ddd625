#pragma once
// One registry hive file as its text. The text stays where it is (in the file, or in
// memory for a text given as a string); a key's "[key]" sections are read from it the first
// time the key is asked for, found by a binary search of the sorted text, and what changes
// is kept beside it. Saving splices the changed sections into the untouched text, byte for
// byte. So a hive of tens of megabytes costs the memory of the keys the program uses, not
// of the file.
//
// A key may have several sections: Wine never writes a key twice, but hand edits and
// other tools do, and Wine reads them as one key. So does this: a value is looked for in
// every section of its key (the last of its name counts), and it is changed or deleted in
// the section where it stands.
//
// What makes a save safe: the header (the text before the first section) and the
// sections partition the text; a section runs from the blank lines before its "[...]" line
// to the next section. An edit replaces exactly one section's bytes (a changed or deleted
// section), or puts a new section between two of them; it never reaches into the header
// or into another section. So every byte outside the edited sections is copied as it
// was, and a save never loses a key it did not touch. Edits that would break this (two
// edits over the same bytes) fail the save before anything is written.

#include "platform/linux/hive/HiveCase.h"
#include "platform/linux/hive/HiveFile.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::hive {

// A file larger than this is no registry: Wine's own hives are a few megabytes.
inline constexpr size_t kMaxHiveSize = size_t(1) << 30;

// Text that replaces a key's or value's lines once it is changed; most never are, so an
// unchanged one costs a pointer.
class FreshText {
public:
    FreshText() = default;
    FreshText(FreshText&&) noexcept = default;
    FreshText& operator=(FreshText&&) noexcept = default;
    FreshText& operator=(std::string text) {
        m_text = std::make_unique<std::string>(std::move(text));
        return *this;
    }
    explicit operator bool() const { return m_text != nullptr; }
    const std::string& operator*() const { return *m_text; }
    const std::string* operator->() const { return m_text.get(); }
    void reset() { m_text.reset(); }

private:
    std::unique_ptr<std::string> m_text;
};

// A value's lines within its section's text.
struct Value {
    uint32_t type = 0;
    uint32_t off = 0; // the value's own line(s)
    uint32_t len = 0;
    uint32_t tailLen = 0; // blank and comment lines that follow them
    uint32_t dataOff = 0; // where the data starts, from off
    FreshText fresh;      // replaces the own lines when set
};

// One "[key]" section: read from the source when its key is first asked for, or made new.
struct Key {
    std::string folded;     // components folded (appendFolded), joined by '\0'; sorts as Wine does
    std::string text;       // the section as the source has it; empty for a new one
    uint64_t source = 0;    // where the section starts in the source (a new one: where it goes)
    uint64_t sourceLen = 0; // its length there, 0 for a new one
    uint32_t headLen = 0;   // blank lines before, "[...]" line and option lines
    FreshText fresh;        // replaces the head when set
    std::vector<Value> values;
    uint32_t group = 0; // the sections of the same key
    bool added = false; // made new
    bool deleted = false;
    bool edited = false; // values were added or removed
};

class Document {
public:
    using Error = ParseFailure;
    // What reading the whole text found out: all a later reading of the same bytes needs.
    struct Summary {
        uint64_t headerLen = 0; // the text before the first section
        bool sorted = true;     // the sections stand in Wine's order
    };
    struct Section {
        std::string folded;
        std::u16string path;
        // Where the section stands in the text render() gives: from the blank lines before
        // its "[...]" line to the next section (the end, with the line feed an unterminated
        // text lacks).
        uint64_t offset = 0;
        uint64_t length = 0;
    };

    // Takes the text of a hive file; on failure the document is left empty.
    std::optional<Error> parse(std::string text);
    // Takes a text to read from as needed. It is read through once to check it, unless
    // known summarises such a reading of the very same bytes.
    std::optional<Error> parse(SourceText source, const Summary* known = nullptr);
    const Summary& summary() const { return m_summary; }
    // The error number of a read of the file that failed while parsing, or 0.
    int readError() const { return m_readError; }
    // An empty hive with Wine's header.
    void makeEmpty(std::string header);
    void clear();

    bool keyExists(std::string_view folded) const;
    bool hasSubkeys(std::string_view folded) const;
    // Index of the first section of the key, or -1 (a key known only from its subkeys has
    // none). Indices stay valid until the document takes another text.
    long findKey(std::string_view folded) const;
    const Key& key(long index) const { return m_keys[static_cast<size_t>(index)]; }
    // The key's components joined by '\' as spelled in the "[...]" line of its section.
    std::u16string pathOf(const Key& key) const;
    // Index of the value among the values of all sections of the key (given by any of
    // its sections), in file order: the last one of that name, as Wine keeps the last; or -1.
    long findValue(long key, std::u16string_view name) const;
    void valueData(long key, long value, uint32_t& type, std::string& bytes) const;

    // Changes; each answers whether the text changed. fileTime stamps changed keys.
    bool createKey(const std::vector<std::u16string>& components, uint64_t fileTime);
    bool setValue(const std::vector<std::u16string>& components, std::u16string_view name, uint32_t type,
                  std::string_view bytes, uint64_t fileTime);
    bool deleteValue(std::string_view folded, std::u16string_view name, uint64_t fileTime);
    bool deleteKey(std::string_view folded, uint64_t fileTime);

    // The text to save. Unchanged, it is the one parsed, byte for byte; changed, it ends
    // with a line feed. Empty (a hive's text never is) when the edits break the save's
    // invariant (above).
    std::string render() const;
    // Writes the same text to fd; false with errno set when a write fails, and false with
    // errno EINVAL, before anything is written, when the edits break the invariant.
    bool write(int fd) const;
    // Whether the file the untouched text comes from is still as it was read.
    bool sourceUnchanged() const { return m_source.unchangedOnDisk(); }
    // Takes the text just saved (what render() or write() gave last) as the document's own;
    // it is known to stand in Wine's order when the text before did and every section
    // written into it sorts between its neighbours.
    void adopt(SourceText saved);

    // Every section in file order (reads the whole text).
    std::vector<Section> sections() const;

private:
    // A section's "[...]" line in the source, in the sorted order of all sections.
    struct Cursor {
        uint64_t line = 0; // where the line starts
        size_t rank = 0;   // its place in m_order (a text that is not sorted)
        std::string folded;
        bool valid = false;
    };
    // A line or a value with its continuation lines, as read from the source.
    struct Unit {
        enum Kind { Blank, Comment, KeyLine, ValueLine } kind = Blank;
        uint64_t start = 0;
        uint64_t end = 0; // after its last line feed
        uint64_t dataStart = 0;
        uint32_t type = 0;
        size_t lines = 0;
    };
    using Groups = std::map<std::string, uint32_t, std::less<>>;
    // Follows the "[...]" lines of a text being written, as far as they decide its order.
    struct SectionOrder {
        const Document& doc;
        bool inOrder;
        std::string last;
        bool any = false;
        void follows(std::string_view folded);
        void copied(uint64_t from, uint64_t to);
    };

    std::optional<Error> scan();
    void orderSections();
    std::string_view lineAt(uint64_t pos, size_t readAhead) const;
    Problem::Cause readUnit(uint64_t pos, Unit& unit, std::u16string* keyName, size_t readAhead,
                            bool inKey = true) const;
    uint64_t previousLine(uint64_t pos) const;
    uint64_t nextKeyLine(uint64_t from, uint64_t limit) const;
    uint64_t sectionStart(uint64_t keyLine) const;
    bool readKeyLine(uint64_t line, std::string* folded, std::u16string* path, uint64_t* end = nullptr) const;
    bool cursorAt(Cursor& cursor, uint64_t line, size_t rank) const;
    Cursor firstAtOrAfter(std::string_view folded) const;
    void advance(Cursor& cursor) const;
    Cursor before(const Cursor& cursor) const;
    bool live(const Cursor& cursor) const;
    uint32_t group(std::string_view folded) const;
    void loadSection(uint64_t keyLine, uint32_t group) const;

    std::string_view headOf(const Key& key) const {
        return key.fresh ? std::string_view(*key.fresh) : std::string_view(key.text).substr(0, key.headLen);
    }
    static std::string_view linesOf(const Key& key, const Value& value) {
        return value.fresh ? std::string_view(*value.fresh)
                           : std::string_view(key.text).substr(value.off, value.len);
    }
    // The value's name as spelled in its line ("" for the default value '@').
    static std::u16string nameOf(const Key& key, const Value& value);
    // Whether the value's name is name, ignoring case.
    static bool nameEquals(const Key& key, const Value& value, std::u16string_view name);
    // The sections of the key that are there, in file order.
    std::vector<uint32_t> liveSections(long key) const;
    // The section and the index in it of the key's value number value (as findValue counts).
    std::pair<long, size_t> locate(long key, long value) const;
    long ensureBlock(const std::vector<std::u16string>& components, uint64_t fileTime);
    uint64_t insertionPoint(std::string_view folded) const;
    std::u16string spelledPath(const std::vector<std::u16string>& components) const;
    void touchKey(Key& key, uint64_t fileTime);
    // Gives the text to save to sink; false, having given it nothing, when an edit breaks
    // the invariant.
    template <class Sink> bool emit(Sink& sink) const;

    SourceText m_source;
    Summary m_summary;
    std::vector<uint64_t> m_order; // a text that is not sorted: its "[...]" lines in sorted order
    // The sections read or made so far, and the keys they belong to by folded path (a key
    // asked for and not found has a group without sections).
    mutable std::deque<Key> m_keys;
    mutable std::vector<std::vector<uint32_t>> m_groups;
    mutable Groups m_byFolded;
    bool m_changed = false;               // something changed since the text was parsed or adopted
    mutable bool m_writtenInOrder = true; // what the last render() or write() found
    int m_readError = 0;
};

} // namespace platform::hive
