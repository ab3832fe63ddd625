/* What kolvmgr and its Windows program kolvmgr-apply-theme agree on: the command line,
 * the first line the program prints and its exit codes. Read by C (the program) and C++
 * (the Linux side that runs it through wine).
 *
 * Command lines (every text argument as the hex digits of its UTF-16 code units, four
 * a unit, so that no code page, quoting or blank can change it on the way through wine):
 *   apply DLLNAME COLOR SIZE   apply the style whose file DLLNAME names once expanded
 *                              (%systemroot% and the like), in the colour scheme COLOR and
 *                              the size SIZE, then record DLLNAME, COLOR and SIZE
 *   classic                    switch to the classic look (no visual style)
 *
 * The program's first line on standard output is the marker below, so that the caller
 * knows it ran at all; its last line says what failed, when something did, or is the
 * success line below. Only that line says it succeeded: wine may end with status 0 when
 * the program was killed (its wineserver stopped, for one). */
#ifndef KOLV_APPLY_THEME_PROTOCOL_H
#define KOLV_APPLY_THEME_PROTOCOL_H

#define KOLV_APPLY_THEME_MARKER "kolvmgr-apply-theme 1"
#define KOLV_APPLY_THEME_DONE "done"

enum KolvApplyThemeExit {
    KOLV_APPLY_OK = 0,
    /* Arguments the program cannot use. */
    KOLV_APPLY_USAGE = 40,
    /* uxtheme.dll or one of its apply entry points is missing. */
    KOLV_APPLY_NO_THEME_SERVICE = 41,
    /* The style file is not there. */
    KOLV_APPLY_NO_STYLE_FILE = 42,
    /* The theme service refused the style file, its colour scheme or its size. */
    KOLV_APPLY_REFUSED = 43,
    /* The theme service failed to apply it. */
    KOLV_APPLY_FAILED = 44,
    /* Applied, but the values recorded afterwards could not be written or read back. */
    KOLV_APPLY_NOT_RECORDED = 45
};

#endif
