#include "platform/Registry.h"

#include "platform/Codepage.h"
#include "platform/WindowsRoot.h"
#include "platform/linux/RegistryImpl.h"
#include "platform/linux/hive/HiveText.h"
#include "platform/linux/wine/Wineserver.h"

#include <cstring>
#include <vector>

namespace platform {
namespace {

using namespace registry_impl;
using Handle = registry_impl::Handle;

// Access rights of a key handle, as RegOpenKeyExA asks for them.
constexpr uint32_t kQueryValue = 0x1;
constexpr uint32_t kSetValue = 0x2;
constexpr uint32_t kCreateSubKey = 0x4;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
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

winereg::Edit makeEdit(winereg::Edit::Kind kind, int hive, std::vector<std::u16string> key) {
    winereg::Edit edit;
    edit.kind = kind;
    edit.machine = hive == kMachine;
    edit.key = std::move(key);
    return edit;
}

} // namespace

namespace {

// What every call on a key does first: it holds the registry's lock, resolves the handle
// and, where the call needs a right of it (right not 0), checks that right. body(handle)
// then answers under the same lock.
template <class Body> int32_t onKey(Registry::Impl& d, HKEY key, uint32_t right, Body&& body) {
    std::lock_guard guard(d.mutex);
    Handle* handle = nullptr;
    if (const int32_t r = d.resolve(key, handle))
        return r;
    if (right && !(handle->access & right))
        return ERROR_ACCESS_DENIED;
    return body(*handle);
}

// An empty name gives back the parent's own handle, as on Windows: for every key when
// itself is true (RegOpenKeyA), else for the predefined roots (RegOpenKeyExA).
int32_t openKey(Registry::Impl& d, HKEY parent, std::string_view subKey, HKEY* result, bool itself,
                uint32_t access) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    return onKey(d, parent, 0, [&](Handle& parentHandle) {
        Handle* base = &parentHandle;
        if (cString(subKey).empty() && (itself || base->predefined)) {
            *result = parent;
            return ERROR_SUCCESS;
        }
        if (isBadPath(subKey))
            return ERROR_BAD_PATHNAME;
        Handle handle = childOf(*base, subKey);
        uint64_t generation = 0;
        // The parent's key with everything below it: whether it is still there, and the key.
        const hive::Document* doc =
            d.view(handle.hive, base->predefined ? handle.components : base->components, generation);
        if (doc && Registry::Impl::deleted(*base, *doc))
            return ERROR_KEY_DELETED;
        if (!doc || !doc->keyExists(handle.folded))
            return ERROR_FILE_NOT_FOUND;
        handle.access = access;
        *result = d.allocate(std::move(handle));
        return ERROR_SUCCESS;
    });
}

} // namespace

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
    return onKey(d, parent, 0, [&](Handle& parentHandle) {
        const Handle* base = &parentHandle;
        if (isBadPath(subKey))
            return ERROR_BAD_PATHNAME;
        Handle handle = childOf(*base, subKey);
        const bool basePredefined = base->predefined;
        const std::string baseFolded = base->folded;
        const uint32_t baseAccess = base->access;
        const KeyPath looked = basePredefined ? handle.components : base->components;
        const int32_t r = d.change(
            handle.hive, {looked},
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
    });
}

int32_t Registry::RegOpenKeyA(HKEY parent, std::string_view subKey, HKEY* result) {
    return openKey(*m_impl, parent, subKey, result, true, kKeyAllAccess);
}

int32_t Registry::RegOpenKeyExA(HKEY parent, std::string_view subKey, uint32_t, uint32_t samDesired,
                                HKEY* result) {
    return openKey(*m_impl, parent, subKey, result, false, grantedAccess(samDesired));
}

int32_t Registry::RegSetValueExA(HKEY key, std::string_view valueName, uint32_t, uint32_t type,
                                 const uint8_t* data, uint32_t size) {
    if (size && !data)
        return ERROR_NOACCESS;
    Impl& d = *m_impl;
    return onKey(d, key, kSetValue, [&](Handle& target) {
        const std::u16string name = ansiToUtf16(cString(valueName));
        std::string bytes;
        const std::string_view given(reinterpret_cast<const char*>(data), data ? size : 0);
        if (isStringType(type)) {
            // The "A" call hands ANSI text; the hive keeps UTF-16.
            bytes = utf16Le(ansiToUtf16(given));
        } else {
            bytes.assign(given);
        }
        winereg::Edit edit = makeEdit(winereg::Edit::SetValue, target.hive, target.components);
        edit.name = name;
        edit.type = type;
        edit.bytes = bytes;
        return d.change(
            target.hive, {target.components},
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
    });
}

int32_t Registry::RegQueryValueExA(HKEY key, std::string_view valueName, uint32_t* reserved, uint32_t* type,
                                   uint8_t* data, uint32_t* size) {
    if (reserved || (data && !size))
        return ERROR_INVALID_PARAMETER;
    Impl& d = *m_impl;
    return onKey(d, key, kQueryValue, [&](Handle& keyHandle) {
        Handle* handle = &keyHandle;
        uint64_t generation = 0;
        const hive::Document* doc = d.view(handle->hive, handle->components, generation);
        if (!doc)
            return ERROR_FILE_NOT_FOUND;
        const long k = d.keyOf(*handle, *doc, generation);
        if (k < 0)
            return Impl::deleted(*handle, *doc) ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        const long v = doc->findValue(k, ansiToUtf16(cString(valueName)));
        if (v < 0) {
            // A size query of a missing value answers 0 on Windows NT; a read leaves the size.
            if (!data && size)
                *size = 0;
            return ERROR_FILE_NOT_FOUND;
        }
        uint32_t valueType = 0;
        std::string bytes;
        doc->valueData(k, v, valueType, bytes);
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
    });
}

int32_t Registry::RegDeleteKeyA(HKEY parent, std::string_view subKey) {
    Impl& d = *m_impl;
    return onKey(d, parent, 0, [&](Handle& parentHandle) {
        const Handle* base = &parentHandle;
        if (isBadPath(subKey))
            return ERROR_BAD_PATHNAME;
        std::vector<std::u16string> components = base->components;
        const auto sub = splitAnsiPath(subKey);
        if (sub.empty() && base->predefined)
            return ERROR_ACCESS_DENIED;
        components.insert(components.end(), sub.begin(), sub.end());
        const std::string folded = hive::foldPath(components);
        const int hiveIndex = base->hive;
        const KeyPath looked = components;
        return d.change(
            hiveIndex, {looked},
            [&](const hive::Document& doc, bool& due) {
                if (!doc.keyExists(folded))
                    return ERROR_FILE_NOT_FOUND;
                if (doc.hasSubkeys(folded))
                    return ERROR_ACCESS_DENIED;
                due = true;
                return ERROR_SUCCESS;
            },
            makeEdit(winereg::Edit::DeleteKey, hiveIndex, std::move(components)));
    });
}

int32_t Registry::RegDeleteValueA(HKEY key, std::string_view valueName) {
    Impl& d = *m_impl;
    return onKey(d, key, kSetValue, [&](const Handle& target) {
        const std::u16string name = ansiToUtf16(cString(valueName));
        const std::string folded = target.folded;
        winereg::Edit edit = makeEdit(winereg::Edit::DeleteValue, target.hive, target.components);
        edit.name = name;
        return d.change(
            target.hive, {target.components},
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
    });
}

int32_t Registry::RegCloseKey(HKEY key) {
    Impl& d = *m_impl;
    return onKey(d, key, 0, [&](const Handle& handle) {
        // The handle is gone once erased: nothing of it is read after.
        if (!handle.predefined)
            d.handles.erase(key);
        return ERROR_SUCCESS;
    });
}

std::vector<Registry::UnreadableHive> Registry::unreadableHives() const {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    std::vector<UnreadableHive> unreadable;
    for (Hive& h : d.hives) {
        d.refresh(h, false);
        if (h.broken)
            unreadable.push_back({h.file.string(), h.problem});
    }
    return unreadable;
}

Registry::PrefixState Registry::prefixState() const {
    if (!wineserverRunning(m_impl->root))
        return PrefixState::Free;
    return winereg::toolUnavailable(m_impl->root) ? PrefixState::Busy : PrefixState::WineWrites;
}

Problem Registry::wineToolProblem() const {
    return winereg::toolUnavailable(m_impl->root);
}

void Registry::beginBatch() {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    if (d.batchDepth++ == 0) {
        d.problem = {};
        d.batchFailure = ERROR_SUCCESS;
    }
}

int32_t Registry::endBatch() {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    if (d.batchDepth > 0 && --d.batchDepth > 0)
        return ERROR_SUCCESS;
    const int32_t sent = d.sendPending();
    const int32_t early = std::exchange(d.batchFailure, ERROR_SUCCESS);
    return early != ERROR_SUCCESS ? early : sent;
}

Registry::WriteProblem Registry::writeProblem() const {
    Impl& d = *m_impl;
    std::lock_guard guard(d.mutex);
    return d.problem;
}

} // namespace platform
