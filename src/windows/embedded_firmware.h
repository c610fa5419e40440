#pragma once
// The firmware images this build carries for the forced update, as far as the windows need to
// know about them.

#include <optional>

namespace korvel {

struct FirmwareVersion {
    int main = 0;
    int sub = 0;
};

// The version of the embedded firmware images, or nullopt when the build embeds none. This is
// the hook for the firmware embedding: it answers nullopt until images are built in.
std::optional<FirmwareVersion> EmbeddedFirmwareVersion();

}  // namespace korvel
