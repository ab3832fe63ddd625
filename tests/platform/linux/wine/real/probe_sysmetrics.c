/* What a program started in a Wine prefix sees of the visual style: the button face
 * colour and the width of a vertical scroll bar, as "btnface=RRGGBB scroll=N". With the
 * argument "look", all of the look instead: the 31 system colours by index
 * ("colors=RRGGBB,..."), the sizes of NONCLIENTMETRICS in its order ("sizes=N,..."), the
 * caption and icon title fonts ("caption=FACE/HEIGHT/WEIGHT icon=FACE/HEIGHT/WEIGHT") and
 * gradient captions and flat menus ("gradient=0|1 flat=0|1"), a line each. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

static void font(const char* name, const LOGFONTW* f) {
    char face[128];
    WideCharToMultiByte(CP_UTF8, 0, f->lfFaceName, -1, face, sizeof face, NULL, NULL);
    printf(" %s=%s/%ld/%ld", name, face, f->lfHeight, f->lfWeight);
}

int main(int argc, char** argv) {
    if (argc < 2 || strcmp(argv[1], "look") != 0) {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        printf("btnface=%02x%02x%02x scroll=%d\n", GetRValue(face), GetGValue(face), GetBValue(face),
               GetSystemMetrics(SM_CXVSCROLL));
        return 0;
    }
    printf("colors=");
    for (int i = 0; i <= COLOR_MENUBAR; ++i) {
        const COLORREF c = GetSysColor(i);
        printf("%s%02x%02x%02x", i ? "," : "", GetRValue(c), GetGValue(c), GetBValue(c));
    }
    NONCLIENTMETRICSW m;
    memset(&m, 0, sizeof m);
    m.cbSize = sizeof m;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
    printf("\nsizes=%d,%d,%d,%d,%d,%d,%d,%d,%d,%d\n", m.iBorderWidth, m.iScrollWidth, m.iScrollHeight,
           m.iCaptionWidth, m.iCaptionHeight, m.iSmCaptionWidth, m.iSmCaptionHeight, m.iMenuWidth,
           m.iMenuHeight, m.iPaddedBorderWidth);
    LOGFONTW icon;
    memset(&icon, 0, sizeof icon);
    SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0);
    printf("fonts:");
    font("caption", &m.lfCaptionFont);
    font("icon", &icon);
    BOOL gradient = FALSE, flat = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
    SystemParametersInfoW(SPI_GETFLATMENU, 0, &flat, 0);
    printf("\ngradient=%d flat=%d\n", gradient ? 1 : 0, flat ? 1 : 0);
    return 0;
}
