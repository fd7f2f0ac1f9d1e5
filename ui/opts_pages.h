// The two tab pages of the main sheet.
#pragma once
#include "ui/advanced_opts_page.h"
#include "ui/basic_opts_page.h"
