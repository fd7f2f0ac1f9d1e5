// Localized texts: every user-visible text is looked up by section and key in the
// INI file gszLocalFileName, with a compiled-in English default.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

constexpr std::size_t kPathSize = 260;   // paths and command-line tokens
constexpr std::size_t kTextSize = 256;   // looked-up texts

extern char gszLocalFileName[kPathSize];
extern char gszHelpFileName[kPathSize];
extern int gnCharSet;

// GetPrivateProfileStringA on gszLocalFileName (Windows) or the same rules on a
// portable reader elsewhere: keys match without regard to case, the value is cut
// to size - 1 characters, the default (also cut) when file, section or key is missing.
// Returns the number of characters copied.
unsigned GetLocalizedString(const char* section, const char* key, const char* defaultText,
                            char* buffer, unsigned size);

// GetPrivateProfileIntA on gszLocalFileName.
unsigned GetLocalizedInt(const char* section, const char* key, int defaultValue);

// `format` with each "%d" or "%s" replaced by the next of `values` (nothing when
// they run out) and "%%" by "%"; every other character as it is. A language
// file's text is never a format the program trusts, so printf never sees it.
std::string FormatLocalized(const char* format, const std::vector<std::string>& values);
