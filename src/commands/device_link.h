#pragma once
// DeviceLink: the device protocol object. It owns the link core (transport, ring, parser, queue
// and worker), offers one encoder per device command, and decodes every reply packet into
// messages posted to the windows that registered as targets.
//
// Return values of the encoders: false when the request was refused (it would not fit the
// command's buffer or one 64-byte report; nothing is sent and a log line says why), when a
// queued command was dropped because the queue is disabled, or, on the immediate path, when the
// command's answer did not arrive within the wait (a get's data, a set's acknowledgement; for
// SaveScene, ReadScene and DeleteScene an acknowledgement reporting the work done). PC_Connect,
// which reads nothing, returns false.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_ids.h"
#include "commands/message_target.h"
#include "link/device_link_core.h"

namespace korvel {

// One channel pair of the link commands.
struct ChannelPair {
    uint8_t from = 0;
    uint8_t to = 0;
};

inline constexpr size_t kCsAutoBlockSize = 52;
using CsAutoBlock = std::array<uint8_t, kCsAutoBlockSize>;
// The centre/surround block with its restore values (switches on, gains 1.0, mode 0,
// selections 5); byte 0 is carried from the model block.
CsAutoBlock MakeDefaultCsAutoBlock(uint8_t byte0);

// Called for the upgrade acknowledgements of packet types 2 (03..05) and 3 (01..04, A0..A3),
// on the reading thread. `payload` starts with the command identifier and the operation.
using UpgradeAckHandler = std::function<void(uint8_t mcmd, std::span<const uint8_t> payload)>;

class DeviceLink : public PacketSink {
  public:
    explicit DeviceLink(TransportFactory factory);
    ~DeviceLink() override;

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // --- Link ---------------------------------------------------------------------------
    int OpenHIDDevice() { return core_.OpenHIDDevice(); }
    // After OpenHIDDevice returned kOpenDeviceInUse: "PROGRAM (pid N)".
    std::string DeviceHolder() const { return core_.DeviceHolder(); }
    // Queued sets left unacknowledged so far (LinkCore::UnconfirmedSets).
    uint64_t UnconfirmedSets() const { return core_.UnconfirmedSets(); }
    bool IsOpen() const { return core_.IsOpen(); }
    void CloseHIDDevice(bool notifyDevice) { core_.CloseHIDDevice(notifyDevice); }
    bool DeviceGone() const { return core_.DeviceGone(); }
    void EnableQueue() { core_.EnableQueue(); }
    void DisableQueue() { core_.DisableQueue(); }
    bool QueueEnabled() const { return core_.QueueEnabled(); }
    bool WaitUntilIdle(std::chrono::milliseconds timeout) { return core_.WaitUntilIdle(timeout); }
    void SetWaitCapForTesting(int maxMs) { core_.SetWaitCapForTesting(maxMs); }
    // Reads one report and decodes what it completes (polling windows use a get command).
    bool ReadHIDData(int timeoutMs) { return core_.ReadHIDData(timeoutMs); }
    LinkCore& Core() { return core_; }

    // --- Configuration (set by the controller) --------------------------------------------
    void SetModel(int model) { model_ = model; }
    int Model() const { return model_; }
    void SetOutputCount(int outputs) { outputs_ = outputs; }
    int OutputCount() const { return outputs_; }
    void SetInputCount(int inputs) { inputs_ = inputs; }
    int InputCount() const { return inputs_; }
    void SetFineTrim(bool on) { fine_trim_ = on; }
    bool FineTrim() const { return fine_trim_; }

    // --- Report targets: may be set or cleared at any time from any thread; once a setter
    // returns, no post to the previous target is in progress. -------------------------------
    void SetReportTarget(MessageTarget* target);
    void SetSceneTarget(MessageTarget* target);
    void SetCalibrationTarget(MessageTarget* target);
    void SetMemoryTarget(MessageTarget* target);
    void SetUpgradeAckHandler(UpgradeAckHandler handler);

    // --- State learned from replies -------------------------------------------------------
    bool mcu_is_normal_mode() const { return mcu_is_normal_mode_ != 0; }
    int DeviceModel() const { return device_model_; }  // -1 until the first handshake
    int BootloaderVersion() const { return bootloader_version_; }
    void ResetDeviceState();

    // --- DSP set commands (mcmd 1) -----------------------------------------------------------
    bool Source_Switch_Ctrl(int source, bool immediately);
    bool Main_Volume_Ctrl(float volume, bool immediately);
    bool Subwoofer_Volume_Ctrl(int volume, bool immediately);
    bool Mute_Ctrl(int mute, bool immediately);
    bool Filter_Ctrl(int scene, int source, int channel, int filter, int freq, int slope, int type,
                     bool immediately);
    bool EQ_Ctrl(int scene, int source, int channel, int band, int freq, float q, float gain,
                 bool immediately);
    bool Delay_Ctrl(int scene, int source, int first, int last, std::span<const float> delays,
                    bool immediately);
    bool Trim_Ctrl(int scene, int source, int first, int last, std::span<const float> trims,
                   bool immediately);
    bool Mute_Ch_Ctrl(int scene, int source, int first, int last, std::span<const uint8_t> mutes,
                      bool immediately);
    bool Phase_Ctrl(int scene, int source, int first, int last, std::span<const uint8_t> phases,
                    bool immediately);
    bool Mix_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> masks,
                     bool immediately);
    bool Remap_Ch_Ctrl(int scene, int second, int output_channel, std::span<const uint8_t> inputs,
                       bool immediately);
    bool CH_Type_Ctrl(int scene, int source, int first, int last, std::span<const uint8_t> types,
                      bool immediately);
    bool CH_Link_Ctrl(int scene, int link, int pair_count, std::span<const ChannelPair> pairs,
                      bool immediately);
    bool CH_Lock_Ctrl(int scene, int lock, bool immediately);
    bool DSP_Bypass_Ctrl(int scene, int channel, int bypass, bool immediately);
    bool PEQ_Reset_Ctrl(int scene, int source, int channel_count, std::span<const uint8_t> channels,
                        bool immediately);
    bool PEQ_Bypass_Ctrl(int scene, int source, int first, int last,
                         std::span<const uint8_t> bypasses, bool immediately);
    bool IRC_Ctrl(int on, int irc_channels, int eq_mode, bool immediately);
    bool IRC_Set_Test_Mic(int on, bool immediately);
    bool IRC_Sel_Test_Module(int module, bool immediately);
    bool Input_Trim_Ctrl(int scene, int source, int first, int last, std::span<const int> gains,
                         bool immediately);
    bool Mute_Input_Ch_Ctrl(int scene, int source, int first, int last,
                            std::span<const uint8_t> mutes, bool immediately);
    bool Input_Phase_Ctrl(int scene, int source, int first, int last,
                          std::span<const uint8_t> phases, bool immediately);
    bool Input_EQ_Ctrl(int scene, int source, int channel, int first_band, int last_band,
                       std::span<const int> freqs, std::span<const float> qs,
                       std::span<const float> gains, bool immediately);
    bool Input_Mix_Trim_Ctrl(int scene, int source, int in_channel, int first_output,
                             int last_output, std::span<const int> trims, bool immediately);
    bool Input_Ch_Threshold_Ctrl(int threshold, bool immediately);
    bool Input_Mix_Trim_Ctrl2(int scene, int source, int first_input, int last_input,
                              int out_channel, std::span<const int> trims, bool immediately);
    bool CH_Trim_Link_Ctrl(int scene, int link, int pair_count, std::span<const ChannelPair> pairs,
                           bool immediately);
    bool CH_Delay_Link_Ctrl(int scene, int link, int pair_count, std::span<const ChannelPair> pairs,
                            bool immediately);
    bool Sel_Remote_CH_Ctrl(int channel, bool immediately);
    bool DSP_Item33_Ctrl(int value, bool immediately);
    bool Solo_Ctrl(int scene, int source, int first, int last, std::span<const uint8_t> solos,
                   bool immediately);
    bool Speaker_Config_Ctrl(int config, bool immediately);
    bool Mix_Type_Ctrl(int scene, int source, int type, bool immediately);
    bool HPF_Q_Fact_Ctrl(int scene, int source, int first, int last, std::span<const uint8_t> types,
                         bool immediately);
    bool LPF_Q_Fact_Ctrl(int scene, int source, int first, int last, std::span<const uint8_t> types,
                         bool immediately);
    bool Factory_Preset_Ctrl(int mode);
    bool Setup_Mode_Ctrl(int mode);
    bool Auto_On_Ctrl(int scene, int on, bool immediately);
    bool DSP_Option_Ctrl(int scene, int option, bool immediately);
    bool CS_Auto_Ctrl(const CsAutoBlock& block);
    bool Compressor_Ctrl(int scene, int source, int channel, int bypass, float threshold,
                         float ratio, int attack, int release, float knee, bool immediately);
    bool Amp_Mute_Ctrl(int mute, bool immediately);
    bool Set_MemData(uint32_t address, uint32_t data, bool immediately);
    bool Spk_Dist_Ctrl(int scene, int source, int first, int last,
                       std::span<const uint16_t> distances, bool immediately);
    bool Mix_Source_Switch_Ctrl(int source, bool immediately);
    bool Mix_Type2_Ctrl(int scene, int source, int type, bool immediately);

    // --- DSP get commands (mcmd 1); immediate unless they take `immediately` ----------------
    bool Get_Source_Config();
    bool Get_Source();
    bool Get_Main_Volume();
    bool Get_Subwoofer_Volume();
    bool Get_Mute();
    bool Get_Filter(int scene, int source, int first, int last);
    bool Get_EQ(int scene, int source, int channel, int band, int band_end);
    bool Get_Delay(int scene, int source, int first, int last);
    bool Get_Trim(int scene, int source, int first, int last);
    bool Get_Mute_Ch(int scene, int source, int first, int last);
    bool Get_Phase(int scene, int source, int first, int last);
    bool Get_Mix_Ch(int scene, int source, int first, int last);
    bool Get_Remap_Ch(int scene, int source, int first, int last);
    bool Get_CH_Type(int scene, int source, int first, int last);
    bool Get_CH_Link(int scene);
    bool Get_CH_Lock(int scene);
    bool Get_All_Bypass(int scene, int source, int first, int last);
    bool Get_PEQ_Reset(int scene, int source, int first, int last);
    bool Get_PEQ_Bypass(int scene, int source, int first, int last);
    bool IRC_Get();
    bool IRC_Get_Distance(int first, int last);
    bool IRC_Get_Trim(int first, int last);
    bool IRC_Get_EQ(int first_band, int last_band, int channel);
    bool IRC_Get_Spk_Size(int first, int last);
    bool IRC_Get_Spk_Phase(int first, int last);
    bool IRC_Get_Spk_Level(int first, int last);
    bool IRC_Get_Spectrum(int first_band, int last_band, int channel);
    bool IRC_Get_Noise_Level(int first, int last);
    bool IRC_Get_RTA();
    bool Get_Input_Trim(int scene, int source, int first, int last);
    bool Get_Mute_Input_Ch(int scene, int source, int first, int last);
    bool Get_Phase_Input_Ch(int scene, int source, int first, int last);
    bool Get_Input_EQ(int scene, int source, int channel, int first_band, int last_band);
    bool Get_Input_Mix_CH_Trim(int scene, int source, int in_channel, int first_output,
                               int last_output);
    bool Get_Input_Threshold(int scene, int source, bool immediately);
    bool Get_Input_Noise(int first, int last, bool immediately);
    bool Get_CH_Trim_Link(int scene);
    bool Get_CH_Delay_Link(int scene);
    bool Get_Remote_CH();
    bool Get_Ch_Solo(int scene, int source, int first, int last);
    bool Get_Speaker_Config();
    bool Get_Mix_Type(int scene, int source);
    bool Get_HPF_Q_Fact_Mode(int scene, int source, int first, int last);
    bool Get_LPF_Q_Fact_Mode(int scene, int source, int first, int last);
    bool Get_Factory_Preset();
    bool Get_Setup_Mode();
    bool Get_AUTO_ON();
    bool Get_Compressor(int scene, int source, int first, int last);
    bool Get_Amp_Mute();
    bool Get_InDistort(int scene, int source, int first, int last);
    bool Get_OutDistort(int scene, int source, int first, int last);
    bool Get_MemData(uint32_t address);
    bool Get_Spk_Dist(int scene, int source, int first, int last);
    bool Get_Mix_Source();
    bool Get_Mix_Type2(int scene, int source);

    // --- Flash and scenes (mcmd 2), all immediate ---------------------------------------------
    bool SaveScene(int scene, int immediately);
    bool ReadScene(int first_scene, int last_scene);
    bool DeleteScene(int scene);
    // `name` holds at least `length` bytes; at most 16 (the field) are accepted.
    bool SetSceneName(int scene, std::span<const uint8_t> name, int length);
    bool GetSceneName(int scene);
    bool SetSceneProfile(int scene, int start, int length, std::span<const uint8_t> data);
    bool GetSceneProfile(int scene, int start, int length);
    bool Get_Flash_Item13(int value);
    bool Get_Cur_Scene();
    bool Get_Scene_Valid();

    // --- MCU and system (mcmd 3) --------------------------------------------------------------
    bool Hand_Connect();
    bool Get_Flash_Version();
    bool Get_Bootloader_Version();
    // Password at most 12 bytes, remark at most 20 (the device's fields).
    bool SetPWD(std::string_view password, int password_length, std::string_view remark,
                int remark_length);
    bool Get_PWD();
    bool PC_Connect(int connected);
    bool Get_Mcu_Item41(bool immediately);
    bool MCU_Reboot_Ctrl();
    bool Factory_Default_Ctrl();
    bool Set_Power_Off_Time(int ms, bool immediately);
    bool Get_Delay_Power_Off_Time();
    bool Set_Acc(int delay, bool immediately);
    bool Get_Acc();

    // --- KTV items (mcmd 7) -------------------------------------------------------------------
    bool KTV_Ctrl(KtvItem item, int value, bool immediately);
    bool Get_KTV(KtvItem item);

    // True when a report for the report window carries the record its reply kind names
    // (commands/reply_kinds.h); posts that do not are logged and dropped.
    static bool CarriesExpectedRecord(const Message& m);

    // --- Reply decoding (called by the link core on the reading thread) -----------------------
    void packet_process(uint8_t length, uint8_t type, const uint8_t* payload) override;
    void dsp_ack_process(std::span<const uint8_t> payload);
    void flash_ack_process(std::span<const uint8_t> payload);
    void mcu_ack_process(std::span<const uint8_t> payload);
    void ktv_ack_process(std::span<const uint8_t> payload);

  private:
    enum class Target { Report, Scene, Calibration, Memory };

    bool Dispatch(uint8_t mcmd, uint8_t subcmd, uint8_t optype, std::vector<uint8_t> payload,
                  bool immediately, int waitMs = kWaitDefaultMs);
    bool SendNow(uint8_t mcmd, uint8_t subcmd, uint8_t optype, std::vector<uint8_t> payload,
                 int waitMs, AnswerRule rule = AnswerRule::kReply);
    bool Refuse(const char* name, size_t bytes, size_t limit);
    bool RangeFits(const char* name, size_t header, size_t count, size_t group, size_t values,
                   size_t limit, const char* unit);
    bool RangeSet(const char* name, uint8_t subcmd, int scene, int source, int first, int last,
                  size_t group, size_t values, size_t limit, bool immediately,
                  const std::function<void(std::vector<uint8_t>&, size_t k)>& append);
    bool LinkSet(const char* name, uint8_t subcmd, int scene, int link, int pair_count,
                 std::span<const ChannelPair> pairs, bool immediately);
    bool RangeGet(uint8_t subcmd, int scene, int source, int first, int last);

    void Post(Target target, Message m);
    void PostValue(Target target, int id, int64_t wParam, int64_t value);
    void PostRecord(Target target, int id, int64_t wParam, ReportRecord record);

    // Decoders by reply kind (dsp_decoder.cpp, system_decoder.cpp).
    void DecodeRangeInts(std::span<const uint8_t> p, const char* title, const char* label);
    void DecodeFilters(std::span<const uint8_t> p);
    void DecodeEqBands(std::span<const uint8_t> p);
    void DecodeDelays(std::span<const uint8_t> p);
    void DecodeTrims(std::span<const uint8_t> p);
    void DecodeMix(std::span<const uint8_t> p);
    void DecodeLink(std::span<const uint8_t> p, const char* label);
    void DecodeInputRange(std::span<const uint8_t> p, const char* title);
    void DecodeInputMixTrim(std::span<const uint8_t> p);
    void DecodeNoise(std::span<const uint8_t> p);
    void DecodeQFactor(std::span<const uint8_t> p, const char* title);
    void DecodeCompressor(std::span<const uint8_t> p);
    enum class DistortSide { kInput, kOutput };
    void DecodeDistort(std::span<const uint8_t> p, DistortSide side);
    void DecodeMemData(std::span<const uint8_t> p);
    void DecodeSpeakerDistance(std::span<const uint8_t> p);
    void DecodeIrcStatus(std::span<const uint8_t> p);
    // Distances come as two bytes of hundredths, the other values as one byte.
    enum class IrcValue { Distance, Byte };
    void DecodeIrcChannels(std::span<const uint8_t> p, IrcValue kind, const char* title,
                           const char* label, const char* titleTail = "");
    void DecodeIrcEq(std::span<const uint8_t> p);
    void DecodeIrcSpectrum(std::span<const uint8_t> p);
    void DecodeSceneName(std::span<const uint8_t> p);
    void DecodeHandshake(std::span<const uint8_t> p);
    void DecodePassword(std::span<const uint8_t> p);
    void DispatchUpgradeAck(uint8_t mcmd, std::span<const uint8_t> p);

    std::atomic<int> model_{72};
    std::atomic<int> outputs_{6};
    std::atomic<int> inputs_{4};
    std::atomic<bool> fine_trim_{false};

    std::atomic<int> mcu_is_normal_mode_{0};
    std::atomic<int> device_model_{-1};
    std::atomic<int> bootloader_version_{0};

    std::mutex targets_mutex_;  // held while posting, so a cleared target is never used again
    MessageTarget* report_target_ = nullptr;
    MessageTarget* scene_target_ = nullptr;
    MessageTarget* calibration_target_ = nullptr;
    MessageTarget* memory_target_ = nullptr;
    UpgradeAckHandler upgrade_ack_handler_;

    // Declared last: destroyed first, so the worker stops before the state above goes.
    LinkCore core_;
};

}  // namespace korvel
