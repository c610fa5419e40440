#pragma once
// Chooses the amplifier an executable talks to, from a device text:
//   "usb"        the real amplifier over USB HID
//   "virtual"    a virtual amplifier inside this process
//   "unix:PATH"  a virtual amplifier served by korvel-virtual-amp on the Unix socket PATH

#include <memory>
#include <optional>
#include <string>

#include "link/transport.h"
#include "virtualamp/virtual_amplifier.h"

namespace korvel {

// Returns nullopt and fills `error` (when given) for an unknown or incomplete device text.
// The USB and socket factories carry a lock key, so only one program at a time opens that
// amplifier; the in-process one needs none.
// For "virtual", `virtualAmp` (when given) receives the amplifier behind the factory.
std::optional<TransportFactory> TransportFactoryForDevice(
    const std::string& device, std::string* error,
    std::shared_ptr<VirtualAmplifier>* virtualAmp = nullptr);

}  // namespace korvel
