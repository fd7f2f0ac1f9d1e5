// Rules of the two tabs that need no window: the Browse filter, the numbers the
// edits hold, and the label whose ampersands must show. The pages apply them to their controls.
#pragma once
#include <string>

// The Browse filter with '|' separators (before they become NULs), cut to 255
// characters: one "<NAME> <word> (*.EXT;...)|*.ext;...|" per supported language, or
// "All <word> (*.*)|*.*|" for an unusable printer.
std::string BrowseFilterText(int nSupportedTypes, const char* word);

// The filter as GetOpenFileNameA wants it: every '|' a NUL, double-NUL ended.
std::string BrowseFilterList(int nSupportedTypes, const char* word);

// An edit's text read as a signed decimal integer: leading blanks, an optional
// sign, digits, trailing blanks. False (value 0) for anything else, or for a
// number that does not fit.
bool ParseEditInt(const std::string& text, int& value);

// A label with every '&' doubled, so that the ampersand is shown and no letter
// is underlined.
std::string DoubleAmpersands(const std::string& text);

// A label as plain text, where no letter is underlined (the settings preview,
// messages, the trace): its access-key marker removed. "&&" is one ampersand; the
// Japanese form "(&X)" at the end of a label goes as a whole, as the letter is not
// part of the word.
std::string PlainLabel(const std::string& text);

// The character a label's access-key marker chooses ('&C' or, in Japanese, '(&C)'),
// upper-cased when it is an ASCII letter; 0 when the label has none.
char AccessKey(const std::string& label);
