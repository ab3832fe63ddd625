#pragma once
// The registry calls of the Windows side with Win32 "A" semantics. The Win32 back end
// hands them to the system (handles are numbered apart from the system's own, as the
// callers hold 32-bit handles). The Linux back end serves them from hive files in Wine's
// text format: HKEY_CURRENT_USER in <root>/user.reg, HKEY_LOCAL_MACHINE in
// <root>/system.reg, HKEY_CLASSES_ROOT as HKLM\Software\Classes. Other roots refuse
// every call with ERROR_ACCESS_DENIED there.
//
// Every text crossing this interface (key paths, value names, string data) is in the
// ANSI code page (Windows-1252), as it would be for the Win32 "A" calls. Data of the
// string types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is converted to UTF-16 when stored
// and back when read; data of every other type is stored as the bytes given.
//
// Durability of the Linux back end: a change is written to a temporary file, fsync'ed
// and renamed over the hive; a lock on the hive's folder serialises read-modify-write
// between processes and leaves no file behind; a hive changed by another process is
// re-read; text the program did not touch keeps its bytes; a write that stores what is
// already stored touches no file; a hive that cannot be parsed is never written (reads
// then find nothing, writes fail with ERROR_ACCESS_DENIED). While a wineserver runs for
// the prefix it holds the registry in memory and would overwrite the files when it exits:
// what is stored is then what it holds. Reads and the decisions of writes (is the key
// there, is the value stored already) are made against its running registry, each key a
// command needs exported once through Wine's own registry tool (`wine reg export`), and
// changes go into it through that tool (`wine reg import`); where the tool cannot be
// started, or does not take a change, the write fails with ERROR_ACCESS_DENIED. A server
// that starts while a file is being written may have read the file before it was
// replaced: the change then goes to it through the tool as well.

#include "platform/Problem.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using HKEY = uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_PERFORMANCE_DATA = 0x80000004u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_EXPAND_SZ = 2;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
// A key path that starts with a backslash.
inline constexpr int32_t ERROR_BAD_PATHNAME = 161;
inline constexpr int32_t ERROR_MORE_DATA = 234;
// Data the call could not read (a null pointer with a size).
inline constexpr int32_t ERROR_NOACCESS = 998;
// A handle whose key was deleted meanwhile.
inline constexpr int32_t ERROR_KEY_DELETED = 1018;

class Registry {
public:
    // A registry over the hives of the given Windows root (windowsRoot()); the Win32
    // back end has the system's registry alone and ignores root.
    explicit Registry(std::filesystem::path root);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The process-wide registry of the current Windows root (windowsRoot()); a new one
    // is made when the root changes.
    static Registry& current();

    int32_t RegCreateKeyA(HKEY parent, std::string_view subKey, HKEY* result);
    int32_t RegOpenKeyA(HKEY parent, std::string_view subKey, HKEY* result);
    int32_t RegOpenKeyExA(HKEY parent, std::string_view subKey, uint32_t options, uint32_t samDesired,
                          HKEY* result);
    // data may be null only when size is 0 (else ERROR_NOACCESS).
    int32_t RegSetValueExA(HKEY key, std::string_view valueName, uint32_t reserved, uint32_t type,
                           const uint8_t* data, uint32_t size);
    // type, data and size may each be null as in Win32. A buffer that is too small gives
    // ERROR_MORE_DATA with the needed size in *size, the type in *type and the buffer
    // untouched.
    int32_t RegQueryValueExA(HKEY key, std::string_view valueName, uint32_t* reserved, uint32_t* type,
                             uint8_t* data, uint32_t* size);
    // Refuses a key that has subkeys (ERROR_ACCESS_DENIED).
    int32_t RegDeleteKeyA(HKEY parent, std::string_view subKey);
    int32_t RegDeleteValueA(HKEY key, std::string_view valueName);
    int32_t RegCloseKey(HKEY key);

    // Gathers the changes made until the matching endBatch, so that one command's changes
    // reach a running Wine in one call of its registry tool, when the outermost batch
    // ends; reads see them at once all the same. Without a running Wine, and in the
    // Win32 back end, every change is made at once and a batch changes nothing.
    void beginBatch();
    // ERROR_SUCCESS, or ERROR_ACCESS_DENIED when Wine's tool did not take the changes
    // (reads then no longer see them) or it cannot be told whether it did (writeProblem()).
    int32_t endBatch();

    // Why the last change that failed did not take, since the outermost batch began (or
    // the change was asked for, outside a batch). The Win32 back end never says more than
    // its error numbers do: there it is always None.
    struct WriteProblem {
        enum Kind {
            None,
            FileNotWritable, // file: the hive file that cannot be written; why: why
            NotTaken,        // why: what refused the change
            Unknown,         // whether the change took cannot be told: why it failed, and
                             // check: why what it did cannot be found out
        } kind = None;
        std::string file;
        Problem why;
        Problem check;
    };
    WriteProblem writeProblem() const;

    // Where changes go while the program runs, which it says once at start-up.
    enum class PrefixState {
        Free,       // into the hive files (always so for the Win32 back end)
        WineWrites, // a wineserver runs for the prefix: through Wine's registry tool
        Busy,       // a wineserver runs and Wine's registry tool cannot be started: nowhere
    };
    PrefixState prefixState() const;
    // Why Wine's registry tool cannot be started in the prefix (the prefix's own Wine not
    // found, one that would update the prefix, a running server whose Wine cannot be
    // told); None when it can, and always for the Win32 back end.
    Problem wineToolProblem() const;
    // A hive that cannot be read (or parsed): nothing can be saved in it until it is
    // repaired. problem: the reader's reason.
    struct UnreadableHive {
        std::string file;
        Problem problem;
    };
    // Every such hive, none when both can be read; always none for the Win32 back end,
    // whose registry is the system's.
    std::vector<UnreadableHive> unreadableHives() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// One command's changes as one batch: begun when made, ended when it goes (or by end()).
class RegistryBatch {
public:
    explicit RegistryBatch(Registry& registry = Registry::current()) : m_registry(registry) {
        m_registry.beginBatch();
    }
    ~RegistryBatch() {
        if (!m_ended)
            m_registry.endBatch();
    }
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // Ends the batch now: ERROR_SUCCESS, or the failure of handing its changes over.
    int32_t end() {
        m_ended = true;
        return m_registry.endBatch();
    }

private:
    Registry& m_registry;
    bool m_ended = false;
};

} // namespace platform
