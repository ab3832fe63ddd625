// The registry calls handed to advapi32. The callers hold 32-bit handles while the
// system's are pointers, so opened keys get numbers of their own here; the predefined
// roots keep theirs. Everything else, results and written parameters, is the system's.
#include "platform/Registry.h"

#include <mutex>
#include <string>
#include <unordered_map>

#include <windows.h>

namespace platform {
namespace {

constexpr HKEY kFirstHandle = 0x100;
constexpr HKEY kFirstPredefined = 0x80000000u;

// The system's value of a predefined root: the number sign-extended into a pointer.
::HKEY predefined(HKEY key) {
    return reinterpret_cast<::HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(key)));
}

// The given text up to its first NUL, terminated, as the "A" calls take it.
std::string terminated(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

} // namespace

struct Registry::Impl {
    std::mutex mutex;
    std::unordered_map<HKEY, ::HKEY> handles;
    HKEY next = kFirstHandle;

    // The system's key behind a caller's handle; nullptr for a handle never given out.
    ::HKEY resolve(HKEY key) {
        if (key >= kFirstPredefined)
            return predefined(key);
        std::lock_guard guard(mutex);
        const auto it = handles.find(key);
        return it == handles.end() ? nullptr : it->second;
    }

    // The caller's handle of a key the system opened below parent. The system may hand
    // back the parent's own handle (RegOpenKeyA with an empty name does); so does this.
    HKEY handleOf(HKEY parent, ::HKEY parentKey, ::HKEY opened) {
        if (opened == parentKey)
            return parent;
        std::lock_guard guard(mutex);
        while (handles.count(next) || next >= kFirstPredefined - 4)
            next = next >= kFirstPredefined - 4 ? kFirstHandle : next + 4;
        const HKEY h = next;
        next += 4;
        handles.emplace(h, opened);
        return h;
    }

    // Runs an opening call and hands out the handle of what it opened.
    template <class Open> int32_t open(HKEY parent, HKEY* result, Open&& call) {
        const ::HKEY parentKey = resolve(parent);
        if (!parentKey)
            return ERROR_INVALID_HANDLE;
        ::HKEY opened = nullptr;
        const LONG r = call(parentKey, result ? &opened : nullptr);
        if (result)
            *result = r == ERROR_SUCCESS && opened ? handleOf(parent, parentKey, opened) : 0;
        return r;
    }
};

Registry::Registry(std::filesystem::path) : m_impl(std::make_unique<Impl>()) {}

Registry::~Registry() {
    for (const auto& [handle, key] : m_impl->handles)
        ::RegCloseKey(key);
}

Registry& Registry::current() {
    static Registry system{std::filesystem::path()};
    return system;
}

int32_t Registry::RegCreateKeyA(HKEY parent, std::string_view subKey, HKEY* result) {
    const std::string name = terminated(subKey);
    return m_impl->open(parent, result,
                        [&](::HKEY key, ::HKEY* out) { return ::RegCreateKeyA(key, name.c_str(), out); });
}

int32_t Registry::RegOpenKeyA(HKEY parent, std::string_view subKey, HKEY* result) {
    const std::string name = terminated(subKey);
    return m_impl->open(parent, result,
                        [&](::HKEY key, ::HKEY* out) { return ::RegOpenKeyA(key, name.c_str(), out); });
}

int32_t Registry::RegOpenKeyExA(HKEY parent, std::string_view subKey, uint32_t options, uint32_t samDesired,
                                HKEY* result) {
    const std::string name = terminated(subKey);
    return m_impl->open(parent, result, [&](::HKEY key, ::HKEY* out) {
        return ::RegOpenKeyExA(key, name.c_str(), options, samDesired, out);
    });
}

int32_t Registry::RegSetValueExA(HKEY key, std::string_view valueName, uint32_t reserved, uint32_t type,
                                 const uint8_t* data, uint32_t size) {
    const ::HKEY k = m_impl->resolve(key);
    if (!k)
        return ERROR_INVALID_HANDLE;
    return ::RegSetValueExA(k, terminated(valueName).c_str(), reserved, type, data, size);
}

int32_t Registry::RegQueryValueExA(HKEY key, std::string_view valueName, uint32_t* reserved, uint32_t* type,
                                   uint8_t* data, uint32_t* size) {
    const ::HKEY k = m_impl->resolve(key);
    if (!k)
        return ERROR_INVALID_HANDLE;
    // What the system leaves in the DWORDs goes back to the caller unchanged, written or not.
    DWORD reservedWord = reserved ? *reserved : 0;
    DWORD typeWord = type ? *type : 0;
    DWORD sizeWord = size ? *size : 0;
    const LONG r = ::RegQueryValueExA(k, terminated(valueName).c_str(), reserved ? &reservedWord : nullptr,
                                      type ? &typeWord : nullptr, data, size ? &sizeWord : nullptr);
    if (type)
        *type = typeWord;
    if (size)
        *size = sizeWord;
    return r;
}

int32_t Registry::RegDeleteKeyA(HKEY parent, std::string_view subKey) {
    const ::HKEY k = m_impl->resolve(parent);
    if (!k)
        return ERROR_INVALID_HANDLE;
    return ::RegDeleteKeyA(k, terminated(subKey).c_str());
}

int32_t Registry::RegDeleteValueA(HKEY key, std::string_view valueName) {
    const ::HKEY k = m_impl->resolve(key);
    if (!k)
        return ERROR_INVALID_HANDLE;
    return ::RegDeleteValueA(k, terminated(valueName).c_str());
}

int32_t Registry::RegCloseKey(HKEY key) {
    Impl& d = *m_impl;
    if (key >= kFirstPredefined)
        return ::RegCloseKey(predefined(key));
    ::HKEY k = nullptr;
    {
        std::lock_guard guard(d.mutex);
        const auto it = d.handles.find(key);
        if (it == d.handles.end())
            return ERROR_INVALID_HANDLE;
        k = it->second;
        d.handles.erase(it);
    }
    return ::RegCloseKey(k);
}

Registry::PrefixState Registry::prefixState() const {
    return PrefixState::Free;
}

Problem Registry::wineToolProblem() const {
    return {};
}

// The system's registry takes every change at once; a batch has nothing to gather.
void Registry::beginBatch() {}

int32_t Registry::endBatch() {
    return ERROR_SUCCESS;
}

Registry::WriteProblem Registry::writeProblem() const {
    return {};
}

std::vector<Registry::UnreadableHive> Registry::unreadableHives() const {
    return {};
}

} // namespace platform
