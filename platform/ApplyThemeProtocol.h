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
 *   look FLAGS COLORS [SIZES FONT FONT FONT FONT FONT FONT]
 *                              set the system colours (and sizes and fonts) over the
 *                              look in force, a visual style's included, and store them
 *   scheme FLAGS COLORS [SIZES FONT FONT FONT FONT FONT FONT]
 *                              switch to the classic look in these colours (and sizes
 *                              and fonts), and store them
 *
 * The look's arguments are hex digits too, upper or lower case:
 *   FLAGS   one digit: 1 gradient captions, 2 flat menus, or both
 *   COLORS  the 31 system colours by index (COLOR_SCROLLBAR first), RRGGBB each
 *   SIZES   ten 32-bit numbers of eight digits each (two's complement), in pixels, in the
 *           order of NONCLIENTMETRICS: border, scroll bar width and height, caption
 *           button width and height, small caption button width and height, menu width
 *           and height, padded border
 *   FONT    the caption, small caption, menu, status, message and icon title fonts, each
 *           its height (eight digits, two's complement), its weight (eight digits), its
 *           italic flag (one digit, 0 or 1) and its face name as a text (four digits a
 *           UTF-16 unit, at most 31 units)
 *
 * The program's first line on standard output is the marker below, so that the caller
 * knows it ran at all; its last line says what failed, when something did, or is the
 * success line below. Only that line says it succeeded: wine may end with status 0 when
 * the program was killed (its wineserver stopped, for one). */
#ifndef KOLV_APPLY_THEME_PROTOCOL_H
#define KOLV_APPLY_THEME_PROTOCOL_H

#define KOLV_APPLY_THEME_MARKER "kolvmgr-apply-theme 1"
#define KOLV_APPLY_THEME_DONE "done"

#define KOLV_LOOK_COLORS 31
#define KOLV_LOOK_SIZES 10
#define KOLV_LOOK_FONTS 6
#define KOLV_LOOK_FACE_UNITS 31
#define KOLV_LOOK_GRADIENT_CAPTIONS 1
#define KOLV_LOOK_FLAT_MENUS 2

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
