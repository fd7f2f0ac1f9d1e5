/* odsprobe crash: dies of an access violation after one string.
 * odsprobe <exit-code>: writes known strings to the debugger output channel
 * (long ANSI, wide) for the bench's check of debugrun, raises an exception that
 * its own handler takes (a debugger must pass it on), then exits. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

static LONG CALLBACK take_probe_exception(EXCEPTION_POINTERS *info)
{
    return info->ExceptionRecord->ExceptionCode == 0xE0DEB001 ? EXCEPTION_CONTINUE_EXECUTION
                                                              : EXCEPTION_CONTINUE_SEARCH;
}

int main(int argc, char **argv)
{
    char line[701];
    wchar_t wide[601];
    for (int i = 0; i < 700; ++i)
        line[i] = (char)('a' + i % 26);
    line[700] = '\0';
    for (int i = 0; i < 600; ++i)
        wide[i] = (wchar_t)(L'A' + i % 26);
    wide[600] = L'\0';
    wide[0] = 0x00e9;  /* e acute: outside ASCII, inside code page 1252 */

    OutputDebugStringA("first line");
    if (argc > 1 && strcmp(argv[1], "crash") == 0) {
        *(volatile int *)(INT_PTR)argc = 0;  /* a wild write, as a broken program makes */
        return 0;
    }
    OutputDebugStringA(line);
    OutputDebugStringW(wide);
    AddVectoredExceptionHandler(1, take_probe_exception);
    RaiseException(0xE0DEB001, 0, 0, NULL);
    OutputDebugStringA("last line");
    return argc > 1 ? atoi(argv[1]) : 0;
}
