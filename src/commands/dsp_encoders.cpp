// Encoders of the DSP commands (main command 1): set commands and get requests.

#include "commands/device_link.h"
#include "commands/wire_values.h"
#include "log/log.h"

namespace korvel {

using wire::Byte;

namespace {

// Payload buffers of the range commands: the delay command holds 16 channels, the others
// 40 bytes in all.
constexpr size_t kDelayBuffer = 52;
constexpr size_t kRangeBuffer = 40;

size_t RangeCount(int first, int last) {
    return last < first ? 0u : static_cast<size_t>(last - first + 1);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    out.reserve(values.size());
    for (int v : values) {
        out.push_back(Byte(v));
    }
    return out;
}

}  // namespace

bool DeviceLink::RangeFits(const char* name, size_t header, size_t count, size_t group,
                           size_t values, size_t limit, const char* unit) {
    const size_t bytes = header + count * group;
    if (bytes > limit) {
        return Refuse(name, bytes, limit);
    }
    if (count > values) {
        WriteLog("%s: request refused, %d %s asked but %d values given\n", name,
                 static_cast<int>(count), unit, static_cast<int>(values));
        return false;
    }
    return true;
}

bool DeviceLink::RangeSet(const char* name, uint8_t subcmd, int scene, int source, int first,
                          int last, size_t group, size_t values, size_t limit, bool immediately,
                          const std::function<void(std::vector<uint8_t>&, size_t)>& append) {
    const size_t count = RangeCount(first, last);
    if (!RangeFits(name, 4, count, group, values, limit, "channels")) {
        return false;
    }
    std::vector<uint8_t> payload = Bytes({scene, source, first, last});
    for (size_t k = 0; k < count; ++k) {
        append(payload, k);
    }
    return Dispatch(MCMD_DSP, subcmd, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::LinkSet(const char* name, uint8_t subcmd, int scene, int link, int pair_count,
                         std::span<const ChannelPair> pairs, bool immediately) {
    const size_t count = pair_count < 0 ? 0u : static_cast<size_t>(pair_count);
    WriteLog("%s scene(%d), link(%d), ch_count(%d)\n", name, scene, link, pair_count);
    if (3 + 2 * count > kMaxCommandPayload) {
        return Refuse(name, 3 + 2 * count, kMaxCommandPayload);
    }
    if (count > pairs.size()) {
        WriteLog("%s: request refused, %d pairs asked but %d given\n", name,
                 static_cast<int>(count), static_cast<int>(pairs.size()));
        return false;
    }
    std::vector<uint8_t> payload = Bytes({scene, link, pair_count});
    for (size_t i = 0; i < count; ++i) {
        if (subcmd == dsp::CH_LINK) {
            WriteLog("from ch(%d) to ch(%d)\n", pairs[i].from, pairs[i].to);
        }
        payload.push_back(pairs[i].from);
        payload.push_back(pairs[i].to);
    }
    return Dispatch(MCMD_DSP, subcmd, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::RangeGet(uint8_t subcmd, int scene, int source, int first, int last) {
    return SendNow(MCMD_DSP, subcmd, OP_GET, Bytes({scene, source, first, last}), kWaitDefaultMs);
}

// --- Set commands --------------------------------------------------------------------------

bool DeviceLink::Source_Switch_Ctrl(int source, bool immediately) {
    WriteLog("Source_Switch_Ctrl: source(0x%x)\n", source);
    return Dispatch(MCMD_DSP, dsp::SOURCE_SWITCH, OP_SET, Bytes({source}), immediately);
}

bool DeviceLink::Main_Volume_Ctrl(float volume, bool immediately) {
    WriteLog("Main_Volume_Ctrl gain:(%.1f)\n", volume);
    return Dispatch(MCMD_DSP, dsp::VOLUME, OP_SET, Bytes({static_cast<int>(volume)}), immediately);
}

bool DeviceLink::Subwoofer_Volume_Ctrl(int volume, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::SUBWOOFER_VOLUME, OP_SET, Bytes({volume}), immediately);
}

bool DeviceLink::Mute_Ctrl(int mute, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::MUTE, OP_SET, Bytes({mute}), immediately);
}

bool DeviceLink::Filter_Ctrl(int scene, int source, int channel, int filter, int freq, int slope,
                             int type, bool immediately) {
    WriteLog(
        "Filter_Ctrl scene@(%d), source(%d), ch(%d), iFilter(%d), freq(%d), slope(%d), "
        "type(%d)\n",
        scene, source, channel, filter, freq, slope, type);
    std::vector<uint8_t> payload = Bytes({scene, source, channel, filter, type});
    wire::PutFrequency(payload, freq);
    payload.push_back(Byte(slope));
    return Dispatch(MCMD_DSP, dsp::FILTER, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::EQ_Ctrl(int scene, int source, int channel, int band, int freq, float q,
                         float gain, bool immediately) {
    WriteLog("EQ_Ctrl: gain(%.2f) ,freqValue(%d) ,qValue(%f) @ band(%d) @channel(%d) @scene(%d)\n",
             gain, freq, q, band, channel, scene);
    std::vector<uint8_t> payload = Bytes({scene, source, channel, band});
    wire::PutFrequency(payload, freq);
    wire::PutQ(payload, q);
    wire::PutEqGain(payload, gain);
    return Dispatch(MCMD_DSP, dsp::EQ, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::Delay_Ctrl(int scene, int source, int first, int last,
                            std::span<const float> delays, bool immediately) {
    return RangeSet("Delay_Ctrl", dsp::DELAY, scene, source, first, last, 3, delays.size(),
                    kDelayBuffer, immediately, [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n", scene,
                                 first + static_cast<int>(k), delays[k]);
                        wire::PutDelay(out, delays[k]);
                    });
}

bool DeviceLink::Trim_Ctrl(int scene, int source, int first, int last, std::span<const float> trims,
                           bool immediately) {
    WriteLog("destch_x = %d, dest_chy = %d\n", first, last);
    const bool fine = fine_trim_;
    return RangeSet("Trim_Ctrl", dsp::TRIM, scene, source, first, last, fine ? 2 : 1, trims.size(),
                    kRangeBuffer, immediately, [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog("Trim_Ctrl: scene(%d), channel(%d), trim(%.2f)\n", scene,
                                 first + static_cast<int>(k), trims[k]);
                        wire::PutTrim(out, trims[k], fine);
                    });
}

namespace {
// One byte per channel, logged as "<command>: scene(..), channel(..), <label>(<value>)".
auto ByteGroup(const char* command, const char* label, int scene, int first,
               std::span<const uint8_t> values) {
    return [=](std::vector<uint8_t>& out, size_t k) {
        WriteLog("%s: scene(%d), channel(%d), %s(%d)\n", command, scene,
                 first + static_cast<int>(k), label, values[k]);
        out.push_back(values[k]);
    };
}
}  // namespace

bool DeviceLink::Mute_Ch_Ctrl(int scene, int source, int first, int last,
                              std::span<const uint8_t> mutes, bool immediately) {
    return RangeSet("Mute_Ch_Ctrl", dsp::MUTE_CH, scene, source, first, last, 1, mutes.size(),
                    kRangeBuffer, immediately,
                    ByteGroup("Mute_Ch_Ctrl", "mute", scene, first, mutes));
}

bool DeviceLink::Phase_Ctrl(int scene, int source, int first, int last,
                            std::span<const uint8_t> phases, bool immediately) {
    return RangeSet("Phase_Ctrl", dsp::PHASE, scene, source, first, last, 1, phases.size(),
                    kRangeBuffer, immediately,
                    ByteGroup("Phase_Ctrl", "phase", scene, first, phases));
}

bool DeviceLink::Mix_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> masks,
                             bool immediately) {
    const bool wide = inputs_ >= 9;
    return RangeSet("Mix_Ch_Ctrl", dsp::MIX_CH, scene, source, first, last, wide ? 2 : 1,
                    masks.size(), kRangeBuffer, immediately,
                    [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog(
                            "Mix_Ch_Ctrl: scene(%d), source(%d), output_channel(%d), "
                            "input_ch(0x%x)\n",
                            scene, source, first + static_cast<int>(k), masks[k]);
                        if (wide) {
                            wire::PutU16(out, masks[k]);
                        } else {
                            out.push_back(Byte(masks[k]));
                        }
                    });
}

bool DeviceLink::Remap_Ch_Ctrl(int scene, int second, int output_channel,
                               std::span<const uint8_t> inputs, bool immediately) {
    if (3 + inputs.size() > kRangeBuffer) {
        return Refuse("Remap_Ch_Ctrl", 3 + inputs.size(), kRangeBuffer);
    }
    std::vector<uint8_t> payload = Bytes({scene, second, output_channel});
    for (uint8_t input : inputs) {
        WriteLog("Remap_Ch_Ctrl: scene(%d), output_channel(%d), input_ch(%d)\n", scene,
                 output_channel, input);
        payload.push_back(input);
    }
    return Dispatch(MCMD_DSP, dsp::REMAP_CH, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::CH_Type_Ctrl(int scene, int source, int first, int last,
                              std::span<const uint8_t> types, bool immediately) {
    WriteLog("CH_Type_Ctrl scene(%d), source(%d), ch_x(%d), ch_y(%d)\n", scene, source, first,
             last);
    return RangeSet("CH_Type_Ctrl", dsp::CH_TYPE, scene, source, first, last, 1, types.size(),
                    kRangeBuffer, immediately, [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog("CH_Type_Ctrl channel(%d) -> t_ch_type(0x%x)\n",
                                 first + static_cast<int>(k), types[k]);
                        out.push_back(types[k]);
                    });
}

bool DeviceLink::CH_Link_Ctrl(int scene, int link, int pair_count,
                              std::span<const ChannelPair> pairs, bool immediately) {
    return LinkSet("CH_Link_Ctrl", dsp::CH_LINK, scene, link, pair_count, pairs, immediately);
}

bool DeviceLink::CH_Trim_Link_Ctrl(int scene, int link, int pair_count,
                                   std::span<const ChannelPair> pairs, bool immediately) {
    return LinkSet("CH_Trim_Link_Ctrl", dsp::CH_TRIM_LINK, scene, link, pair_count, pairs,
                   immediately);
}

bool DeviceLink::CH_Delay_Link_Ctrl(int scene, int link, int pair_count,
                                    std::span<const ChannelPair> pairs, bool immediately) {
    return LinkSet("CH_Delay_Link_Ctrl", dsp::CH_DELAY_LINK, scene, link, pair_count, pairs,
                   immediately);
}

bool DeviceLink::CH_Lock_Ctrl(int scene, int lock, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::CH_LOCK, OP_SET, Bytes({scene, lock}), immediately);
}

bool DeviceLink::DSP_Bypass_Ctrl(int scene, int channel, int bypass, bool immediately) {
    WriteLog("DSP_Bypass_Ctrl: scene(%d), channel(%d), bypass(%d)\n", scene, channel, bypass);
    return Dispatch(MCMD_DSP, dsp::BYPASS, OP_SET, Bytes({scene, channel, bypass}), immediately);
}

bool DeviceLink::PEQ_Reset_Ctrl(int scene, int source, int channel_count,
                                std::span<const uint8_t> channels, bool immediately) {
    const size_t count = channel_count < 0 ? 0u : static_cast<size_t>(channel_count);
    WriteLog("PEQ_Reset_Ctrl: scene(%d), ch_count(%d), ", scene, channel_count);
    if (3 + count > kMaxCommandPayload) {
        WriteLog("\n");
        return Refuse("PEQ_Reset_Ctrl", 3 + count, kMaxCommandPayload);
    }
    if (count > channels.size()) {
        WriteLog("\nPEQ_Reset_Ctrl: request refused, %d channels asked but %d given\n",
                 channel_count, static_cast<int>(channels.size()));
        return false;
    }
    std::vector<uint8_t> payload = Bytes({scene, source, channel_count});
    for (size_t i = 0; i < count; ++i) {
        WriteLog("ch(%d), ", channels[i]);
        payload.push_back(channels[i]);
    }
    WriteLog("\n");
    return Dispatch(MCMD_DSP, dsp::PEQ_RESET, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::PEQ_Bypass_Ctrl(int scene, int source, int first, int last,
                                 std::span<const uint8_t> bypasses, bool immediately) {
    return RangeSet("PEQ_Bypass_Ctrl", dsp::PEQ_BYPASS, scene, source, first, last, 1,
                    bypasses.size(), kRangeBuffer, immediately,
                    ByteGroup("PEQ_Bypass_Ctrl", "bypass", scene, first, bypasses));
}

bool DeviceLink::IRC_Ctrl(int on, int irc_channels, int eq_mode, bool immediately) {
    WriteLog("IRC_Ctrl: on(%d), ircch=0x%x, irc_eqmode = %d, syncMode(%d)\n", on, irc_channels,
             eq_mode, immediately ? 1 : 0);
    std::vector<uint8_t> payload = Bytes({on});
    wire::PutU16(payload, irc_channels);
    payload.push_back(Byte(eq_mode));
    return Dispatch(MCMD_DSP, dsp::IRC_CTRL, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::IRC_Set_Test_Mic(int on, bool immediately) {
    WriteLog("IRC_Set_Test_Mic: on(%d)\n", on);
    return Dispatch(MCMD_DSP, dsp::IRC_TEST_MIC, OP_SET, Bytes({on}), immediately);
}

bool DeviceLink::IRC_Sel_Test_Module(int module, bool immediately) {
    WriteLog("IRC_Sel_Test_Module: Module(0x%x), syncMode(%d)\n", module, immediately ? 1 : 0);
    return Dispatch(MCMD_DSP, dsp::IRC_TEST_MODULE, OP_SET, Bytes({module}), immediately);
}

bool DeviceLink::Input_Trim_Ctrl(int scene, int source, int first, int last,
                                 std::span<const int> gains, bool immediately) {
    return RangeSet("Input_Trim_Ctrl", dsp::INPUT_TRIM, scene, source, first, last, 1, gains.size(),
                    kRangeBuffer, immediately, [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog("Input_Trim_Ctrl: scene(%d), channel(%d), gain(%d)\n", scene,
                                 first + static_cast<int>(k), gains[k]);
                        out.push_back(Byte(gains[k]));
                    });
}

bool DeviceLink::Mute_Input_Ch_Ctrl(int scene, int source, int first, int last,
                                    std::span<const uint8_t> mutes, bool immediately) {
    return RangeSet("Mute_Input_Ch_Ctrl", dsp::INPUT_MUTE, scene, source, first, last, 1,
                    mutes.size(), kRangeBuffer, immediately,
                    [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog(
                            "Mute_Input_Ch_Ctrl: scene(%d),source (%d), channel(%d), "
                            "mute(%d)\n",
                            scene, source, first + static_cast<int>(k), mutes[k]);
                        out.push_back(mutes[k]);
                    });
}

bool DeviceLink::Input_Phase_Ctrl(int scene, int source, int first, int last,
                                  std::span<const uint8_t> phases, bool immediately) {
    return RangeSet("Input_Phase_Ctrl", dsp::INPUT_PHASE, scene, source, first, last, 1,
                    phases.size(), kRangeBuffer, immediately,
                    [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog(
                            "Input_Phase_Ctrl: scene(%d), source(%d), channel(%d), "
                            "phase(%d)\n",
                            scene, source, first + static_cast<int>(k), phases[k]);
                        out.push_back(phases[k]);
                    });
}

bool DeviceLink::Input_EQ_Ctrl(int scene, int source, int channel, int first_band, int last_band,
                               std::span<const int> freqs, std::span<const float> qs,
                               std::span<const float> gains, bool immediately) {
    const size_t count = RangeCount(first_band, last_band);
    const size_t bytes = 5 + count * 6;
    if (bytes > kRangeBuffer) {
        return Refuse("Input_EQ_Ctrl", bytes, kRangeBuffer);
    }
    if (count > freqs.size() || count > qs.size() || count > gains.size()) {
        WriteLog("Input_EQ_Ctrl: request refused, %d bands asked but fewer values given\n",
                 static_cast<int>(count));
        return false;
    }
    std::vector<uint8_t> payload = Bytes({scene, source, channel, first_band, last_band});
    for (size_t k = 0; k < count; ++k) {
        WriteLog(
            "Input_EQ_Ctrl: gain(%02f) ,freqValue(%d) ,qValue(%f) @band(%d) @ channel(%d) "
            "@scene(%d)\n",
            gains[k], freqs[k], qs[k], first_band + static_cast<int>(k), channel, scene);
        wire::PutFrequency(payload, freqs[k]);
        wire::PutQ(payload, qs[k]);
        wire::PutEqGain(payload, gains[k]);
    }
    return Dispatch(MCMD_DSP, dsp::INPUT_EQ, OP_SET, std::move(payload), immediately);
}

namespace {
// Mix trims, one byte each, logged as "<label>(<number>)=trim(<value>), " after the header line.
void AppendTrims(std::vector<uint8_t>& payload, const char* label, int first,
                 std::span<const int> trims, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        WriteLog("%s(%d)=trim(%d), ", label, first + static_cast<int>(k), trims[k]);
        payload.push_back(Byte(trims[k]));
    }
    WriteLog("\n");
}
}  // namespace

bool DeviceLink::Input_Mix_Trim_Ctrl(int scene, int source, int in_channel, int first_output,
                                     int last_output, std::span<const int> trims,
                                     bool immediately) {
    const size_t count = RangeCount(first_output, last_output);
    if (!RangeFits("Input_Mix_Trim_Ctrl", 5, count, 1, trims.size(), kRangeBuffer, "outputs")) {
        return false;
    }
    WriteLog("Input_Mix_Trim_Ctrl: scene(%d), source(%d), in_channel(%d),out_channel(%d to %d), ",
             scene, source, in_channel, first_output, last_output);
    std::vector<uint8_t> payload = Bytes({scene, source, in_channel, first_output, last_output});
    AppendTrims(payload, "out_ch", first_output, trims, count);
    return Dispatch(MCMD_DSP, dsp::INPUT_MIX_TRIM, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::Input_Ch_Threshold_Ctrl(int threshold, bool immediately) {
    WriteLog("Input_Ch_Threshold_Ctrl:threshold(%d)\n", threshold);
    return Dispatch(MCMD_DSP, dsp::INPUT_THRESHOLD, OP_SET, Bytes({threshold}), immediately);
}

bool DeviceLink::Input_Mix_Trim_Ctrl2(int scene, int source, int first_input, int last_input,
                                      int out_channel, std::span<const int> trims,
                                      bool immediately) {
    const size_t count = RangeCount(first_input, last_input);
    if (!RangeFits("Input_Mix_Trim_Ctrl2", 5, count, 1, trims.size(), kRangeBuffer, "inputs")) {
        return false;
    }
    WriteLog("Input_Mix_Trim_Ctrl2: scene(%d), source(%d), in_channel(%d to %d),out_ch(%d), ",
             scene, source, first_input, last_input, out_channel);
    std::vector<uint8_t> payload = Bytes({scene, source, first_input, last_input, out_channel});
    AppendTrims(payload, "in_ch", first_input, trims, count);
    return Dispatch(MCMD_DSP, dsp::INPUT_MIX_TRIM2, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::Sel_Remote_CH_Ctrl(int channel, bool immediately) {
    WriteLog("Sel_Remote_CH_Ctrl sel_ch(%d) \n", channel);
    std::vector<uint8_t> payload;
    wire::PutU16(payload, channel);
    return Dispatch(MCMD_DSP, dsp::REMOTE_CH, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::DSP_Item33_Ctrl(int value, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::ITEM33, OP_SET, Bytes({value}), immediately);
}

bool DeviceLink::Solo_Ctrl(int scene, int source, int first, int last,
                           std::span<const uint8_t> solos, bool immediately) {
    return RangeSet("Solo_Ctrl", dsp::SOLO, scene, source, first, last, 1, solos.size(),
                    kRangeBuffer, immediately, ByteGroup("Solo_Ctrl", "solo", scene, first, solos));
}

bool DeviceLink::Speaker_Config_Ctrl(int config, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::SPEAKER_CONFIG, OP_SET, Bytes({config}), immediately);
}

bool DeviceLink::Mix_Type_Ctrl(int scene, int source, int type, bool immediately) {
    WriteLog("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
    return Dispatch(MCMD_DSP, dsp::MIX_TYPE, OP_SET, Bytes({scene, source, type}), immediately);
}

bool DeviceLink::HPF_Q_Fact_Ctrl(int scene, int source, int first, int last,
                                 std::span<const uint8_t> types, bool immediately) {
    return RangeSet("HPF_Q_Fact_Ctrl", dsp::HPF_Q_FACT, scene, source, first, last, 1, types.size(),
                    kRangeBuffer, immediately,
                    ByteGroup("HPF_Q_Fact_Ctrl", "Q_fac_type", scene, first, types));
}

bool DeviceLink::LPF_Q_Fact_Ctrl(int scene, int source, int first, int last,
                                 std::span<const uint8_t> types, bool immediately) {
    return RangeSet("LPF_Q_Fact_Ctrl", dsp::LPF_Q_FACT, scene, source, first, last, 1, types.size(),
                    kRangeBuffer, immediately,
                    ByteGroup("LPF_Q_Fact_Ctrl", "Q_fac_type", scene, first, types));
}

bool DeviceLink::Factory_Preset_Ctrl(int mode) {
    WriteLog("Factory_Preset_Ctrl: mode(%d)\n", mode);
    return SendNow(MCMD_DSP, dsp::FACTORY_PRESET, OP_SET, Bytes({mode}), kWaitPresetModeMs);
}

bool DeviceLink::Setup_Mode_Ctrl(int mode) {
    WriteLog("Setup_Mode_Ctrl: mode(%d)\n", mode);
    return SendNow(MCMD_DSP, dsp::SETUP_MODE, OP_SET, Bytes({mode}), kWaitPresetModeMs);
}

bool DeviceLink::Auto_On_Ctrl(int scene, int on, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::AUTO_ON, OP_SET, Bytes({scene, on}), immediately);
}

bool DeviceLink::DSP_Option_Ctrl(int scene, int option, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::DSP_OPTION, OP_SET, Bytes({scene, option}), immediately);
}

bool DeviceLink::CS_Auto_Ctrl(const CsAutoBlock& block) {
    return Dispatch(MCMD_DSP, dsp::CS_AUTO, OP_SET,
                    std::vector<uint8_t>(block.begin(), block.end()), false);
}

bool DeviceLink::Compressor_Ctrl(int scene, int source, int channel, int bypass, float threshold,
                                 float ratio, int attack, int release, float knee,
                                 bool immediately) {
    std::vector<uint8_t> payload = Bytes({scene, source, channel, bypass});
    wire::PutCompressorThreshold(payload, threshold);
    wire::PutTenths(payload, ratio);
    wire::PutTenths(payload, knee);
    wire::PutU16(payload, attack);
    wire::PutU16(payload, release);
    return Dispatch(MCMD_DSP, dsp::COMPRESSOR, OP_SET, std::move(payload), immediately);
}

bool DeviceLink::Amp_Mute_Ctrl(int mute, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::AMP_MUTE, OP_SET, Bytes({mute}), immediately);
}

namespace {
std::vector<uint8_t> MemPayload(uint32_t address, uint32_t data) {
    WriteLog("Get_MemData: addr(0x%08x), data(0x%08x)\n", address, data);
    WriteLog("addr %02x, %02x, %02x, %02x\n", address & 0xFF, (address >> 8) & 0xFF,
             (address >> 16) & 0xFF, address >> 24);
    WriteLog("data %02x, %02x, %02x, %02x\n", data & 0xFF, (data >> 8) & 0xFF, (data >> 16) & 0xFF,
             data >> 24);
    std::vector<uint8_t> payload;
    wire::PutU32LE(payload, address);
    wire::PutU32LE(payload, data);
    return payload;
}
}  // namespace

bool DeviceLink::Set_MemData(uint32_t address, uint32_t data, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::MEM_DATA, OP_SET, MemPayload(address, data), immediately);
}

bool DeviceLink::Spk_Dist_Ctrl(int scene, int source, int first, int last,
                               std::span<const uint16_t> distances, bool immediately) {
    return RangeSet("Spk_Dist_Ctrl", dsp::SPK_DIST, scene, source, first, last, 2, distances.size(),
                    kRangeBuffer, immediately, [&](std::vector<uint8_t>& out, size_t k) {
                        WriteLog("Spk_Dist_Ctrl: scene(%d), channel(%d), spk_dist(%d/100)\n", scene,
                                 first + static_cast<int>(k), distances[k]);
                        wire::PutU16(out, distances[k]);
                    });
}

bool DeviceLink::Mix_Source_Switch_Ctrl(int source, bool immediately) {
    WriteLog("Mix_Source_Switch_Ctrl: source(0x%x)\n", source);
    return Dispatch(MCMD_DSP, dsp::MIX_SOURCE_SWITCH, OP_SET, Bytes({source}), immediately);
}

bool DeviceLink::Mix_Type2_Ctrl(int scene, int source, int type, bool immediately) {
    WriteLog("Mix_Type_Ctrl: scene(%d), source(%d), type(%d)\n", scene, source, type);
    return Dispatch(MCMD_DSP, dsp::MIX_TYPE2, OP_SET, Bytes({scene, source, type}), immediately);
}

// --- Get requests --------------------------------------------------------------------------

namespace {
void LogRangeGet(const char* name, int scene, int source, int first, int last) {
    WriteLog("%s: scene(%d), source(%d), from ch(%d) to ch_end(%d)\n", name, scene, source, first,
             last);
}
}  // namespace

#define KORVEL_PLAIN_GET(Name, Id, Wait)                \
    bool DeviceLink::Name() {                           \
        WriteLog("" #Name "\n");                        \
        return SendNow(MCMD_DSP, Id, OP_GET, {}, Wait); \
    }
#define KORVEL_RANGE_GET(Name, Id)                                      \
    bool DeviceLink::Name(int scene, int source, int first, int last) { \
        LogRangeGet("" #Name, scene, source, first, last);              \
        return RangeGet(Id, scene, source, first, last);                \
    }

KORVEL_PLAIN_GET(Get_Source_Config, dsp::SOURCE_CONFIG, kWaitShortQueryMs)
KORVEL_PLAIN_GET(Get_Source, dsp::SOURCE_SWITCH, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Main_Volume, dsp::VOLUME, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Subwoofer_Volume, dsp::SUBWOOFER_VOLUME, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Mute, dsp::MUTE, kWaitDefaultMs)
KORVEL_PLAIN_GET(IRC_Get, dsp::IRC_CTRL, kWaitDefaultMs)
KORVEL_PLAIN_GET(IRC_Get_RTA, dsp::IRC_RTA, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Remote_CH, dsp::REMOTE_CH, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Speaker_Config, dsp::SPEAKER_CONFIG, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_AUTO_ON, dsp::AUTO_ON, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Amp_Mute, dsp::AMP_MUTE, kWaitDefaultMs)
KORVEL_PLAIN_GET(Get_Mix_Source, dsp::MIX_SOURCE_SWITCH, kWaitDefaultMs)

KORVEL_RANGE_GET(Get_Filter, dsp::FILTER)
KORVEL_RANGE_GET(Get_Delay, dsp::DELAY)
KORVEL_RANGE_GET(Get_Trim, dsp::TRIM)
KORVEL_RANGE_GET(Get_Mute_Ch, dsp::MUTE_CH)
KORVEL_RANGE_GET(Get_Phase, dsp::PHASE)
KORVEL_RANGE_GET(Get_Mix_Ch, dsp::MIX_CH)
KORVEL_RANGE_GET(Get_Remap_Ch, dsp::REMAP_CH)
KORVEL_RANGE_GET(Get_CH_Type, dsp::CH_TYPE)
KORVEL_RANGE_GET(Get_All_Bypass, dsp::BYPASS)
KORVEL_RANGE_GET(Get_PEQ_Reset, dsp::PEQ_RESET)
KORVEL_RANGE_GET(Get_PEQ_Bypass, dsp::PEQ_BYPASS)
KORVEL_RANGE_GET(Get_Input_Trim, dsp::INPUT_TRIM)
KORVEL_RANGE_GET(Get_Mute_Input_Ch, dsp::INPUT_MUTE)
KORVEL_RANGE_GET(Get_Phase_Input_Ch, dsp::INPUT_PHASE)
KORVEL_RANGE_GET(Get_Ch_Solo, dsp::SOLO)
KORVEL_RANGE_GET(Get_HPF_Q_Fact_Mode, dsp::HPF_Q_FACT)
KORVEL_RANGE_GET(Get_LPF_Q_Fact_Mode, dsp::LPF_Q_FACT)
KORVEL_RANGE_GET(Get_Compressor, dsp::COMPRESSOR)
KORVEL_RANGE_GET(Get_InDistort, dsp::IN_DISTORT)
KORVEL_RANGE_GET(Get_OutDistort, dsp::OUT_DISTORT)
KORVEL_RANGE_GET(Get_Spk_Dist, dsp::SPK_DIST)

#undef KORVEL_PLAIN_GET
#undef KORVEL_RANGE_GET

bool DeviceLink::Get_Factory_Preset() {
    WriteLog("Get_Speaker_Config\n");
    return SendNow(MCMD_DSP, dsp::FACTORY_PRESET, OP_GET, {}, kWaitDefaultMs);
}

bool DeviceLink::Get_Setup_Mode() {
    WriteLog("Get_Speaker_Config\n");
    return SendNow(MCMD_DSP, dsp::SETUP_MODE, OP_GET, {}, kWaitDefaultMs);
}

bool DeviceLink::Get_EQ(int scene, int source, int channel, int band, int band_end) {
    WriteLog("Get_EQ: band(%d) band_end(%d) @channel(%d) @source(%d), scene(%d)\n", band, band_end,
             channel, source, scene);
    return SendNow(MCMD_DSP, dsp::EQ, OP_GET, Bytes({scene, source, channel, band, band_end}),
                   kWaitDefaultMs);
}

bool DeviceLink::Get_Input_EQ(int scene, int source, int channel, int first_band, int last_band) {
    WriteLog("Get_Input_EQ: band(%d) band_end(%d) @channel(%d) @source(%d), scene(%d)\n",
             first_band, last_band, channel, source, scene);
    return SendNow(MCMD_DSP, dsp::INPUT_EQ, OP_GET,
                   Bytes({scene, source, channel, first_band, last_band}), kWaitDefaultMs);
}

bool DeviceLink::Get_Input_Mix_CH_Trim(int scene, int source, int in_channel, int first_output,
                                       int last_output) {
    WriteLog("Get_Input_Mix_CH_Trim: scene(%d), source(%d), in_ch(%d), out_ch(%d to %d)\n", scene,
             source, in_channel, first_output, last_output);
    return SendNow(MCMD_DSP, dsp::INPUT_MIX_TRIM, OP_GET,
                   Bytes({scene, source, in_channel, first_output, last_output}), kWaitDefaultMs);
}

bool DeviceLink::Get_CH_Link(int scene) {
    WriteLog("Get_CH_Link: scene(%d)\n", scene);
    return SendNow(MCMD_DSP, dsp::CH_LINK, OP_GET, Bytes({scene}), kWaitDefaultMs);
}

bool DeviceLink::Get_CH_Lock(int scene) {
    WriteLog("Get_CH_Lock: scene(%d)\n", scene);
    return SendNow(MCMD_DSP, dsp::CH_LOCK, OP_GET, Bytes({scene}), kWaitDefaultMs);
}

bool DeviceLink::Get_CH_Trim_Link(int scene) {
    return SendNow(MCMD_DSP, dsp::CH_TRIM_LINK, OP_GET, Bytes({scene}), kWaitDefaultMs);
}

bool DeviceLink::Get_CH_Delay_Link(int scene) {
    return SendNow(MCMD_DSP, dsp::CH_DELAY_LINK, OP_GET, Bytes({scene}), kWaitDefaultMs);
}

bool DeviceLink::Get_Mix_Type(int scene, int source) {
    return SendNow(MCMD_DSP, dsp::MIX_TYPE, OP_GET, Bytes({scene, source}), kWaitDefaultMs);
}

bool DeviceLink::Get_Mix_Type2(int scene, int source) {
    return SendNow(MCMD_DSP, dsp::MIX_TYPE2, OP_GET, Bytes({scene, source}), kWaitDefaultMs);
}

bool DeviceLink::Get_Input_Threshold(int scene, int source, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::INPUT_THRESHOLD, OP_GET, Bytes({scene, source}), immediately);
}

bool DeviceLink::Get_Input_Noise(int first, int last, bool immediately) {
    return Dispatch(MCMD_DSP, dsp::INPUT_NOISE, OP_GET, Bytes({first, last}), immediately);
}

bool DeviceLink::IRC_Get_Distance(int first, int last) {
    WriteLog("IRC_Get_Distance: from ch(%d) to ch_end(%d)\n", first, last);
    return SendNow(MCMD_DSP, dsp::IRC_DISTANCE, OP_GET, Bytes({first, last}), kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_Trim(int first, int last) {
    return SendNow(MCMD_DSP, dsp::IRC_TRIM, OP_GET, Bytes({first, last}), kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_EQ(int first_band, int last_band, int channel) {
    WriteLog("IRC_Get_EQ: band(%d) band_end(%d) @channel(%d)\n", first_band, last_band, channel);
    return SendNow(MCMD_DSP, dsp::IRC_EQ, OP_GET, Bytes({first_band, last_band, channel}),
                   kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_Spk_Size(int first, int last) {
    return SendNow(MCMD_DSP, dsp::IRC_SPK_SIZE, OP_GET, Bytes({first, last}), kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_Spk_Phase(int first, int last) {
    return SendNow(MCMD_DSP, dsp::IRC_SPK_PHASE, OP_GET, Bytes({first, last}), kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_Spk_Level(int first, int last) {
    return SendNow(MCMD_DSP, dsp::IRC_SPK_LEVEL, OP_GET, Bytes({first, last}), kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_Spectrum(int first_band, int last_band, int channel) {
    WriteLog("IRC_Get_Spectrum: band(%d) band_end(%d) @channel(%d)\n", first_band, last_band,
             channel);
    return SendNow(MCMD_DSP, dsp::IRC_SPECTRUM, OP_GET, Bytes({first_band, last_band, channel}),
                   kWaitDefaultMs);
}

bool DeviceLink::IRC_Get_Noise_Level(int first, int last) {
    return SendNow(MCMD_DSP, dsp::IRC_NOISE_LEVEL, OP_GET, Bytes({first, last}), kWaitDefaultMs);
}

bool DeviceLink::Get_MemData(uint32_t address) {
    return SendNow(MCMD_DSP, dsp::MEM_DATA, OP_GET, MemPayload(address, 0), kWaitDefaultMs);
}

}  // namespace korvel
