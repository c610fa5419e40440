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

template <typename Report>
const Report* RecordOf(const Message& message) {
    return std::get_if<Report>(&message.record);
}

// Position of each KTV item (1..10) in ktvSettings: the table holds items 3, 1, 2, 8, 4, 5, 6,
// 7, 9 and 10 in that order.
int KtvSlot(int item) {
    constexpr std::array<int, kKtvItems> kItemAtSlot{3, 1, 2, 8, 4, 5, 6, 7, 9, 10};
    const auto it = std::find(kItemAtSlot.begin(), kItemAtSlot.end(), item);
    return it == kItemAtSlot.end() ? -1 : static_cast<int>(it - kItemAtSlot.begin());
}

}  // namespace

void EqualizerManager::ReadDspValueCallback(const Message& message) {
    const auto id = static_cast<uint8_t>(message.wParam);
    WriteLog("ReadDspValueCallback 0x%02x\n", id);
    const int value = static_cast<int>(message.value);
    switch (id) {
        case dsp::SOURCE_SWITCH:
            ApplySource(value);
            break;
        case dsp::VOLUME:
            ApplyMainVolume(value);
            break;
        case dsp::MUTE:
            ApplyMainMute(value);
            break;
        case dsp::FILTER:
            if (const auto* r = RecordOf<FilterReport>(message))
                ApplyFilter(*r);
            break;
        case dsp::EQ:
            if (const auto* r = RecordOf<EqBandReport>(message))
                ApplyEqBand(*r);
            break;
        case dsp::DELAY:
            if (const auto* r = RecordOf<ChannelFloatReport>(message))
                ApplyDelay(*r);
            break;
        case dsp::TRIM:
            if (const auto* r = RecordOf<ChannelFloatReport>(message))
                ApplyTrim(*r);
            break;
        case dsp::MUTE_CH:
        case dsp::PHASE:
        case dsp::CH_TYPE:
        case dsp::PEQ_BYPASS:
            if (const auto* r = RecordOf<ChannelIntReport>(message))
                ApplyChannelInt(id, *r);
            break;
        case dsp::MIX_CH:
            if (const auto* r = RecordOf<MixReport>(message))
                ApplyRouting(*r);
            break;
        case dsp::CH_LINK:
            if (const auto* r = RecordOf<LinkReport>(message))
                ApplyLink(*r);
            break;
        case dsp::CH_LOCK:
            if (const auto* r = RecordOf<LockReport>(message))
                ApplyLock(*r);
            break;
        case dsp::INPUT_MIX_TRIM:
            if (const auto* r = RecordOf<InputMixTrimReport>(message))
                ApplyMixLevels(*r);
            break;
        case dsp::INPUT_THRESHOLD:
            model_.live.inputThreshold = value;
            view_.ShowInputThreshold(value);
            break;
        case dsp::INPUT_NOISE:
            if (const auto* r = RecordOf<NoiseReport>(message))
                ApplyNoise(*r);
            break;
        case dsp::HPF_Q_FACT:
        case dsp::LPF_Q_FACT:
            if (const auto* r = RecordOf<QFactorReport>(message))
                ApplyQFactor(id, *r);
            break;
        case dsp::FACTORY_PRESET:
            WriteLog("factory preset mode = %d\n", value);
            break;
        case dsp::SETUP_MODE:
            WriteLog("setup_mode mode = %d\n", value);
            break;
        case dsp::AUTO_ON:
            ApplyEffectSwitch(value);
            break;
        case dsp::COMPRESSOR:
            if (const auto* r = RecordOf<CompressorReport>(message))
                ApplyCompressor(*r);
            break;
        case dsp::AMP_MUTE:
            ApplyAmpMute(value);
            break;
        default:
            break;
    }
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
    if (scene == nullptr || !IsChannel(r.channel) || r.band < 0 ||
        r.band >= BandCount(*scene, r.channel)) {
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

void EqualizerManager::ApplyChannelInt(uint8_t id, const ChannelIntReport& r) {
    SceneRecord* scene = model_.Scene(r.scene);
    if (scene == nullptr || !IsChannel(r.channel)) {
        return;
    }
    ChannelSettings& channel = scene->channels[r.channel];
    const bool live = IsLive(r.scene);
    switch (id) {
        case dsp::MUTE_CH:
            channel.mute = r.value;
            if (live)
                Refresh(RefreshWhat::kChannelMute, r.channel);
            break;
        case dsp::PHASE:
            channel.phase = r.value & 0xFF;
            if (live) {
                WriteLog("channel %d phase seleted %d\n", r.channel, channel.phase);
                Refresh(RefreshWhat::kChannelPhase, r.channel);
            }
            break;
        case dsp::CH_TYPE:
            // The role indexes the role table: an unknown code counts as the empty role.
            scene->outputs[r.channel] = NormaliseRole(r.value);
            if (live) {
                WriteLog("DSP_CH_TYPE ch(%d), type(%d)\n", r.channel, r.value);
                Refresh(RefreshWhat::kSpeakerRoles);
            }
            break;
        case dsp::PEQ_BYPASS:
            channel.bypass = static_cast<uint8_t>(r.value & 0xFF);
            if (live && r.channel == scene->currChannel) {
                Refresh(RefreshWhat::kEqBypass, r.channel);
            }
            break;
        default:
            break;
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

void EqualizerManager::ApplyQFactor(uint8_t id, const QFactorReport& r) {
    const char* filter = id == dsp::HPF_Q_FACT ? "hpf_q_fact" : "lpf_q_fact";
    const int last = std::min<int>(r.last, kReportChannelSlots - 1);
    for (int ch = r.first; ch <= last; ++ch) {
        WriteLog("ch(%d): %s->mode = %d\n", ch, filter, r.modes[ch]);
    }
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
    const int type = static_cast<int>(message.wParam);
    WriteLog("ReadSenceValueCallback 0x%02x\n", type);
    if (type == flash::SCENE_NAME) {
        const auto* r = RecordOf<SceneNameReport>(message);
        if (r == nullptr) {
            return;
        }
        if (SceneName* name = model_.Name(r->scene_index + 1)) {
            *name = r->name;
            Refresh(RefreshWhat::kSceneNames);
        }
    } else if (type == flash::SCENE_VALID) {
        if (const auto* r = RecordOf<SceneValidReport>(message)) {
            sceneValidMask_ = static_cast<uint16_t>(r->value);
            WriteLog("FLASH_SCENE_VALID 0x%02x\n", sceneValidMask_);
            Refresh(RefreshWhat::kSceneNames);
        }
    }
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
