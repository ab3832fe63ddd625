// The document's index of its sections: where each key line is, how sections are found
// from a key's folded path (a binary search over the key lines, read a piece at a time)
// and loaded when first asked for. Linux only.
#include "platform/linux/hive/HiveDocument.h"

#include "platform/linux/hive/HiveLines.h"
#include "platform/linux/hive/HiveText.h"

#include <algorithm>
#include <cstring>

namespace platform::hive {

using namespace lines;

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

} // namespace platform::hive
