#include "platform/linux/hive/HiveDocument.h"

#include "platform/WriteAll.h"
#include "platform/linux/hive/HiveLines.h"
#include "platform/linux/hive/HiveText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace platform::hive {

using namespace lines;

namespace {

// Wine writes long data as wrapped hex; a line this long is not a registry file.
constexpr size_t kMaxLine = 512 * 1024;
// Reading the whole text goes in large pieces, looking one key up in small ones.
constexpr size_t kScanAhead = 256 * 1024;

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
