#pragma once
// One registry hive file held as its text: every key and value remembers where its
// lines are, so that saving writes the untouched parts byte for byte and only what was
// changed is formatted anew.
//
// A key may have several blocks ("[key]" sections): Wine never writes a key twice, but
// hand edits and other tools do, and Wine reads them as one key. So does this: a value is
// looked for in every block of its key (the last of its name counts), and it is changed or
// deleted in the block where it stands.

#include <cstddef>
#include <cstdint>
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

// A value's name and a key's spelled path are read from their lines when needed (only
// lookups of values and changes need them), which keeps a large hive's memory near the
// size of its text.
struct Value {
    uint32_t type = 0;
    uint32_t off = 0; // the value's own line(s) in the text
    uint32_t len = 0;
    uint32_t tailLen = 0; // blank and comment lines that follow them
    uint32_t dataOff = 0; // where the data starts, from off
    FreshText fresh;      // replaces the own lines when set
};

struct Key {
    std::string folded; // components folded (appendFolded), joined by '\0'; sorts as Wine does
    uint32_t off = 0;   // blank lines before, "[...]" line and option lines
    uint32_t len = 0;
    FreshText fresh; // replaces the head when set
    std::vector<Value> values;
};

// Folded form of a path given as components.
std::string foldPath(const std::vector<std::u16string>& components);
// The components of a path joined by '\\' (as pathOf gives it); empty ones are dropped.
std::vector<std::u16string> splitPath(std::u16string_view path);

class Document {
public:
    struct Error {
        size_t line = 0;
        std::string reason;
    };

    // Takes the text of a hive file; on failure the document is left empty.
    std::optional<Error> parse(std::string text);
    // An empty hive with Wine's header.
    void makeEmpty(std::string header);
    void clear();

    bool keyExists(std::string_view folded) const;
    bool hasSubkeys(std::string_view folded) const;
    // Index of the first block of the key, or -1 (a key known only from its subkeys has none).
    long findKey(std::string_view folded) const;
    const Key& key(long index) const { return m_keys[static_cast<size_t>(index)]; }
    // The key's components joined by '\' as spelled in the "[...]" line of its block.
    std::u16string pathOf(const Key& key) const;
    // Index of the value among the values of all blocks of the key (given by any of its
    // blocks), in file order: the last one of that name, as Wine keeps the last; or -1.
    long findValue(long key, std::u16string_view name) const;
    void valueData(long key, long value, uint32_t& type, std::string& bytes) const;

    // Changes; each answers whether the text changed. fileTime stamps changed keys.
    bool createKey(const std::vector<std::u16string>& components, uint64_t fileTime);
    bool setValue(const std::vector<std::u16string>& components, std::u16string_view name, uint32_t type,
                  std::string_view bytes, uint64_t fileTime);
    bool deleteValue(std::string_view folded, std::u16string_view name, uint64_t fileTime);
    bool deleteKey(std::string_view folded, uint64_t fileTime);

    // The text to save; adopt() then makes it the document's own text. Unchanged, the text
    // is the one parsed, byte for byte; changed, it ends with a line feed.
    std::string render() const;
    void adopt(std::string text);

    const std::string& text() const { return m_text; }
    size_t keyCount() const { return m_keys.size(); }

private:
    std::string_view span(uint32_t off, uint32_t len) const {
        return std::string_view(m_text).substr(off, len);
    }
    std::string_view headOf(const Key& key) const {
        return key.fresh ? std::string_view(*key.fresh) : span(key.off, key.len);
    }
    std::string_view linesOf(const Value& value) const {
        return value.fresh ? std::string_view(*value.fresh) : span(value.off, value.len);
    }
    // The value's name as spelled in its line ("" for the default value '@').
    std::u16string nameOf(const Value& value) const;
    // Whether the value's name is name, ignoring case.
    bool nameEquals(const Value& value, std::u16string_view name) const;
    void rebuildIndex();
    // The positions in m_index of the blocks of the key, first to last in file order.
    std::pair<size_t, size_t> blocksOf(long key) const;
    // The block and the index in it of the key's value number value (as findValue counts).
    std::pair<long, size_t> locate(long key, long value) const;
    size_t insertKey(Key key);
    long ensureBlock(const std::vector<std::u16string>& components, uint64_t fileTime);
    std::u16string spelledPath(const std::vector<std::u16string>& components) const;
    void touchKey(Key& key, uint64_t fileTime);
    size_t lowerBound(std::string_view folded) const;

    std::string m_text;
    uint32_t m_headerLen = 0;
    std::vector<Key> m_keys;       // in file order
    std::vector<uint32_t> m_index; // key indices sorted by folded path
    bool m_sorted = true;          // the file order is the sorted order
    bool m_unterminated = false;   // the last line had no line feed, one was added
    bool m_changed = false;        // something changed since the text was parsed or adopted
};

} // namespace platform::hive
