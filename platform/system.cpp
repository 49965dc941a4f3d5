#include "system.h"

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

} // namespace platform
