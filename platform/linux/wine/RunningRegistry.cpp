#include "platform/linux/wine/RunningRegistry.h"

#include "platform/linux/Recheck.h"
#include "platform/linux/hive/HiveText.h"
#include "platform/linux/wine/Wineserver.h"

namespace platform {
namespace {

bool isStringType(uint32_t type) {
    return type == 1 || type == 2 || type == 7;
}

// Text without the NUL units that end it.
std::string_view withoutTrailingNuls(std::string_view bytes) {
    while (bytes.size() >= 2 && bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0)
        bytes.remove_suffix(2);
    return bytes;
}

} // namespace

bool applyEdit(hive::Document& doc, const winereg::Edit& edit, uint64_t now) {
    switch (edit.kind) {
    case winereg::Edit::CreateKey:
        return doc.createKey(edit.key, now);
    case winereg::Edit::SetValue:
        return doc.setValue(edit.key, edit.name, edit.type, edit.bytes, now);
    case winereg::Edit::DeleteValue:
        return doc.deleteValue(hive::foldPath(edit.key), edit.name, now);
    case winereg::Edit::DeleteKey:
        return doc.deleteKey(hive::foldPath(edit.key), now);
    }
    return false;
}

bool editHolds(const hive::Document& doc, const winereg::Edit& edit) {
    const std::string folded = hive::foldPath(edit.key);
    switch (edit.kind) {
    case winereg::Edit::CreateKey:
        return doc.keyExists(folded);
    case winereg::Edit::DeleteKey:
        return !doc.keyExists(folded);
    case winereg::Edit::SetValue:
    case winereg::Edit::DeleteValue:
        break;
    }
    const long k = doc.findKey(folded);
    const long v = k >= 0 ? doc.findValue(k, edit.name) : -1;
    if (edit.kind == winereg::Edit::DeleteValue)
        return v < 0;
    if (v < 0)
        return false;
    uint32_t type = 0;
    std::string bytes;
    doc.valueData(k, v, type, bytes);
    if (type != edit.type)
        return false;
    return isStringType(type) ? withoutTrailingNuls(bytes) == withoutTrailingNuls(edit.bytes)
                              : bytes == edit.bytes;
}

RunningRegistry::RunningRegistry(std::filesystem::path prefix) : m_prefix(std::move(prefix)) {
    rebuild(0);
    rebuild(1);
}

bool RunningRegistry::cover(bool machine, const std::vector<std::u16string>& key, Problem& problem) {
    const int index = machine ? 1 : 0;
    Hive& h = m_hives[index];
    const std::string folded = hive::foldPath(key);
    // The nearest exported key at or before it in the order is the only one it can lie in.
    if (auto it = h.pieces.upper_bound(folded); it != h.pieces.begin()) {
        --it;
        if (it->first.empty() || it->first == folded || folded.starts_with(it->first + '\0'))
            return true;
    }
    // A Wine program whose server goes away may end as if all went well, its file cut
    // short: only what the same server answered, still serving afterwards, is taken. A
    // server that stopped meanwhile is asked again (or the one after it).
    winereg::Export exported;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const long server = wineserverProcess(m_prefix);
        exported = winereg::exportKey(m_prefix, machine, key);
        const bool steady =
            server != 0 && wineserverProcess(m_prefix) == server && wineserverServing(m_prefix);
        if (exported.outcome != winereg::Export::Failed && steady)
            break;
        if (exported.outcome != winereg::Export::Failed)
            exported = {winereg::Export::Failed, {}, {}, {Problem::ServerStopped, "wine reg export"}};
        if (steady)
            break; // refused by a server that serves on: asking again changes nothing
    }
    if (exported.outcome == winereg::Export::Failed) {
        problem = std::move(exported.problem);
        return false;
    }
    const std::string root = hive::foldPath(exported.key);
    for (auto it = h.pieces.lower_bound(root); it != h.pieces.end();) {
        if (!root.empty() && it->first != root && !it->first.starts_with(root + '\0'))
            break;
        it = h.pieces.erase(it);
    }
    Piece piece;
    piece.present = exported.outcome == winereg::Export::Exported;
    if (piece.present) {
        // Without the signature line the text starts with.
        const size_t first = exported.hiveText.find('\n');
        piece.sections = first == std::string::npos ? std::string() : exported.hiveText.substr(first + 1);
    }
    h.pieces.emplace(root, std::move(piece));
    if (m_oldest == std::chrono::steady_clock::time_point{})
        m_oldest = RecheckClock::now();
    rebuild(index);
    return true;
}

void RunningRegistry::rebuild(int index) {
    Hive& h = m_hives[index];
    // The pieces lie apart and each is in Wine's order, so in the order of their keys they
    // make one text in that order.
    std::string text = std::string(hive::kSignature) + "\n";
    for (const auto& [folded, piece] : h.pieces)
        text += piece.sections;
    if (h.doc.parse(std::move(text)))
        h.doc.makeEmpty(std::string(hive::kSignature) + "\n");
    const uint64_t now = hive::fileTimeNow();
    for (const winereg::Edit& edit : m_pending)
        if (edit.machine == (index == 1))
            applyEdit(h.doc, edit, now);
    ++m_generation;
}

void RunningRegistry::add(winereg::Edit edit) {
    applyEdit(m_hives[edit.machine ? 1 : 0].doc, edit, hive::fileTimeNow());
    m_pending.push_back(std::move(edit));
    ++m_generation;
}

std::vector<winereg::Edit> RunningRegistry::takePending() {
    std::vector<winereg::Edit> taken = std::move(m_pending);
    m_pending.clear();
    forget();
    return taken;
}

void RunningRegistry::forget() {
    for (int index = 0; index < 2; ++index) {
        m_hives[index].pieces.clear();
        rebuild(index);
    }
    m_oldest = {};
}

std::chrono::steady_clock::duration RunningRegistry::age() const {
    if (m_oldest == std::chrono::steady_clock::time_point{})
        return {};
    return RecheckClock::now() - m_oldest;
}

} // namespace platform
