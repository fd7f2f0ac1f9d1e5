// The product version, written into the version resource of every deliverable.
#pragma once
#define ORVANE_VERSION_BINARY 1, 0, 0, 0
#define ORVANE_VERSION_TEXT "1.0.0.0"
