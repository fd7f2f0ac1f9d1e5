// What the context-menu handler decides about a selection, without the shell:
// which items it offers to the program, and the parameter text that starts it.
#pragma once
#include <string>
#include <vector>

// Extensions offered, each with its leading dot and followed by "/".
extern const char kSupportedExtensions[];

// The part of a path from its last "." to the end, found the way the shell's
// path helpers find it (a backslash or a space starts a new search); points at
// the terminating zero when there is none.
const char* FindFileExtension(const char* path);

// Paths are byte strings: ANSI or UTF-8 (whose multibyte characters never
// contain a dot, backslash or space byte).
//
// An item is offered when its extension, upper-cased, occurs anywhere in the
// upper-cased list: ".pdf" and ".PDF" do, and so do the leading parts ".pd",
// ".p" and a bare "." of a name ending in a dot. Items without an extension
// (folders, mostly) are not offered.
bool IsSupportedFile(const char* path);

// One space, a double quote, the path and a double quote per file, in order;
// nothing is escaped.
std::string BuildCommandParameters(const std::vector<std::string>& files);

// The directory of a module path with its trailing backslash; empty when the
// path has no backslash.
std::string DirectoryOfModulePath(const std::string& modulePath);

// The file name of a module path without directory and extension ("Tilmar64").
std::string ModuleBaseName(const std::string& modulePath);
