#include "base/debug_log.h"

// No dialogs without Windows: the message goes to the trace output.
void ShowSystemJobMessage(int, const char* title, const char* text) {
    DebugWrite(title);
    DebugWrite(text);
}
