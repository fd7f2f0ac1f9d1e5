// The file-language table: a file's language follows from its whole extension,
// and so does the envelope's "ENTER LANGUAGE" line. The file check, the
// supported-language decisions and the PJL envelope all decide by this one rule.
#pragma once
#include <string>

using LeadByteTest = bool (*)(unsigned char);

// Start of the extension of the file name in `path`, as the shell finds it (the
// last dot after the last backslash or blank); the terminating zero when there is none.
const char* FindPathExtension(const char* path, LeadByteTest isLeadByte = nullptr);
// The file name: the text after the last backslash (the whole path without one).
const char* FindFileNamePart(const char* path, LeadByteTest isLeadByte = nullptr);

// The language of a file by its whole extension, letters compared without case:
// 1 for .PDF, 2 .JPG .JPEG .JPE, 4 .TIF .TIFF, 8 .PNG, 16 .BMP; 0 for any other
// extension or none.
// The file check and the envelope both decide by it.
int FileLanguageBit(const char* path, LeadByteTest isLeadByte = nullptr);

// "@PJL ENTER LANGUAGE=..." for the extensions above (any letter case); empty otherwise.
std::string PjlLanguageLine(const char* path, LeadByteTest isLeadByte = nullptr);
