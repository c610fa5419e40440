#include "firmware/upgrade_commands.h"

#include <algorithm>
#include <vector>

#include "commands/command_ids.h"
#include "log/log.h"

namespace korvel::upgrade {

namespace {

constexpr size_t kMcuBlockBytes = 32;
constexpr size_t kFlashBlockMax = 50;

bool Immediate(DeviceLink& link, uint8_t mcmd, uint8_t subcmd, std::vector<uint8_t> payload) {
    return link.Core().SendImmediate(mcmd, subcmd, OP_SET, payload, kWaitDefaultMs);
}

bool SendOnly(DeviceLink& link, uint8_t mcmd, uint8_t subcmd, const std::vector<uint8_t>& payload) {
    return link.Core().SendCtrlCommand(mcmd, subcmd, OP_SET, payload.data(),
                                       static_cast<uint8_t>(payload.size()));
}

void PutOffset(std::vector<uint8_t>& payload, uint32_t offset) {
    payload.push_back(static_cast<uint8_t>(offset >> 24));
    payload.push_back(static_cast<uint8_t>(offset >> 16));
    payload.push_back(static_cast<uint8_t>(offset >> 8));
    payload.push_back(static_cast<uint8_t>(offset));
}

// The 36-byte block of the MCU and bootloader transfers, built from a zeroed buffer.
std::vector<uint8_t> McuBlock(uint32_t offset, std::span<const uint8_t> bytes) {
    std::vector<uint8_t> payload;
    PutOffset(payload, offset);
    payload.resize(payload.size() + kMcuBlockBytes, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), kMcuBlockBytes), payload.begin() + 4);
    return payload;
}

std::vector<uint8_t> Parameters(const StartParameters& parameters) {
    return {parameters.begin(), parameters.end()};
}

}  // namespace

bool MCU_Enter_Upg_Mode(DeviceLink& link) {
    WriteLog("MCU_Enter_Upg_Mode\n");
    return Immediate(link, MCMD_MCU, mcu::MCU_ENTER_UPG_MODE, {});
}

bool BL_Enter_Upg_Mode(DeviceLink& link) {
    WriteLog("BL_Enter_Upg_Mode\n");
    return Immediate(link, MCMD_MCU, mcu::BL_ENTER_UPG_MODE, {});
}

bool MCU_UPG_START(DeviceLink& link, const StartParameters& parameters) {
    return Immediate(link, MCMD_MCU, mcu::MCU_UPG_START, Parameters(parameters));
}

bool BL_UPG_START(DeviceLink& link, const StartParameters& parameters) {
    return Immediate(link, MCMD_MCU, mcu::BL_UPG_START, Parameters(parameters));
}

bool FLASH_UPG_START(DeviceLink& link, const StartParameters& parameters) {
    return Immediate(link, MCMD_FLASH, flash::FLASH_UPG_START, Parameters(parameters));
}

bool MCU_UPG_DATA(DeviceLink& link, uint32_t offset, std::span<const uint8_t> bytes) {
    return SendOnly(link, MCMD_MCU, mcu::MCU_UPG_DATA, McuBlock(offset, bytes));
}

bool BL_UPG_DATA(DeviceLink& link, uint32_t offset, std::span<const uint8_t> bytes) {
    return SendOnly(link, MCMD_MCU, mcu::BL_UPG_DATA, McuBlock(offset, bytes));
}

bool FLASH_UPG_DATA(DeviceLink& link, uint32_t offset, std::span<const uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kFlashBlockMax) {
        WriteLog("FLASH_UPG_DATA: block of %d bytes refused\n", static_cast<int>(bytes.size()));
        return false;
    }
    std::vector<uint8_t> payload;
    PutOffset(payload, offset);
    payload.push_back(static_cast<uint8_t>(bytes.size()));
    for (const uint8_t byte : bytes) {
        payload.push_back(byte);
    }
    return SendOnly(link, MCMD_FLASH, flash::FLASH_UPG_DATA, payload);
}

bool MCU_UPG_FINISH(DeviceLink& link) {
    return SendOnly(link, MCMD_MCU, mcu::MCU_UPG_FINISH, {});
}

bool BL_UPG_FINISH(DeviceLink& link) {
    return SendOnly(link, MCMD_MCU, mcu::BL_UPG_FINISH, {});
}

bool FLASH_UPG_FINISH(DeviceLink& link) {
    return SendOnly(link, MCMD_FLASH, flash::FLASH_UPG_FINISH, {});
}

}  // namespace korvel::upgrade
