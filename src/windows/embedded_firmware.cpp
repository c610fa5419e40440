#include "windows/embedded_firmware.h"

namespace korvel {

std::optional<FirmwareVersion> EmbeddedFirmwareVersion() {
    return std::nullopt;  // no firmware images are built into this program yet
}

}  // namespace korvel
