/* debugrun <logfile> <program> [args...]
 *
 * Runs a program as a debuggee and appends every string it writes to the
 * debugger output channel (OutputDebugStringA/W) to <logfile>, whole, one per
 * line. Exits with the program's exit code (126 when it cannot be started).
 * Wine's +debugstr channel cuts long strings and misses the wide ones; a real
 * debugger receives each string entire. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#ifndef DBG_PRINTEXCEPTION_WIDE_C
#define DBG_PRINTEXCEPTION_WIDE_C 0x4001000AL
#endif
#ifndef STATUS_WX86_BREAKPOINT
#define STATUS_WX86_BREAKPOINT 0x4000001FL
#endif

/* Longest string we take from the debuggee; anything longer is kept up to this. */
#define MAX_STRING_CHARS (1u << 20)

static HANDLE g_log = INVALID_HANDLE_VALUE;

/* Appends one argument to a command line, quoted so that CommandLineToArgvW and
 * the C runtime's parser give it back unchanged. */
static void append_arg(wchar_t *out, size_t *len, const wchar_t *arg)
{
    size_t n = *len;
    int quote = arg[0] == L'\0' || wcspbrk(arg, L" \t\n\v\"") != NULL;
    if (n > 0)
        out[n++] = L' ';
    if (!quote) {
        while (*arg)
            out[n++] = *arg++;
        *len = n;
        return;
    }
    out[n++] = L'"';
    for (;;) {
        size_t backslashes = 0;
        while (*arg == L'\\') {
            ++arg;
            ++backslashes;
        }
        if (*arg == L'\0') {
            /* Double them so that the closing quote stays a quote. */
            for (size_t i = 0; i < backslashes * 2; ++i)
                out[n++] = L'\\';
            break;
        }
        if (*arg == L'"') {
            for (size_t i = 0; i < backslashes * 2 + 1; ++i)
                out[n++] = L'\\';
        } else {
            for (size_t i = 0; i < backslashes; ++i)
                out[n++] = L'\\';
        }
        out[n++] = *arg++;
    }
    out[n++] = L'"';
    *len = n;
}

static void write_line(const char *text, size_t len)
{
    DWORD written;
    /* One WriteFile per line: readers of the log never see half a line. */
    char *line = (char *)malloc(len + 1);
    if (line == NULL)
        return;
    memcpy(line, text, len);
    line[len] = '\n';
    WriteFile(g_log, line, (DWORD)(len + 1), &written, NULL);
    free(line);
}

/* Reads a string of `chars` characters (terminator included, as the debug event
 * counts it) at `address` in the debuggee and logs it. Wide strings are converted to the ANSI code
 * page, as the system itself does for a debugger that asks for ANSI, so the log
 * has one encoding. */
static void log_string(HANDLE process, const void *address, size_t chars, int wide)
{
    size_t unit = wide ? sizeof(wchar_t) : 1;
    SIZE_T got = 0;
    char *buffer;

    if (chars == 0 || address == NULL)
        return;
    if (chars > MAX_STRING_CHARS)
        chars = MAX_STRING_CHARS;
    buffer = (char *)calloc(chars + 1, unit);
    if (buffer == NULL)
        return;
    if (!ReadProcessMemory(process, address, buffer, chars * unit, &got)) {
        /* The string may end just before an unreadable page: take what can be read. */
        got = 0;
        while (got < chars * unit &&
               ReadProcessMemory(process, (const char *)address + got, buffer + got, unit, NULL))
            got += unit;
    }
    if (wide) {
        const wchar_t *w = (const wchar_t *)buffer;
        size_t n = wcsnlen(w, got / sizeof(wchar_t));
        int bytes = n ? WideCharToMultiByte(CP_ACP, 0, w, (int)n, NULL, 0, NULL, NULL) : 0;
        char *ansi = (char *)malloc((size_t)bytes + 1);
        if (ansi != NULL) {
            if (bytes)
                WideCharToMultiByte(CP_ACP, 0, w, (int)n, ansi, bytes, NULL, NULL);
            write_line(ansi, (size_t)bytes);
            free(ansi);
        }
    } else {
        write_line(buffer, strnlen(buffer, got));
    }
    free(buffer);
}

int main(void)
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    wchar_t *command;
    size_t size = 1, len = 0;
    DWORD exit_code = 0;
    int seen_initial_breakpoint = 0, running = 1;

    if (argv == NULL || argc < 3) {
        fwprintf(stderr, L"usage: debugrun <logfile> <program> [args...]\n");
        return 126;
    }
    g_log = CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (g_log == INVALID_HANDLE_VALUE) {
        fwprintf(stderr, L"debugrun: cannot open %ls (error %lu)\n", argv[1], GetLastError());
        return 126;
    }

    /* Every character may need escaping, plus quotes and a separator. */
    for (int i = 2; i < argc; ++i)
        size += wcslen(argv[i]) * 2 + 3;
    command = (wchar_t *)calloc(size, sizeof(wchar_t));
    if (command == NULL)
        return 126;
    for (int i = 2; i < argc; ++i)
        append_arg(command, &len, argv[i]);
    command[len] = L'\0';

    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    if (!CreateProcessW(NULL, command, NULL, NULL, TRUE, DEBUG_ONLY_THIS_PROCESS, NULL, NULL, &si, &pi)) {
        fwprintf(stderr, L"debugrun: cannot start %ls (error %lu)\n", argv[2], GetLastError());
        return 126;
    }

    while (running) {
        DEBUG_EVENT ev;
        DWORD status = DBG_CONTINUE;
        if (!WaitForDebugEvent(&ev, INFINITE)) {
            fwprintf(stderr, L"debugrun: WaitForDebugEvent failed (error %lu)\n", GetLastError());
            exit_code = 126;
            break;
        }
        switch (ev.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (ev.u.CreateProcessInfo.hFile)
                CloseHandle(ev.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (ev.u.LoadDll.hFile)
                CloseHandle(ev.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            log_string(pi.hProcess, ev.u.DebugString.lpDebugStringData, ev.u.DebugString.nDebugStringLength,
                       ev.u.DebugString.fUnicode != 0);
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const EXCEPTION_RECORD *rec = &ev.u.Exception.ExceptionRecord;
            if (rec->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C && rec->NumberParameters >= 2) {
                /* A system that raises wide debug strings as exceptions: take the
                 * wide text here and handle it, so the ANSI copy is not raised too. */
                log_string(pi.hProcess, (const void *)rec->ExceptionInformation[1],
                           (size_t)rec->ExceptionInformation[0], 1);
            } else if (!seen_initial_breakpoint && ev.u.Exception.dwFirstChance &&
                       (rec->ExceptionCode == EXCEPTION_BREAKPOINT ||
                        rec->ExceptionCode == STATUS_WX86_BREAKPOINT)) {
                seen_initial_breakpoint = 1;  /* the loader's breakpoint, ours to swallow */
            } else {
                status = DBG_EXCEPTION_NOT_HANDLED;  /* the program's own handlers decide */
            }
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            if (ev.dwProcessId == pi.dwProcessId) {
                exit_code = ev.u.ExitProcess.dwExitCode;
                running = 0;
            }
            break;
        default:
            break;
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }

    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(g_log);
    free(command);
    LocalFree(argv);
    return (int)exit_code;
}
