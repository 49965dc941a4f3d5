#include "native.h"

namespace platform {

// No portable call gives a title-bar colour outside Windows; without one the window paints pnMsg navy.
std::optional<Rgb> NativeActiveCaptionColour() {
    return std::nullopt;
}

} // namespace platform
