#include "controller/device_sequences.h"

#include <algorithm>
#include <ctime>
#include <thread>
#include <vector>

#include "log/log.h"
#include "model/conversions.h"
#include "model/scene_reset.h"
#include "model/sources.h"

namespace korvel {
namespace {

constexpr int kLastChannel = kChannelSlots - 1;
constexpr int kBandGroup = 8;           // bands per equaliser request (the reply must fit)
constexpr int kFilterGroup = 4;         // channels per crossover request
constexpr int kQuerySceneTarget = 255;  // ReadScene target: prepare a stored scene for gets
constexpr int kLowPassFilter = 1;
constexpr int kHighPassFilter = 2;
constexpr std::chrono::seconds kQueueDrainLimit{60};

void LogTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    WriteLog("time %02d:%02d:%02d\n", local.tm_hour, local.tm_min, local.tm_sec);
}

std::array<float, kChannelSlots> Attenuations(const SceneRecord& r) {
    std::array<float, kChannelSlots> trims{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        trims[ch] = static_cast<float>(ChannelTrim(r.channels[ch].gain));
    }
    return trims;
}

std::array<float, kChannelSlots> Delays(const SceneRecord& r) {
    std::array<float, kChannelSlots> delays{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        delays[ch] = r.channels[ch].delay;
    }
    return delays;
}

template <typename Field>
std::array<uint8_t, kChannelSlots> ChannelBytes(const SceneRecord& r, Field field) {
    std::array<uint8_t, kChannelSlots> bytes{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        bytes[ch] = static_cast<uint8_t>(field(r.channels[ch]));
    }
    return bytes;
}

std::array<uint8_t, kChannelSlots> RoleBytes(const SceneRecord& r) {
    std::array<uint8_t, kChannelSlots> roles{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        roles[ch] = static_cast<uint8_t>(r.outputs[ch]);
    }
    return roles;
}

int SelectedSource(const SceneRecord& r) {
    return IsValidSourceIndex(r.sourceIndex) ? r.sourceIndex : 0;
}

}  // namespace

BandCounts BandCountsOf(const SceneRecord& scene) {
    BandCounts counts{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        counts[ch] = BandCount(scene, ch);
    }
    return counts;
}

void DeviceSequences::Pause(std::chrono::milliseconds duration) const {
    const auto until = std::chrono::steady_clock::now() + duration;
    while (!Stopped() && std::chrono::steady_clock::now() < until) {
        const auto left = until - std::chrono::steady_clock::now();
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(10)));
    }
}

int DeviceSequences::PC_UI_Status_Init(const BandCounts& bands) {
    LogTimeStamp();
    WriteLog("PC_UI_Status_Init\n");
    link_.PC_Connect(1);
    if (!link_.Hand_Connect()) {
        return -1;
    }
    if (link_.DeviceModel() != kSupportedModel || !link_.mcu_is_normal_mode()) {
        return 0;
    }
    link_.Get_Source();
    link_.Get_Main_Volume();
    link_.Get_Subwoofer_Volume();
    link_.Get_Mute();
    link_.Get_Amp_Mute();
    link_.Get_Speaker_Config();
    link_.Get_Scene_Valid();
    if (Stopped()) {
        return 0;
    }
    link_.Get_Delay(0, 0, 0, kLastChannel);
    link_.Get_CH_Type(0, 0, 0, kLastChannel);
    link_.Get_Ch_Solo(0, 0, 0, kLastChannel);
    link_.Get_CH_Link(0);
    link_.Get_CH_Lock(0);
    // Two requests of four channels; the second reaches past the last channel, and the report
    // handler ignores the channels the model does not have.
    link_.Get_Filter(0, 0, 0, kFilterGroup - 1);
    link_.Get_Filter(0, 0, kFilterGroup, 2 * kFilterGroup - 1);
    link_.Get_PEQ_Bypass(0, 0, 0, kLastChannel);
    ReadEqualiserBands(0, bands);
    if (Stopped()) {
        return 0;
    }
    link_.Get_Trim(0, 0, 0, kLastChannel);
    link_.Get_Mute_Ch(0, 0, 0, kLastChannel);
    link_.Get_Phase(0, 0, 0, kLastChannel);
    ReadRoutingAndMixLevels(0);
    for (int scene = 1; scene <= kStoredScenes && !Stopped(); ++scene) {
        link_.GetSceneName(scene);
    }
    WriteLog("PC_UI_Status_Init done\n");
    LogTimeStamp();
    return 0;
}

void DeviceSequences::ReadStoredScene(int scene, const BandCounts& bands,
                                      std::chrono::milliseconds settle) {
    WriteLog("read scene sceneId(%d)\n", scene);
    link_.ReadScene(scene, kQuerySceneTarget);
    Pause(settle);
    if (Stopped()) {
        return;
    }
    link_.Get_CH_Type(scene, 0, 0, kLastChannel);
    link_.Get_CH_Link(scene);
    link_.Get_CH_Lock(scene);
    link_.Get_Ch_Solo(scene, 0, 0, kLastChannel);
    link_.Get_Filter(scene, 0, 0, kFilterGroup - 1);
    link_.Get_Filter(scene, 0, kFilterGroup, 2 * kFilterGroup - 1);
    link_.Get_PEQ_Bypass(scene, 0, 0, kLastChannel);
    ReadEqualiserBands(scene, bands);
    if (Stopped()) {
        return;
    }
    link_.Get_Delay(scene, 0, 0, kLastChannel);
    link_.Get_Trim(scene, 0, 0, kLastChannel);
    link_.Get_Mute_Ch(scene, 0, 0, kLastChannel);
    link_.Get_Phase(scene, 0, 0, kLastChannel);
    ReadRoutingAndMixLevels(scene);
    for (int name = 1; name <= kStoredScenes && !Stopped(); ++name) {
        link_.GetSceneName(name);
    }
}

void DeviceSequences::ReadEqualiserBands(int scene, const BandCounts& bands) {
    for (int ch = 0; ch < kChannelSlots && !Stopped(); ++ch) {
        const int count = std::clamp(bands[ch], 0, kBandCount);
        for (int first = 0; first < count; first += kBandGroup) {
            link_.Get_EQ(scene, 0, ch, first, std::min(first + kBandGroup, count) - 1);
        }
    }
}

void DeviceSequences::ReadRoutingAndMixLevels(int scene) {
    for (int source = 0; source < kSourceCount && !Stopped(); ++source) {
        link_.Get_Mix_Ch(scene, source, 0, kLastChannel);
    }
    for (int source = 0; source < kSourceCount && !Stopped(); ++source) {
        for (int input = 0; input < MixableInputs(source); ++input) {
            link_.Get_Input_Mix_CH_Trim(scene, source, input, 0, kLastChannel);
        }
    }
}

void DeviceSequences::SetReadCurProfileToMCU(const SceneRecord& live) {
    WriteLog("EqualizerManager::SetReadCurProfileToMCU\n");
    constexpr bool kNow = true;
    SendMainVolumeAndMute(live, kNow);
    SendFiltersAndBands(0, live, kNow);
    if (Stopped()) {
        return;
    }
    const auto roles = RoleBytes(live);
    link_.CH_Type_Ctrl(0, 0, 0, kLastChannel, roles, kNow);
    SendChannelStrip(0, live, kNow);
    link_.PEQ_Bypass_Ctrl(0, 0, 0, kLastChannel,
                          ChannelBytes(live, [](const ChannelSettings& c) { return c.bypass; }),
                          kNow);
    SendRouting(0, live, SelectedSource(live), kNow);
    SendMixLevels(0, live);
}

void DeviceSequences::SetReadWholeProfileToMCU(const ModelStore& model,
                                               std::chrono::milliseconds tail) {
    WriteLog("EqualizerManager::SetReadWholeProfileToMCU\n");
    constexpr bool kNow = true;
    for (int scene = 1; scene <= kStoredScenes && !Stopped(); ++scene) {
        WriteLog("set scene(%d)\n", scene);
        LogTimeStamp();
        const SceneRecord& record = *model.Scene(scene);
        SendFiltersAndBands(scene, record, kNow);
        link_.CH_Type_Ctrl(scene, 0, 0, kLastChannel, RoleBytes(record), kNow);
        SendChannelStrip(scene, record, kNow);
        link_.PEQ_Bypass_Ctrl(
            scene, 0, 0, kLastChannel,
            ChannelBytes(record, [](const ChannelSettings& c) { return c.bypass; }), kNow);
        SendRouting(scene, record, SelectedSource(record), kNow);
        SendMixLevels(scene, record);
        // The mix levels travel through the queue; let them reach the device before the scene
        // is committed, so the saved scene holds them.
        link_.WaitUntilIdle(kQueueDrainLimit);
        const SceneName& name = *model.Name(scene);
        link_.SetSceneName(scene, name, kSceneNameBytes);
        link_.SaveScene(scene, 1);
        LogTimeStamp();
    }
    if (Stopped()) {
        return;
    }
    constexpr bool kQueued = false;
    const SceneRecord& live = model.live;
    SendMainVolumeAndMute(live, kQueued);
    SendFiltersAndBands(0, live, kQueued);
    link_.CH_Type_Ctrl(0, 0, 0, kLastChannel, RoleBytes(live), kQueued);
    SendChannelStrip(0, live, kQueued);
    // The equaliser bypass flags of the live scene go with the rest of the channel strip;
    // without them the device would keep its previous flags under the loaded bands.
    link_.PEQ_Bypass_Ctrl(0, 0, 0, kLastChannel,
                          ChannelBytes(live, [](const ChannelSettings& c) { return c.bypass; }),
                          kQueued);
    for (int source = 0; source < kSourceCount; ++source) {
        SendRouting(0, live, source, kQueued);
    }
    SendMixLevels(0, live);
    Pause(tail);
    LogTimeStamp();
}

void DeviceSequences::SendMainVolumeAndMute(const SceneRecord& record, bool immediately) {
    link_.Main_Volume_Ctrl(static_cast<float>(MainVolumeAttenuation(record.mainVolume)),
                           immediately);
    link_.Mute_Ctrl(record.mainVolumeMute, immediately);
}

void DeviceSequences::SendFiltersAndBands(int scene, const SceneRecord& record, bool immediately) {
    for (int ch = 0; ch < kChannelSlots && !Stopped(); ++ch) {
        const CrossoverSettings& x = record.channels[ch].crossover;
        link_.Filter_Ctrl(scene, 0, ch, kLowPassFilter, x.lp.fs, x.lp.slope, x.lp.type,
                          immediately);
        link_.Filter_Ctrl(scene, 0, ch, kHighPassFilter, x.hp.fs, x.hp.slope, x.hp.type,
                          immediately);
        const std::span<const EqBand> bands = ChannelBands(record, ch);
        for (size_t band = 0; band < bands.size(); ++band) {
            link_.EQ_Ctrl(scene, 0, ch, static_cast<int>(band), bands[band].freq,
                          bands[band].eqFactor, bands[band].eqGain, immediately);
        }
    }
}

void DeviceSequences::SendChannelStrip(int scene, const SceneRecord& record, bool immediately) {
    link_.Trim_Ctrl(scene, 0, 0, kLastChannel, Attenuations(record), immediately);
    link_.Mute_Ch_Ctrl(scene, 0, 0, kLastChannel,
                       ChannelBytes(record, [](const ChannelSettings& c) { return c.mute; }),
                       immediately);
    link_.Phase_Ctrl(scene, 0, 0, kLastChannel,
                     ChannelBytes(record, [](const ChannelSettings& c) { return c.phase; }),
                     immediately);
    link_.Delay_Ctrl(scene, 0, 0, kLastChannel, Delays(record), immediately);
}

void DeviceSequences::SendRouting(int scene, const SceneRecord& record, int source,
                                  bool immediately) {
    const auto& masks = record.inputs[source];
    const std::array<int, kChannelSlots> values{masks[0], masks[1], masks[2],
                                                masks[3], masks[4], masks[5]};
    link_.Mix_Ch_Ctrl(scene, source, 0, kLastChannel, values, immediately);
}

void DeviceSequences::SendMixLevels(int scene, const SceneRecord& record) {
    constexpr bool kQueued = false;
    for (int source = 0; source < kSourceCount; ++source) {
        for (int input = 0; input < MixableInputs(source); ++input) {
            const auto& levels = record.inputMixVolume[source][input];
            const std::array<int, kChannelSlots> values{levels[0], levels[1], levels[2],
                                                        levels[3], levels[4], levels[5]};
            link_.Input_Mix_Trim_Ctrl(scene, source, input, 0, kLastChannel, values, kQueued);
        }
    }
}

}  // namespace korvel
