#include "shared_state.h"

bool ReaderFound = false;
bool CardReadActive = false;
