/* What the theme service's two halves share (ThemeServiceCore.c applies a style or the
 * classic look, ThemeLookCore.c sets a look): saying what failed, the test hook after each
 * step, uxtheme's apply entry points, registry texts written and read back, and values
 * kept aside so that a failed step can put them back. Internal to the two. */
#ifndef KOLV_THEME_SERVICE_STEPS_H
#define KOLV_THEME_SERVICE_STEPS_H

#include "ThemeServiceCore.h"

void kolvFail(struct KolvThemeProgress* progress, const char* format, ...);
void kolvReached(struct KolvThemeProgress* progress, int step);

/* uxtheme exports these by ordinal only. */
typedef HRESULT(WINAPI* KolvOpenThemeFileFn)(LPCWSTR file, LPCWSTR color, LPCWSTR size, HANDLE* out,
                                             DWORD reserved);
typedef HRESULT(WINAPI* KolvCloseThemeFileFn)(HANDLE themeFile);
typedef HRESULT(WINAPI* KolvApplyThemeFn)(HANDLE themeFile, char* unknown, HWND window);

struct KolvUxtheme {
    KolvOpenThemeFileFn open;
    KolvCloseThemeFileFn close;
    KolvApplyThemeFn apply;
};
BOOL kolvLoadUxtheme(struct KolvUxtheme* service);
/* ApplyTheme with the flags that apply without redrawing the screen twice. */
HRESULT kolvApplyTheme(const struct KolvUxtheme* service, HANDLE themeFile);

extern const WCHAR kKolvThemeManager[];

/* Writes text as a value of that type; whether it was stored. */
BOOL kolvSetText(HKEY key, const WCHAR* name, DWORD type, const WCHAR* text);
/* Whether the value reads back as exactly this text of this type. */
BOOL kolvHolds(HKEY key, const WCHAR* name, DWORD type, const WCHAR* text);
/* Whether the value reads back as exactly these bytes of this type. */
BOOL kolvHoldsBytes(HKEY key, const WCHAR* name, DWORD type, const void* data, DWORD size);

#define KOLV_SAVED_MAX 32
#define KOLV_SAVED_BYTES 1024

struct KolvSavedValue {
    BOOL present;
    BOOL restorable; /* read whole */
    DWORD type;
    DWORD size;
    BYTE data[KOLV_SAVED_BYTES];
};

/* Values of one key under HKEY_CURRENT_USER as they were, to be put back. */
struct KolvSavedValues {
    const WCHAR* key;
    size_t count;
    const WCHAR* const* names;
    struct KolvSavedValue values[KOLV_SAVED_MAX];
};

/* Reads the count values names of key (a missing key: none of them present). */
void kolvSaveValues(struct KolvSavedValues* saved, const WCHAR* key, const WCHAR* const* names, size_t count);
/* Puts them back: each one read whole is written as it was, or deleted when it was not
 * there. Whether every one of them could be. */
BOOL kolvRestoreValues(const struct KolvSavedValues* saved);

#endif
