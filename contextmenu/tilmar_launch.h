// What both menu entries share: the entry's localized texts, read from the text
// files beside the module, and starting the main program with the offered files.
#pragma once
#include <string>
#include <vector>

extern const char kMenuSection[];
extern const char kDefaultMenuText[];

// The module's directory with a trailing backslash; empty on failure.
std::string TilmarInstallPath();
// The two-letter code that names the localized text file.
std::string TilmarLocalizedFileSuffix();
// Localized text for a key of the extension's text file (ANSI), or the default.
std::string TilmarText(const char* section, const char* key, const char* defaultText);
// Starts the main program from the module's directory with `files` (UTF-8) as
// its parameters; shows the limit message when the system refuses to start it.
void StartOrvex(const std::vector<std::string>& files);
