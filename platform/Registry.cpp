#include "Registry.h"

#include "Codepage.h"
#include "Diagnostics.h"
#include "HiveDocument.h"
#include "HiveFile.h"
#include "HiveText.h"
#include "Recheck.h"
#include "WindowsRoot.h"
#include "WineRegTool.h"
#include "Wineserver.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

namespace platform {
namespace {

using Clock = RecheckClock;
// A read looks at the file at most every kRecheckInterval; a write always does, under the lock.
constexpr HKEY kFirstHandle = 0x100;
constexpr int kUser = 0;
constexpr int kMachine = 1;

struct Hive {
    std::filesystem::path file;
    std::filesystem::path sibling;
    std::string relativeTo;
    hive::Document doc;
    hive::FileIdentity identity;
    bool loaded = false; // identity tells what doc holds
    bool broken = false;
    std::string problem; // why it is broken, in words
    Clock::time_point checked{};
    uint64_t generation = 0; // changes whenever key positions may have moved
};

// Access rights of a key handle, as RegOpenKeyExA asks for them.
constexpr uint32_t kQueryValue = 0x1;
constexpr uint32_t kSetValue = 0x2;
constexpr uint32_t kCreateSubKey = 0x4;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;
constexpr uint32_t kGenericExecute = 0x20000000u;
constexpr uint32_t kGenericAll = 0x10000000u;
constexpr uint32_t kMaximumAllowed = 0x02000000u;

// The rights a handle gets for what was asked: the user owns the whole registry here.
uint32_t grantedAccess(uint32_t desired) {
    if (desired & (kGenericAll | kMaximumAllowed))
        return kKeyAllAccess;
    uint32_t granted = desired & kKeyAllAccess;
    if (desired & (kGenericRead | kGenericExecute))
        granted |= kKeyRead;
    if (desired & kGenericWrite)
        granted |= kKeyWrite;
    return granted;
}

struct Handle {
    int hive = kUser;
    std::vector<std::u16string> components;
    std::string folded;
    bool predefined = false;
    uint32_t access = kKeyAllAccess;
    uint64_t generation = ~uint64_t(0);
    long key = -1;
};

std::string_view cString(std::string_view s) {
    const size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Windows refuses a key path that starts with a backslash (ERROR_BAD_PATHNAME); doubled
// and trailing ones are fine.
bool isBadPath(std::string_view subKey) {
    const std::string_view path = cString(subKey);
    return !path.empty() && path.front() == '\\';
}

std::vector<std::u16string> splitAnsiPath(std::string_view path) {
    path = cString(path);
    std::vector<std::u16string> out;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (i > start)
                out.push_back(ansiToUtf16(path.substr(start, i - start)));
            start = i + 1;
        }
    }
    return out;
}

// The handle of subKey below base, not yet checked against the hive.
Handle childOf(const Handle& base, std::string_view subKey) {
    Handle handle;
    handle.hive = base.hive;
    handle.components = base.components;
    for (auto& c : splitAnsiPath(subKey))
        handle.components.push_back(std::move(c));
    handle.folded = hive::foldPath(handle.components);
    return handle;
}

bool isStringType(uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Wine records whether a prefix is 32- or 64-bit in both hives; a new hive copies it.
std::string archLine(const std::filesystem::path& sibling) {
    std::ifstream in(sibling);
    std::string line;
    for (int i = 0; i < 8 && std::getline(in, line); ++i)
        if (line.starts_with("#arch="))
            return line;
    return {};
}

// A hive the user made read-only stays as it is, though the folder would let a rename
// replace it.
bool readOnly(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

// A reader's error text without the file name it names ("cannot open: Permission
// denied"), for a message that names the file once already.
std::string withoutName(std::string error, const std::string& name) {
    if (const size_t at = error.find(name); at != std::string::npos && !name.empty()) {
        const size_t from = at > 0 && error[at - 1] == ' ' ? at - 1 : at;
        error.erase(from, at + name.size() - from);
    }
    while (!error.empty() && (error.back() == ':' || error.back() == ' '))
        error.pop_back();
    return error;
}

// Makes the edit in the document, as the hive file or the running registry holds it
// afterwards. Whether the text changed.
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

winereg::Edit makeEdit(winereg::Edit::Kind kind, int hive, std::vector<std::u16string> key) {
    winereg::Edit edit;
    edit.kind = kind;
    edit.machine = hive == kMachine;
    edit.key = std::move(key);
    return edit;
}

} // namespace

struct Registry::Impl {
    std::filesystem::path root;
    std::mutex mutex;
    Hive hives[2];
    Handle roots[3]; // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT
    std::unordered_map<HKEY, Handle> handles;
    HKEY next = kFirstHandle;
    // Changes made while a wineserver runs, waiting to be handed to Wine's registry tool
    // when the outermost batch ends; the documents hold them already.
    std::vector<winereg::Edit> pending;
    int batchDepth = 0;

    explicit Impl(std::filesystem::path r) : root(std::move(r)) {
        hives[kUser].file = root / "user.reg";
        hives[kUser].sibling = root / "system.reg";
        hives[kUser].relativeTo = "\\\\User\\\\S-1-5-21-0-0-0-1000";
        hives[kMachine].file = root / "system.reg";
        hives[kMachine].sibling = root / "user.reg";
        hives[kMachine].relativeTo = "\\\\Machine";
        roots[0].hive = kUser;
        roots[1].hive = kMachine;
        roots[2].hive = kMachine;
        roots[2].components = {u"Software", u"Classes"};
        for (Handle& h : roots) {
            h.predefined = true;
            h.folded = hive::foldPath(h.components);
        }
    }

    int32_t resolve(HKEY key, Handle*& out) {
        switch (key) {
        case HKEY_CURRENT_USER:
            out = &roots[0];
            return ERROR_SUCCESS;
        case HKEY_LOCAL_MACHINE:
            out = &roots[1];
            return ERROR_SUCCESS;
        case HKEY_CLASSES_ROOT:
            out = &roots[2];
            return ERROR_SUCCESS;
        default:
            break;
        }
        if (key >= 0x80000000u)
            return ERROR_ACCESS_DENIED;
        const auto it = handles.find(key);
        if (it == handles.end())
            return ERROR_INVALID_HANDLE;
        out = &it->second;
        return ERROR_SUCCESS;
    }

    HKEY allocate(Handle handle) {
        while (handles.count(next) || next >= 0x80000000u - 4)
            next = next >= 0x80000000u - 4 ? kFirstHandle : next + 4;
        const HKEY h = next;
        next += 4;
        handles.emplace(h, std::move(handle));
        return h;
    }

    void load(Hive& h) {
        std::string error;
        hive::FileIdentity id;
        std::optional<hive::ParseFailure> failure;
        ++h.generation;
        h.loaded = true;
        h.broken = false;
        h.problem.clear();
        const auto status = hive::loadFile(h.file, h.doc, id, error, failure);
        if (status == hive::ReadStatus::Failed) {
            h.identity = hive::statIdentity(h.file);
            h.doc.clear();
            h.broken = true;
            h.problem = withoutName(error, h.file.string());
            std::fprintf(stderr, "%s: %s; its settings are not used and the file is left as it is\n",
                         diagnosticName().c_str(), error.c_str());
            return;
        }
        h.identity = id;
        if (status == hive::ReadStatus::Missing) {
            std::string header =
                std::string(hive::kSignature) + "\n;; All keys relative to " + h.relativeTo + "\n";
            if (const std::string arch = archLine(h.sibling); !arch.empty())
                header += "\n" + arch + "\n";
            h.doc.makeEmpty(std::move(header));
            return;
        }
        if (failure) {
            h.broken = true;
            h.problem = "line " + std::to_string(failure->line) + ": " + failure->reason;
            std::fprintf(stderr, "%s: %s:%zu: %s; its settings are not used and the file is left as it is\n",
                         diagnosticName().c_str(), h.file.c_str(), failure->line, failure->reason.c_str());
            return;
        }
        // Wine saved its registry meanwhile: what is still on its way to it stays visible.
        const bool machine = &h == &hives[kMachine];
        for (const winereg::Edit& edit : pending)
            if (edit.machine == machine)
                applyEdit(h.doc, edit, hive::fileTimeNow());
    }

    void refresh(Hive& h, bool force) {
        const auto now = Clock::now();
        if (!force && h.loaded && now - h.checked < kRecheckInterval)
            return;
        h.checked = now;
        if (h.loaded && hive::statIdentity(h.file) == h.identity)
            return;
        load(h);
    }

    // Whether the handle's key was deleted since it was opened (a root never is).
    static bool deleted(const Handle& handle, const hive::Document& doc) {
        return !handle.predefined && !doc.keyExists(handle.folded);
    }

    long keyOf(Handle& handle) {
        const Hive& h = hives[handle.hive];
        if (handle.generation != h.generation) {
            handle.key = h.doc.findKey(handle.folded);
            handle.generation = h.generation;
        }
        return handle.key;
    }

    // A change: check() tells whether one is due (or fails), then the edit is made in
    // memory and the hive is saved; both run again under the writer lock on fresh
    // contents. While a wineserver runs, the edit goes to Wine instead.
    template <class Check> int32_t change(Hive& h, Check&& check, winereg::Edit edit) {
        bool due = false;
        refresh(h, true);
        if (h.broken)
            return ERROR_ACCESS_DENIED;
        if (const int32_t r = check(h.doc, due); r != ERROR_SUCCESS || !due)
            return r;
        if (readOnly(h.file))
            return ERROR_ACCESS_DENIED;
        // Once a batch has sent one change Wine's way, the rest follow it there.
        if (!pending.empty() || wineserverRunning(root))
            return changeThroughWine(h, std::move(edit));
        hive::WriterLock lock(h.file);
        if (!lock.held())
            return ERROR_ACCESS_DENIED;
        refresh(h, true);
        if (h.broken)
            return ERROR_ACCESS_DENIED;
        due = false;
        if (const int32_t r = check(h.doc, due); r != ERROR_SUCCESS || !due)
            return r;
        ++h.generation;
        if (!applyEdit(h.doc, edit, hive::fileTimeNow()))
            return ERROR_SUCCESS;
        hive::FileIdentity id;
        std::string error;
        if (!hive::saveFile(h.file, h.doc, id, error)) {
            h.loaded = false; // the next access reads the file again, dropping the change
            std::fprintf(stderr, "%s: the registry file %s was not saved: %s\n", diagnosticName().c_str(),
                         h.file.c_str(), error.c_str());
            return ERROR_ACCESS_DENIED;
        }
        h.identity = id;
        h.checked = Clock::now();
        return ERROR_SUCCESS;
    }

    // Wine holds the registry in memory and would overwrite the files when it stops: the
    // edit goes into its running registry through its own tool. The document takes it at
    // once, so the program reads back what it wrote; the file catches up when Wine saves.
    int32_t changeThroughWine(Hive& h, winereg::Edit edit) {
        if (!winereg::canCarry(edit) || !winereg::toolAvailable())
            return ERROR_ACCESS_DENIED;
        ++h.generation;
        applyEdit(h.doc, edit, hive::fileTimeNow());
        pending.push_back(std::move(edit));
        return batchDepth > 0 ? ERROR_SUCCESS : sendPending();
    }

    // Hands the pending edits to Wine's registry tool in one call.
    int32_t sendPending() {
        if (pending.empty())
            return ERROR_SUCCESS;
        const std::vector<winereg::Edit> edits = std::move(pending);
        pending.clear();
        const winereg::Result result = winereg::import(root, winereg::importFile(edits));
        if (result.ok)
            return ERROR_SUCCESS;
        // What Wine did not take must not be read back as if it had: the hives are read
        // again.
        for (Hive& h : hives)
            h.loaded = false;
        std::fprintf(stderr, "%s: the registry of the running Wine in %s was not changed: %s\n",
                     diagnosticName().c_str(), root.c_str(), result.error.c_str());
        return ERROR_ACCESS_DENIED;
    }

    // An empty name gives back the parent's own handle, as on Windows: for every key when
    // itself is true (RegOpenKeyA), else for the predefined roots (RegOpenKeyExA).
    int32_t open(HKEY parent, std::string_view subKey, HKEY* result, bool itself, uint32_t access) {
        if (!result)
            return ERROR_INVALID_PARAMETER;
        *result = 0;
        std::lock_guard guard(mutex);
        Handle* base = nullptr;
        if (const int32_t r = resolve(parent, base))
            return r;
        if (cString(subKey).empty() && (itself || base->predefined)) {
            *result = parent;
            return ERROR_SUCCESS;
        }
        if (isBadPath(subKey))
            return ERROR_BAD_PATHNAME;
        Handle handle = childOf(*base, subKey);
        Hive& h = hives[handle.hive];
        refresh(h, false);
        if (!h.broken && deleted(*base, h.doc))
            return ERROR_KEY_DELETED;
        if (h.broken || !h.doc.keyExists(handle.folded))
            return ERROR_FILE_NOT_FOUND;
        handle.access = access;
        *result = allocate(std::move(handle));
        return ERROR_SUCCESS;
    }
};

Registry::Registry(std::filesystem::path root) : m_impl(std::make_unique<Impl>(std::move(root))) {}

Registry::~Registry() = default;

Registry& Registry::current() {
    static std::mutex mutex;
    // Earlier registries stay alive: a caller may still hold one while the root changes.
    static std::vector<std::unique_ptr<Registry>> registries;
    std::lock_guard guard(mutex);
    const std::filesystem::path root = windowsRoot();
    if (registries.empty() || registries.back()->m_impl->root != root)
        registries.push_back(std::make_unique<Registry>(root));
    return *registries.back();
}

int32_t Registry::RegCreateKeyA(HKEY parent, std::string_view subKey, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    Handle* base = nullptr;
    if (const int32_t r = d.resolve(parent, base))
        return r;
    if (isBadPath(subKey))
        return ERROR_BAD_PATHNAME;
    Handle handle = childOf(*base, subKey);
    const bool basePredefined = base->predefined;
    const std::string baseFolded = base->folded;
    const uint32_t baseAccess = base->access;
    const int32_t r = d.change(
        d.hives[handle.hive],
        [&](const hive::Document& doc, bool& due) {
            if (!basePredefined && !doc.keyExists(baseFolded))
                return ERROR_KEY_DELETED;
            due = !doc.keyExists(handle.folded);
            // Making a key needs that right on its parent's handle; opening one does not.
            if (due && !(baseAccess & kCreateSubKey))
                return ERROR_ACCESS_DENIED;
            return ERROR_SUCCESS;
        },
        makeEdit(winereg::Edit::CreateKey, handle.hive, handle.components));
    if (r != ERROR_SUCCESS)
        return r;
    *result = d.allocate(std::move(handle));
    return ERROR_SUCCESS;
}

int32_t Registry::RegOpenKeyA(HKEY parent, std::string_view subKey, HKEY* result) {
    return m_impl->open(parent, subKey, result, true, kKeyAllAccess);
}

int32_t Registry::RegOpenKeyExA(HKEY parent, std::string_view subKey, uint32_t, uint32_t samDesired,
                                HKEY* result) {
    return m_impl->open(parent, subKey, result, false, grantedAccess(samDesired));
}

int32_t Registry::RegSetValueExA(HKEY key, std::string_view valueName, uint32_t, uint32_t type,
                                 const uint8_t* data, uint32_t size) {
    if (size && !data)
        return ERROR_NOACCESS;
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    Handle* handle = nullptr;
    if (const int32_t r = d.resolve(key, handle))
        return r;
    if (!(handle->access & kSetValue))
        return ERROR_ACCESS_DENIED;
    const std::u16string name = ansiToUtf16(cString(valueName));
    std::string bytes;
    const std::string_view given(reinterpret_cast<const char*>(data), data ? size : 0);
    if (isStringType(type)) {
        // The "A" call hands ANSI text; the hive keeps UTF-16.
        const std::u16string units = ansiToUtf16(given);
        bytes.resize(units.size() * 2);
        for (size_t i = 0; i < units.size(); ++i) {
            bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
        }
    } else {
        bytes.assign(given);
    }
    Handle& target = *handle;
    winereg::Edit edit = makeEdit(winereg::Edit::SetValue, target.hive, target.components);
    edit.name = name;
    edit.type = type;
    edit.bytes = bytes;
    return d.change(
        d.hives[target.hive],
        [&](const hive::Document& doc, bool& due) {
            if (Impl::deleted(target, doc))
                return ERROR_KEY_DELETED;
            const long k = doc.findKey(target.folded);
            const long v = k >= 0 ? doc.findValue(k, name) : -1;
            due = true;
            if (v >= 0) {
                uint32_t oldType = 0;
                std::string old;
                doc.valueData(k, v, oldType, old);
                due = oldType != type || old != bytes;
            }
            return ERROR_SUCCESS;
        },
        std::move(edit));
}

int32_t Registry::RegQueryValueExA(HKEY key, std::string_view valueName, uint32_t* reserved, uint32_t* type,
                                   uint8_t* data, uint32_t* size) {
    if (reserved || (data && !size))
        return ERROR_INVALID_PARAMETER;
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    Handle* handle = nullptr;
    if (const int32_t r = d.resolve(key, handle))
        return r;
    if (!(handle->access & kQueryValue))
        return ERROR_ACCESS_DENIED;
    Hive& h = d.hives[handle->hive];
    d.refresh(h, false);
    if (h.broken)
        return ERROR_FILE_NOT_FOUND;
    const long k = d.keyOf(*handle);
    if (k < 0)
        return Impl::deleted(*handle, h.doc) ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    const long v = h.doc.findValue(k, ansiToUtf16(cString(valueName)));
    if (v < 0) {
        // A size query of a missing value answers 0 on Windows NT; a read leaves the size.
        if (!data && size)
            *size = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    uint32_t valueType = 0;
    std::string bytes;
    h.doc.valueData(k, v, valueType, bytes);
    if (isStringType(valueType)) {
        std::u16string units(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                             (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        bytes = utf16ToAnsi(units);
    }
    const auto needed = static_cast<uint32_t>(bytes.size());
    if (data) {
        if (*size < needed) {
            // Windows tells the type and the size needed, and leaves the buffer alone.
            *size = needed;
            if (type)
                *type = valueType;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes.data(), bytes.size());
        // Text stored without its terminator gets one where the buffer has room, as
        // Windows NT adds it (not counted in the size).
        if (isStringType(valueType) && needed > 0 && needed < *size && bytes.back() != '\0')
            data[needed] = 0;
    }
    if (size)
        *size = needed;
    if (type)
        *type = valueType;
    return ERROR_SUCCESS;
}

int32_t Registry::RegDeleteKeyA(HKEY parent, std::string_view subKey) {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    Handle* base = nullptr;
    if (const int32_t r = d.resolve(parent, base))
        return r;
    if (isBadPath(subKey))
        return ERROR_BAD_PATHNAME;
    std::vector<std::u16string> components = base->components;
    const auto sub = splitAnsiPath(subKey);
    if (sub.empty() && base->predefined)
        return ERROR_ACCESS_DENIED;
    components.insert(components.end(), sub.begin(), sub.end());
    const std::string folded = hive::foldPath(components);
    const int hiveIndex = base->hive;
    return d.change(
        d.hives[hiveIndex],
        [&](const hive::Document& doc, bool& due) {
            if (!doc.keyExists(folded))
                return ERROR_FILE_NOT_FOUND;
            if (doc.hasSubkeys(folded))
                return ERROR_ACCESS_DENIED;
            due = true;
            return ERROR_SUCCESS;
        },
        makeEdit(winereg::Edit::DeleteKey, hiveIndex, std::move(components)));
}

int32_t Registry::RegDeleteValueA(HKEY key, std::string_view valueName) {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    Handle* handle = nullptr;
    if (const int32_t r = d.resolve(key, handle))
        return r;
    if (!(handle->access & kSetValue))
        return ERROR_ACCESS_DENIED;
    const std::u16string name = ansiToUtf16(cString(valueName));
    const std::string folded = handle->folded;
    const Handle& target = *handle;
    winereg::Edit edit = makeEdit(winereg::Edit::DeleteValue, target.hive, target.components);
    edit.name = name;
    return d.change(
        d.hives[handle->hive],
        [&](const hive::Document& doc, bool& due) {
            if (Impl::deleted(target, doc))
                return ERROR_KEY_DELETED;
            const long k = doc.findKey(folded);
            if (k < 0 || doc.findValue(k, name) < 0)
                return ERROR_FILE_NOT_FOUND;
            due = true;
            return ERROR_SUCCESS;
        },
        std::move(edit));
}

int32_t Registry::RegCloseKey(HKEY key) {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    Handle* handle = nullptr;
    if (const int32_t r = d.resolve(key, handle))
        return r;
    if (!handle->predefined)
        d.handles.erase(key);
    return ERROR_SUCCESS;
}

std::string Registry::unreadableHiveMessage() const {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    std::string message;
    for (Hive& h : d.hives) {
        d.refresh(h, false);
        if (!h.broken)
            continue;
        if (!message.empty())
            message += "\n\n";
        message += "The registry file " + h.file.string() + " cannot be read (" + h.problem +
                   "). The settings it holds are not used, and no settings can be saved in it until it "
                   "is repaired.";
    }
    return message;
}

std::string Registry::busyPrefixMessage() const {
    return wineserverRunning(m_impl->root) && !winereg::toolAvailable() ? busyPrefixText(m_impl->root)
                                                                        : std::string();
}

std::string Registry::wineWritesNote() const {
    return wineserverRunning(m_impl->root) && winereg::toolAvailable() ? wineWritesText(m_impl->root)
                                                                       : std::string();
}

void Registry::beginBatch() {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    ++d.batchDepth;
}

int32_t Registry::endBatch() {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    if (d.batchDepth > 0 && --d.batchDepth > 0)
        return ERROR_SUCCESS;
    return d.sendPending();
}

} // namespace platform
