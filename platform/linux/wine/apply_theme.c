/* kolvmgr-apply-theme: applies a visual style, or the classic look, through the theme
 * service of the Windows it runs on (Wine's uxtheme.dll), as ThemeServiceCore.h says. Run
 * by kolvmgr through wine, one start per Apply. The command line and the exit codes are
 * in ApplyThemeProtocol.h.
 *
 * For the tests that stop an apply part-way: with KOLV_APPLY_THEME_TEST_STOP set to
 * "<step> exit", the program ends at once after that step (as a killed one would);
 * "<step> wait <file>" makes the file (a Windows path) and waits there to be stopped. */

#include "platform/ApplyThemeProtocol.h"
#include "platform/win32/ThemeServiceCore.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
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
        unsigned unit = 0;
        for (size_t k = 0; k < 4; ++k) {
            const WCHAR c = hex[i * 4 + k];
            unsigned digit;
            if (c >= L'0' && c <= L'9')
                digit = (unsigned)(c - L'0');
            else if (c >= L'a' && c <= L'f')
                digit = (unsigned)(c - L'a' + 10);
            else if (c >= L'A' && c <= L'F')
                digit = (unsigned)(c - L'A' + 10);
            else {
                HeapFree(GetProcessHeap(), 0, text);
                return NULL;
            }
            unit = unit * 16 + digit;
        }
        /* A NUL inside would cut the text short without anyone noticing. */
        if (unit == 0) {
            HeapFree(GetProcessHeap(), 0, text);
            return NULL;
        }
        text[i] = (WCHAR)unit;
    }
    text[length / 4] = 0;
    return text;
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
    say("error: usage: kolvmgr-apply-theme apply DLLNAME COLOR SIZE | classic (texts as UTF-16 hex)");
    return KOLV_APPLY_USAGE;
}
