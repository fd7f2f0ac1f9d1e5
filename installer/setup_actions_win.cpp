// Custom actions of the Windows Installer package (OrvaneSetupActions.dll, in
// its Binary table; never installed).
//
// ReadMachine (immediate): sets NATIVEMACHINE to the machine's own architecture
// as an IMAGE_FILE_MACHINE_* number. The package is x64, and an x64 process on
// an ARM64 machine is told it runs on x64 by every older call and by the
// installer's own properties; IsWow64Process2 names the native machine. It also
// sets INSTALLSTAMP, the time of this install as an Active Setup version
// ("yyyy,mmdd,hhmm,ss"), so that every reinstall registers again for each user.
//
// RegisterShellPackage (deferred): runs the command in CustomActionData's first
// line and waits for it. Unless it ends with exit code 0 having printed the third
// line, the second line, with "%s" replaced by the reason (the command's own
// output, or why there is none), goes to the log and to the user as a warning;
// the install goes on, as the classic menu entry does not depend on the package.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

namespace {

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    DWORD size = 0;
    wchar_t empty[1] = L"";
    if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return L"";
    std::wstring value(++size, L'\0');
    if (MsiGetPropertyW(install, name, &value[0], &size) != ERROR_SUCCESS) return L"";
    value.resize(size);
    return value;
}

// Runs a command line without a window and returns its exit code, or -1 when it
// could not start; *output receives what it wrote to its standard output and error.
long RunCaptured(std::wstring command, std::string* output) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        *output = "PowerShell could not be started (error " + std::to_string(startError) + ")";
        return -1;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) output->append(buffer, got);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return long(code);
}

std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_OEMCP, 0, text.data(), int(text.size()), &wide[0], int(wide.size())));
    return wide;
}

void Say(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, kind, record);
}

}  // namespace

extern "C" UINT __stdcall ReadMachine(MSIHANDLE install) {
    // IsWow64Process2 came with Windows 10 1709; before it there was no ARM64 Windows to tell.
    using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2")));
    USHORT process = 0, native = IMAGE_FILE_MACHINE_AMD64;
    if (isWow64Process2 == nullptr || !isWow64Process2(GetCurrentProcess(), &process, &native))
        native = IMAGE_FILE_MACHINE_AMD64;
    MsiSetPropertyW(install, L"NATIVEMACHINE", std::to_wstring(native).c_str());

    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    wsprintfW(stamp, L"%u,%u%02u,%u%02u,%u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    MsiSetPropertyW(install, L"INSTALLSTAMP", stamp);
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall RegisterShellPackage(MSIHANDLE install) {
    const std::wstring data = Property(install, L"CustomActionData");
    const size_t lineEnd = data.find(L'\n'), messageEnd = data.find(L'\n', lineEnd + 1);
    if (messageEnd == std::wstring::npos) return ERROR_SUCCESS;
    std::string output;
    const long code = RunCaptured(data.substr(0, lineEnd), &output);
    std::wstring reason = Widen(output);
    if (code == 0 && reason.find(data.substr(messageEnd + 1)) != std::wstring::npos) return ERROR_SUCCESS;
    while (!reason.empty() && iswspace(reason.back())) reason.pop_back();
    if (code == 0) reason = L"PowerShell did not carry out the registration";
    else if (reason.empty()) reason = L"exit code " + std::to_wstring(code);
    std::wstring message = data.substr(lineEnd + 1, messageEnd - lineEnd - 1);
    const size_t at = message.find(L"%s");
    if (at != std::wstring::npos) message.replace(at, 2, reason);
    Say(install, INSTALLMESSAGE_INFO, message);
    Say(install, INSTALLMESSAGE_WARNING, message);
    return ERROR_SUCCESS;
}
