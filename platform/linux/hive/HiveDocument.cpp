#include "platform/linux/hive/HiveDocument.h"

#include "platform/WriteAll.h"
#include "platform/linux/hive/HiveText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace platform::hive {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr uint64_t kEnd = ~uint64_t(0);
// Wine writes long data as wrapped hex; a line this long is not a registry file.
constexpr size_t kMaxLine = 512 * 1024;
// Reading the whole text goes in large pieces, looking one key up in small ones.
constexpr size_t kScanAhead = 256 * 1024;
constexpr size_t kLookAhead = 8192;
// Below this many bytes a search reads the sections one after another (from the piece
// of the file already read).
constexpr uint64_t kLinearSearch = 256;

// True when the bytes hold a control character other than tab and carriage return.
bool hasControl(const char* p, size_t n) {
    // Eight bytes at a time: a word none of whose bytes is below 0x20 is passed at once,
    // and only a word that has one (a tab, a carriage return, or a real control) is
    // looked at byte by byte. Every line of a hive goes through here when it is checked.
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (((word - kOnes * 0x20) & ~word & kHigh) == 0)
            continue;
        for (size_t j = i; j < i + 8; ++j) {
            const auto c = static_cast<unsigned char>(p[j]);
            if (c < 0x20 && c != '\t' && c != '\r')
                return true;
        }
    }
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c < 0x20 && c != '\t' && c != '\r')
            return true;
    }
    return false;
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
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The line without its line feed.
std::string_view content(std::string_view line) {
    return line.ends_with('\n') ? line.substr(0, line.size() - 1) : line;
}

bool isBlankLine(std::string_view line) {
    return trimEnd(line.substr(skipIndent(line, 0, line.size()))).empty();
}

// Whether the next line continues this one: only wrapped hex data ends in a backslash
// (a key line or a comment may too, and is not continued).
bool continues(std::string_view line) {
    const size_t lead = skipIndent(line, 0, line.size());
    if (lead >= line.size() || line[lead] == '#' || line[lead] == ';' || line[lead] == '[')
        return false;
    return trimEnd(line).ends_with('\\');
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

bool isChanged(const Key& key) {
    if (key.added || key.deleted || key.fresh || key.edited)
        return true;
    return std::any_of(key.values.begin(), key.values.end(), [](const Value& v) { return bool(v.fresh); });
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

// ---- the text and its reading ---------------------------------------------------------------

void Document::clear() {
    m_source = SourceText();
    m_summary = Summary();
    m_order.clear();
    m_keys.clear();
    m_groups.clear();
    m_byFolded.clear();
    m_changed = false;
    m_readError = 0;
}

void Document::makeEmpty(std::string header) {
    clear();
    m_source = SourceText(std::move(header));
    m_summary.headerLen = m_source.size();
}

std::optional<Document::Error> Document::parse(std::string text) {
    if (text.size() > kMaxHiveSize) {
        clear();
        return Error{0, Problem::TooLarge};
    }
    return parse(SourceText(std::move(text)));
}

std::optional<Document::Error> Document::parse(SourceText source, const Summary* known) {
    clear();
    if (source.size() > kMaxHiveSize + 1)
        return Error{0, Problem::TooLarge};
    m_source = std::move(source);
    if (known) {
        m_summary = *known;
        return std::nullopt;
    }
    if (auto failure = scan()) {
        const int readError = m_readError;
        clear();
        m_readError = readError;
        return failure;
    }
    return std::nullopt;
}

std::string_view Document::lineAt(uint64_t pos, size_t readAhead) const {
    std::string_view view = m_source.at(pos, 512, readAhead);
    size_t nl = view.find('\n');
    if (nl == npos && view.size() <= kMaxLine && pos + view.size() < m_source.size()) {
        view = m_source.at(pos, kMaxLine + 1, readAhead);
        nl = view.find('\n');
    }
    if (nl == npos)
        return view.substr(0, std::min(view.size(), kMaxLine + 1));
    return view.substr(0, nl + 1);
}

Problem::Cause Document::readUnit(uint64_t pos, Unit& unit, std::u16string* keyName, size_t readAhead,
                                  bool inKey) const {
    unit = Unit();
    unit.start = pos;
    // Reads the line at p into line; the reason when it is unacceptable.
    std::string_view line;
    auto next = [&](uint64_t p) -> Problem::Cause {
        line = lineAt(p, readAhead);
        ++unit.lines;
        if (!line.ends_with('\n')) {
            if (line.size() > kMaxLine)
                return Problem::LineTooLong;
            return Problem::ChangedWhileRead; // a text always ends with a line feed
        }
        if (line.size() - 1 > kMaxLine)
            return Problem::LineTooLong;
        if (hasControl(line.data(), line.size() - 1))
            return Problem::BinaryData;
        return Problem::None;
    };
    if (const Problem::Cause bad = next(pos))
        return bad;
    unit.end = pos + line.size();
    const std::string_view text = content(line);
    const size_t lead = skipIndent(text, 0, text.size());
    if (trimEnd(text.substr(lead)).empty()) {
        unit.kind = Unit::Blank;
        return Problem::None;
    }
    const char c = text[lead];
    if (c == '#' || c == ';') {
        unit.kind = Unit::Comment;
        return Problem::None;
    }
    if (c == '[') {
        unit.kind = Unit::KeyLine;
        if (keyName)
            keyName->clear();
        if (unescape(text, lead + 1, ']', keyName) == npos)
            return Problem::UnterminatedKeyName;
        return Problem::None;
    }
    if (c != '"' && c != '@')
        return Problem::UnrecognisedLine;
    unit.kind = Unit::ValueLine;
    if (!inKey)
        return Problem::ValueOutsideKey;
    size_t p = lead + 1;
    if (c == '"') {
        p = unescape(text, p, '"', nullptr);
        if (p == npos)
            return Problem::UnterminatedValueName;
        ++p;
    }
    p = skipIndent(text, p, text.size());
    if (p >= text.size() || text[p] != '=')
        return Problem::NoEquals;
    p = skipIndent(text, p + 1, text.size());
    unit.dataStart = pos + p;
    if (text.substr(p, 3) == "hex") {
        while (continues(line)) {
            if (unit.end >= m_source.size())
                return Problem::HexPastEnd;
            if (const Problem::Cause bad = next(unit.end))
                return bad;
            unit.end += line.size();
        }
    }
    const std::string_view data = m_source.at(unit.dataStart, unit.end - unit.dataStart, readAhead);
    if (data.size() < unit.end - unit.dataStart)
        return Problem::ChangedWhileRead;
    return decodeData(data.substr(0, unit.end - unit.dataStart), unit.type, nullptr);
}

std::optional<Document::Error> Document::scan() {
    const uint64_t size = m_source.size();
    size_t lineNo = 0;
    uint64_t blankRun = kEnd;
    uint64_t headerLen = kEnd;
    bool inKey = false;
    bool sorted = true;
    std::u16string raw;
    std::string folded, previous;
    auto fail = [&](size_t line, Problem::Cause reason) {
        if (!m_source.inMemory() && reason == Problem::ChangedWhileRead)
            m_readError = EIO;
        return Error{line, reason};
    };
    if (size == 0)
        return fail(0, Problem::NotWineRegistry);
    // The first line names the format.
    const std::string_view first = lineAt(0, kScanAhead);
    ++lineNo;
    if (!first.ends_with('\n'))
        return fail(lineNo, first.size() > kMaxLine ? Problem::LineTooLong : Problem::ChangedWhileRead);
    if (first.size() - 1 > kMaxLine)
        return fail(lineNo, Problem::LineTooLong);
    if (hasControl(first.data(), first.size() - 1))
        return fail(lineNo, Problem::BinaryData);
    const std::string_view signature = content(first);
    if (trimEnd(signature.substr(skipIndent(signature, 0, signature.size()))) != kSignature)
        return fail(lineNo, Problem::NotWineRegistry);
    uint64_t pos = first.size();
    Unit unit;
    while (pos < size) {
        const Problem::Cause bad = readUnit(pos, unit, &raw, kScanAhead, inKey);
        lineNo += unit.lines;
        if (bad)
            return fail(lineNo, bad);
        switch (unit.kind) {
        case Unit::Blank:
            if (blankRun == kEnd)
                blankRun = pos;
            pos = unit.end;
            continue;
        case Unit::KeyLine:
            if (headerLen == kEnd)
                headerLen = blankRun != kEnd ? blankRun : pos;
            normalisePath(raw, nullptr, &folded);
            if (inKey && previous > folded)
                sorted = false;
            previous.swap(folded);
            inKey = true;
            break;
        case Unit::ValueLine:
        case Unit::Comment:
            break;
        }
        blankRun = kEnd;
        pos = unit.end;
    }
    m_summary.headerLen = headerLen == kEnd ? size : headerLen;
    m_summary.sorted = sorted;
    if (!sorted)
        orderSections();
    return std::nullopt;
}

void Document::orderSections() {
    // A hand-made file out of order: its sections are found through a list of their
    // "[...]" lines in sorted order (a key's sections side by side, in file order).
    std::vector<std::pair<std::string, uint64_t>> lines;
    std::string folded;
    for (uint64_t line = nextKeyLine(m_summary.headerLen, m_source.size()); line != kEnd;) {
        uint64_t end = 0;
        if (!readKeyLine(line, &folded, nullptr, &end))
            break;
        lines.emplace_back(folded, line);
        line = nextKeyLine(end, m_source.size());
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_order.clear();
    m_order.reserve(lines.size());
    for (const auto& entry : lines)
        m_order.push_back(entry.second);
}

// ---- finding sections -------------------------------------------------------------------------

uint64_t Document::previousLine(uint64_t pos) const {
    // pos starts a line; the line before it ends with the line feed at pos - 1.
    uint64_t from = pos - 1;
    while (from > 0) {
        const uint64_t chunk = from > 4096 ? from - 4096 : 0;
        const std::string_view view = m_source.at(chunk, from - chunk, kLookAhead);
        if (view.size() < from - chunk)
            return 0;
        if (const void* nl = ::memrchr(view.data(), '\n', from - chunk))
            return chunk + static_cast<uint64_t>(static_cast<const char*>(nl) - view.data()) + 1;
        from = chunk;
    }
    return 0;
}

uint64_t Document::nextKeyLine(uint64_t from, uint64_t limit) const {
    // In a text that parses, only a key's own line starts with '[' (wrapped hex data
    // holds hex digits and commas).
    while (from < limit) {
        const std::string_view line = lineAt(from, kLookAhead);
        if (!line.ends_with('\n'))
            return kEnd;
        const size_t lead = skipIndent(line, 0, line.size());
        if (line[lead] == '[')
            return from;
        from += line.size();
    }
    return kEnd;
}

uint64_t Document::sectionStart(uint64_t keyLine) const {
    // The blank lines right before a key's line are its own, unless the first of them
    // continues the hex data of the value before.
    uint64_t start = keyLine;
    while (start > m_summary.headerLen) {
        const uint64_t line = previousLine(start);
        if (!isBlankLine(lineAt(line, kLookAhead)) ||
            (line > 0 && continues(lineAt(previousLine(line), kLookAhead))))
            break;
        start = line;
    }
    return start;
}

bool Document::readKeyLine(uint64_t line, std::string* folded, std::u16string* path, uint64_t* end) const {
    const std::string_view text = lineAt(line, kLookAhead);
    if (!text.ends_with('\n'))
        return false;
    const std::string_view own = content(text);
    const size_t lead = skipIndent(own, 0, own.size());
    std::u16string raw;
    if (lead >= own.size() || own[lead] != '[' || unescape(own, lead + 1, ']', &raw) == npos)
        return false;
    normalisePath(raw, path, folded);
    if (end)
        *end = line + text.size();
    return true;
}

bool Document::cursorAt(Cursor& cursor, uint64_t line, size_t rank) const {
    cursor.line = line;
    cursor.rank = rank;
    cursor.valid = line != kEnd && readKeyLine(line, &cursor.folded, nullptr);
    if (!cursor.valid) {
        cursor.folded.clear();
        cursor.line = m_source.size();
        cursor.rank = m_order.size();
    }
    return cursor.valid;
}

Document::Cursor Document::firstAtOrAfter(std::string_view folded) const {
    Cursor cursor;
    if (!m_summary.sorted) {
        size_t lo = 0, hi = m_order.size();
        std::string at;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (readKeyLine(m_order[mid], &at, nullptr) && at < folded)
                lo = mid + 1;
            else
                hi = mid;
        }
        cursorAt(cursor, lo < m_order.size() ? m_order[lo] : kEnd, lo);
        return cursor;
    }
    // Every "[...]" line before lo sorts before folded; every one from hi on does not.
    uint64_t lo = m_summary.headerLen;
    uint64_t hi = m_source.size();
    std::string at;
    while (hi - lo > kLinearSearch) {
        // The first line that starts in the second half.
        const uint64_t mid = lo + (hi - lo) / 2;
        uint64_t start = mid;
        if (const std::string_view before = m_source.at(mid - 1, 1, kLookAhead);
            before.empty() || before[0] != '\n') {
            const std::string_view rest = lineAt(mid, kLookAhead);
            start = rest.ends_with('\n') ? mid + rest.size() : hi;
        }
        if (start >= hi)
            break;
        const uint64_t line = nextKeyLine(start, hi);
        if (line == kEnd) {
            hi = start;
            continue;
        }
        uint64_t end = 0;
        if (!readKeyLine(line, &at, nullptr, &end))
            break;
        if (at < folded)
            lo = end;
        else
            hi = line;
    }
    for (uint64_t line = nextKeyLine(lo, m_source.size()); line != kEnd;) {
        uint64_t end = 0;
        if (!readKeyLine(line, &at, nullptr, &end))
            break;
        if (at >= folded) {
            cursorAt(cursor, line, 0);
            return cursor;
        }
        line = nextKeyLine(end, m_source.size());
    }
    cursorAt(cursor, kEnd, 0);
    return cursor;
}

void Document::advance(Cursor& cursor) const {
    if (!cursor.valid)
        return;
    if (!m_summary.sorted) {
        const size_t rank = cursor.rank + 1;
        cursorAt(cursor, rank < m_order.size() ? m_order[rank] : kEnd, rank);
        return;
    }
    const std::string_view line = lineAt(cursor.line, kLookAhead);
    cursorAt(cursor, nextKeyLine(cursor.line + line.size(), m_source.size()), 0);
}

Document::Cursor Document::before(const Cursor& cursor) const {
    Cursor out;
    if (!m_summary.sorted) {
        if (cursor.rank > 0)
            cursorAt(out, m_order[cursor.rank - 1], cursor.rank - 1);
        else
            cursorAt(out, kEnd, 0);
        return out;
    }
    for (uint64_t pos = cursor.valid ? cursor.line : m_source.size(); pos > m_summary.headerLen;) {
        pos = previousLine(pos);
        const std::string_view line = lineAt(pos, kLookAhead);
        if (line[skipIndent(line, 0, line.size())] == '[') {
            cursorAt(out, pos, 0);
            return out;
        }
    }
    cursorAt(out, kEnd, 0);
    return out;
}

bool Document::live(const Cursor& cursor) const {
    const auto it = m_byFolded.find(cursor.folded);
    if (it == m_byFolded.end())
        return true;
    const auto& sections = m_groups[it->second];
    return std::any_of(sections.begin(), sections.end(), [this](uint32_t s) { return !m_keys[s].deleted; });
}

uint32_t Document::group(std::string_view folded) const {
    if (const auto it = m_byFolded.find(folded); it != m_byFolded.end())
        return it->second;
    const auto index = static_cast<uint32_t>(m_groups.size());
    m_groups.emplace_back();
    m_byFolded.emplace(std::string(folded), index);
    for (Cursor c = firstAtOrAfter(folded); c.valid && c.folded == folded; advance(c))
        loadSection(c.line, index);
    return index;
}

void Document::loadSection(uint64_t keyLine, uint32_t group) const {
    const uint64_t start = sectionStart(keyLine);
    Key key;
    key.group = group;
    key.source = start;
    Unit unit;
    std::u16string raw;
    uint64_t pos = start;
    for (; pos < keyLine; pos = unit.end)
        if (readUnit(pos, unit, nullptr, kLookAhead) || unit.kind != Unit::Blank)
            return;
    if (readUnit(pos, unit, &raw, kLookAhead) || unit.kind != Unit::KeyLine)
        return;
    normalisePath(raw, nullptr, &key.folded);
    pos = unit.end;
    uint64_t blankRun = kEnd;
    std::vector<std::pair<uint64_t, Unit>> values;
    while (pos < m_source.size()) {
        if (readUnit(pos, unit, nullptr, kLookAhead))
            return; // changed since it was read: the key is not there for now
        if (unit.kind == Unit::KeyLine)
            break;
        if (unit.kind == Unit::ValueLine)
            values.emplace_back(pos, unit);
        if (unit.kind == Unit::Blank) {
            if (blankRun == kEnd)
                blankRun = pos;
        } else {
            blankRun = kEnd;
        }
        pos = unit.end;
    }
    const uint64_t end = pos < m_source.size() && blankRun != kEnd ? blankRun : pos;
    key.sourceLen = end - start;
    if (!m_source.appendTo(key.text, start, end - start))
        return;
    for (size_t j = 0; j < values.size(); ++j) {
        const Unit& u = values[j].second;
        Value v;
        v.type = u.type;
        v.off = static_cast<uint32_t>(u.start - start);
        v.len = static_cast<uint32_t>(u.end - u.start);
        v.dataOff = static_cast<uint32_t>(u.dataStart - u.start);
        const uint64_t next = j + 1 < values.size() ? values[j + 1].second.start : end;
        v.tailLen = static_cast<uint32_t>(next - u.end);
        key.values.push_back(std::move(v));
    }
    key.headLen = key.values.empty() ? static_cast<uint32_t>(key.text.size()) : key.values[0].off;
    m_groups[group].push_back(static_cast<uint32_t>(m_keys.size()));
    m_keys.push_back(std::move(key));
}

// ---- lookups --------------------------------------------------------------------------------

long Document::findKey(std::string_view folded) const {
    for (const uint32_t s : m_groups[group(folded)])
        if (!m_keys[s].deleted)
            return s;
    return -1;
}

bool Document::hasSubkeys(std::string_view folded) const {
    std::string prefix(folded);
    if (!prefix.empty())
        prefix += '\0';
    // Keys read or made so far, then the ones only the text knows.
    for (auto it = m_byFolded.lower_bound(prefix); it != m_byFolded.end() && it->first.starts_with(prefix);
         ++it) {
        if (it->first == folded)
            continue;
        const auto& sections = m_groups[it->second];
        if (std::any_of(sections.begin(), sections.end(), [this](uint32_t s) { return !m_keys[s].deleted; }))
            return true;
    }
    for (Cursor c = firstAtOrAfter(prefix); c.valid && c.folded.starts_with(prefix); advance(c))
        if (c.folded != folded && live(c))
            return true;
    return false;
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

std::u16string Document::nameOf(const Key& key, const Value& value) {
    const std::string_view lines = linesOf(key, value);
    const size_t nl = std::min(lines.find('\n'), lines.size());
    const size_t lead = skipIndent(lines, 0, nl);
    std::u16string name;
    if (lead < nl && lines[lead] == '"')
        unescape(lines.substr(0, nl), lead + 1, '"', &name);
    return name;
}

bool Document::nameEquals(const Key& key, const Value& value, std::u16string_view name) {
    // Most names are plain ASCII between the quotes: compared in place, without decoding.
    const std::string_view lines = linesOf(key, value);
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
    return equalFolded(nameOf(key, value), name);
}

std::vector<uint32_t> Document::liveSections(long key) const {
    std::vector<uint32_t> out;
    for (const uint32_t s : m_groups[m_keys[static_cast<size_t>(key)].group])
        if (!m_keys[s].deleted)
            out.push_back(s);
    return out;
}

std::pair<long, size_t> Document::locate(long key, long value) const {
    auto left = static_cast<size_t>(value);
    for (const uint32_t s : m_groups[m_keys[static_cast<size_t>(key)].group]) {
        if (m_keys[s].deleted)
            continue;
        const size_t count = m_keys[s].values.size();
        if (left < count)
            return {static_cast<long>(s), left};
        left -= count;
    }
    return {-1, 0};
}

long Document::findValue(long key, std::u16string_view name) const {
    long found = -1;
    size_t before = 0; // values in the sections before this one
    for (const uint32_t s : m_groups[m_keys[static_cast<size_t>(key)].group]) {
        const Key& section = m_keys[s];
        if (section.deleted)
            continue;
        for (size_t j = section.values.size(); j-- > 0;)
            if (nameEquals(section, section.values[j], name)) {
                found = static_cast<long>(before + j);
                break;
            }
        before += section.values.size();
    }
    return found;
}

void Document::valueData(long key, long value, uint32_t& type, std::string& bytes) const {
    const auto [section, index] = locate(key, value);
    if (section < 0) {
        bytes.clear();
        return;
    }
    const Key& k = m_keys[static_cast<size_t>(section)];
    const Value& v = k.values[index];
    if (decodeData(linesOf(k, v).substr(v.dataOff), type, &bytes))
        bytes.clear();
}

// ---- changes --------------------------------------------------------------------------------

std::u16string Document::spelledPath(const std::vector<std::u16string>& components) const {
    // The longest part of the path that exists keeps the spelling it has. Of all keys, the
    // ones sharing most with the path sort right before or after it, so one search finds
    // that part, however deep the path: in the text, and among the keys made since.
    const std::string folded = foldPath(components);
    Cursor after = firstAtOrAfter(folded);
    while (after.valid && !live(after))
        advance(after);
    Cursor previous = before(after);
    while (previous.valid && !live(previous))
        previous = before(previous);
    const Key* addedBefore = nullptr;
    const Key* addedAfter = nullptr;
    auto addedIn = [this](uint32_t group) -> const Key* {
        for (const uint32_t s : m_groups[group])
            if (m_keys[s].added && !m_keys[s].deleted)
                return &m_keys[s];
        return nullptr;
    };
    const auto at = m_byFolded.lower_bound(folded);
    for (auto it = at; it != m_byFolded.end() && !addedAfter; ++it)
        addedAfter = addedIn(it->second);
    for (auto it = at; it != m_byFolded.begin() && !addedBefore;)
        addedBefore = addedIn((--it)->second);

    // The nearest on each side, the one before first.
    struct Candidate {
        std::string_view folded;
        const Cursor* cursor = nullptr;
        const Key* key = nullptr;
    };
    Candidate candidates[2];
    if (previous.valid)
        candidates[0] = {previous.folded, &previous, nullptr};
    if (addedBefore && (!candidates[0].cursor || addedBefore->folded > candidates[0].folded))
        candidates[0] = {addedBefore->folded, nullptr, addedBefore};
    if (after.valid)
        candidates[1] = {after.folded, &after, nullptr};
    if (addedAfter && (!candidates[1].cursor || addedAfter->folded < candidates[1].folded))
        candidates[1] = {addedAfter->folded, nullptr, addedAfter};
    const Candidate* source = nullptr;
    size_t shared = 0;
    for (const Candidate& candidate : candidates) {
        if (!candidate.cursor && !candidate.key)
            continue;
        const size_t common = commonComponents(folded, candidate.folded);
        if (common > shared) {
            shared = common;
            source = &candidate;
        }
    }
    if (!source)
        return joinPath(components);
    std::u16string path;
    if (source->key)
        path = pathOf(*source->key);
    else
        readKeyLine(source->cursor->line, nullptr, &path);
    auto spelled = splitPath(path);
    if (spelled.size() < shared)
        return joinPath(components);
    spelled.resize(shared);
    spelled.insert(spelled.end(), components.begin() + static_cast<long>(shared), components.end());
    return joinPath(spelled);
}

uint64_t Document::insertionPoint(std::string_view folded) const {
    // Before the first section in the file of a key that sorts after it, deleted ones
    // included: every new key is placed by the one order of the text as it was read, so
    // keys made in one save, around sections deleted in the same save, keep that order
    // among themselves (keys placed at the same section are written in sorted order).
    if (m_summary.sorted) {
        for (Cursor c = firstAtOrAfter(folded); c.valid; advance(c))
            if (c.folded > folded)
                return sectionStart(c.line);
        return m_source.size();
    }
    Cursor c = firstAtOrAfter(folded);
    uint64_t first = kEnd;
    for (; c.valid; advance(c))
        if (c.folded > folded && c.line < first)
            first = c.line;
    return first == kEnd ? m_source.size() : sectionStart(first);
}

long Document::ensureBlock(const std::vector<std::u16string>& components, uint64_t fileTime) {
    const std::string folded = foldPath(components);
    const long found = findKey(folded);
    if (found >= 0)
        return found;
    Key key;
    key.folded = folded;
    key.added = true;
    key.group = group(folded);
    key.source = insertionPoint(folded);
    key.fresh =
        "\n" + formatKeyLine(spelledPath(components), fileTimeToUnix(fileTime)) + formatTimeLine(fileTime);
    const auto index = static_cast<uint32_t>(m_keys.size());
    m_groups[key.group].push_back(index);
    m_keys.push_back(std::move(key));
    return index;
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
        const std::string_view rest = line.substr(lead);
        if (afterKeyLine == npos && rest.starts_with('[')) {
            // Keep the name as written; only the stamp changes.
            const size_t close = unescape(line, lead + 1, ']', nullptr);
            out += line.substr(0, close == npos ? line.size() : close + 1);
            out += ' ';
            out += std::to_string(static_cast<uint32_t>(fileTimeToUnix(fileTime)));
            out += '\n';
            afterKeyLine = out.size();
        } else if (afterKeyLine != npos && !sawTime && rest.starts_with("#time=")) {
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
        // Changed where it stands, in whichever section of the key that is.
        const auto [section, index] = locate(first, v);
        Key& key = m_keys[static_cast<size_t>(section)];
        Value& value = key.values[index];
        const std::u16string spelled = nameOf(key, value);
        value.fresh = formatValue(spelled, type, bytes);
        value.type = type;
        value.dataOff = nameFieldLength(spelled);
        touchKey(key, fileTime);
        m_changed = true;
        return true;
    }
    // A new value goes into the key's first section.
    Key& key = m_keys[static_cast<size_t>(ensureBlock(components, fileTime))];
    Value value;
    value.type = type;
    value.fresh = formatValue(name, type, bytes);
    value.dataOff = nameFieldLength(name);
    const auto at = std::find_if(key.values.begin(), key.values.end(),
                                 [&](const Value& x) { return compareFolded(nameOf(key, x), name) > 0; });
    key.values.insert(at, std::move(value));
    key.edited = true;
    touchKey(key, fileTime);
    m_changed = true;
    return true;
}

bool Document::deleteValue(std::string_view folded, std::u16string_view name, uint64_t fileTime) {
    const long k = findKey(folded);
    if (k < 0)
        return false;
    bool removed = false;
    for (const uint32_t s : liveSections(k)) {
        Key& key = m_keys[s];
        if (std::erase_if(key.values, [&](const Value& v) { return equalFolded(nameOf(key, v), name); }) == 0)
            continue;
        key.edited = true;
        touchKey(key, fileTime);
        removed = true;
    }
    m_changed |= removed;
    return removed;
}

bool Document::deleteKey(std::string_view folded, uint64_t fileTime) {
    const long k = findKey(folded);
    if (k < 0)
        return false;
    const std::u16string path = pathOf(m_keys[static_cast<size_t>(k)]);
    for (const uint32_t s : liveSections(k))
        m_keys[s].deleted = true;
    m_changed = true;
    // A parent known only from this key would vanish with it; Wine keeps it as an empty key.
    auto components = splitPath(path);
    if (components.size() > 1) {
        components.pop_back();
        if (!keyExists(foldPath(components)))
            ensureBlock(components, fileTime);
    }
    return true;
}

// ---- the text to save ---------------------------------------------------------------------------

template <class Sink> bool Document::emit(Sink& sink) const {
    struct Edit {
        uint64_t off;
        uint64_t len;
        const Key* key; // null: the section goes
    };
    std::vector<Edit> edits;
    for (const Key& key : m_keys) {
        if (key.added) {
            if (!key.deleted)
                edits.push_back({key.source, 0, &key});
        } else if (isChanged(key)) {
            edits.push_back({key.source, key.sourceLen, key.deleted ? nullptr : &key});
        }
    }
    // New sections go before the section that stands where they go, in Wine's order.
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        if (a.off != b.off)
            return a.off < b.off;
        if ((a.len == 0) != (b.len == 0))
            return a.len == 0;
        return a.len == 0 && a.key->folded < b.key->folded;
    });
    // Each edit starts where the one before ends, or after it; none reaches into the header
    // or past the end. Checked before anything is given out, so that a broken edit costs
    // the save and never the bytes of a section it overlaps.
    uint64_t from = m_summary.headerLen;
    for (const Edit& edit : edits) {
        if (edit.off < from || edit.off > m_source.size() || edit.len > m_source.size() - edit.off)
            return false;
        from = edit.off + edit.len;
    }
    // An unchanged text gives back its last line without the line feed it was read with.
    const uint64_t end = m_source.size() - (m_source.unterminated() && !m_changed ? 1 : 0);
    // Whether the text written stands in Wine's order: the untouched text did, so it is
    // enough that each section written between its pieces sorts between its neighbours.
    SectionOrder order{*this, m_summary.sorted, {}, false};
    uint64_t pos = 0;
    for (const Edit& edit : edits) {
        sink.copy(pos, edit.off - pos);
        order.copied(pos, edit.off);
        pos = edit.off + edit.len;
        if (!edit.key)
            continue;
        const Key& key = *edit.key;
        order.follows(key.folded);
        sink.add(headOf(key));
        for (const Value& v : key.values) {
            sink.add(linesOf(key, v));
            sink.add(std::string_view(key.text).substr(v.off + v.len, v.tailLen));
        }
    }
    if (pos < end)
        sink.copy(pos, end - pos);
    order.copied(pos, m_source.size());
    m_writtenInOrder = order.inOrder;
    return true;
}

void Document::SectionOrder::follows(std::string_view folded) {
    if (inOrder && any && folded < last)
        inOrder = false;
    last.assign(folded);
    any = true;
}

void Document::SectionOrder::copied(uint64_t from, uint64_t to) {
    // Untouched text runs from section to section: its first and last "[...]" lines are the
    // neighbours of what was written around it.
    if (!inOrder || from >= to)
        return;
    const uint64_t first = doc.nextKeyLine(std::max(from, doc.m_summary.headerLen), to);
    std::string folded;
    if (first == kEnd || !doc.readKeyLine(first, &folded, nullptr))
        return;
    follows(folded);
    for (uint64_t line = to; line > first;) {
        line = doc.previousLine(line);
        const std::string_view text = doc.lineAt(line, kLookAhead);
        if (text.size() > skipIndent(text, 0, text.size()) && text[skipIndent(text, 0, text.size())] == '[') {
            if (doc.readKeyLine(line, &folded, nullptr))
                last = folded;
            return;
        }
    }
}

std::string Document::render() const {
    struct ToString {
        const SourceText& source;
        std::string out;
        void copy(uint64_t off, uint64_t len) { source.appendTo(out, off, len); }
        void add(std::string_view text) { out += text; }
    } sink{m_source, {}};
    sink.out.reserve(m_source.inMemory() ? m_source.size() + 4096 : 0);
    if (!emit(sink))
        return {};
    return std::move(sink.out);
}

bool Document::write(int fd) const {
    struct ToFile {
        const SourceText& source;
        int fd;
        bool ok = true;
        void copy(uint64_t off, uint64_t len) {
            if (ok && len > 0)
                ok = source.copyTo(fd, off, len);
        }
        void add(std::string_view text) { ok = ok && writeAll(fd, text); }
    } sink{m_source, fd};
    if (!emit(sink)) {
        errno = EINVAL;
        return false;
    }
    return sink.ok;
}

void Document::adopt(SourceText saved) {
    // The header stays as it was (nothing is ever written into it). Whether the saved text
    // is in order is what writing it found; a text out of order needs its list anew.
    Summary kept = m_summary;
    kept.sorted = kept.sorted && m_writtenInOrder;
    clear();
    m_source = std::move(saved);
    m_summary = kept;
    if (!m_summary.sorted)
        orderSections();
}

std::vector<Document::Section> Document::sections() const {
    Document copy;
    if (copy.parse(render()))
        return {};
    std::vector<Section> out;
    for (uint64_t line = copy.nextKeyLine(copy.m_summary.headerLen, copy.m_source.size()); line != kEnd;) {
        Section section;
        uint64_t end = 0;
        if (!copy.readKeyLine(line, &section.folded, &section.path, &end))
            break;
        section.offset = copy.sectionStart(line);
        if (!out.empty())
            out.back().length = section.offset - out.back().offset;
        out.push_back(std::move(section));
        line = copy.nextKeyLine(end, copy.m_source.size());
    }
    if (!out.empty())
        out.back().length = copy.m_source.size() - out.back().offset;
    return out;
}

} // namespace platform::hive
