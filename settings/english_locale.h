// The English-locale test that picks inches and the US paper defaults. The
// locale comes through a replaceable source so the catalogues stay portable.
#pragma once

// Returns the primary language of the user's default locale (0x09 = English).
using PrimaryLanguageSource = unsigned (*)();

// Installs a source (nullptr restores the platform's); returns the previous one.
PrimaryLanguageSource SetPrimaryLanguageSource(PrimaryLanguageSource source);

// True when the user's primary language is English; asked afresh on every call.
bool IsEnglishLocale();
