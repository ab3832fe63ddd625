#include "ThemeServiceSteps.h"

#include "platform/ApplyThemeProtocol.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

const WCHAR kKolvThemeManager[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

/* The values the theme service keeps under ThemeManager: what a failed apply puts back. */
static const WCHAR* const kSavedNames[] = {L"ThemeActive", L"DllName", L"ColorName", L"SizeName",
                                           L"LoadedBefore"};
#define SAVED_COUNT (sizeof kSavedNames / sizeof kSavedNames[0])

void kolvFail(struct KolvThemeProgress* progress, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(progress->message, sizeof progress->message, format, args);
    va_end(args);
}

void kolvReached(struct KolvThemeProgress* progress, int step) {
    if (progress->reached)
        progress->reached(step, progress->context);
}

void kolvSaveValues(struct KolvSavedValues* saved, const WCHAR* keyPath, const WCHAR* const* names,
                    size_t count) {
    saved->key = keyPath;
    saved->names = names;
    saved->count = count < KOLV_SAVED_MAX ? count : KOLV_SAVED_MAX;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        /* No key, no values: putting them back means deleting what was written. */
        for (size_t i = 0; i < saved->count; ++i) {
            saved->values[i].present = FALSE;
            saved->values[i].restorable = TRUE;
        }
        return;
    }
    for (size_t i = 0; i < saved->count; ++i) {
        struct KolvSavedValue* v = &saved->values[i];
        v->size = sizeof v->data;
        const LONG rc = RegQueryValueExW(key, names[i], NULL, &v->type, v->data, &v->size);
        v->present = rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA;
        v->restorable = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
}

BOOL kolvRestoreValues(const struct KolvSavedValues* saved) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, saved->key, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL all = TRUE;
    for (size_t i = 0; i < saved->count; ++i) {
        const struct KolvSavedValue* v = &saved->values[i];
        if (!v->restorable) {
            all = FALSE;
            continue;
        }
        LONG rc;
        if (v->present)
            rc = RegSetValueExW(key, saved->names[i], 0, v->type, v->data, v->size);
        else if ((rc = RegDeleteValueW(key, saved->names[i])) == ERROR_FILE_NOT_FOUND)
            rc = ERROR_SUCCESS;
        all = all && rc == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return all;
}

BOOL kolvSetText(HKEY key, const WCHAR* name, DWORD type, const WCHAR* text) {
    const DWORD bytes = (DWORD)((wcslen(text) + 1) * sizeof(WCHAR));
    return RegSetValueExW(key, name, 0, type, (const BYTE*)text, bytes) == ERROR_SUCCESS;
}

BOOL kolvHolds(HKEY key, const WCHAR* name, DWORD type, const WCHAR* text) {
    WCHAR stored[1024];
    DWORD storedType = 0;
    DWORD size = sizeof stored - sizeof(WCHAR);
    if (RegQueryValueExW(key, name, NULL, &storedType, (BYTE*)stored, &size) != ERROR_SUCCESS)
        return FALSE;
    stored[size / sizeof(WCHAR)] = 0;
    return storedType == type && wcscmp(stored, text) == 0;
}

BOOL kolvHoldsBytes(HKEY key, const WCHAR* name, DWORD type, const void* data, DWORD size) {
    BYTE stored[KOLV_SAVED_BYTES];
    DWORD storedType = 0;
    DWORD storedSize = sizeof stored;
    if (RegQueryValueExW(key, name, NULL, &storedType, stored, &storedSize) != ERROR_SUCCESS)
        return FALSE;
    return storedType == type && storedSize == size && memcmp(stored, data, size) == 0;
}

BOOL kolvLoadUxtheme(struct KolvUxtheme* service) {
    HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
    if (!uxtheme)
        return FALSE;
    service->open = (KolvOpenThemeFileFn)(void*)GetProcAddress(uxtheme, MAKEINTRESOURCEA(2));
    service->close = (KolvCloseThemeFileFn)(void*)GetProcAddress(uxtheme, MAKEINTRESOURCEA(3));
    service->apply = (KolvApplyThemeFn)(void*)GetProcAddress(uxtheme, MAKEINTRESOURCEA(4));
    return service->open && service->close && service->apply;
}

/* The theme service wants a writable buffer here; an empty one applies without
 * redrawing the screen twice. */
static char g_applyFlags[2] = "\0";

HRESULT kolvApplyTheme(const struct KolvUxtheme* service, HANDLE themeFile) {
    return service->apply(themeFile, g_applyFlags, NULL);
}

/* The style file the registry names, as the theme service read it when it was loaded:
 * expanded when its type says so (raw), and as a full path (full). False when none. */
static BOOL namedStyle(WCHAR* raw, WCHAR* full) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKolvThemeManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return FALSE;
    WCHAR stored[MAX_PATH];
    DWORD type = 0;
    DWORD size = sizeof stored - sizeof(WCHAR);
    const LONG rc = RegQueryValueExW(key, L"DllName", NULL, &type, (BYTE*)stored, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return FALSE;
    stored[size / sizeof(WCHAR)] = 0;
    if (type == REG_EXPAND_SZ) {
        const DWORD n = ExpandEnvironmentStringsW(stored, raw, MAX_PATH);
        if (n == 0 || n > MAX_PATH)
            return FALSE;
    } else {
        wcscpy(raw, stored);
    }
    const DWORD n = GetFullPathNameW(raw, MAX_PATH, full, NULL);
    if (n == 0 || n >= MAX_PATH)
        wcscpy(full, raw);
    return TRUE;
}

/* The spelling of the style file's path to give the theme service. It compares the style
 * it is given with the one the registry named when it was loaded, by the text of the
 * path, the colour and the size: the same, and it keeps the colours and metrics in force,
 * which may be another style's (this one applied again after they were changed, or named
 * by a record written without Wine). The same file spelled in another case (Windows and
 * Wine find files ignoring case) is a style it has not seen, which it applies whole; so
 * nothing of the user's record has to be taken away beforehand. */
static void pathToApply(const WCHAR* file, WCHAR* out) {
    const DWORD n = GetFullPathNameW(file, MAX_PATH, out, NULL);
    if (n == 0 || n >= MAX_PATH)
        wcscpy(out, file);
    WCHAR raw[MAX_PATH], full[MAX_PATH];
    if (!namedStyle(raw, full) || (lstrcmpW(out, raw) != 0 && lstrcmpW(out, full) != 0))
        return;
    CharUpperW(out);
    if (lstrcmpW(out, raw) == 0 || lstrcmpW(out, full) == 0)
        CharLowerW(out);
}

int kolvApplyStyle(const WCHAR* dllName, const WCHAR* color, const WCHAR* size,
                   struct KolvThemeProgress* progress) {
    progress->message[0] = 0;
    WCHAR file[MAX_PATH];
    const DWORD expanded = ExpandEnvironmentStringsW(dllName, file, MAX_PATH);
    if (expanded == 0 || expanded > MAX_PATH) {
        kolvFail(progress, "the style file's path is too long");
        return KOLV_APPLY_NO_STYLE_FILE;
    }
    const DWORD attributes = GetFileAttributesW(file);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        kolvFail(progress, "no style file %ls (%lu)", file, GetLastError());
        return KOLV_APPLY_NO_STYLE_FILE;
    }
    WCHAR spelled[MAX_PATH];
    pathToApply(file, spelled);
    kolvReached(progress, KOLV_STEP_CHECKED);

    struct KolvUxtheme service;
    if (!kolvLoadUxtheme(&service)) {
        kolvFail(progress, "uxtheme.dll or its apply entry points cannot be loaded (%lu)", GetLastError());
        return KOLV_APPLY_NO_THEME_SERVICE;
    }
    kolvReached(progress, KOLV_STEP_LOADED);
    HANDLE theme = NULL;
    HRESULT hr = service.open(spelled, color, size, &theme, 0);
    if (FAILED(hr) || !theme) {
        kolvFail(progress, "the theme service refused the style (0x%08lx)", (unsigned long)hr);
        return KOLV_APPLY_REFUSED;
    }
    kolvReached(progress, KOLV_STEP_OPENED);
    /* The theme service writes its own record before it can fail: a failure puts back
     * what was there. */
    static struct KolvSavedValues saved;
    kolvSaveValues(&saved, kKolvThemeManager, kSavedNames, SAVED_COUNT);
    hr = kolvApplyTheme(&service, theme);
    service.close(theme);
    if (FAILED(hr)) {
        kolvRestoreValues(&saved);
        kolvFail(progress, "the theme service did not apply the style (0x%08lx)", (unsigned long)hr);
        return KOLV_APPLY_FAILED;
    }
    kolvReached(progress, KOLV_STEP_APPLIED);

    /* The theme service recorded the style as it was given it; kolvmgr's readers expect
     * the path with %systemroot% kept literally, and REG_EXPAND_SZ makes every reader
     * expand it. kolvmgr spells the name "Dllname", the theme service "DllName": value
     * names ignore case, so this replaces the service's value and keeps its spelling. */
    HKEY key;
    BOOL recorded = RegCreateKeyExW(HKEY_CURRENT_USER, kKolvThemeManager, 0, NULL, 0,
                                    KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS;
    if (recorded) {
        recorded = kolvSetText(key, L"Dllname", REG_EXPAND_SZ, dllName) &&
                   kolvSetText(key, L"ColorName", REG_SZ, color) &&
                   kolvSetText(key, L"SizeName", REG_SZ, size) &&
                   kolvSetText(key, L"ThemeActive", REG_SZ, L"1");
        recorded = recorded && kolvHolds(key, L"Dllname", REG_EXPAND_SZ, dllName) &&
                   kolvHolds(key, L"ColorName", REG_SZ, color) && kolvHolds(key, L"SizeName", REG_SZ, size) &&
                   kolvHolds(key, L"ThemeActive", REG_SZ, L"1");
        RegCloseKey(key);
    }
    if (!recorded) {
        kolvFail(progress, "the style was applied, but its values could not be recorded");
        return KOLV_APPLY_NOT_RECORDED;
    }
    kolvReached(progress, KOLV_STEP_RECORDED);
    return KOLV_APPLY_OK;
}

int kolvApplyClassic(struct KolvThemeProgress* progress) {
    progress->message[0] = 0;
    struct KolvUxtheme service;
    if (!kolvLoadUxtheme(&service)) {
        kolvFail(progress, "uxtheme.dll or its apply entry points cannot be loaded (%lu)", GetLastError());
        return KOLV_APPLY_NO_THEME_SERVICE;
    }
    kolvReached(progress, KOLV_STEP_LOADED);
    static struct KolvSavedValues saved;
    kolvSaveValues(&saved, kKolvThemeManager, kSavedNames, SAVED_COUNT);
    /* No style: the theme service restores the classic colours and metrics it saved when
     * a style was first applied, and records that theming is off. */
    const HRESULT hr = kolvApplyTheme(&service, NULL);
    if (FAILED(hr)) {
        kolvRestoreValues(&saved);
        kolvFail(progress, "the theme service did not switch to the classic look (0x%08lx)",
                 (unsigned long)hr);
        return KOLV_APPLY_FAILED;
    }
    kolvReached(progress, KOLV_STEP_APPLIED);
    HKEY key;
    BOOL recorded = RegCreateKeyExW(HKEY_CURRENT_USER, kKolvThemeManager, 0, NULL, 0,
                                    KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS;
    if (recorded) {
        recorded =
            kolvSetText(key, L"ThemeActive", REG_SZ, L"0") && kolvHolds(key, L"ThemeActive", REG_SZ, L"0");
        RegCloseKey(key);
    }
    if (!recorded) {
        kolvFail(progress, "the classic look was applied, but could not be recorded");
        return KOLV_APPLY_NOT_RECORDED;
    }
    kolvReached(progress, KOLV_STEP_RECORDED);
    return KOLV_APPLY_OK;
}
