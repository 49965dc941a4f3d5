#include "virtual_system.h"

#include <algorithm>

namespace platform {

namespace {
const char* const StartLine = "9600,n,8,1";
}

struct VirtualSystem::Port {
    PortConfig config;
    bool open = false;
    bool vanished = false;
    CommTimeouts timeouts;
    // Line settings belong to the device, not to an open: they outlive a close, as on a real port.
    LineSettings line{9600, 'n', 8, 1};
    std::string lineText = StartLine;
    std::deque<Pending> input; ///< bytes on their way to the host, in arrival order
    std::string frame;         ///< the command frame being written, from its TAB
};

class VirtualSystem::Sink final : public ReplySink {
public:
    explicit Sink(Port& port) : port_(port) {}
    void send(const std::uint8_t* data, std::size_t count, std::uint64_t firstAtUs, std::uint32_t spacingUs) override {
        for (std::size_t i = 0; i < count; ++i) {
            const Pending byte{firstAtUs + i * spacingUs, data[i]};
            const auto at = std::upper_bound(port_.input.begin(), port_.input.end(), byte.atUs,
                                             [](std::uint64_t t, const Pending& p) { return t < p.atUs; });
            port_.input.insert(at, byte);
        }
    }

private:
    Port& port_;
};

VirtualSystem::VirtualSystem(std::uint32_t clockStartMs) : clockStartMs_(clockStartMs) {}

VirtualSystem::~VirtualSystem() {
    for (auto& [number, port] : ports_)
        delete port;
}

void VirtualSystem::setPort(int portNo, const PortConfig& config) {
    Port*& port = ports_[portNo];
    if (!port)
        port = new Port;
    port->config = config;
    port->vanished = false; // configuring a port again plugs its adapter back in
    if (!port->open)
        port->timeouts = config.initialTimeouts;
}

void VirtualSystem::vanish(int portNo) {
    if (auto it = ports_.find(portNo); it != ports_.end()) {
        it->second->vanished = true;
        it->second->input.clear();
    }
}

VirtualSystem::Port* VirtualSystem::portOf(PortHandle handle) {
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : ports_.at(it->second);
}

PortHandle VirtualSystem::openPort(int portNo, OpenError* error) {
    OpenError reason = OpenError::None;
    const auto it = ports_.find(portNo);
    Port* port = it == ports_.end() ? nullptr : it->second;
    if (!port || !port->config.exists || port->vanished)
        reason = OpenError::NotFound;
    else if (port->config.heldByOther || port->open)
        reason = OpenError::Busy;
    else
        reason = port->config.refusal;
    if (error)
        *error = reason;
    opens_.push_back({portNo, reason == OpenError::None, nowUs_});
    if (reason != OpenError::None)
        return InvalidPort;

    port->open = true;
    port->input.clear();
    port->frame.clear();
    const PortHandle handle = nextHandle_++;
    handles_[handle] = portNo;
    return handle;
}

bool VirtualSystem::getTimeouts(PortHandle handle, CommTimeouts& out) {
    Port* port = portOf(handle);
    if (!port || port->vanished)
        return false;
    out = port->timeouts;
    return true;
}

bool VirtualSystem::setTimeouts(PortHandle handle, const CommTimeouts& timeouts) {
    Port* port = portOf(handle);
    if (!port || port->vanished)
        return false;
    port->timeouts = timeouts;
    return true;
}

bool VirtualSystem::applyLineSettings(PortHandle handle, const std::string& text) {
    Port* port = portOf(handle);
    if (!port)
        return false;
    lines_.push_back({handles_.at(handle), text, nowUs_});
    LineSettings line;
    if (port->vanished || !ParseLineSettings(text, line))
        return false;
    port->line = line;
    port->lineText = text;
    return true;
}

std::size_t VirtualSystem::write(PortHandle handle, const std::uint8_t* data, std::size_t count) {
    Port* port = portOf(handle);
    if (!port || port->vanished || (count > 0 && !data))
        return 0;
    const int portNo = handles_.at(handle);
    writes_.push_back({portNo, std::string(reinterpret_cast<const char*>(data), count), nowUs_});
    if (port->config.peer) {
        Sink sink(*port);
        port->config.peer->hostWrote(data, count, port->line, nowUs_, sink);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\t')
            port->frame.assign(1, c);
        else if (!port->frame.empty())
            port->frame += c;
        if (c == '\r' && !port->frame.empty()) {
            FrameRecord record{portNo, {}, port->frame, port->lineText, nowUs_};
            if (record.raw.size() >= 4)
                record.command = record.raw.substr(1, record.raw.size() - 4);
            port->frame.clear();
            frames_.push_back(record);
            if (onFrame)
                onFrame(frames_.back());
        }
    }
    return count;
}

ReadResult VirtualSystem::readByte(PortHandle handle, std::uint8_t& byte) {
    Port* port = portOf(handle);
    // As the native back ends: a device that has gone fails at once.
    if (!port || port->vanished)
        return ReadResult::Error;
    pollPeer(*port);
    if (!port->input.empty() && port->input.front().atUs <= nowUs_ + 1000) {
        nowUs_ = std::max(nowUs_, port->input.front().atUs);
        byte = port->input.front().byte;
        port->input.pop_front();
        return ReadResult::Byte;
    }
    nowUs_ += 1000;
    return ReadResult::Nothing;
}

std::size_t VirtualSystem::readWaiting(PortHandle handle, std::uint8_t* buffer, std::size_t size) {
    Port* port = portOf(handle);
    if (!port || port->vanished || !buffer)
        return 0;
    pollPeer(*port);
    std::size_t taken = 0;
    while (taken < size && !port->input.empty() && port->input.front().atUs <= nowUs_) {
        buffer[taken++] = port->input.front().byte;
        port->input.pop_front();
    }
    return taken;
}

void VirtualSystem::pollPeer(Port& port) {
    if (port.config.peer) {
        Sink sink(port);
        port.config.peer->poll(nowUs_, sink);
    }
}

void VirtualSystem::closePort(PortHandle handle) {
    Port* port = portOf(handle);
    if (!port)
        return;
    // What was still on its way is lost with the open, as a driver drops its buffer.
    port->open = false;
    port->input.clear();
    port->frame.clear();
    handles_.erase(handle);
}

std::uint32_t VirtualSystem::clockMs() {
    return clockStartMs_ + static_cast<std::uint32_t>(nowUs_ / 1000);
}

void VirtualSystem::sleepMs(std::uint32_t ms) {
    sleeps_.push_back({ms, nowUs_});
    nowUs_ += std::uint64_t{ms} * 1000;
    if (onSleep)
        onSleep(ms);
}

void VirtualSystem::beep(unsigned frequencyHz, unsigned durationMs) {
    beeps_.push_back({frequencyHz, durationMs, nowUs_});
    if (onBeep)
        onBeep(beeps_.back());
    nowUs_ += std::uint64_t{durationMs} * 1000;
}

void VirtualSystem::advanceUs(std::uint64_t us) {
    nowUs_ += us;
}

std::vector<std::string> VirtualSystem::commands() const {
    std::vector<std::string> texts;
    for (const FrameRecord& frame : frames_)
        texts.push_back(frame.command);
    return texts;
}

void VirtualSystem::clearRecords() {
    opens_.clear();
    lines_.clear();
    frames_.clear();
    beeps_.clear();
    sleeps_.clear();
    writes_.clear();
}

bool VirtualSystem::isOpen(int portNo) const {
    const auto it = ports_.find(portNo);
    return it != ports_.end() && it->second->open;
}

CommTimeouts VirtualSystem::timeoutsOf(int portNo) const {
    const auto it = ports_.find(portNo);
    return it == ports_.end() ? CommTimeouts{} : it->second->timeouts;
}

int VirtualSystem::openCount() const {
    return static_cast<int>(std::count_if(ports_.begin(), ports_.end(), [](const auto& p) { return p.second->open; }));
}

} // namespace platform
