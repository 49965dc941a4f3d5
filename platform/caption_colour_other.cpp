#include "native.h"

namespace platform {

// No portable call gives a title-bar colour outside Windows; the window keeps its own.
std::optional<Rgb> NativeActiveCaptionColour() {
    return std::nullopt;
}

} // namespace platform
