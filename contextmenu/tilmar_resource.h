// Resource ids of the shell extension (shared product strings come from
// resources/string_ids.h).
#pragma once
#include "resources/string_ids.h"

#define IDR_CONTEXTMENUEXT 102  // the registrar script, type "REGISTRY"
#define IDS_PROJNAME 100        // the module's own name: "Tilmar" or "Tilmar64"
#define IDI_TILMAR 103          // the entry's icon in the first-level menu: the product's icon
