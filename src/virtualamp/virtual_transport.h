#pragma once
// The in-process HID transport: the link talks to a VirtualAmplifier as if it were the USB
// device. Replies are queued and released one report delay apart, as the interrupt endpoint
// would deliver them. The amplifier is shared, so its state survives closing and reopening.

#include <memory>

#include "link/transport.h"
#include "virtualamp/virtual_amplifier.h"

namespace korvel {

inline constexpr const wchar_t* kVirtualManufacturer = L"Korvel virtual amplifier";
inline constexpr const wchar_t* kVirtualProduct = L"Tarvik7 (virtual transport)";
inline constexpr const wchar_t* kVirtualSerial = L"VIRTUAL-0001";
inline constexpr const wchar_t* kVirtualIndexed = L"Virtual transport";

std::unique_ptr<HidTransport> MakeVirtualTransport(std::shared_ptr<VirtualAmplifier> amp);

TransportFactory MakeVirtualTransportFactory(std::shared_ptr<VirtualAmplifier> amp);

}  // namespace korvel
