#pragma once
// Command identifiers (subcmd) of the device protocol, by main command.

#include <cstdint>

namespace korvel {

// mcmd 1: DSP parameters. The reply names follow the device's naming.
namespace dsp {
inline constexpr uint8_t SOURCE_CONFIG = 0x00;
inline constexpr uint8_t SOURCE_SWITCH = 0x01;
inline constexpr uint8_t VOLUME = 0x02;
inline constexpr uint8_t SUBWOOFER_VOLUME = 0x03;
inline constexpr uint8_t MUTE = 0x04;
inline constexpr uint8_t FILTER = 0x05;
inline constexpr uint8_t EQ = 0x06;
inline constexpr uint8_t DELAY = 0x07;
inline constexpr uint8_t TRIM = 0x08;
inline constexpr uint8_t MUTE_CH = 0x09;
inline constexpr uint8_t PHASE = 0x0A;
inline constexpr uint8_t MIX_CH = 0x0B;
inline constexpr uint8_t REMAP_CH = 0x0C;
inline constexpr uint8_t CH_TYPE = 0x0D;
inline constexpr uint8_t CH_LINK = 0x0E;
inline constexpr uint8_t CH_LOCK = 0x0F;
inline constexpr uint8_t BYPASS = 0x10;
inline constexpr uint8_t PEQ_RESET = 0x11;
inline constexpr uint8_t PEQ_BYPASS = 0x12;
inline constexpr uint8_t IRC_CTRL = 0x13;
inline constexpr uint8_t IRC_DISTANCE = 0x14;
inline constexpr uint8_t IRC_TRIM = 0x15;
inline constexpr uint8_t IRC_EQ = 0x16;
inline constexpr uint8_t IRC_SPK_SIZE = 0x17;
inline constexpr uint8_t IRC_SPK_PHASE = 0x18;
inline constexpr uint8_t IRC_SPK_LEVEL = 0x19;
inline constexpr uint8_t IRC_SPECTRUM = 0x1A;
inline constexpr uint8_t IRC_NOISE_LEVEL = 0x1B;
inline constexpr uint8_t IRC_RTA = 0x1C;
inline constexpr uint8_t IRC_TEST_MIC = 0x1D;
inline constexpr uint8_t IRC_TEST_MODULE = 0x1E;
inline constexpr uint8_t INPUT_TRIM = 0x20;
inline constexpr uint8_t INPUT_MUTE = 0x21;
inline constexpr uint8_t INPUT_PHASE = 0x22;
inline constexpr uint8_t INPUT_EQ = 0x23;
inline constexpr uint8_t INPUT_MIX_TRIM = 0x24;
inline constexpr uint8_t INPUT_THRESHOLD = 0x26;
inline constexpr uint8_t INPUT_NOISE = 0x27;
inline constexpr uint8_t INPUT_MIX_TRIM2 = 0x28;
inline constexpr uint8_t CH_TRIM_LINK = 0x30;
inline constexpr uint8_t CH_DELAY_LINK = 0x31;
inline constexpr uint8_t REMOTE_CH = 0x32;
inline constexpr uint8_t ITEM33 = 0x33;
inline constexpr uint8_t SOLO = 0x34;
inline constexpr uint8_t SPEAKER_CONFIG = 0x35;
inline constexpr uint8_t MIX_TYPE = 0x36;
inline constexpr uint8_t HPF_Q_FACT = 0x37;
inline constexpr uint8_t LPF_Q_FACT = 0x38;
inline constexpr uint8_t FACTORY_PRESET = 0x39;
inline constexpr uint8_t SETUP_MODE = 0x3A;
inline constexpr uint8_t AUTO_ON = 0x3B;
inline constexpr uint8_t DSP_OPTION = 0x3C;
inline constexpr uint8_t CS_AUTO = 0x3D;
inline constexpr uint8_t COMPRESSOR = 0x3E;
inline constexpr uint8_t AMP_MUTE = 0x3F;
inline constexpr uint8_t IN_DISTORT = 0x40;
inline constexpr uint8_t OUT_DISTORT = 0x41;
inline constexpr uint8_t MEM_DATA = 0x42;
inline constexpr uint8_t SPK_DIST = 0x43;
inline constexpr uint8_t MIX_SOURCE_SWITCH = 0x44;
inline constexpr uint8_t MIX_TYPE2 = 0x83;
}  // namespace dsp

// mcmd 2: scenes in flash, and the flash-image upgrade.
namespace flash {
inline constexpr uint8_t FLASH_UPG_START = 0x03;
inline constexpr uint8_t FLASH_UPG_DATA = 0x04;
inline constexpr uint8_t FLASH_UPG_FINISH = 0x05;
inline constexpr uint8_t SAVE_SCENE = 0x08;
inline constexpr uint8_t READ_SCENE = 0x09;
inline constexpr uint8_t DELETE_SCENE = 0x0A;
inline constexpr uint8_t SCENE_NAME = 0x0B;
inline constexpr uint8_t SCENE_PROFILE = 0x0C;
inline constexpr uint8_t ITEM13 = 0x0D;
inline constexpr uint8_t CUR_SCENE = 0x0E;
inline constexpr uint8_t SCENE_VALID = 0x0F;
}  // namespace flash

// mcmd 3: microcontroller and system, and the MCU / bootloader upgrade.
namespace mcu {
inline constexpr uint8_t MCU_ENTER_UPG_MODE = 0x01;
inline constexpr uint8_t MCU_UPG_START = 0x02;
inline constexpr uint8_t MCU_UPG_DATA = 0x03;
inline constexpr uint8_t MCU_UPG_FINISH = 0x04;
inline constexpr uint8_t HANDSHAKE = 0x08;
inline constexpr uint8_t FLASH_VERSION = 0x0B;
inline constexpr uint8_t BOOTLOADER_VERSION = 0x0C;
inline constexpr uint8_t PASSWORD = 0x0D;
inline constexpr uint8_t PC_CONNECT = 0x1F;
inline constexpr uint8_t ITEM41 = 0x41;
inline constexpr uint8_t MCU_INIT = 0x60;
inline constexpr uint8_t REBOOT = 0x8F;
inline constexpr uint8_t FACTORY_DEFAULT = 0x90;
inline constexpr uint8_t POWER_OFF_TIME = 0x91;
inline constexpr uint8_t ACC = 0x92;
inline constexpr uint8_t BL_ENTER_UPG_MODE = 0xA0;
inline constexpr uint8_t BL_UPG_START = 0xA1;
inline constexpr uint8_t BL_UPG_DATA = 0xA2;
inline constexpr uint8_t BL_UPG_FINISH = 0xA3;
}  // namespace mcu

// Acknowledgement status bytes.
inline constexpr uint8_t ACK_READY = 0x0A;
inline constexpr uint8_t ACK_NOT_READY = 0x60;
inline constexpr uint8_t HANDSHAKE_LOADER = 0xF0;  // handshake status: upgrade loader runs

// mcmd 7: microphone (KTV) effect items.
enum class KtvItem : uint8_t {
    KTV_MIC_VOL = 0x01,
    KTV_MUSIC_VOL = 0x02,
    KTV_HOWLING = 0x03,
    KTV_ECHO_LEVEL = 0x04,
    KTV_ECHO_DELAY = 0x05,  // 16-bit value
    KTV_REVERB_LEVEL = 0x06,
    KTV_REVERB_TIME = 0x07,
    KTV_VOICE_CHANGER = 0x08,
    KTV_BASS_GAIN = 0x09,    // signed
    KTV_TREBLE_GAIN = 0x0A,  // signed
};
inline constexpr int kKtvItemCount = 10;

}  // namespace korvel
