#pragma once
// One registry hive file held as its text: every key and value remembers where its
// lines are, so that saving writes the untouched parts byte for byte and only what was
// changed is formatted anew.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::hive {

struct Value {
    std::u16string name; // as first spelled
    uint32_t type = 0;
    uint32_t off = 0; // the value's own line(s) in the text
    uint32_t len = 0;
    uint32_t tailLen = 0;             // blank and comment lines that follow them
    uint32_t dataOff = 0;             // where the data starts, from off
    std::optional<std::string> fresh; // replaces the own lines when set
};

struct Key {
    std::u16string path;   // components joined by '\'
    std::u16string folded; // components folded, joined by u'\0' (sorts as Wine does)
    uint32_t off = 0;      // blank lines before, "[...]" line and option lines
    uint32_t len = 0;
    std::optional<std::string> fresh; // replaces the head when set
    std::vector<Value> values;
};

// Folded form of a path given as components.
std::u16string foldPath(const std::vector<std::u16string>& components);

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

    bool keyExists(std::u16string_view folded) const;
    bool hasSubkeys(std::u16string_view folded) const;
    // Index of the first block of the key, or -1 (a key known only from its subkeys has none).
    long findKey(std::u16string_view folded) const;
    const Key& key(long index) const { return m_keys[static_cast<size_t>(index)]; }
    // Index of the value (the last one of that name, as Wine keeps the last), or -1.
    long findValue(long key, std::u16string_view name) const;
    void valueData(long key, long value, uint32_t& type, std::string& bytes) const;

    // Changes; each answers whether the text changed. fileTime stamps changed keys.
    bool createKey(const std::vector<std::u16string>& components, uint64_t fileTime);
    bool setValue(const std::vector<std::u16string>& components, std::u16string_view name, uint32_t type,
                  std::string_view bytes, uint64_t fileTime);
    bool deleteValue(std::u16string_view folded, std::u16string_view name, uint64_t fileTime);
    bool deleteKey(std::u16string_view folded, uint64_t fileTime);

    // The text to save; adopt() then makes it the document's own text.
    std::string render() const;
    void adopt(std::string text);

    const std::string& text() const { return m_text; }
    size_t keyCount() const { return m_keys.size(); }

private:
    std::string_view span(uint32_t off, uint32_t len) const {
        return std::string_view(m_text).substr(off, len);
    }
    void rebuildIndex();
    size_t insertKey(Key key);
    long ensureBlock(const std::vector<std::u16string>& components, uint64_t fileTime);
    std::u16string spelledPath(const std::vector<std::u16string>& components) const;
    void touchKey(Key& key, uint64_t fileTime);
    size_t lowerBound(std::u16string_view folded) const;

    std::string m_text;
    uint32_t m_headerLen = 0;
    std::vector<Key> m_keys;       // in file order
    std::vector<uint32_t> m_index; // key indices sorted by folded path
    bool m_sorted = true;          // the file order is the sorted order
};

} // namespace platform::hive
