// The command line of Orvex: file paths, quoted or not, and the printer switch -M.
#pragma once
#include <string>
#include <vector>

// Copies one token from the start of `text` into `buffer` (kPathSize bytes) and
// returns the characters consumed, or 0 when only spaces remain (buffer untouched).
// A token longer than 259 characters is not copied: the buffer gets an empty
// string and *tooLong (when given) is set, so that no cut path is ever used.
int NextToken(const char* text, char* buffer, bool* tooLong = nullptr);

// Splits the argument text: appends file tokens to `files` (in order, duplicates
// and empty tokens kept) and sets `printerName` from the last -M switch.
// Tokens longer than 259 characters are dropped with a trace line. Returns 0.
// `printWithoutWindow`, when given, is set when a -P switch (either case, or /P)
// asks for printing without the window; the switch changes nothing else.
int ParseCommandLine(const char* text, std::vector<std::string>& files, std::string& printerName,
                     bool* printWithoutWindow = nullptr);
