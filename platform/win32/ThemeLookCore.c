#include "ThemeServiceSteps.h"

#include "platform/ApplyThemeProtocol.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

/* The value names under Control Panel\Colors, by system colour index. */
static const WCHAR* const kColorNames[KOLV_LOOK_COLORS] = {L"Scrollbar",
                                                           L"Background",
                                                           L"ActiveTitle",
                                                           L"InactiveTitle",
                                                           L"Menu",
                                                           L"Window",
                                                           L"WindowFrame",
                                                           L"MenuText",
                                                           L"WindowText",
                                                           L"TitleText",
                                                           L"ActiveBorder",
                                                           L"InactiveBorder",
                                                           L"AppWorkSpace",
                                                           L"Hilight",
                                                           L"HilightText",
                                                           L"ButtonFace",
                                                           L"ButtonShadow",
                                                           L"GrayText",
                                                           L"ButtonText",
                                                           L"InactiveTitleText",
                                                           L"ButtonHilight",
                                                           L"ButtonDkShadow",
                                                           L"ButtonLight",
                                                           L"InfoText",
                                                           L"InfoWindow",
                                                           L"ButtonAlternateFace",
                                                           L"HotTrackingColor",
                                                           L"GradientActiveTitle",
                                                           L"GradientInactiveTitle",
                                                           L"MenuHilight",
                                                           L"MenuBar"};

/* The sizes under Control Panel\Desktop\WindowMetrics, then its fonts. */
static const WCHAR* const kMetricNames[KOLV_LOOK_SIZES + KOLV_LOOK_FONTS] = {
    L"BorderWidth",   L"ScrollWidth",       L"ScrollHeight",    L"CaptionWidth",
    L"CaptionHeight", L"SmCaptionWidth",    L"SmCaptionHeight", L"MenuWidth",
    L"MenuHeight",    L"PaddedBorderWidth", L"CaptionFont",     L"SmCaptionFont",
    L"MenuFont",      L"StatusFont",        L"MessageFont",     L"IconFont"};

/* What the theme service keeps under ThemeManager: its record, and the classic look's
 * copy it restores when it switches a style off. */
static const WCHAR* const kManagerNames[] = {L"ThemeActive",   L"DllName",      L"ColorName",
                                             L"SizeName",      L"LoadedBefore", L"NonClientMetrics",
                                             L"IconTitleFont", L"FlatMenu",     L"GradientCaption"};
#define MANAGER_COUNT (sizeof kManagerNames / sizeof kManagerNames[0])

static const WCHAR* const kDesktopNames[] = {L"UserPreferencesMask"};

static const WCHAR kColorsKey[] = L"Control Panel\\Colors";
static const WCHAR kMetricsKey[] = L"Control Panel\\Desktop\\WindowMetrics";
static const WCHAR kDesktopKey[] = L"Control Panel\\Desktop";
static const WCHAR kClassicColorsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager\\Control Panel\\Colors";

void kolvLookFont(LOGFONTW* font, LONG height, LONG weight, BOOL italic, const WCHAR* face) {
    memset(font, 0, sizeof *font);
    font->lfHeight = height;
    font->lfWeight = weight;
    font->lfItalic = italic ? 1 : 0;
    font->lfCharSet = DEFAULT_CHARSET;
    size_t units = wcslen(face);
    if (units > KOLV_LOOK_FACE_UNITS)
        units = KOLV_LOOK_FACE_UNITS;
    /* Half of a surrogate pair names no character. */
    if (units > 0 && face[units - 1] >= 0xD800 && face[units - 1] <= 0xDBFF)
        --units;
    memcpy(font->lfFaceName, face, units * sizeof(WCHAR));
}

static const LOGFONTW* lookFont(const struct KolvLook* look, int index) {
    const LOGFONTW* fonts[KOLV_LOOK_FONTS] = {&look->metrics.lfCaptionFont, &look->metrics.lfSmCaptionFont,
                                              &look->metrics.lfMenuFont,    &look->metrics.lfStatusFont,
                                              &look->metrics.lfMessageFont, &look->iconFont};
    return fonts[index];
}

static int lookSize(const struct KolvLook* look, int index) {
    const NONCLIENTMETRICSW* m = &look->metrics;
    const int sizes[KOLV_LOOK_SIZES] = {
        m->iBorderWidth,    m->iScrollWidth,     m->iScrollHeight, m->iCaptionWidth, m->iCaptionHeight,
        m->iSmCaptionWidth, m->iSmCaptionHeight, m->iMenuWidth,    m->iMenuHeight,   m->iPaddedBorderWidth};
    return sizes[index];
}

static void colorText(COLORREF color, WCHAR* text, size_t units) {
    swprintf(text, units, L"%d %d %d", GetRValue(color), GetGValue(color), GetBValue(color));
}

/* Negative twips, as the Display control panel writes a size. */
static void sizeText(int pixels, WCHAR* text, size_t units) {
    swprintf(text, units, L"%d", -15 * pixels);
}

/* The look in force, to put back should Wine refuse the new one part-way. */
static void readInForce(struct KolvLook* look) {
    memset(look, 0, sizeof *look);
    for (int i = 0; i < KOLV_LOOK_COLORS; ++i)
        look->colors[i] = GetSysColor(i);
    look->metrics.cbSize = sizeof look->metrics;
    look->hasMetrics =
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof look->metrics, &look->metrics, 0) &&
        SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof look->iconFont, &look->iconFont, 0);
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &look->gradientCaptions, 0);
    SystemParametersInfoW(SPI_GETFLATMENU, 0, &look->flatMenus, 0);
}

/* Wine's own calls: what programs started from now on see, while a wineserver runs too. */
static BOOL setInForce(const struct KolvLook* look) {
    INT indexes[KOLV_LOOK_COLORS];
    for (int i = 0; i < KOLV_LOOK_COLORS; ++i)
        indexes[i] = i;
    if (!SetSysColors(KOLV_LOOK_COLORS, indexes, look->colors))
        return FALSE;
    const UINT flags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
    if (look->hasMetrics) {
        NONCLIENTMETRICSW metrics = look->metrics;
        metrics.cbSize = sizeof metrics;
        LOGFONTW icon = look->iconFont;
        if (!SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, flags) ||
            !SystemParametersInfoW(SPI_SETICONTITLELOGFONT, sizeof icon, &icon, flags))
            return FALSE;
    }
    return SystemParametersInfoW(SPI_SETGRADIENTCAPTIONS, 0, (PVOID)(UINT_PTR)(look->gradientCaptions != 0),
                                 flags) &&
           SystemParametersInfoW(SPI_SETFLATMENU, 0, (PVOID)(UINT_PTR)(look->flatMenus != 0), flags);
}

/* Writes (or, with check, compares) the look under Control Panel in Windows' formats. */
static BOOL storeOrCheck(const struct KolvLook* look, BOOL check) {
    HKEY colors, metrics;
    const REGSAM access = check ? KEY_QUERY_VALUE : KEY_SET_VALUE;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kColorsKey, 0, NULL, 0, access, NULL, &colors, NULL) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL ok = TRUE;
    for (int i = 0; ok && i < KOLV_LOOK_COLORS; ++i) {
        WCHAR text[16];
        colorText(look->colors[i], text, 16);
        ok = check ? kolvHolds(colors, kColorNames[i], REG_SZ, text)
                   : kolvSetText(colors, kColorNames[i], REG_SZ, text);
    }
    RegCloseKey(colors);
    if (!ok || !look->hasMetrics)
        return ok;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kMetricsKey, 0, NULL, 0, access, NULL, &metrics, NULL) !=
        ERROR_SUCCESS)
        return FALSE;
    for (int i = 0; ok && i < KOLV_LOOK_SIZES; ++i) {
        WCHAR text[16];
        sizeText(lookSize(look, i), text, 16);
        ok = check ? kolvHolds(metrics, kMetricNames[i], REG_SZ, text)
                   : kolvSetText(metrics, kMetricNames[i], REG_SZ, text);
    }
    for (int i = 0; ok && i < KOLV_LOOK_FONTS; ++i) {
        const WCHAR* name = kMetricNames[KOLV_LOOK_SIZES + i];
        const LOGFONTW* font = lookFont(look, i);
        ok = check ? kolvHoldsBytes(metrics, name, REG_BINARY, font, sizeof *font)
                   : RegSetValueExW(metrics, name, 0, REG_BINARY, (const BYTE*)font, sizeof *font) ==
                         ERROR_SUCCESS;
    }
    RegCloseKey(metrics);
    return ok;
}

/* The theme service restores its copy of the classic look when it switches a style off:
 * made the new look beforehand, the switch lands in it in one step. Without sizes and
 * fonts the copy keeps the classic look's own. */
static BOOL writeClassicCopy(const struct KolvLook* look) {
    HKEY manager, colors;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kClassicColorsKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &colors,
                        NULL) != ERROR_SUCCESS)
        return FALSE;
    BOOL ok = TRUE;
    for (int i = 0; ok && i < KOLV_LOOK_COLORS; ++i) {
        WCHAR text[16];
        colorText(look->colors[i], text, 16);
        ok = kolvSetText(colors, kColorNames[i], REG_SZ, text);
    }
    RegCloseKey(colors);
    if (!ok || RegCreateKeyExW(HKEY_CURRENT_USER, kKolvThemeManager, 0, NULL, 0, KEY_SET_VALUE, NULL,
                               &manager, NULL) != ERROR_SUCCESS)
        return FALSE;
    const DWORD flat = look->flatMenus != 0, gradient = look->gradientCaptions != 0;
    ok = RegSetValueExW(manager, L"FlatMenu", 0, REG_DWORD, (const BYTE*)&flat, sizeof flat) ==
             ERROR_SUCCESS &&
         RegSetValueExW(manager, L"GradientCaption", 0, REG_DWORD, (const BYTE*)&gradient, sizeof gradient) ==
             ERROR_SUCCESS;
    if (ok && look->hasMetrics) {
        NONCLIENTMETRICSW metrics = look->metrics;
        metrics.cbSize = sizeof metrics;
        ok = RegSetValueExW(manager, L"NonClientMetrics", 0, REG_BINARY, (const BYTE*)&metrics,
                            sizeof metrics) == ERROR_SUCCESS &&
             RegSetValueExW(manager, L"IconTitleFont", 0, REG_BINARY, (const BYTE*)&look->iconFont,
                            sizeof look->iconFont) == ERROR_SUCCESS;
    }
    RegCloseKey(manager);
    return ok;
}

int kolvApplyLook(const struct KolvLook* look, BOOL classic, struct KolvThemeProgress* progress) {
    progress->message[0] = 0;
    /* What was in force and stored, to put back; too large for the stack of a thread. */
    static struct KolvLook before;
    static struct KolvSavedValues colors, metrics, desktop, manager, classicColors;
    readInForce(&before);
    kolvSaveValues(&colors, kColorsKey, kColorNames, KOLV_LOOK_COLORS);
    kolvSaveValues(&metrics, kMetricsKey, kMetricNames, KOLV_LOOK_SIZES + KOLV_LOOK_FONTS);
    kolvSaveValues(&desktop, kDesktopKey, kDesktopNames, 1);
    kolvReached(progress, KOLV_LOOK_STEP_CHECKED);

    if (classic) {
        struct KolvUxtheme service;
        if (!kolvLoadUxtheme(&service)) {
            kolvFail(progress, "uxtheme.dll or its apply entry points cannot be loaded (%lu)",
                     GetLastError());
            return KOLV_APPLY_NO_THEME_SERVICE;
        }
        kolvSaveValues(&manager, kKolvThemeManager, kManagerNames, MANAGER_COUNT);
        kolvSaveValues(&classicColors, kClassicColorsKey, kColorNames, KOLV_LOOK_COLORS);
        if (!writeClassicCopy(look)) {
            kolvRestoreValues(&classicColors);
            kolvRestoreValues(&manager);
            kolvFail(progress, "the theme service's copy of the classic look could not be written");
            return KOLV_APPLY_FAILED;
        }
        kolvReached(progress, KOLV_LOOK_STEP_PREPARED);
        const HRESULT hr = kolvApplyTheme(&service, NULL);
        if (FAILED(hr)) {
            kolvRestoreValues(&classicColors);
            kolvRestoreValues(&manager);
            kolvFail(progress, "the theme service did not switch to the classic look (0x%08lx)",
                     (unsigned long)hr);
            return KOLV_APPLY_FAILED;
        }
        kolvReached(progress, KOLV_LOOK_STEP_CLASSIC);
    }

    /* Over a style, a refusal puts back what was there; once the classic look is in force
     * in the new look, there is nothing to put back, and the stored values decide. */
    if (!storeOrCheck(look, FALSE)) {
        if (classic) {
            kolvFail(progress, "the classic look is in force, but its colours could not be stored");
            return KOLV_APPLY_NOT_RECORDED;
        }
        kolvRestoreValues(&colors);
        kolvRestoreValues(&metrics);
        kolvFail(progress, "the look could not be stored under Control Panel");
        return KOLV_APPLY_FAILED;
    }
    kolvReached(progress, KOLV_LOOK_STEP_STORED);
    if (!setInForce(look)) {
        const DWORD error = GetLastError();
        if (!classic) {
            setInForce(&before);
            kolvRestoreValues(&colors);
            kolvRestoreValues(&metrics);
            kolvRestoreValues(&desktop);
        }
        kolvFail(progress, "Wine did not take the look (SetSysColors or SystemParametersInfo failed, %lu)",
                 error);
        return KOLV_APPLY_FAILED;
    }
    kolvReached(progress, KOLV_LOOK_STEP_SET);
    /* SystemParametersInfo stored its own forms of the sizes and fonts. */
    if (!storeOrCheck(look, FALSE) || !storeOrCheck(look, TRUE)) {
        kolvFail(progress, "the look was set, but its values could not be stored or read back");
        return KOLV_APPLY_NOT_RECORDED;
    }
    kolvReached(progress, KOLV_LOOK_STEP_RECORDED);
    return KOLV_APPLY_OK;
}
