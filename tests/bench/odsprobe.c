/* odsprobe <exit-code>: writes known strings to the debugger output channel
 * (long ANSI, wide, empty) for the bench's check of debugrun, then exits. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

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
    OutputDebugStringA(line);
    OutputDebugStringW(wide);
    OutputDebugStringA("last line");
    return argc > 1 ? atoi(argv[1]) : 0;
}
