#include "model/sources.h"

#include <array>

namespace korvel {
namespace {

constexpr std::array<SourceInfo, kSourceCount> kSources{{
    {0, "source_opt", 0x51, 0},
    {1, "source_coax", 0x52, 0},
    {2, "source_bt", 0x53, 2},
    {3, "source_aux", 0x54, 0},
    {4, "source_low", 0x55, 0},
    {5, "source_hi", 0x56, 4},
    {6, "source_dmp", 0x57, 2},
    {7, "source_udp", 0x58, 0},
    {8, "source_scp", 0x59, 0},
}};

constexpr int kFirstCode = 0x51;

const SourceInfo& Row(int index) {
    return kSources[static_cast<size_t>(IsValidSourceIndex(index) ? index : kFallbackSourceIndex)];
}

}  // namespace

std::span<const SourceInfo, kSourceCount> SourceTable() {
    return kSources;
}

bool IsValidSourceIndex(int index) {
    return index >= 0 && index < kSourceCount;
}

uint8_t SourceCode(int index) {
    return Row(index).code;
}

int SourceIndexFromCode(int code) {
    const int index = code - kFirstCode;
    return IsValidSourceIndex(index) ? index : kFallbackSourceIndex;
}

std::string_view SourceItemName(int index) {
    return Row(index).itemName;
}

std::optional<int> SourceIndexFromItem(std::string_view itemName) {
    for (const SourceInfo& info : kSources) {
        if (info.itemName == itemName) {
            return info.index;
        }
    }
    return std::nullopt;
}

int MixableInputs(int index) {
    return IsValidSourceIndex(index) ? Row(index).mixableInputs : 0;
}

}  // namespace korvel
