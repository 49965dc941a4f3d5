#include "system.h"

#include "native.h"

namespace platform {

std::optional<Rgb> System::activeCaptionColour() {
    return NativeActiveCaptionColour();
}

void OpenAdviceOnce::operator()(int portNo, OpenError error) {
    const std::string advice = OpenErrorAdvice(portNo, error);
    if (!advice.empty() && told_->insert(advice).second && print_)
        print_(advice);
}

} // namespace platform
