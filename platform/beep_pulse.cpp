// The beep through the sound server: a sine tone, written and drained so that the call returns when the tone
// has ended. Without a server the call waits the tone's duration silently, so the pace of the operations stays
// the same.

#include "native.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <thread>
#include <vector>

namespace platform {
namespace {

constexpr std::uint32_t SampleRate = 44100;
constexpr double Amplitude = 0.3 * 32767;
constexpr unsigned FadeMs = 4; // soft edges, no click at start and end
// After a failed connection the server is not asked again until this much time has passed, so a machine
// without sound does not pay the connection attempt at every beep.
constexpr auto RetryAfter = std::chrono::seconds(30);

std::optional<std::chrono::steady_clock::time_point> lastFailure;

std::vector<std::int16_t> Tone(unsigned frequencyHz, unsigned durationMs) {
    const std::size_t count = static_cast<std::size_t>(SampleRate) * durationMs / 1000;
    const std::size_t fade = std::min<std::size_t>(SampleRate * FadeMs / 1000, count / 2);
    std::vector<std::int16_t> samples(count);
    const double step = 2 * std::numbers::pi * frequencyHz / SampleRate;
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1.0;
        if (fade > 0 && i < fade)
            gain = double(i) / double(fade);
        else if (fade > 0 && count - i <= fade)
            gain = double(count - i - 1) / double(fade);
        samples[i] = static_cast<std::int16_t>(std::lround(Amplitude * gain * std::sin(step * double(i))));
    }
    return samples;
}

bool Play(unsigned frequencyHz, unsigned durationMs) {
    const auto now = std::chrono::steady_clock::now();
    if (lastFailure && now - *lastFailure < RetryAfter)
        return false;

    const pa_sample_spec format{PA_SAMPLE_S16NE, SampleRate, 1};
    int error = 0;
    pa_simple* stream =
        pa_simple_new(nullptr, "readerconfig", PA_STREAM_PLAYBACK, nullptr, "beep", &format, nullptr, nullptr, &error);
    if (!stream) {
        lastFailure = now;
        return false;
    }
    lastFailure.reset();
    const std::vector<std::int16_t> samples = Tone(frequencyHz, durationMs);
    const bool played = pa_simple_write(stream, samples.data(), samples.size() * sizeof(samples[0]), &error) >= 0 &&
                        pa_simple_drain(stream, &error) >= 0;
    pa_simple_free(stream);
    return played;
}

} // namespace

bool NativeBeep(unsigned frequencyHz, unsigned durationMs) {
    if (durationMs == 0)
        return true;
    const auto start = std::chrono::steady_clock::now();
    // Nothing audible at 0 Hz or above the Nyquist frequency; keep the timing all the same.
    if (frequencyHz > 0 && frequencyHz < SampleRate / 2 && Play(frequencyHz, durationMs))
        return true;
    // A failed write may already have used part of the time.
    std::this_thread::sleep_until(start + std::chrono::milliseconds(durationMs));
    return false;
}

} // namespace platform
