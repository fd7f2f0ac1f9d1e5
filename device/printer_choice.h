// Choosing the printer and asking it for its languages: the steps the Basic tab
// and printing without the window share, so that both pick and judge a printer
// the same way.
#pragma once
#include <string>

class CTestPrint;
class CPrtControl;

// Makes the first printer called `name` (any letter case) current. False, with
// the current printer unchanged, when no installed printer has that name.
bool SelectNamedPrinter(CTestPrint& printers, const std::string& name);

// The supported-language set of the current printer, read from its device ID
// now: 0 to 31, or -1 when the ID cannot be read.
int ReadSupportedTypes(CPrtControl& control);
