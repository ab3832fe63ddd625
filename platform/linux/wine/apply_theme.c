/* kolvmgr-apply-theme: applies a visual style, or the classic look, through the theme
 * service of the Windows it runs on (Wine's uxtheme.dll), so that the style's system
 * colours, metrics and fonts reach the programs started after it, then records the
 * values kolvmgr's own readers expect. Run by kolvmgr through wine, one start per Apply.
 * Needs nothing but the Windows API. The command line and the exit codes are in
 * ApplyThemeProtocol.h. */

#include "ApplyThemeProtocol.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

/* uxtheme exports these by ordinal only. */
typedef HRESULT(WINAPI* OpenThemeFileFn)(LPCWSTR file, LPCWSTR color, LPCWSTR size, HANDLE* out,
                                         DWORD reserved);
typedef HRESULT(WINAPI* CloseThemeFileFn)(HANDLE themeFile);
typedef HRESULT(WINAPI* ApplyThemeFn)(HANDLE themeFile, char* unknown, HWND window);

static const WCHAR kThemeManager[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

/* The values the theme service keeps under ThemeManager: what a failed apply puts back. */
static const WCHAR* const kSavedNames[] = {L"ThemeActive", L"DllName", L"ColorName", L"SizeName",
                                           L"LoadedBefore"};
#define SAVED_COUNT (sizeof kSavedNames / sizeof kSavedNames[0])
#define SAVED_BYTES 4096

struct SavedValue {
    BOOL present;
    BOOL restorable; /* read whole */
    DWORD type;
    DWORD size;
    BYTE data[SAVED_BYTES];
};

static struct SavedValue g_saved[SAVED_COUNT];

static void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

/* An argument of hex digits, four per UTF-16 unit; NULL when it is not one. */
static WCHAR* decodeHex(const WCHAR* hex) {
    size_t length = wcslen(hex);
    if (length % 4 != 0)
        return NULL;
    WCHAR* text = (WCHAR*)HeapAlloc(GetProcessHeap(), 0, (length / 4 + 1) * sizeof(WCHAR));
    if (!text)
        return NULL;
    for (size_t i = 0; i < length / 4; ++i) {
        unsigned unit = 0;
        for (size_t k = 0; k < 4; ++k) {
            const WCHAR c = hex[i * 4 + k];
            unsigned digit;
            if (c >= L'0' && c <= L'9')
                digit = (unsigned)(c - L'0');
            else if (c >= L'a' && c <= L'f')
                digit = (unsigned)(c - L'a' + 10);
            else if (c >= L'A' && c <= L'F')
                digit = (unsigned)(c - L'A' + 10);
            else {
                HeapFree(GetProcessHeap(), 0, text);
                return NULL;
            }
            unit = unit * 16 + digit;
        }
        /* A NUL inside would cut the text short without anyone noticing. */
        if (unit == 0) {
            HeapFree(GetProcessHeap(), 0, text);
            return NULL;
        }
        text[i] = (WCHAR)unit;
    }
    text[length / 4] = 0;
    return text;
}

static void saveThemeManager(void) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kThemeManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        /* No key, no values: putting them back means deleting what this run wrote. */
        for (size_t i = 0; i < SAVED_COUNT; ++i)
            g_saved[i].restorable = TRUE;
        return;
    }
    for (size_t i = 0; i < SAVED_COUNT; ++i) {
        struct SavedValue* v = &g_saved[i];
        v->size = sizeof v->data;
        const LONG rc = RegQueryValueExW(key, kSavedNames[i], NULL, &v->type, v->data, &v->size);
        v->present = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
        v->restorable = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
}

/* Puts ThemeManager's values back as they were before this run touched them. */
static void restoreThemeManager(void) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kThemeManager, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < SAVED_COUNT; ++i) {
        const struct SavedValue* v = &g_saved[i];
        if (!v->restorable)
            continue;
        if (v->present)
            RegSetValueExW(key, kSavedNames[i], 0, v->type, v->data, v->size);
        else
            RegDeleteValueW(key, kSavedNames[i]);
    }
    RegCloseKey(key);
}

static BOOL setText(HKEY key, const WCHAR* name, DWORD type, const WCHAR* text) {
    const DWORD bytes = (DWORD)((wcslen(text) + 1) * sizeof(WCHAR));
    return RegSetValueExW(key, name, 0, type, (const BYTE*)text, bytes) == ERROR_SUCCESS;
}

/* Whether the value reads back as exactly this text of this type. */
static BOOL holds(HKEY key, const WCHAR* name, DWORD type, const WCHAR* text) {
    WCHAR stored[1024];
    DWORD storedType = 0;
    DWORD size = sizeof stored - sizeof(WCHAR);
    if (RegQueryValueExW(key, name, NULL, &storedType, (BYTE*)stored, &size) != ERROR_SUCCESS)
        return FALSE;
    stored[size / sizeof(WCHAR)] = 0;
    return storedType == type && wcscmp(stored, text) == 0;
}

struct ThemeService {
    OpenThemeFileFn open;
    CloseThemeFileFn close;
    ApplyThemeFn apply;
};

static BOOL loadThemeService(struct ThemeService* service) {
    HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
    if (!uxtheme)
        return FALSE;
    service->open = (OpenThemeFileFn)(void*)GetProcAddress(uxtheme, MAKEINTRESOURCEA(2));
    service->close = (CloseThemeFileFn)(void*)GetProcAddress(uxtheme, MAKEINTRESOURCEA(3));
    service->apply = (ApplyThemeFn)(void*)GetProcAddress(uxtheme, MAKEINTRESOURCEA(4));
    return service->open && service->close && service->apply;
}

/* The theme service wants a writable buffer here; an empty one applies without
 * redrawing the screen twice. */
static char g_applyFlags[2] = "\0";

static int applyStyle(const WCHAR* dllName, const WCHAR* color, const WCHAR* size) {
    WCHAR file[MAX_PATH];
    const DWORD expanded = ExpandEnvironmentStringsW(dllName, file, MAX_PATH);
    if (expanded == 0 || expanded > MAX_PATH) {
        say("error: the style file's path is too long");
        return KOLV_APPLY_NO_STYLE_FILE;
    }
    const DWORD attributes = GetFileAttributesW(file);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        say("error: no style file %ls (%lu)", file, GetLastError());
        return KOLV_APPLY_NO_STYLE_FILE;
    }

    saveThemeManager();
    /* The theme service reads the registry once, as it loads: when it finds this very
     * style already named there (DllName, whether theming is on or not), applying it again
     * keeps the colours and metrics in force, which may be another style's. Loaded with no
     * style named, it takes every apply as a change of style and applies all of it. The
     * classic values saved at the first apply stay. */
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kThemeManager, 0, NULL, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, NULL,
                        &key, NULL) != ERROR_SUCCESS) {
        say("error: the ThemeManager key cannot be opened");
        return KOLV_APPLY_NOT_RECORDED;
    }
    if (GetModuleHandleW(L"uxtheme.dll") == NULL) {
        setText(key, L"ThemeActive", REG_SZ, L"0");
        RegDeleteValueW(key, L"DllName");
    }

    struct ThemeService service;
    if (!loadThemeService(&service)) {
        restoreThemeManager();
        RegCloseKey(key);
        say("error: uxtheme.dll or its apply entry points cannot be loaded (%lu)", GetLastError());
        return KOLV_APPLY_NO_THEME_SERVICE;
    }
    HANDLE theme = NULL;
    HRESULT hr = service.open(file, color, size, &theme, 0);
    if (FAILED(hr) || !theme) {
        restoreThemeManager();
        RegCloseKey(key);
        say("error: the theme service refused the style (0x%08lx)", (unsigned long)hr);
        return KOLV_APPLY_REFUSED;
    }
    hr = service.apply(theme, g_applyFlags, NULL);
    service.close(theme);
    if (FAILED(hr)) {
        restoreThemeManager();
        RegCloseKey(key);
        say("error: the theme service did not apply the style (0x%08lx)", (unsigned long)hr);
        return KOLV_APPLY_FAILED;
    }

    /* Written after the apply, which would otherwise find them and do nothing. The path
     * keeps %systemroot% literally; REG_EXPAND_SZ makes every reader expand it. */
    BOOL recorded = setText(key, L"Dllname", REG_EXPAND_SZ, dllName) &&
                    setText(key, L"ColorName", REG_SZ, color) && setText(key, L"SizeName", REG_SZ, size) &&
                    setText(key, L"ThemeActive", REG_SZ, L"1");
    recorded = recorded && holds(key, L"Dllname", REG_EXPAND_SZ, dllName) &&
               holds(key, L"ColorName", REG_SZ, color) && holds(key, L"SizeName", REG_SZ, size) &&
               holds(key, L"ThemeActive", REG_SZ, L"1");
    RegCloseKey(key);
    if (!recorded) {
        say("error: the style was applied, but its values could not be recorded");
        return KOLV_APPLY_NOT_RECORDED;
    }
    say("applied %ls %ls %ls", file, color, size);
    return KOLV_APPLY_OK;
}

static int applyClassic(void) {
    saveThemeManager();
    struct ThemeService service;
    if (!loadThemeService(&service)) {
        say("error: uxtheme.dll or its apply entry points cannot be loaded (%lu)", GetLastError());
        return KOLV_APPLY_NO_THEME_SERVICE;
    }
    /* No style: the theme service restores the classic colours and metrics it saved when
     * a style was first applied, and records that theming is off. */
    const HRESULT hr = service.apply(NULL, g_applyFlags, NULL);
    if (FAILED(hr)) {
        restoreThemeManager();
        say("error: the theme service did not switch to the classic look (0x%08lx)", (unsigned long)hr);
        return KOLV_APPLY_FAILED;
    }
    HKEY key;
    BOOL recorded = RegCreateKeyExW(HKEY_CURRENT_USER, kThemeManager, 0, NULL, 0,
                                    KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS;
    if (recorded) {
        recorded = setText(key, L"ThemeActive", REG_SZ, L"0") && holds(key, L"ThemeActive", REG_SZ, L"0");
        RegCloseKey(key);
    }
    if (!recorded) {
        say("error: the classic look was applied, but could not be recorded");
        return KOLV_APPLY_NOT_RECORDED;
    }
    say("classic");
    return KOLV_APPLY_OK;
}

int wmain(int argc, WCHAR** argv) {
    say(KOLV_APPLY_THEME_MARKER);
    if (argc == 2 && wcscmp(argv[1], L"classic") == 0)
        return applyClassic();
    if (argc == 5 && wcscmp(argv[1], L"apply") == 0) {
        WCHAR* dllName = decodeHex(argv[2]);
        WCHAR* color = decodeHex(argv[3]);
        WCHAR* size = decodeHex(argv[4]);
        if (dllName && color && size)
            return applyStyle(dllName, color, size);
    }
    say("error: usage: kolvmgr-apply-theme apply DLLNAME COLOR SIZE | classic (texts as UTF-16 hex)");
    return KOLV_APPLY_USAGE;
}
