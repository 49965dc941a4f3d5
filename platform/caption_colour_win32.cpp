#include "native.h"

#include <windows.h>

namespace platform {

std::optional<Rgb> NativeActiveCaptionColour() {
    const COLORREF colour = GetSysColor(COLOR_ACTIVECAPTION);
    return Rgb{GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

} // namespace platform
