#pragma once
// The virtual device the link harnesses talk through: COM1 wired to the harness's peer.

#include "platform/testing/virtual_system.h"

/// The virtual system, made once for the whole run (building one per input would cost more than the input
/// itself), with its records cleared and COM1 wired to `peer`.
inline platform::VirtualSystem& LineTo(platform::VirtualPeer& peer) {
    static platform::VirtualSystem system;
    system.clearRecords();
    platform::VirtualSystem::PortConfig config;
    config.peer = &peer;
    system.setPort(1, config);
    return system;
}
