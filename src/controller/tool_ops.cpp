// The operations behind the tool windows: the scene window's three modes, the mixer matrix, the
// input noise threshold and the live noise levels. The command-line tool uses the same ones.

#include "controller/equalizer_manager.h"
#include "controller/tool_values.h"
#include "log/log.h"
#include "model/sources.h"

namespace korvel {

namespace {

bool IsMixerCell(int source, int input, int output) {
    return IsValidSourceIndex(source) && input >= 0 && input < MixableInputs(source) &&
           output >= 0 && output < kChannelSlots;
}

}  // namespace

// --- Scene window -----------------------------------------------------------------------------

void EqualizerManager::LoadSenceConfigFromDSP() {
    WriteLog("EqualizerManager::LoadSenceConfigFromDSP\n");
    if (IsConnected()) {
        view_.OpenSceneWindow(SceneWindowMode::kLoad);
    }
}

void EqualizerManager::SaveSenceConfigToDSP() {
    WriteLog("EqualizerManager::SaveSenceConfigToDSP\n");
    if (IsConnected()) {
        view_.OpenSceneWindow(SceneWindowMode::kSave);
    }
}

void EqualizerManager::DeleteDSPSenceConfig() {
    WriteLog("EqualizerManager::DeleteDSPSenceConfig\n");
    if (IsConnected()) {
        view_.OpenSceneWindow(SceneWindowMode::kDelete);
    }
}

// --- Mixer ------------------------------------------------------------------------------------

std::optional<MixCell> EqualizerManager::MixerCell(int source, int input, int output) const {
    if (!IsMixerCell(source, input, output)) {
        return std::nullopt;
    }
    const SceneRecord& live = model_.live;
    const int32_t mask = live.inputs[Index(source)][Index(output)];
    return MixCell{((mask >> input) & 1) != 0,
                   live.inputMixVolume[Index(source)][Index(input)][Index(output)]};
}

std::optional<MixCell> EqualizerManager::SetMixEnable(int source, int input, int output, bool on) {
    WriteLog("selected value %d\n", on ? 1 : 0);
    if (!IsMixerCell(source, input, output)) {
        return std::nullopt;
    }
    SceneRecord& live = model_.live;
    int32_t& mask = live.inputs[Index(source)][Index(output)];
    int32_t& level = live.inputMixVolume[Index(source)][Index(input)][Index(output)];
    WriteLog("org channel %d input = 0x%02x\n", output, mask);
    const int32_t before = mask;
    mask = on ? (mask | (1 << input)) : (mask & ~(1 << input));
    WriteLog("set channel %d input = 0x%02x\n", output, mask);
    if (mask != before) {
        // The routing mask is what the device reads back on the next connection; without it a
        // mix switched here would come back as it was.
        const int sent = mask;
        link_->Mix_Ch_Ctrl(live.sceneArgument, source, output, output, std::span(&sent, 1), false);
    }
    const int wanted = on ? (level == 0 ? kMixLevelMax : level) : kMixLevelMin;
    if (wanted != level || !on) {
        level = wanted;
        link_->Input_Mix_Trim_Ctrl(0, source, input, output, output, std::span(&wanted, 1), false);
    }
    Refresh(RefreshWhat::kInputSwitches, output);
    return MixerCell(source, input, output);
}

std::optional<MixCell> EqualizerManager::SetMixLevel(int source, int input, int output, int level) {
    if (!IsMixerCell(source, input, output)) {
        return std::nullopt;
    }
    const int clamped = ClampMixLevel(level);
    WriteLog("EqualizerManager::SetMixLevel source %d in_ch %d out_ch %d level %d\n", source, input,
             output, clamped);
    model_.live.inputMixVolume[Index(source)][Index(input)][Index(output)] = clamped;
    link_->Input_Mix_Trim_Ctrl(0, source, input, output, output, std::span(&clamped, 1), false);
    const bool enabled = MixerCell(source, input, output)->enabled;
    if (enabled != (clamped != 0)) {
        // The enable box follows the level; with the level already stored nothing more is sent
        // for it.
        SetMixEnable(source, input, output, clamped != 0);
    }
    return MixerCell(source, input, output);
}

// --- Noise threshold --------------------------------------------------------------------------

int EqualizerManager::SetInputThreshold(int dbu) {
    const int clamped = ClampThreshold(dbu);
    WriteLog("on input threshold edit change to %d dB\n", clamped);
    model_.live.inputThreshold = clamped;
    link_->Input_Ch_Threshold_Ctrl(clamped, false);
    return clamped;
}

int EqualizerManager::SetInputThresholdUp(bool up) {
    return SetInputThreshold(StepThreshold(model_.live.inputThreshold, up));
}

std::optional<int> EqualizerManager::SetInputThresholdEdit(std::string_view text,
                                                           std::string_view offText) {
    const std::optional<int> typed = ParseThresholdText(text, offText);
    if (!typed) {
        WriteLog("EqualizerManager::SetInputThresholdEdit: no number, nothing changed\n");
        return std::nullopt;
    }
    return SetInputThreshold(*typed);
}

bool EqualizerManager::RequestInputThreshold() {
    if (!link_->IsOpen()) {
        return false;
    }
    return link_->Get_Input_Threshold(0, model_.live.sourceIndex, false);
}

bool EqualizerManager::RequestInputNoise() {
    const int inputs = MixableInputs(model_.live.sourceIndex);
    if (inputs == 0 || !link_->IsOpen()) {
        return false;
    }
    return link_->Get_Input_Noise(0, inputs - 1, false);
}

}  // namespace korvel
