#pragma once
// The amplifier over USB: a thin wrapper of hidapi (hidraw back end).

#include "link/transport.h"

namespace korvel {

// init calls hid_init; each created transport opens vendor 0x0483, product 0x5750.
TransportFactory MakeUsbTransportFactory();

}  // namespace korvel
