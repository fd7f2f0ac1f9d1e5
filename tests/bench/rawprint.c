/* rawprint <file> [printer]: sends a file through the spooler as one RAW job
 * (the default printer when none is named), the thinnest way there is: the job
 * benchmark measures the job sender against it. Exit code 0 when every byte was
 * accepted; prints the process's peak working set. */
#define PSAPI_VERSION 2 /* GetProcessMemoryInfo from kernel32 */
#include <windows.h>
#include <winspool.h>
#include <psapi.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    char name[256];
    DWORD size = sizeof name;
    const char *printer;
    HANDLE h;
    DOC_INFO_1A doc = {"bench raw job", NULL, "RAW"};
    FILE *in;
    char buffer[16384];
    size_t n;
    int rc = 0;

    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: rawprint <file> [printer]\n");
        return 2;
    }
    if (argc == 3) {
        printer = argv[2];
    } else if (GetDefaultPrinterA(name, &size)) {
        printer = name;
    } else {
        fprintf(stderr, "rawprint: no default printer (error %lu)\n", GetLastError());
        return 1;
    }
    in = fopen(argv[1], "rb");
    if (in == NULL) {
        fprintf(stderr, "rawprint: cannot open %s\n", argv[1]);
        return 1;
    }
    if (!OpenPrinterA((LPSTR)printer, &h, NULL)) {
        fprintf(stderr, "rawprint: OpenPrinter(%s) failed (error %lu)\n", printer, GetLastError());
        fclose(in);
        return 1;
    }
    if (StartDocPrinterA(h, 1, (LPBYTE)&doc) == 0) {
        fprintf(stderr, "rawprint: StartDocPrinter failed (error %lu)\n", GetLastError());
        ClosePrinter(h);
        fclose(in);
        return 1;
    }
    while (rc == 0 && (n = fread(buffer, 1, sizeof buffer, in)) > 0) {
        DWORD written = 0;
        if (!WritePrinter(h, buffer, (DWORD)n, &written) || written != n) {
            fprintf(stderr, "rawprint: WritePrinter failed (error %lu)\n", GetLastError());
            rc = 1;
        }
    }
    if (!EndDocPrinter(h)) {
        fprintf(stderr, "rawprint: EndDocPrinter failed (error %lu)\n", GetLastError());
        rc = 1;
    }
    ClosePrinter(h);
    fclose(in);
    if (rc == 0) {
        PROCESS_MEMORY_COUNTERS memory = {0};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        printf("rawprint: %s -> %s peak_ws=%llu\n", argv[1], printer,
               (unsigned long long)memory.PeakWorkingSetSize);
    }
    return rc;
}
