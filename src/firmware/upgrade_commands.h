#pragma once
// The upgrade commands of the device protocol (all operation 0xBB). "Immediate" commands are
// sent and followed by one read of up to 10 s, whose reply the link dispatches; the data blocks
// and the finish commands are only sent. Each returns what the link's path returns: for the
// immediate ones whether a report arrived, for the others whether the write succeeded.

#include <array>
#include <cstdint>
#include <span>

#include "commands/device_link.h"

namespace korvel::upgrade {

using StartParameters = std::array<uint8_t, 4>;

bool MCU_Enter_Upg_Mode(DeviceLink& link);
bool BL_Enter_Upg_Mode(DeviceLink& link);
bool MCU_UPG_START(DeviceLink& link, const StartParameters& parameters);
bool BL_UPG_START(DeviceLink& link, const StartParameters& parameters);
bool FLASH_UPG_START(DeviceLink& link, const StartParameters& parameters);

// MCU and bootloader blocks: offset, then 32 bytes; `bytes` (at most 32) is followed by zeros.
bool MCU_UPG_DATA(DeviceLink& link, uint32_t offset, std::span<const uint8_t> bytes);
bool BL_UPG_DATA(DeviceLink& link, uint32_t offset, std::span<const uint8_t> bytes);
// Flash blocks: offset, count n (1..50), n bytes.
bool FLASH_UPG_DATA(DeviceLink& link, uint32_t offset, std::span<const uint8_t> bytes);

bool MCU_UPG_FINISH(DeviceLink& link);
bool BL_UPG_FINISH(DeviceLink& link);
bool FLASH_UPG_FINISH(DeviceLink& link);

}  // namespace korvel::upgrade
