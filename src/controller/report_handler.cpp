// Applying the device's reports to the model. Every scene, channel, band, source, input and
// output number that arrives from the device is checked against the model's arrays before it is
// used: a report that names something the model does not have changes nothing.

#include <algorithm>

#include "controller/equalizer_manager.h"
#include "log/log.h"
#include "model/conversions.h"
#include "model/invariants.h"
#include "model/scene_reset.h"
#include "model/sources.h"
#include "model/speaker_roles.h"

namespace korvel {
namespace {

// Position of each KTV item (1..10) in ktvSettings: the table holds items 3, 1, 2, 8, 4, 5, 6,
// 7, 9 and 10 in that order.
int KtvSlot(int item) {
    constexpr std::array<int, kKtvItems> kItemAtSlot{3, 1, 2, 8, 4, 5, 6, 7, 9, 10};
    const auto it = std::find(kItemAtSlot.begin(), kItemAtSlot.end(), item);
    return it == kItemAtSlot.end() ? -1 : static_cast<int>(it - kItemAtSlot.begin());
}

}  // namespace

void EqualizerManager::ReadDspValueCallback(const Message& message) {
    WriteLog("ReadDspValueCallback 0x%02x\n", static_cast<uint8_t>(message.wParam));
    RouteReport(message);
}

void EqualizerManager::ApplySource(int code) {
    model_.live.sourceIndex = SourceIndexFromCode(code);
    Refresh(RefreshWhat::kSource);
}

void EqualizerManager::ApplyMainVolume(int db) {
    model_.live.mainVolume = MainVolumeLevelFromDb(db);
    Refresh(RefreshWhat::kMainVolume);
}

void EqualizerManager::ApplyMainMute(int value) {
    model_.live.mainVolumeMute = value;
    Refresh(RefreshWhat::kMainMute);
}

void EqualizerManager::ApplyFilter(const FilterReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsChannel(r.channel)) {
        return;
    }
    CrossoverSettings& x = scene->channels[r.channel].crossover;
    ApplyFilterReport(x.hp, r.hp_freq, r.hp_type, r.hp_slope);
    ApplyFilterReport(x.lp, r.lp_freq, r.lp_type, r.lp_slope);
    if (IsLive(r.scene) && r.channel == scene->currChannel) {
        Refresh(RefreshWhat::kCrossover, r.channel);
    }
}

void EqualizerManager::ApplyEqBand(const EqBandReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !scene->HasBand(r.channel, r.band)) {
        return;
    }
    EqBand& band = scene->eqStore[r.channel][r.band];
    band.freq = r.freq;
    band.eqFactor = r.q;
    band.eqGain = r.gain;
    if (IsLive(r.scene)) {
        band.enable = 1;
        if (r.channel == scene->currChannel) {
            Refresh(RefreshWhat::kEqBand, r.channel, r.band);
        }
    }
}

void EqualizerManager::ApplyDelay(const ChannelFloatReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsChannel(r.channel)) {
        return;
    }
    scene->channels[r.channel].delay = r.value;
    if (IsLive(r.scene)) {
        WriteLog("update UI ch_delay->ch = %d, Delay %.3f\n", r.channel,
                 static_cast<double>(r.value));
        Refresh(RefreshWhat::kChannelDelay, r.channel);
    }
}

void EqualizerManager::ApplyTrim(const ChannelFloatReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsChannel(r.channel)) {
        return;
    }
    scene->channels[r.channel].gain = r.value;
    if (IsLive(r.scene)) {
        WriteLog("set channel %d volume to %.1fdB\n", r.channel, static_cast<double>(r.value));
        Refresh(RefreshWhat::kChannelVolume, r.channel);
    }
}

ChannelSettings* EqualizerManager::ReportedChannel(const ChannelIntReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    return scene != nullptr && IsChannel(r.channel) ? &scene->channels[r.channel] : nullptr;
}

void EqualizerManager::ApplyChannelMute(const ChannelIntReport& r) {
    if (ChannelSettings* channel = ReportedChannel(r)) {
        channel->mute = r.value;
        if (IsLive(r.scene))
            Refresh(RefreshWhat::kChannelMute, r.channel);
    }
}

void EqualizerManager::ApplyChannelPhase(const ChannelIntReport& r) {
    if (ChannelSettings* channel = ReportedChannel(r)) {
        channel->phase = r.value & 0xFF;
        if (IsLive(r.scene)) {
            WriteLog("channel %d phase seleted %d\n", r.channel, channel->phase);
            Refresh(RefreshWhat::kChannelPhase, r.channel);
        }
    }
}

void EqualizerManager::ApplyChannelRole(const ChannelIntReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsChannel(r.channel)) {
        return;
    }
    // The role indexes the role table: an unknown code counts as the empty role.
    scene->outputs[r.channel] = NormaliseRole(r.value);
    if (IsLive(r.scene)) {
        WriteLog("DSP_CH_TYPE ch(%d), type(%d)\n", r.channel, r.value);
        Refresh(RefreshWhat::kSpeakerRoles);
    }
}

void EqualizerManager::ApplyChannelBypass(const ChannelIntReport& r) {
    if (ChannelSettings* channel = ReportedChannel(r)) {
        channel->bypass = static_cast<uint8_t>(r.value & 0xFF);
        if (IsLive(r.scene) && r.channel == model_.live.currChannel) {
            Refresh(RefreshWhat::kEqBypass, r.channel);
        }
    }
}

void EqualizerManager::ApplyRouting(const MixReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsValidSourceIndex(r.source) || !IsChannel(r.channel)) {
        return;
    }
    scene->inputs[r.source][r.channel] = r.mask;
    if (IsLive(r.scene) && r.source == scene->sourceIndex) {
        WriteLog("set mix source = %d, ch = %d, mix_in = 0x%x\n", r.source, r.channel, r.mask);
        Refresh(RefreshWhat::kInputSwitches, r.channel);
    }
}

void EqualizerManager::ApplyLink(const LinkReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr) {
        return;
    }
    if (!IsLive(r.scene)) {
        scene->linkMode = r.link == 1 ? 1 : 0;
        return;
    }
    if (r.link == 1) {
        scene->linkMode = 1;
        scene->lockMode = 1;
        scene->linkOutputs = PairLinkedOutputs(scene->outputs);
    } else {
        scene->linkMode = 0;
        scene->linkOutputs.fill(kNoLinkedChannel);
    }
    Refresh(RefreshWhat::kLinkLock);
    Refresh(RefreshWhat::kChannelSelector, scene->currChannel);
}

void EqualizerManager::ApplyLock(const LockReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr) {
        return;
    }
    scene->lockMode = r.lock == 1 ? 1 : 0;
    if (!IsLive(r.scene)) {
        return;
    }
    const bool unlocked = scene->lockMode == 0;
    if (unlocked && scene->linkMode == 1) {
        scene->linkMode = 0;
        scene->linkOutputs.fill(kNoLinkedChannel);
        link_->CH_Link_Ctrl(0, 0, 0, {}, false);
    }
    Refresh(RefreshWhat::kLinkLock);
    if (unlocked) {
        Refresh(RefreshWhat::kChannelSelector, scene->currChannel);
    }
}

void EqualizerManager::ApplyMixLevels(const InputMixTrimReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsValidSourceIndex(r.source) || r.input_channel < 0 ||
        r.input_channel >= kMixInputs) {
        return;
    }
    WriteLog("DSP_INPUT_MIX_CH_TRIM source %d, in_ch %d out_ch_x %d, out_ch_y %d\n", r.source,
             r.input_channel, r.first_output, r.last_output);
    const int first = std::max(r.first_output, 0);
    const int last =
        std::min({r.last_output, kChannelSlots - 1, r.first_output + kReportChannelSlots - 1});
    auto& levels = scene->inputMixVolume[r.source][r.input_channel];
    const auto& masks = scene->inputs[r.source];
    for (int out = first; out <= last; ++out) {
        int level = r.trims[out - r.first_output];
        const bool routed = (masks[out] >> r.input_channel) & 1;
        if (level < 1 && routed) {
            level = kMixVolumeReset;
        }
        levels[out] = level;
    }
}

void EqualizerManager::ApplyNoise(const NoiseReport& r) {
    const int first = std::max(r.first, 0);
    const int last = std::min(r.last, kReportChannelSlots - 1);
    for (int input = first; input <= last; ++input) {
        WriteLog("in_ch(%d): noise = %fdB\n", input, static_cast<double>(r.noise[input]));
        if (input < kMixInputs) {
            inputNoise_[static_cast<size_t>(input)] = r.noise[input];
        }
    }
    view_.ShowInputNoise(inputNoise_);
}

void EqualizerManager::ApplyHpQFactor(const QFactorReport& r) {
    LogQFactors("hpf_q_fact", r);
}

void EqualizerManager::ApplyLpQFactor(const QFactorReport& r) {
    LogQFactors("lpf_q_fact", r);
}

void EqualizerManager::LogQFactors(const char* filter, const QFactorReport& r) {
    const int last = std::min<int>(r.last, kReportChannelSlots - 1);
    for (int ch = r.first; ch <= last; ++ch) {
        WriteLog("ch(%d): %s->mode = %d\n", ch, filter, r.modes[ch]);
    }
}

void EqualizerManager::ApplyInputThreshold(int value) {
    model_.live.inputThreshold = value;
    view_.ShowInputThreshold(value);
}

void EqualizerManager::ApplyFactoryPreset(int value) {
    WriteLog("factory preset mode = %d\n", value);
}

void EqualizerManager::ApplySetupMode(int value) {
    WriteLog("setup_mode mode = %d\n", value);
}

void EqualizerManager::ApplyCompressor(const CompressorReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsChannel(r.channel)) {
        return;
    }
    CompressorBlock& c = scene->compressor;
    c.bypass[r.channel] = r.bypass;
    c.threshold[r.channel] = static_cast<float>(r.threshold);
    c.ratio[r.channel] = r.ratio;
    c.attack[r.channel] = r.attack;
    c.release[r.channel] = r.release;
    c.knee[r.channel] = r.knee;
}

void EqualizerManager::ApplyAmpMute(int value) {
    model_.live.ampOn = value == 0 ? 1 : 0;
    Refresh(RefreshWhat::kAmpSwitch);
}

void EqualizerManager::ApplyEffectSwitch(int value) {
    model_.live.autoEffectOn = value;
    Refresh(RefreshWhat::kEffectSwitch);
}

void EqualizerManager::ReadSenceValueCallback(const Message& message) {
    WriteLog("ReadSenceValueCallback 0x%02x\n", static_cast<int>(message.wParam));
    RouteReport(message);
}

void EqualizerManager::ApplySceneName(const SceneNameReport& r) {
    if (SceneName* name = model_.Name(r.scene_index + 1)) {
        *name = r.name;
        Refresh(RefreshWhat::kSceneNames);
    }
}

void EqualizerManager::ApplySceneValid(const SceneValidReport& r) {
    sceneValidMask_ = static_cast<uint16_t>(r.value);
    WriteLog("FLASH_SCENE_VALID 0x%02x\n", sceneValidMask_);
    Refresh(RefreshWhat::kSceneNames);
}

void EqualizerManager::ReadKtvValueCallback(const Message& message) {
    const int item = static_cast<int>(message.wParam);
    WriteLog("ReadDspValueCallback 0x%02x\n", item);
    const int slot = KtvSlot(item);
    if (slot >= 0) {
        model_.live.ktvSettings[slot] = static_cast<int32_t>(message.value);
    }
}

}  // namespace korvel
