#pragma once
// The nine input sources: model index 0..8, combo item name, device code 0x51..0x59, and the
// number of inputs whose mix levels can be set for that source.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "model/scene_record.h"

namespace korvel {

// The source a report falls back to (the low-level input, code 0x55).
inline constexpr int kFallbackSourceIndex = 4;

struct SourceInfo {
    int index;
    std::string_view itemName;
    uint8_t code;
    int mixableInputs;  // 0 = the mixer has no rows for this source
};

std::span<const SourceInfo, kSourceCount> SourceTable();

bool IsValidSourceIndex(int index);
// Device code of a source; an index outside 0..8 gives the fallback source's code.
uint8_t SourceCode(int index);
// Index of a reported code: 0x51..0x59 map in order; anything else (and 0x55) gives 4.
int SourceIndexFromCode(int code);
std::string_view SourceItemName(int index);
std::optional<int> SourceIndexFromItem(std::string_view itemName);
int MixableInputs(int index);

}  // namespace korvel
