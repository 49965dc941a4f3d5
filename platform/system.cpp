#include "system.h"

#include "native.h"

namespace platform {

namespace {
System* installed = nullptr;
}

System& CurrentSystem() {
    return installed ? *installed : NativeSystem();
}

void SetCurrentSystem(System* system) {
    installed = system;
}

std::optional<Rgb> System::activeCaptionColour() {
    return NativeActiveCaptionColour();
}

} // namespace platform
