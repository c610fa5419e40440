// Decoding of flash and scene replies (packet type 2), microcontroller replies (type 3) and
// microphone effect replies (type 7).

#include <bit>

#include "commands/device_link.h"
#include "commands/reply_reader.h"
#include "commands/wire_values.h"
#include "log/log.h"

namespace korvel {

using reply::Arrived;
using reply::Has;
using wire::S8;
using wire::U16;

namespace {

bool IsFlashUpgradeAck(uint8_t id) {
    return id == flash::FLASH_UPG_START || id == flash::FLASH_UPG_DATA ||
           id == flash::FLASH_UPG_FINISH;
}

bool IsMcuUpgradeAck(uint8_t id) {
    return (id >= mcu::MCU_ENTER_UPG_MODE && id <= mcu::MCU_UPG_FINISH) ||
           (id >= mcu::BL_ENTER_UPG_MODE && id <= mcu::BL_UPG_FINISH);
}

}  // namespace

void DeviceLink::DispatchUpgradeAck(uint8_t mcmd, std::span<const uint8_t> p) {
    UpgradeAckHandler handler;
    {
        std::lock_guard lock(targets_mutex_);
        handler = upgrade_ack_handler_;
    }
    if (handler) {
        handler(mcmd, p);
    } else {
        WriteLog("upgrade acknowledgement 0x%02x of type %d ignored\n", p[0], mcmd);
    }
}

// --- Flash and scenes ----------------------------------------------------------------------

void DeviceLink::flash_ack_process(std::span<const uint8_t> p) {
    if (p.size() < 2) {
        return;
    }
    const uint8_t id = p[0];
    const uint8_t op = p[1];
    if (IsFlashUpgradeAck(id)) {
        return DispatchUpgradeAck(MCMD_FLASH, p);
    }
    switch (id) {
        case flash::SAVE_SCENE:
        case flash::DELETE_SCENE:
            if (op == OP_ACK && Has(p, 4) && p[2] == ACK_READY) {
                PostValue(Target::Scene,
                          id == flash::SAVE_SCENE ? kMsgSceneReport : kMsgSceneDeleted, p[3], 0);
            }
            return;
        case flash::SCENE_NAME:
            if (op == OP_DATA) {
                DecodeSceneName(p);
            }
            return;
        case flash::CUR_SCENE:
            if (op == OP_DATA && Has(p, 3)) {
                WriteLog("current scene id = %d, ", p[2]);
                PostValue(Target::Report, kMsgSceneReport, flash::CUR_SCENE, p[2]);
            }
            return;
        case flash::SCENE_VALID:
            if (op == OP_DATA && Has(p, 4)) {
                const int valid = U16(&p[2]);
                WriteLog("current scene id = %d, ", valid);
                PostRecord(Target::Report, kMsgSceneReport, flash::SCENE_VALID,
                           SceneValidReport{valid});
            }
            return;
        default:
            return;  // ReadScene acknowledgements and everything else
    }
}

// Scene name: scene number at byte 2, 16 name bytes from byte 3.
void DeviceLink::DecodeSceneName(std::span<const uint8_t> p) {
    constexpr size_t kStart = 3;
    if (!Has(p, kStart + kReportSceneNameBytes)) {
        WriteLog("scene_name: reply too short (%d bytes), dropped\n", static_cast<int>(p.size()));
        return;
    }
    SceneNameReport r;
    r.scene_index = p[2] - 1;
    std::copy_n(&p[kStart], kReportSceneNameBytes, r.name.begin());
    WriteLog("scene_name->index(%d), name -->> ", r.scene_index);
    for (uint8_t b : r.name) {
        WriteLog("0x%02x, ", b);
    }
    WriteLog("\n m_payload: ");
    for (uint8_t b : r.name) {
        WriteLog("0x%02x, ", b);
    }
    WriteLog("\n");
    // Erased flash reads as all ones: such a name is empty.
    const auto odd = std::count_if(r.name.begin(), r.name.end(), [](uint8_t b) { return b & 1; });
    if (odd == kReportSceneNameBytes) {
        r.name.fill(0);
    }
    PostRecord(Target::Report, kMsgSceneReport, flash::SCENE_NAME, r);
}

// --- Microcontroller -----------------------------------------------------------------------

void DeviceLink::mcu_ack_process(std::span<const uint8_t> p) {
    if (p.size() < 2) {
        return;
    }
    const uint8_t id = p[0];
    const uint8_t op = p[1];
    if (IsMcuUpgradeAck(id)) {
        return DispatchUpgradeAck(MCMD_MCU, p);
    }
    if (op != OP_DATA) {
        return;
    }
    switch (id) {
        case mcu::HANDSHAKE:
            return DecodeHandshake(p);
        case mcu::FLASH_VERSION: {
            if (!Has(p, 6)) {
                return;
            }
            WriteLog("MCU_GET_DSPFLASH_VER\n");
            WriteLog("flashver = %02d%02d%02d%02d\n", p[2], p[3], p[4], p[5]);
            FlashVersionReport r;
            for (size_t i = 0; i < r.versions.size(); ++i) {
                r.versions[i] = p[2 + i];
            }
            return PostRecord(Target::Report, kMsgMcuReport, id, r);
        }
        case mcu::BOOTLOADER_VERSION:
            if (Has(p, 3)) {
                bootloader_version_ = p[2];
            }
            return;
        case mcu::PASSWORD:
            return DecodePassword(p);
        case mcu::ITEM41: {
            if (!Has(p, 3)) {
                return;
            }
            McuItem41Report r;
            r.length = static_cast<uint8_t>(Arrived(p, 3, 1, std::min<size_t>(p[2], 16)));
            std::copy_n(p.begin() + 3, r.length, r.data.begin());
            return PostRecord(Target::Report, kMsgMcuReport, id, r);
        }
        case mcu::MCU_INIT:
            WriteLog("MCU INIT\n");
            return;
        case mcu::POWER_OFF_TIME:
            if (Has(p, 4)) {
                PostValue(Target::Report, kMsgMcuReport, id, U16(&p[2]));
            }
            return;
        case mcu::ACC:
            if (Has(p, 3)) {
                WriteLog("MCU_ACC OP=0x%x, delay = %d\n", op, S8(p[2]));
                PostValue(Target::Report, kMsgMcuReport, id, S8(p[2]));
            }
            return;
        default:
            return;  // PC_Connect, reboot, factory default and unknown replies
    }
}

void DeviceLink::DecodeHandshake(std::span<const uint8_t> p) {
    WriteLog("\nMCU_HANDSHAKE\n");
    if (!Has(p, 3)) {
        return;
    }
    if (p[2] == HANDSHAKE_LOADER) {
        mcu_is_normal_mode_ = 0;
        return PostValue(Target::Report, kMsgMcuNotNormal, 0, 0);
    }
    if (!Has(p, 6)) {
        WriteLog("MCU_HANDSHAKE: reply too short (%d bytes), dropped\n",
                 static_cast<int>(p.size()));
        return;
    }
    HandshakeReport r;
    r.model = p[3];
    r.master_version = p[4];
    r.slave_version = p[5];
    WriteLog("model = %d, master verion = %d, slave verion = %d\n", r.model, r.master_version,
             r.slave_version);
    mcu_is_normal_mode_ = 1;
    device_model_ = r.model;
    PostRecord(Target::Report, kMsgMcuReport, mcu::HANDSHAKE, r);
}

// Password n at byte 2, n bytes, remark length m, m bytes; both cut to their fields and to the
// bytes that arrived.
void DeviceLink::DecodePassword(std::span<const uint8_t> p) {
    if (!Has(p, 3)) {
        return;
    }
    PasswordReport r;
    const size_t announced = p[2];
    const size_t pwd = Arrived(p, 3, 1, std::min<size_t>(announced, kPasswordBytes));
    std::copy_n(p.begin() + 3, pwd, r.password.begin());
    r.password_length = static_cast<int32_t>(pwd);
    WriteLog("password->len(%d),  pwd-->> ", p[2]);
    for (size_t i = 0; i < pwd; ++i) {
        WriteLog("%c", static_cast<wchar_t>(static_cast<unsigned char>(r.password[i])));
    }
    WriteLog("\n");
    const size_t remark_at = 3 + announced;
    if (Has(p, remark_at + 1)) {
        const size_t remark =
            Arrived(p, remark_at + 1, 1, std::min<size_t>(p[remark_at], kRemarkBytes));
        std::copy_n(p.begin() + remark_at + 1, remark, r.remark.begin());
        r.remark_length = static_cast<int32_t>(remark);
        WriteLog("password->remark_len(%d),  -->> ", p[remark_at]);
        for (size_t i = 0; i < remark; ++i) {
            WriteLog("%c", static_cast<wchar_t>(static_cast<unsigned char>(r.remark[i])));
        }
        WriteLog("\n");
    }
    PostRecord(Target::Report, kMsgMcuReport, mcu::PASSWORD, r);
}

// --- Microphone effects --------------------------------------------------------------------

void DeviceLink::ktv_ack_process(std::span<const uint8_t> p) {
    if (p.size() < 3 || p[1] != OP_DATA) {
        return;
    }
    const uint8_t id = p[0];
    const uint8_t op = p[1];
    // The log lines show bytes 2..5 where they arrived.
    auto at = [&](size_t i) -> int { return i < p.size() ? p[i] : 0; };
    int value = p[2];
    switch (static_cast<KtvItem>(id)) {
        case KtvItem::KTV_MIC_VOL:
            WriteLog("KTV MIC VOL OP=0x%x, scene=%d, src = %d, mic vol=%d\n", op, at(2), at(3),
                     at(4));
            break;
        case KtvItem::KTV_MUSIC_VOL:
            WriteLog("KTV MUSIC_VOL OP=0x%x, scene=%d, src = %d, music vol=%d\n", op, at(2), at(3),
                     at(4));
            break;
        case KtvItem::KTV_HOWLING:
            WriteLog("KTV HOWLING OP=0x%x, scene=%d, src = %d, howling=%d\n", op, at(2), at(3),
                     at(4));
            break;
        case KtvItem::KTV_ECHO_LEVEL:
            WriteLog("KTV ECHO LEVEL OP=0x%x, scene=%d, src = %d, level=%d\n", op, at(2), at(3),
                     at(4));
            break;
        case KtvItem::KTV_ECHO_DELAY:
            if (!Has(p, 4)) {
                return;
            }
            value = U16(&p[2]);
            WriteLog("KTV ECHO_DELAY OP=0x%x, scene=%d, src = %d, delay=%d\n", op, at(2), at(3),
                     at(5));
            break;
        case KtvItem::KTV_REVERB_LEVEL:
            WriteLog("KTV REVERB_LEVEL OP=0x%x, scene=%d, src = %d, REVERB_LEVEL=%d\n", op, at(2),
                     at(3), at(4));
            break;
        case KtvItem::KTV_REVERB_TIME:
            WriteLog("KTV REVERB_TIME OP=0x%x, scene=%d, src = %d, time=%d\n", op, at(2), at(3),
                     at(4));
            break;
        case KtvItem::KTV_VOICE_CHANGER:
            WriteLog("KTV VOICE_CHANGER OP=0x%x, scene=%d, src = %d, voice=%d\n", op, at(2), at(3),
                     at(4));
            break;
        case KtvItem::KTV_BASS_GAIN:
            value = S8(p[2]);
            WriteLog("KTV_BASS_GAIN  low freq gain=%d\n", value);
            break;
        case KtvItem::KTV_TREBLE_GAIN:
            value = S8(p[2]);
            WriteLog("KTV_TREBLE_GAIN treble gain=%d\n", value);
            break;
        default:
            return;
    }
    PostValue(Target::Report, kMsgKtvReport, id, value);
}

}  // namespace korvel
