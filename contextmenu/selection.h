// What the context-menu handler decides about a selection, without the shell:
// which items it offers to the program, and the parameter text that starts it.
#pragma once
#include <string>
#include <vector>

// Paths are byte strings: ANSI or UTF-8 (whose multibyte characters never
// contain a dot, backslash or space byte).
//
// An item is offered when its whole extension names PDF, by the rule Orvex
// judges its files by: ".pdf" and ".PDF" do; ".pd", ".pdfx", a bare "." and no
// extension (folders, mostly) do not, since Orvex would refuse them.
bool IsSupportedFile(const char* path);

// The items of a selection that are offered to the program, in selection order.
std::vector<std::string> OfferedFiles(const std::vector<std::string>& names);

// One space, a double quote, the path and a double quote per file, in order;
// nothing is escaped.
std::string BuildCommandParameters(const std::vector<std::string>& files);

// The directory of a module path with its trailing backslash; empty when the
// path has no backslash.
std::string DirectoryOfModulePath(const std::string& modulePath);

// The file name of a module path without directory and extension ("Tilmar64").
std::string ModuleBaseName(const std::string& modulePath);
