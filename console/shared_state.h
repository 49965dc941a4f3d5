#pragma once
// The values every operation shares. FormCreate gives them their start values.

#include "settings/settings.h"

extern bool ReaderFound;
extern bool CardReadActive;
