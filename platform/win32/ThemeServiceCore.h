/* The theme service of the Windows this runs on (uxtheme.dll, whose OpenThemeFile,
 * ApplyTheme and CloseThemeFile are exported by ordinal only) asked to apply a visual
 * style or the classic look, so that the style's system colours, metrics and fonts reach
 * the programs started after it; then the values kolvmgr's readers expect are recorded.
 * C and the Windows API only: the Win32 back end calls it in its own process, and
 * kolvmgr-apply-theme, the program Wine runs for the Linux back end, is built around it.
 *
 * Nothing of the user's record (ThemeManager's values) is removed or changed before the
 * theme service applies, so a process or a wineserver stopped at any moment leaves the old
 * style or the new one named, with its colour scheme and size, never none. */
#ifndef KOLV_THEME_SERVICE_CORE_H
#define KOLV_THEME_SERVICE_CORE_H

#include <windows.h>

/* The steps of an apply, in order; a test stops the program after one to see what a stop
 * there leaves. The classic look has no style file to check or open. */
enum KolvThemeStep {
    KOLV_STEP_CHECKED = 1,  /* the style file is there; nothing changed yet */
    KOLV_STEP_LOADED = 2,   /* the theme service is loaded */
    KOLV_STEP_OPENED = 3,   /* it opened the style file */
    KOLV_STEP_APPLIED = 4,  /* it applied the style and wrote its own record */
    KOLV_STEP_RECORDED = 5, /* kolvmgr's values are written and read back */
    KOLV_STEP_COUNT = 5
};

struct KolvThemeProgress {
    /* Called after each step when not NULL. */
    void (*reached)(int step, void* context);
    void* context;
    /* What failed, when something did: one line without its end. */
    char message[512];
};

/* Applies the style whose file dllName names once its environment variables are
 * expanded (%systemroot%\...), in the colour scheme color and the size size (names the
 * style offers), then records dllName (as REG_EXPAND_SZ), color, size and ThemeActive
 * "1". One of the KOLV_APPLY_* codes of ApplyThemeProtocol.h. */
int kolvApplyStyle(const WCHAR* dllName, const WCHAR* color, const WCHAR* size,
                   struct KolvThemeProgress* progress);

/* Switches to the classic look (no visual style) and records ThemeActive "0". */
int kolvApplyClassic(struct KolvThemeProgress* progress);

#endif
