#include "settings/english_locale.h"

unsigned PlatformPrimaryLanguage();  // english_locale_win.cpp / english_locale_posix.cpp

namespace {
PrimaryLanguageSource g_source = PlatformPrimaryLanguage;
}

PrimaryLanguageSource SetPrimaryLanguageSource(PrimaryLanguageSource source) {
    PrimaryLanguageSource previous = g_source;
    g_source = source ? source : PlatformPrimaryLanguage;
    return previous;
}

bool IsEnglishLocale() { return (g_source() & 0x3FF) == 0x09; }
