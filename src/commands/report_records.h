#pragma once
// Report records that the reply decoders post to the windows, and the window message ids used
// across the application. Records travel by value inside a Message (message_target.h); the
// receiver owns its copy, so nothing has to be freed by hand.

#include <array>
#include <cstdint>

namespace korvel {

// Window messages.
inline constexpr int kMsgDspReport = 1234;            // DSP report -> report window
inline constexpr int kMsgMcuReport = 1235;            // MCU report -> report window
inline constexpr int kMsgSceneReport = 1237;          // scene name/current/valid/saved
inline constexpr int kMsgSceneDeleted = 1238;         // scene deleted -> scene window
inline constexpr int kMsgMcuNotNormal = 1239;         // device runs its upgrade loader
inline constexpr int kMsgDeviceRebooting = 1240;      // factory reset: device rebooting
inline constexpr int kMsgCalibration = 1241;          // IRC status and data -> calibration window
inline constexpr int kMsgConnectFailed = 1242;        // read-all thread: connection failed
inline constexpr int kMsgConnected = 1243;            // read-all thread: connected
inline constexpr int kMsgDisconnect = 1245;           // read-all thread: disconnect
inline constexpr int kMsgKtvReport = 1246;            // KTV value -> report window
inline constexpr int kMsgFirmwareTooOld = 1248;       // read-all thread: firmware too old
inline constexpr int kMsgMemData = 1249;              // memory word -> memory window
inline constexpr int kMsgUpgradeProgress = 1255;      // wParam = per cent
inline constexpr int kMsgUpgradeSuccess = 1256;       // upgrade ended successfully
inline constexpr int kMsgUpgradeFailure = 1257;       // upgrade failed
inline constexpr int kMsgUpgradeLoadFailed = 1258;    // image not loaded / device not prepared
inline constexpr int kMsgUpgradeMcuStarted = 1259;    // forced window: MCU stage started
inline constexpr int kMsgUpgradeFlashStarted = 1260;  // forced window: flash stage started
inline constexpr int kMsgCalibrationProgress = 1268;  // calibration thread: progress
inline constexpr int kMsgOpenLoading = 1274;          // open the loading window
inline constexpr int kMsgCloseLoading = 1275;         // close the loading window

// Arrays in records are indexed by channel number; channels 16 and above have no slot.
inline constexpr int kReportChannelSlots = 16;

struct ChannelIntReport {
    int32_t scene = 0;
    int32_t channel = 0;
    int32_t value = 0;
};

struct ChannelFloatReport {
    int32_t scene = 0;
    int32_t channel = 0;
    float value = 0.0f;
};

struct FilterReport {
    int32_t scene = 0;
    int32_t channel = 0;
    int32_t hp_type = 0;
    int32_t hp_freq = 0;
    int32_t hp_slope = 0;
    int32_t lp_type = 0;
    int32_t lp_freq = 0;
    int32_t lp_slope = 0;
};

struct EqBandReport {
    int32_t scene = 0;
    int32_t channel = 0;
    int32_t band = 0;
    int32_t freq = 0;  // whole hertz
    float q = 0.0f;
    float gain = 0.0f;  // dB
};

struct MixReport {
    int32_t scene = 0;
    int32_t source = 0;
    int32_t channel = 0;
    int32_t mask = 0;
};

struct LinkReport {
    int32_t scene = 0;
    int32_t link = 0;
    std::array<uint8_t, 8> pairs{};  // channel-pair bytes; the first 3 are filled
};

struct LockReport {
    int32_t scene = 0;
    int32_t lock = 0;
};

struct InputRangeReport {
    int32_t scene = 0;
    int32_t source = 0;
    int32_t first = 0;
    int32_t last = 0;
    std::array<int8_t, kReportChannelSlots> values{};  // by channel number
};

struct InputMixTrimReport {
    int32_t scene = 0;
    int32_t source = 0;
    int32_t input_channel = 0;
    int32_t first_output = 0;
    int32_t last_output = 0;
    std::array<int8_t, kReportChannelSlots> trims{};  // trim of output first_output + i at i
};

struct NoiseReport {
    int32_t first = 0;
    int32_t last = 0;
    std::array<float, kReportChannelSlots> noise{};  // by channel number
};

struct QFactorReport {
    uint8_t scene = 0;
    uint8_t source = 0;
    uint8_t first = 0;
    uint8_t last = 0;
    std::array<uint8_t, kReportChannelSlots> modes{};  // by channel number
};

struct CompressorReport {
    int32_t scene = 0;
    int32_t channel = 0;
    int32_t bypass = 0;
    int32_t threshold = 0;  // whole dB
    float ratio = 0.0f;
    int32_t attack = 0;
    int32_t release = 0;
    float knee = 0.0f;
};

struct InputDistortReport {
    int32_t source = 0;
    int32_t first = 0;
    int32_t last = 0;
    std::array<int8_t, kReportChannelSlots> levels{};  // by channel number
};

struct OutputDistortReport {
    int32_t reserved = 0;
    int32_t source = 0;
    int32_t first = 0;
    int32_t last = 0;
    std::array<int8_t, kReportChannelSlots> levels{};  // by channel number
};

struct SpeakerDistanceReport {
    uint8_t scene = 0;
    uint8_t source = 0;
    uint8_t first = 0;
    uint8_t last = 0;
    std::array<uint16_t, kReportChannelSlots> distances{};  // hundredths, by channel number
};

struct MixType2Report {
    int32_t reserved = 0;
    int32_t marker = 5;
    int32_t mix_type = 0;
};

struct SpeakerConfigReport {
    int32_t config = 0;
};

// Distance replies carry a float, the other calibration channel replies an integer; both fields
// are always filled (the integer truncated, or the float converted) so receivers read either.
struct IrcChannelReport {
    int32_t channel = 0;
    float value = 0.0f;
    int32_t int_value = 0;
};

struct IrcEqBandReport {
    int32_t channel = 0;
    int32_t band = 0;
    int32_t freq = 0;
    float q = 0.0f;
    float gain = 0.0f;
};

struct IrcSpectrumReport {
    int32_t channel = 0;
    int32_t band = 0;
    float freq = 0.0f;
    float gain = 0.0f;
};

struct MemDataReport {
    uint32_t address = 0;
    uint32_t data = 0;
};

inline constexpr int kReportSceneNameBytes = 16;  // the scene-name field of the reply

struct SceneNameReport {
    int32_t reserved = 0;
    int32_t scene_index = 0;                            // scene number from the reply minus 1
    std::array<uint8_t, kReportSceneNameBytes> name{};  // not terminated when all 16 are used
};

struct HandshakeReport {
    int32_t reserved = 0;
    int32_t model = 0;
    int32_t master_version = 0;
    int32_t slave_version = 0;
};

struct FlashVersionReport {
    std::array<int32_t, 4> reserved{};
    std::array<int32_t, 4> versions{};  // in the order received
};

inline constexpr int kPasswordBytes = 12;
inline constexpr int kRemarkBytes = 20;

struct PasswordReport {
    int32_t password_length = 0;
    std::array<char, kPasswordBytes> password{};
    int32_t remark_length = 0;
    std::array<char, kRemarkBytes> remark{};
};

struct McuItem41Report {
    uint8_t length = 0;
    std::array<uint8_t, 16> data{};
};

struct SceneValidReport {
    int32_t value = 0;  // FLASH_SCENE_VALID: which stored scenes hold valid data
};

}  // namespace korvel
