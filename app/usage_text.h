// The usage text (-? and /?), in the user's language.
#pragma once
#include <string>
#include <vector>

// The lines of section [USAGE] of the localized text file, in the file's code
// page, descriptions indented under their command.
std::vector<std::string> UsageLines();
