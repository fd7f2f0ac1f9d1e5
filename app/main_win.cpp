// Entry of Orvex: prepares the process, chooses language and files, then runs
// the main property sheet modally; its result is the exit code.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/debug_log.h"
#include "app/language.h"
#include "app/localized_text.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CoInitialize(nullptr);  // a failure is not reported; start-up goes on

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);

    ReadLogSwitch();
    if (gwLogSwitch == 1) DebugWrite("======= Debug Mode =======");

    DebugLog("Language : %s", GetLanguageCode());
    GetLocalizedFilePath("LOCAL", gszLocalFileName);
    GetLocalizedFilePath("HELP", gszHelpFileName);

    static char title[kTextSize];
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);

    int result = 0;
    CoUninitialize();
    return result;
}
