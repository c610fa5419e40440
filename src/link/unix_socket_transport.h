#pragma once
// The amplifier over a Unix-domain stream socket (the virtual amplifier's transport).
//
// Stream layout: the host writes every output report as exactly 65 bytes (report number 0, then
// 64 bytes); the device writes every input report as exactly 64 bytes. A read assembles one
// whole input report from as many socket reads as it takes; the peer closing the connection is
// reported as a read error and Disconnected().

#include <string>

#include "link/transport.h"

namespace korvel {

TransportFactory MakeUnixSocketTransportFactory(const std::string& path);

}  // namespace korvel
