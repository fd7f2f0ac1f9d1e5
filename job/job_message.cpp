#include "job/job_message.h"

#include "base/debug_log.h"
#include "base/localized_text.h"

void ShowSystemJobMessage(int kind, const char* title, const char* text);  // job_message_{win,posix}.cpp

namespace {
JobMessageBox g_box = ShowSystemJobMessage;
}

JobMessageBox SetJobMessageBox(JobMessageBox box) {
    JobMessageBox previous = g_box;
    g_box = box ? box : ShowSystemJobMessage;
    return previous;
}

bool ShowJobMessage(int kind) {
    char title[kTextSize];
    char text[kTextSize] = "";
    GetLocalizedString("UI_SHEET", "IDL_TITLE", "Orvane", title, sizeof title);
    if (kind == kJobMessageNoFiles)
        GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_NOFILES",
                           "There is no file to print. Select the file(s) properly and try again.", text,
                           sizeof text);
    else if (kind == kJobMessageInvalidFile)
        GetLocalizedString("ERROR_MSG", "IDL_MESSAGE_INVAILDFILE",
                           "The system cannot open the file or access is denied.", text, sizeof text);
    g_box(kind, title, text);
    return true;
}
