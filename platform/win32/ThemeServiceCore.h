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

/* A look of the user's choosing: the 31 system colours by index and, when hasMetrics, the
 * sizes and five fonts of metrics (cbSize its own size) and the icon title font, in
 * pixels; gradient captions and flat menus. */
struct KolvLook {
    COLORREF colors[31];
    BOOL hasMetrics;
    NONCLIENTMETRICSW metrics;
    LOGFONTW iconFont;
    BOOL gradientCaptions;
    BOOL flatMenus;
};

/* The steps of setting a look; the first three of a scheme only. A stop after any of them
 * leaves the old look or the new one in force and stored: the classic look's copy that
 * the theme service keeps is written before it is applied, and the values under Control
 * Panel are stored before the calls that make the running Wine show them. */
enum KolvLookStep {
    KOLV_LOOK_STEP_CHECKED = 1,  /* the look is one to set; nothing changed yet */
    KOLV_LOOK_STEP_PREPARED = 2, /* the theme service's copy of the classic look is the
                                    new look; nothing in force changed */
    KOLV_LOOK_STEP_CLASSIC = 3,  /* the classic look is in force, in the new look */
    KOLV_LOOK_STEP_STORED = 4,   /* stored under Control Panel in Windows' formats */
    KOLV_LOOK_STEP_SET = 5,      /* SetSysColors and SystemParametersInfo made */
    KOLV_LOOK_STEP_RECORDED = 6, /* stored again in Windows' formats and read back */
    KOLV_LOOK_STEP_COUNT = 6
};

/* A LOGFONTW as the Display control panel stores one: height, weight, italic,
 * DEFAULT_CHARSET, the face (cut to 31 units), every other field 0. */
void kolvLookFont(LOGFONTW* font, LONG height, LONG weight, BOOL italic, const WCHAR* face);

/* Sets the look over the one in force (a visual style's colours too); with classic, first
 * switches to the classic look, in the new look. Stores the colours as
 * HKCU\Control Panel\Colors "R G B" and the sizes and fonts under
 * Control Panel\Desktop\WindowMetrics (sizes as negative twips, fonts as LOGFONTW), makes
 * Wine's calls (SetSysColors; SystemParametersInfo with SPIF_UPDATEINIFILE |
 * SPIF_SENDCHANGE) and stores them again, since Wine's calls store their own forms, and
 * reads them back. One of the KOLV_APPLY_* codes: over the look in force, a failure to
 * store or to make the calls puts back what was in force and stored (FAILED); a failure
 * of the last step is NOT_RECORDED. */
int kolvApplyLook(const struct KolvLook* look, BOOL classic, struct KolvThemeProgress* progress);

#endif
