#include "base/language.h"

unsigned PlatformPrimaryLanguage() { return GetUserPrimaryLanguage(); }
