// A reader for the localized INI files with the lookup rules of the platform's
// private-profile functions, for builds without them.
#pragma once
#include <istream>
#include <string>

// Looks `key` up in `section` of the file at `path` (names without regard to case;
// the value behind the first '=', blanks around it and one pair of enclosing quotes
// removed). Returns false when the file, section or key is missing.
bool ReadIniValue(const char* path, const char* section, const char* key, std::string& value);
// The same lookup in text already read.
bool ReadIniValue(std::istream& in, const char* section, const char* key, std::string& value);
