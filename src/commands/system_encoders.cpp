// Encoders of the flash and scene commands (main command 2), the microcontroller and system
// commands (main command 3) and the microphone effect items (main command 7).

#include <string>

#include "commands/device_link.h"
#include "commands/wire_values.h"
#include "log/log.h"

namespace korvel {

using wire::Byte;

namespace {

constexpr size_t kSceneProfileChunk = 53;  // 4 header bytes + 53 fill one report

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(Byte(v));
    }
    return out;
}

bool LengthFits(const char* name, int length, size_t available, size_t field) {
    if (length < 0 || static_cast<size_t>(length) > field ||
        static_cast<size_t>(length) > available) {
        WriteLog("%s: request refused, length %d does not fit (field %d, given %d)\n", name, length,
                 static_cast<int>(field), static_cast<int>(available));
        return false;
    }
    return true;
}

}  // namespace

// --- Flash and scenes ----------------------------------------------------------------------

bool DeviceLink::SaveScene(int scene, int immediately) {
    WriteLog("SaveScene scene(%d) immediately=%d\n", scene, immediately);
    return SendNow(MCMD_FLASH, flash::SAVE_SCENE, OP_SET, Bytes({scene, immediately}),
                   kWaitSceneStorageMs, AnswerRule::kAckDone);
}

bool DeviceLink::ReadScene(int first_scene, int last_scene) {
    WriteLog("ReadScene from scene(%d) to scene(%d)\n", first_scene, last_scene);
    return SendNow(MCMD_FLASH, flash::READ_SCENE, OP_SET, Bytes({first_scene, last_scene}),
                   kWaitSceneStorageMs, AnswerRule::kAckDone);
}

bool DeviceLink::DeleteScene(int scene) {
    WriteLog("DeleteScene scene(%d)\n", scene);
    return SendNow(MCMD_FLASH, flash::DELETE_SCENE, OP_SET, Bytes({scene}), kWaitSceneStorageMs,
                   AnswerRule::kAckDone);
}

bool DeviceLink::SetSceneName(int scene, std::span<const uint8_t> name, int length) {
    if (!LengthFits("SetSceneName", length, name.size(), kReportSceneNameBytes)) {
        return false;
    }
    const std::string text(name.begin(), name.begin() + length);
    WriteLog("SetSceneName scene(%d), len(%d), (name)%s\n", scene, length, text.c_str());
    std::vector<uint8_t> payload = Bytes({scene, length});
    payload.insert(payload.end(), name.begin(), name.begin() + length);
    return SendNow(MCMD_FLASH, flash::SCENE_NAME, OP_SET, std::move(payload), kWaitDefaultMs);
}

bool DeviceLink::GetSceneName(int scene) {
    return SendNow(MCMD_FLASH, flash::SCENE_NAME, OP_GET, Bytes({scene}), kWaitDefaultMs);
}

bool DeviceLink::SetSceneProfile(int scene, int start, int length, std::span<const uint8_t> data) {
    if (!LengthFits("SetSceneProfile", length, data.size(), kSceneProfileChunk)) {
        return false;
    }
    WriteLog("SetSceneProfile scene(%d)\n", scene);
    std::vector<uint8_t> payload = Bytes({scene});
    wire::PutU16(payload, start);
    payload.push_back(Byte(length));
    payload.insert(payload.end(), data.begin(), data.begin() + length);
    return SendNow(MCMD_FLASH, flash::SCENE_PROFILE, OP_SET, std::move(payload),
                   kWaitSceneStorageMs);
}

bool DeviceLink::GetSceneProfile(int scene, int start, int length) {
    WriteLog("GetSceneProfile scene(%d), start = %d, data_len = %d\n", scene, start, length);
    std::vector<uint8_t> payload = Bytes({scene});
    wire::PutU16(payload, start);
    payload.push_back(Byte(length));
    return SendNow(MCMD_FLASH, flash::SCENE_PROFILE, OP_GET, std::move(payload),
                   kWaitSceneStorageMs);
}

bool DeviceLink::Get_Flash_Item13(int value) {
    return SendNow(MCMD_FLASH, flash::ITEM13, OP_GET, Bytes({value}), kWaitDefaultMs);
}

bool DeviceLink::Get_Cur_Scene() {
    return SendNow(MCMD_FLASH, flash::CUR_SCENE, OP_GET, {}, kWaitDefaultMs);
}

bool DeviceLink::Get_Scene_Valid() {
    return SendNow(MCMD_FLASH, flash::SCENE_VALID, OP_GET, {}, kWaitDefaultMs);
}

// --- Microcontroller and system ------------------------------------------------------------

bool DeviceLink::Hand_Connect() {
    WriteLog("Hand_Connect\n");
    return SendNow(MCMD_MCU, mcu::HANDSHAKE, OP_SET, {}, kWaitDefaultMs);
}

bool DeviceLink::Get_Flash_Version() {
    return SendNow(MCMD_MCU, mcu::FLASH_VERSION, OP_GET, {}, kWaitShortQueryMs);
}

bool DeviceLink::Get_Bootloader_Version() {
    return SendNow(MCMD_MCU, mcu::BOOTLOADER_VERSION, OP_GET, {}, kWaitShortQueryMs);
}

bool DeviceLink::SetPWD(std::string_view password, int password_length, std::string_view remark,
                        int remark_length) {
    if (!LengthFits("SetPWD", password_length, password.size(), kPasswordBytes) ||
        !LengthFits("SetPWD", remark_length, remark.size(), kRemarkBytes)) {
        return false;
    }
    const std::string pwd(password.substr(0, password_length));
    WriteLog("SetPWD len(%d), (password)%s\n", password_length, pwd.c_str());
    std::vector<uint8_t> payload = Bytes({password_length});
    payload.insert(payload.end(), pwd.begin(), pwd.end());
    payload.push_back(Byte(remark_length));
    payload.insert(payload.end(), remark.begin(), remark.begin() + remark_length);
    return SendNow(MCMD_MCU, mcu::PASSWORD, OP_SET, std::move(payload), kWaitDefaultMs);
}

bool DeviceLink::Get_PWD() {
    return SendNow(MCMD_MCU, mcu::PASSWORD, OP_GET, {}, kWaitDefaultMs);
}

bool DeviceLink::PC_Connect(int connected) {
    WriteLog("PC_Connect = %d\n", connected);
    const uint8_t value = Byte(connected);
    // Written without reading: the device does not answer, and on leaving nobody would read.
    return core_.SendCtrlCommand(MCMD_MCU, mcu::PC_CONNECT, OP_SET, &value, 1);
}

bool DeviceLink::Get_Mcu_Item41(bool immediately) {
    return Dispatch(MCMD_MCU, mcu::ITEM41, OP_GET, {}, immediately);
}

bool DeviceLink::MCU_Reboot_Ctrl() {
    WriteLog("MCU_Reboot_Ctrl\n");
    return SendNow(MCMD_MCU, mcu::REBOOT, OP_SET, {}, kWaitDefaultMs);
}

bool DeviceLink::Factory_Default_Ctrl() {
    return SendNow(MCMD_MCU, mcu::FACTORY_DEFAULT, OP_SET, {}, kWaitFactoryDefaultMs);
}

bool DeviceLink::Set_Power_Off_Time(int ms, bool immediately) {
    WriteLog("Set_Power_Off_Time = %dms\n", ms);
    std::vector<uint8_t> payload;
    wire::PutU16(payload, ms);
    return Dispatch(MCMD_MCU, mcu::POWER_OFF_TIME, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::Get_Delay_Power_Off_Time() {
    return SendNow(MCMD_MCU, mcu::POWER_OFF_TIME, OP_GET, {}, kWaitShortQueryMs);
}

bool DeviceLink::Set_Acc(int delay, bool immediately) {
    WriteLog("Set_Acc delay:%d\n", delay);
    return Dispatch(MCMD_MCU, mcu::ACC, OP_SET, Bytes({delay}), immediately);
}

bool DeviceLink::Get_Acc() {
    return SendNow(MCMD_MCU, mcu::ACC, OP_GET, {}, kWaitDefaultMs);
}

// --- Microphone effect items ---------------------------------------------------------------

bool DeviceLink::KTV_Ctrl(KtvItem item, int value, bool immediately) {
    std::vector<uint8_t> payload;
    if (item == KtvItem::KTV_ECHO_DELAY) {
        wire::PutU16(payload, value);
    } else {
        payload.push_back(Byte(value));
    }
    return Dispatch(MCMD_KTV, static_cast<uint8_t>(item), OP_SET, std::move(payload), immediately);
}

bool DeviceLink::Get_KTV(KtvItem item) {
    return SendNow(MCMD_KTV, static_cast<uint8_t>(item), OP_GET, {}, kWaitDefaultMs);
}

}  // namespace korvel
