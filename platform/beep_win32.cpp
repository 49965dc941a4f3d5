#include "native.h"

#include <windows.h>

namespace platform {

bool NativeBeep(unsigned frequencyHz, unsigned durationMs) {
    // Beep refuses frequencies outside 37..32767 Hz and fails without a sound device; the caller still
    // expects the call to take as long as the tone.
    if (frequencyHz >= 37 && frequencyHz <= 32767 && Beep(frequencyHz, durationMs))
        return true;
    Sleep(durationMs);
    return false;
}

} // namespace platform
