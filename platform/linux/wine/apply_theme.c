/* kolvmgr-apply-theme: applies a visual style, or the classic look, through the theme
 * service of the Windows it runs on (Wine's uxtheme.dll), or sets a look of the user's
 * choosing through Wine's calls, as ThemeServiceCore.h says. Run by kolvmgr through wine,
 * one start per Apply. The command line and the exit codes are in ApplyThemeProtocol.h.
 *
 * For the tests that stop an apply part-way: with KOLV_APPLY_THEME_TEST_STOP set to
 * "<step> exit", the program ends at once after that step (as a killed one would);
 * "<step> wait <file>" makes the file (a Windows path) and waits there to be stopped. */

#include "platform/ApplyThemeProtocol.h"
#include "platform/win32/ThemeServiceCore.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

/* The value of exactly digits hex digits at text; false when they are not. */
static BOOL hexValue(const WCHAR* text, size_t digits, unsigned long* value) {
    *value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const WCHAR c = text[i];
        unsigned digit;
        if (c >= L'0' && c <= L'9')
            digit = (unsigned)(c - L'0');
        else if (c >= L'a' && c <= L'f')
            digit = (unsigned)(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F')
            digit = (unsigned)(c - L'A' + 10);
        else
            return FALSE;
        *value = *value * 16 + digit;
    }
    return TRUE;
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
        unsigned long unit;
        /* A NUL inside would cut the text short without anyone noticing. */
        if (!hexValue(hex + 4 * i, 4, &unit) || unit == 0) {
            HeapFree(GetProcessHeap(), 0, text);
            return NULL;
        }
        text[i] = (WCHAR)unit;
    }
    text[length / 4] = 0;
    return text;
}

/* A 32-bit number in two's complement, held to what a screen can have. */
static BOOL pixels(const WCHAR* text, LONG low, LONG* value) {
    unsigned long bits;
    if (!hexValue(text, 8, &bits))
        return FALSE;
    const LONG number = bits > 0x7FFFFFFFul ? -(LONG)(0xFFFFFFFFul - bits) - 1 : (LONG)bits;
    *value = number;
    return number >= low && number <= 1000;
}

/* FONT: height, weight, italic, face (ApplyThemeProtocol.h). */
static BOOL decodeFont(const WCHAR* text, LOGFONTW* font) {
    const size_t length = wcslen(text);
    LONG height, weight;
    unsigned long italic;
    if (length < 17 || (length - 17) % 4 != 0 || (length - 17) / 4 > KOLV_LOOK_FACE_UNITS ||
        !pixels(text, -1000, &height) || !pixels(text + 8, 0, &weight) || !hexValue(text + 16, 1, &italic) ||
        italic > 1)
        return FALSE;
    WCHAR* face = decodeHex(text + 17);
    if (!face)
        return FALSE;
    kolvLookFont(font, height, weight, italic != 0, face);
    HeapFree(GetProcessHeap(), 0, face);
    return TRUE;
}

/* FLAGS COLORS [SIZES FONT x 6], the arguments of look and scheme. */
static BOOL decodeLook(int argc, WCHAR** argv, struct KolvLook* look) {
    unsigned long flags;
    if ((argc != 2 && argc != 9) || wcslen(argv[0]) != 1 || !hexValue(argv[0], 1, &flags) || flags > 3 ||
        wcslen(argv[1]) != 6 * KOLV_LOOK_COLORS)
        return FALSE;
    memset(look, 0, sizeof *look);
    look->gradientCaptions = (flags & KOLV_LOOK_GRADIENT_CAPTIONS) != 0;
    look->flatMenus = (flags & KOLV_LOOK_FLAT_MENUS) != 0;
    for (int i = 0; i < KOLV_LOOK_COLORS; ++i) {
        unsigned long rgb;
        if (!hexValue(argv[1] + 6 * i, 6, &rgb))
            return FALSE;
        look->colors[i] = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    if (argc == 2)
        return TRUE;
    if (wcslen(argv[2]) != 8 * KOLV_LOOK_SIZES)
        return FALSE;
    NONCLIENTMETRICSW* m = &look->metrics;
    int* sizes[KOLV_LOOK_SIZES] = {&m->iBorderWidth,      &m->iScrollWidth,   &m->iScrollHeight,
                                   &m->iCaptionWidth,     &m->iCaptionHeight, &m->iSmCaptionWidth,
                                   &m->iSmCaptionHeight,  &m->iMenuWidth,     &m->iMenuHeight,
                                   &m->iPaddedBorderWidth};
    for (int i = 0; i < KOLV_LOOK_SIZES; ++i) {
        LONG size;
        if (!pixels(argv[2] + 8 * i, 0, &size))
            return FALSE;
        *sizes[i] = size;
    }
    LOGFONTW* fonts[KOLV_LOOK_FONTS] = {&m->lfCaptionFont, &m->lfSmCaptionFont, &m->lfMenuFont,
                                        &m->lfStatusFont,  &m->lfMessageFont,   &look->iconFont};
    for (int i = 0; i < KOLV_LOOK_FONTS; ++i)
        if (!decodeFont(argv[3 + i], fonts[i]))
            return FALSE;
    m->cbSize = sizeof *m;
    look->hasMetrics = TRUE;
    return TRUE;
}

static void stopForTests(int step, void* context) {
    (void)context;
    WCHAR request[MAX_PATH + 32];
    const DWORD n = GetEnvironmentVariableW(L"KOLV_APPLY_THEME_TEST_STOP", request, MAX_PATH + 32);
    if (n == 0 || n >= MAX_PATH + 32 || _wtoi(request) != step)
        return;
    const WCHAR* mode = wcschr(request, L' ');
    if (mode && wcsncmp(mode + 1, L"wait ", 5) == 0) {
        HANDLE flag =
            CreateFileW(mode + 6, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (flag != INVALID_HANDLE_VALUE)
            CloseHandle(flag);
        for (;;)
            Sleep(INFINITE);
    }
    TerminateProcess(GetCurrentProcess(), 99);
}

static int finish(int code, const struct KolvThemeProgress* progress) {
    if (code == KOLV_APPLY_OK)
        say(KOLV_APPLY_THEME_DONE);
    else
        say("error: %s", progress->message);
    return code;
}

int wmain(int argc, WCHAR** argv) {
    say(KOLV_APPLY_THEME_MARKER);
    struct KolvThemeProgress progress = {stopForTests, NULL, {0}};
    if (argc == 2 && wcscmp(argv[1], L"classic") == 0)
        return finish(kolvApplyClassic(&progress), &progress);
    if (argc == 5 && wcscmp(argv[1], L"apply") == 0) {
        WCHAR* dllName = decodeHex(argv[2]);
        WCHAR* color = decodeHex(argv[3]);
        WCHAR* size = decodeHex(argv[4]);
        if (dllName && color && size)
            return finish(kolvApplyStyle(dllName, color, size, &progress), &progress);
    }
    if (argc >= 2 && (wcscmp(argv[1], L"look") == 0 || wcscmp(argv[1], L"scheme") == 0)) {
        static struct KolvLook look;
        if (decodeLook(argc - 2, argv + 2, &look))
            return finish(kolvApplyLook(&look, wcscmp(argv[1], L"scheme") == 0, &progress), &progress);
    }
    say("error: usage: kolvmgr-apply-theme apply DLLNAME COLOR SIZE | classic | look|scheme FLAGS COLORS "
        "[SIZES FONT...] (in hex)");
    return KOLV_APPLY_USAGE;
}
