/* What a program started in a Wine prefix sees of the visual style: the button face
 * colour and the width of a vertical scroll bar, as "btnface=RRGGBB scroll=N". */
#include <windows.h>

#include <stdio.h>

int main(void) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    printf("btnface=%02x%02x%02x scroll=%d\n", GetRValue(face), GetGValue(face), GetBValue(face),
           GetSystemMetrics(SM_CXVSCROLL));
    return 0;
}
