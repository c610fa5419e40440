#pragma once
// The amplifier's command handlers (internal to the virtual amplifier).

#include <vector>

#include "virtualamp/amp_frames.h"
#include "virtualamp/amp_state.h"
#include "virtualamp/virtual_amplifier.h"

namespace korvel::amp {

// Everything one request's handler works on.
struct CommandContext {
    const AmpRequest& request;
    AmpState& state;
    const AmpIdentity& identity;
    std::vector<InputReport>& replies;

    const std::vector<uint8_t>& payload() const { return request.payload; }
    // Appends a data report (operation 0xDD) for this request's command.
    void Data(const std::vector<uint8_t>& data);
    // Appends an acknowledgement (operation 0xEE): status, then `extra`.
    void Ack(uint8_t status = kAmpStatusDone, const std::vector<uint8_t>& extra = {});
};

// Scene 0 is the live scene, 1..10 the stored ones; anything else addresses nothing.
AmpScene* SceneAt(AmpState& state, uint8_t scene);

// Each returns false when the command is unknown to the device or malformed: the device then
// stays silent, as it does for anything it cannot parse.
bool HandleDspCommand(CommandContext& context);
bool HandleFlashCommand(CommandContext& context);
bool HandleMcuCommand(CommandContext& context);
bool HandleKtvCommand(CommandContext& context);

// Big-endian helpers for the wire.
inline uint16_t Read16(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}
inline void Append16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

}  // namespace korvel::amp
