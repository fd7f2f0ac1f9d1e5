// Language choice: the two-letter code that names the localized files, and the
// character set that belongs to it.
#pragma once

// Code for a Windows language identifier (primary language = low 10 bits).
const char* LanguageCodeFromLangId(unsigned langId);

// A language identifier written in hexadecimal ("0409"); 0 when unreadable.
unsigned LangIdFromHexText(const char* text);

// Character set number for a code (compared without regard to case); writes the
// character set's name to the debugger output.
int GetCharsetForLanguage(const char* code);

// Windows edges (registry, locale, module path).
const char* GetLanguageCode();          // from the user's default locale
unsigned GetUserPrimaryLanguage();      // 0x09 for English
const char* GetLocalizedFileSuffix();   // "QELLangCode" (HKLM, then HKCU) or the locale's code
// The same rule for the key named by a product's abbreviation and name (the shell
// extension passes those of its own string table); writes the code to `suffix`.
void ChooseLocalizedFileSuffix(const char* abbreviation, const char* product, char suffix[3]);
void GetModuleDirectory(char* buffer);  // 260 bytes, with the trailing backslash
int GetLocalizedFilePath(const char* baseName, char* path);  // "LOCAL" or "HELP"; returns 1
