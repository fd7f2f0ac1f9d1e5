// The printer's state record and its decoding live with the network lookup,
// which asks for it; device/ and the rooms above read it from here.
#pragma once
#include "device/lookup/printer_state.h"
