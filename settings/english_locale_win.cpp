#include "app/language.h"

unsigned PlatformPrimaryLanguage() { return GetUserPrimaryLanguage(); }
