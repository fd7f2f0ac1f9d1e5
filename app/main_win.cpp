// Entry of Orvex: prepares the process, chooses language and files, then runs
// the main property sheet modally; its result is the exit code.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_modes.h"
#include "app/print_mode.h"
#include "base/debug_log.h"
#include "base/language.h"
#include "base/localized_text.h"
#include "device/printer_check.h"
#include "ui/basic_opts_page.h"
#include "ui/main_property_sheet.h"
#include "ui/window_module.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CoInitialize(nullptr);  // a failure is not reported; start-up goes on

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);

    CWindowModule::Init(instance);  // the instance and the user-interface thread

    // -P asks for printing without the window. Looked for while the trace is still
    // off, so that a normal start traces the command line once, as the Basic tab parses it.
    const std::wstring arguments = UnicodeArgumentText();
    std::vector<std::wstring> files;
    std::wstring printerName;
    CommandLineSwitches switches;
    ParseCommandLine(arguments.c_str(), files, printerName, &switches);

    ReadLogSwitch();
    if (gwLogSwitch == 1) DebugWrite("======= Debug Mode =======");

    DebugLog("Language : %s", GetLanguageCode());
    GetLocalizedFilePath("LOCAL", gszLocalFileName);
    GetLocalizedFilePath("HELP", gszHelpFileName);

    if (int code = 0; RunConsoleMode(switches, printerName, code)) {
        CWindowModule::Term();
        CoUninitialize();
        return code;
    }
    if (switches.bPrintWithoutWindow) {
        files.clear();
        printerName.clear();
        ParseCommandLine(arguments.c_str(), files, printerName);  // again, traced
        const int code = PrintWithoutWindow(files, printerName, switches);
        CWindowModule::Term();
        CoUninitialize();
        return code;
    }

    static char title[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);

    auto* sheet = new CMainPropertySheet(title, 0, nullptr);
    g_pMainSheet = sheet;
    sheet->BasicPage().SetCommandLine([arguments] {
        CommandLineRequest request;
        CommandLineSwitches parsed;
        ParseCommandLine(arguments.c_str(), request.files, request.printerName, &parsed);
        request.nTooLongFiles = static_cast<int>(parsed.nTooLongFiles);
        return request;
    });

    const INT_PTR result = sheet->DoModal();

    sheet->RemoveAllPageHandles();
    CWindowModule::Term();
    CoUninitialize();
    delete sheet;
    // A printer check still waiting for its printer is not waited for; leaving
    // ends it before anything it might use is torn down.
    if (PrinterCheckMailbox::Running() > 0) ExitProcess(static_cast<UINT>(result));
    return static_cast<int>(result);
}
