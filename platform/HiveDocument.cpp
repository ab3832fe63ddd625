#include "HiveDocument.h"

#include "HiveText.h"

#include <algorithm>

namespace platform::hive {
namespace {

constexpr size_t npos = std::string_view::npos;
// Wine writes long data as wrapped hex; a line this long is not a registry file.
constexpr size_t kMaxLine = 512 * 1024;

// True when the bytes hold a control character other than tab and carriage return.
bool hasControl(const char* p, size_t n) {
    unsigned bad = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        bad |= static_cast<unsigned>(c < 0x20) & static_cast<unsigned>(c != '\t') &
               static_cast<unsigned>(c != '\r');
    }
    return bad != 0;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The first position from pos on (before end) that is not a space or a tab.
size_t skipIndent(std::string_view text, size_t pos, size_t end) {
    while (pos < end && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    return pos;
}

std::string_view trimEnd(std::string_view s) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::u16string joinPath(const std::vector<std::u16string>& components, size_t from = 0) {
    std::u16string out;
    for (size_t i = from; i < components.size(); ++i) {
        if (!out.empty() || i > from)
            out += u'\\';
        out += components[i];
    }
    return out;
}

// The path and its folded form from a key name as written ('\\' between components,
// empty components dropped); either may be left out.
void normalisePath(std::u16string_view raw, std::u16string* path, std::string* folded) {
    if (path)
        path->clear();
    if (folded)
        folded->clear();
    bool separator = false;
    bool any = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\\') {
            separator = any;
            continue;
        }
        if (separator) {
            if (path)
                *path += u'\\';
            if (folded)
                *folded += '\0';
            separator = false;
        }
        size_t end = i;
        while (end < raw.size() && raw[end] != u'\\')
            ++end;
        if (path)
            path->append(raw.substr(i, end - i));
        if (folded)
            appendFolded(*folded, raw.substr(i, end - i));
        any = true;
        i = end - 1;
    }
}

// How many whole components two folded paths share.
size_t commonComponents(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    size_t separators = 0;
    for (; i < n && a[i] == b[i]; ++i)
        separators += a[i] == '\0';
    const bool boundary = (i == a.size() || a[i] == '\0') && (i == b.size() || b[i] == '\0');
    if (i == 0)
        return 0;
    return separators + (boundary ? 1 : 0);
}

uint32_t nameFieldLength(std::u16string_view name) {
    if (name.empty())
        return 2;
    std::string escaped;
    appendEscaped(escaped, name, '"', '"');
    return static_cast<uint32_t>(escaped.size() + 3);
}

} // namespace

std::vector<std::u16string> splitPath(std::u16string_view path) {
    std::vector<std::u16string> out;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == u'\\') {
            if (i > start)
                out.emplace_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

std::string foldPath(const std::vector<std::u16string>& components) {
    std::string out;
    for (size_t i = 0; i < components.size(); ++i) {
        if (i)
            out += '\0';
        appendFolded(out, components[i]);
    }
    return out;
}

void Document::clear() {
    m_text.clear();
    m_headerLen = 0;
    m_keys.clear();
    m_index.clear();
    m_sorted = true;
    m_unterminated = false;
    m_changed = false;
}

void Document::makeEmpty(std::string header) {
    clear();
    m_text = std::move(header);
    m_headerLen = static_cast<uint32_t>(m_text.size());
}

std::optional<Document::Error> Document::parse(std::string input) {
    clear();
    if (input.size() > kMaxHiveSize)
        return Error{0, "the file is too large"};
    // Every line ends with a line feed, so that a line added after the last one stays a
    // line of its own.
    const bool unterminated = !input.empty() && input.back() != '\n';
    if (unterminated)
        input += '\n';
    m_text = std::move(input);
    const std::string_view t = m_text;
    size_t pos = 0;
    size_t lineNo = 0;
    size_t blankRun = npos;
    long current = -1;
    std::u16string raw;
    // One allocation of the key table, counted ahead: growing it by doubling would hold
    // up to twice the table (and both copies while it moves).
    size_t keyLines = 1;
    for (size_t at = t.find("\n["); at != npos; at = t.find("\n[", at + 2))
        ++keyLines;
    m_keys.reserve(keyLines);
    auto fail = [&](const char* reason) {
        clear();
        return Error{lineNo, reason};
    };
    // Reads the line at pos: its end (the line feed) or npos when it is unacceptable.
    auto nextLine = [&](size_t from) -> size_t {
        const size_t nl = t.find('\n', from);
        ++lineNo;
        if (nl - from > kMaxLine || hasControl(t.data() + from, nl - from))
            return npos;
        return nl;
    };
    while (pos < t.size()) {
        size_t nl = nextLine(pos);
        if (nl == npos)
            return fail(t.find('\n', pos) - pos > kMaxLine ? "line too long" : "binary data");
        const std::string_view line = t.substr(pos, nl - pos);
        const size_t lead = skipIndent(line, 0, line.size());
        const std::string_view content = trimEnd(line.substr(lead));
        if (lineNo == 1) {
            if (content != kSignature)
                return fail("not a Wine registry file");
            pos = nl + 1;
            continue;
        }
        if (content.empty()) {
            if (blankRun == npos)
                blankRun = pos;
            pos = nl + 1;
            continue;
        }
        const char c = content[0];
        if (c == '[') {
            Key key;
            raw.clear();
            if (unescape(t.substr(0, nl), pos + lead + 1, ']', &raw) == npos)
                return fail("unterminated key name");
            normalisePath(raw, nullptr, &key.folded);
            key.off = static_cast<uint32_t>(blankRun != npos ? blankRun : pos);
            m_keys.push_back(std::move(key));
            current = static_cast<long>(m_keys.size() - 1);
        } else if (c == '"' || c == '@') {
            if (current < 0)
                return fail("value outside a key");
            Value value;
            const size_t start = pos;
            size_t p = pos + lead + 1;
            if (c == '"') {
                p = unescape(t.substr(0, nl), p, '"', nullptr);
                if (p == npos)
                    return fail("unterminated value name");
                ++p;
            }
            p = skipIndent(t, p, nl);
            if (p >= nl || t[p] != '=')
                return fail("no '=' after a value name");
            p = skipIndent(t, p + 1, nl);
            const size_t dataStart = p;
            if (t.substr(p, 3) == "hex") {
                while (trimEnd(t.substr(pos, nl - pos)).ends_with('\\')) {
                    pos = nl + 1;
                    if (pos >= t.size())
                        return fail("hex data continued past the end of the file");
                    nl = nextLine(pos);
                    if (nl == npos)
                        return fail(t.find('\n', pos) - pos > kMaxLine ? "line too long" : "binary data");
                }
            }
            const size_t end = nl + 1;
            if (const char* error = decodeData(t.substr(dataStart, end - dataStart), value.type, nullptr))
                return fail(error);
            value.off = static_cast<uint32_t>(start);
            value.len = static_cast<uint32_t>(end - start);
            value.dataOff = static_cast<uint32_t>(dataStart - start);
            auto& values = m_keys[static_cast<size_t>(current)].values;
            if (values.empty())
                values.reserve(2);
            values.push_back(std::move(value));
        } else if (c != '#' && c != ';') {
            return fail("unrecognised line");
        }
        blankRun = npos;
        pos = nl + 1;
    }
    if (lineNo == 0)
        return fail("not a Wine registry file");

    // Every element reaches to the start of the next one.
    m_headerLen = m_keys.empty() ? static_cast<uint32_t>(t.size()) : m_keys[0].off;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        Key& key = m_keys[i];
        const uint32_t next = i + 1 < m_keys.size() ? m_keys[i + 1].off : static_cast<uint32_t>(t.size());
        key.len = (key.values.empty() ? next : key.values[0].off) - key.off;
        for (size_t j = 0; j < key.values.size(); ++j) {
            Value& v = key.values[j];
            const uint32_t nextValue = j + 1 < key.values.size() ? key.values[j + 1].off : next;
            v.tailLen = nextValue - (v.off + v.len);
        }
        if (i > 0 && m_keys[i - 1].folded > key.folded)
            m_sorted = false;
    }
    rebuildIndex();
    m_unterminated = unterminated;
    return std::nullopt;
}

void Document::rebuildIndex() {
    m_index.resize(m_keys.size());
    for (size_t i = 0; i < m_keys.size(); ++i)
        m_index[i] = static_cast<uint32_t>(i);
    if (!m_sorted)
        std::stable_sort(m_index.begin(), m_index.end(),
                         [this](uint32_t a, uint32_t b) { return m_keys[a].folded < m_keys[b].folded; });
}

size_t Document::lowerBound(std::string_view folded) const {
    const auto it = std::lower_bound(m_index.begin(), m_index.end(), folded,
                                     [this](uint32_t i, std::string_view f) { return m_keys[i].folded < f; });
    return static_cast<size_t>(it - m_index.begin());
}

std::pair<size_t, size_t> Document::blocksOf(long key) const {
    const std::string& folded = m_keys[static_cast<size_t>(key)].folded;
    // In a sorted file the index is the identity, and a key's blocks stand side by side.
    size_t first = m_sorted ? static_cast<size_t>(key) : lowerBound(folded);
    while (first > 0 && m_keys[m_index[first - 1]].folded == folded)
        --first;
    size_t last = first + 1;
    while (last < m_index.size() && m_keys[m_index[last]].folded == folded)
        ++last;
    return {first, last};
}

std::pair<long, size_t> Document::locate(long key, long value) const {
    const auto [first, last] = blocksOf(key);
    auto left = static_cast<size_t>(value);
    for (size_t p = first; p < last; ++p) {
        const size_t count = m_keys[m_index[p]].values.size();
        if (left < count)
            return {static_cast<long>(m_index[p]), left};
        left -= count;
    }
    return {-1, 0};
}

long Document::findKey(std::string_view folded) const {
    const size_t i = lowerBound(folded);
    if (i < m_index.size() && m_keys[m_index[i]].folded == folded)
        return m_index[i];
    return -1;
}

bool Document::hasSubkeys(std::string_view folded) const {
    std::string prefix(folded);
    if (!prefix.empty())
        prefix += '\0';
    size_t i = lowerBound(prefix);
    while (i < m_index.size() && m_keys[m_index[i]].folded == folded)
        ++i;
    return i < m_index.size() && m_keys[m_index[i]].folded.starts_with(prefix);
}

bool Document::keyExists(std::string_view folded) const {
    return folded.empty() || findKey(folded) >= 0 || hasSubkeys(folded);
}

std::u16string Document::pathOf(const Key& key) const {
    const std::string_view head = headOf(key);
    for (size_t pos = 0; pos < head.size();) {
        size_t nl = head.find('\n', pos);
        nl = nl == npos ? head.size() : nl;
        const size_t lead = skipIndent(head, pos, nl);
        if (lead < nl && head[lead] == '[') {
            std::u16string raw, path;
            unescape(head.substr(0, nl), lead + 1, ']', &raw);
            normalisePath(raw, &path, nullptr);
            return path;
        }
        pos = nl + 1;
    }
    return {};
}

std::u16string Document::nameOf(const Value& value) const {
    const std::string_view lines = linesOf(value);
    const size_t nl = std::min(lines.find('\n'), lines.size());
    const size_t lead = skipIndent(lines, 0, nl);
    std::u16string name;
    if (lead < nl && lines[lead] == '"')
        unescape(lines.substr(0, nl), lead + 1, '"', &name);
    return name;
}

bool Document::nameEquals(const Value& value, std::u16string_view name) const {
    // Most names are plain ASCII between the quotes: compared in place, without decoding.
    const std::string_view lines = linesOf(value);
    const size_t p = skipIndent(lines, 0, lines.size());
    if (p < lines.size() && lines[p] == '@')
        return name.empty();
    if (p >= lines.size() || lines[p] != '"')
        return false;
    const size_t start = p + 1;
    size_t end = start;
    while (end < lines.size() && lines[end] != '"' && lines[end] != '\\' && lines[end] != '\n' &&
           static_cast<unsigned char>(lines[end]) < 0x80)
        ++end;
    if (end < lines.size() && lines[end] == '"') {
        if (end - start != name.size())
            return false;
        for (size_t i = 0; i < name.size(); ++i)
            if (foldUnit(static_cast<unsigned char>(lines[start + i])) != foldUnit(name[i]))
                return false;
        return true;
    }
    return equalFolded(nameOf(value), name);
}

long Document::findValue(long key, std::u16string_view name) const {
    const auto [first, last] = blocksOf(key);
    long found = -1;
    size_t before = 0; // values in the blocks before this one
    for (size_t p = first; p < last; ++p) {
        const auto& values = m_keys[m_index[p]].values;
        for (size_t j = values.size(); j-- > 0;)
            if (nameEquals(values[j], name)) {
                found = static_cast<long>(before + j);
                break;
            }
        before += values.size();
    }
    return found;
}

void Document::valueData(long key, long value, uint32_t& type, std::string& bytes) const {
    const auto [block, index] = locate(key, value);
    if (block < 0) {
        bytes.clear();
        return;
    }
    const Value& v = m_keys[static_cast<size_t>(block)].values[index];
    const std::string_view text = linesOf(v);
    if (decodeData(text.substr(v.dataOff), type, &bytes))
        bytes.clear();
}

std::u16string Document::spelledPath(const std::vector<std::u16string>& components) const {
    // The longest part of the path that exists keeps the spelling it has. Of all keys, the
    // ones sharing most with the path sort right before or after it, so one search finds
    // that part, however deep the path.
    const std::string folded = foldPath(components);
    const size_t at = lowerBound(folded);
    const Key* source = nullptr;
    size_t shared = 0;
    for (size_t i = at > 0 ? at - 1 : at; i <= at && i < m_index.size(); ++i) {
        const Key& candidate = m_keys[m_index[i]];
        const size_t common = commonComponents(folded, candidate.folded);
        if (common > shared) {
            shared = common;
            source = &candidate;
        }
    }
    if (!source)
        return joinPath(components);
    auto spelled = splitPath(pathOf(*source));
    if (spelled.size() < shared)
        return joinPath(components);
    spelled.resize(shared);
    spelled.insert(spelled.end(), components.begin() + static_cast<long>(shared), components.end());
    return joinPath(spelled);
}

size_t Document::insertKey(Key key) {
    size_t pos;
    if (m_sorted) {
        const auto it = std::upper_bound(m_keys.begin(), m_keys.end(), key.folded,
                                         [](const std::string& f, const Key& k) { return f < k.folded; });
        pos = static_cast<size_t>(it - m_keys.begin());
    } else {
        pos = m_keys.size();
        for (size_t i = 0; i < m_keys.size(); ++i)
            if (m_keys[i].folded > key.folded) {
                pos = i;
                break;
            }
    }
    const std::string folded = key.folded;
    m_keys.insert(m_keys.begin() + static_cast<long>(pos), std::move(key));
    for (uint32_t& i : m_index)
        if (i >= pos)
            ++i;
    const auto at =
        std::upper_bound(m_index.begin(), m_index.end(), folded,
                         [this](const std::string& f, uint32_t i) { return f < m_keys[i].folded; });
    m_index.insert(at, static_cast<uint32_t>(pos));
    return pos;
}

long Document::ensureBlock(const std::vector<std::u16string>& components, uint64_t fileTime) {
    const std::string folded = foldPath(components);
    const long found = findKey(folded);
    if (found >= 0)
        return found;
    Key key;
    key.folded = folded;
    key.fresh =
        "\n" + formatKeyLine(spelledPath(components), fileTimeToUnix(fileTime)) + formatTimeLine(fileTime);
    return static_cast<long>(insertKey(std::move(key)));
}

void Document::touchKey(Key& key, uint64_t fileTime) {
    const std::string head(headOf(key));
    std::string out;
    size_t afterKeyLine = npos;
    bool sawTime = false;
    for (size_t pos = 0; pos < head.size();) {
        size_t nl = head.find('\n', pos);
        nl = nl == npos ? head.size() : nl + 1;
        const std::string_view line = std::string_view(head).substr(pos, nl - pos);
        const size_t lead = skipIndent(line, 0, line.size());
        const std::string_view content = line.substr(lead);
        if (afterKeyLine == npos && content.starts_with('[')) {
            // Keep the name as written; only the stamp changes.
            const size_t close = unescape(line, lead + 1, ']', nullptr);
            out += line.substr(0, close == npos ? line.size() : close + 1);
            out += ' ';
            out += std::to_string(static_cast<uint32_t>(fileTimeToUnix(fileTime)));
            out += '\n';
            afterKeyLine = out.size();
        } else if (afterKeyLine != npos && !sawTime && content.starts_with("#time=")) {
            out += formatTimeLine(fileTime);
            sawTime = true;
        } else {
            out += line;
        }
        pos = nl;
    }
    if (!sawTime && afterKeyLine != npos)
        out.insert(afterKeyLine, formatTimeLine(fileTime));
    key.fresh = std::move(out);
}

bool Document::createKey(const std::vector<std::u16string>& components, uint64_t fileTime) {
    if (keyExists(foldPath(components)))
        return false;
    ensureBlock(components, fileTime);
    m_changed = true;
    return true;
}

bool Document::setValue(const std::vector<std::u16string>& components, std::u16string_view name,
                        uint32_t type, std::string_view bytes, uint64_t fileTime) {
    const long first = findKey(foldPath(components));
    if (const long v = first >= 0 ? findValue(first, name) : -1; v >= 0) {
        uint32_t oldType = 0;
        std::string oldBytes;
        valueData(first, v, oldType, oldBytes);
        if (oldType == type && oldBytes == bytes)
            return false;
        // Changed where it stands, in whichever block of the key that is.
        const auto [block, index] = locate(first, v);
        Key& key = m_keys[static_cast<size_t>(block)];
        Value& value = key.values[index];
        const std::u16string spelled = nameOf(value);
        value.fresh = formatValue(spelled, type, bytes);
        value.type = type;
        value.dataOff = nameFieldLength(spelled);
        touchKey(key, fileTime);
        m_changed = true;
        return true;
    }
    // A new value goes into the key's first block.
    Key& key = m_keys[static_cast<size_t>(ensureBlock(components, fileTime))];
    Value value;
    value.type = type;
    value.fresh = formatValue(name, type, bytes);
    value.dataOff = nameFieldLength(name);
    const auto at = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const Value& x) { return compareFolded(nameOf(x), name) > 0; });
    key.values.insert(at, std::move(value));
    touchKey(key, fileTime);
    m_changed = true;
    return true;
}

bool Document::deleteValue(std::string_view folded, std::u16string_view name, uint64_t fileTime) {
    const long k = findKey(folded);
    if (k < 0)
        return false;
    bool removed = false;
    const auto [first, last] = blocksOf(k);
    for (size_t p = first; p < last; ++p) {
        Key& key = m_keys[m_index[p]];
        if (std::erase_if(key.values, [&](const Value& v) { return equalFolded(nameOf(v), name); }) == 0)
            continue;
        touchKey(key, fileTime);
        removed = true;
    }
    m_changed |= removed;
    return removed;
}

bool Document::deleteKey(std::string_view folded, uint64_t fileTime) {
    std::u16string path;
    bool removed = false;
    for (size_t i = m_keys.size(); i-- > 0;) {
        if (m_keys[i].folded == folded) {
            path = pathOf(m_keys[i]);
            m_keys.erase(m_keys.begin() + static_cast<long>(i));
            removed = true;
        }
    }
    if (!removed)
        return false;
    m_changed = true;
    rebuildIndex();
    // A parent known only from this key would vanish with it; Wine keeps it as an empty key.
    auto components = splitPath(path);
    if (components.size() > 1) {
        components.pop_back();
        if (!keyExists(foldPath(components)))
            ensureBlock(components, fileTime);
    }
    return true;
}

std::string Document::render() const {
    std::string out;
    out.reserve(m_text.size() + 4096);
    out.append(span(0, m_headerLen));
    for (const Key& key : m_keys) {
        out += headOf(key);
        for (const Value& v : key.values) {
            out += linesOf(v);
            out += span(v.off + v.len, v.tailLen);
        }
    }
    if (m_unterminated && !m_changed)
        out.pop_back(); // the line feed parse() added
    return out;
}

void Document::adopt(std::string text) {
    uint32_t pos = m_headerLen;
    for (Key& key : m_keys) {
        const uint32_t size = key.fresh ? static_cast<uint32_t>(key.fresh->size()) : key.len;
        key.off = pos;
        key.len = size;
        key.fresh.reset();
        pos += size;
        for (Value& v : key.values) {
            const uint32_t own = v.fresh ? static_cast<uint32_t>(v.fresh->size()) : v.len;
            v.off = pos;
            v.len = own;
            v.fresh.reset();
            pos += own + v.tailLen;
        }
    }
    m_text = std::move(text);
    m_unterminated = !m_text.empty() && m_text.back() != '\n';
    if (m_unterminated)
        m_text += '\n';
    m_changed = false;
}

} // namespace platform::hive
