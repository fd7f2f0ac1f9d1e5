// Windows edge of the registrar script: writes or removes what it describes.
#pragma once
#include <windows.h>

#include <vector>

#include "contextmenu/registry_script.h"

HRESULT ApplyRegistryScript(const std::vector<RegistryScriptRoot>& roots, bool bRegister);
