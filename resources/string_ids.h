// String resource ids shared by the program and the shell extension.
#pragma once
#define IDS_PRODUCT_ABBREVIATION 61403  // "QEL"
#define IDS_PRODUCT_NAME 61404          // "Orvane Suite"
