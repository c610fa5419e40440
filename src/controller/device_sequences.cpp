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
constexpr size_t kListedUnread = 8;  // values named in a message; the rest are counted

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

std::string Outputs(int first, int last) {
    return "outputs " + std::to_string(first + 1) + "-" + std::to_string(last + 1);
}

}  // namespace

BandCounts BandCountsOf(const SceneRecord& scene) {
    BandCounts counts{};
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        counts[ch] = BandCount(scene, ch);
    }
    return counts;
}

std::string SequenceOutcome::UnreadText() const {
    std::string text;
    for (size_t i = 0; i < unread.size() && i < kListedUnread; ++i) {
        text += (i == 0 ? "" : ", ") + unread[i];
    }
    if (unread.size() > kListedUnread) {
        text += " and " + std::to_string(unread.size() - kListedUnread) + " more";
    }
    return text;
}

std::string SequenceOutcome::UnconfirmedText() const {
    return std::to_string(unconfirmed) + " / " + std::to_string(sets);
}

// --- Accounting ---------------------------------------------------------------------------

bool DeviceSequences::Ended(SequenceOutcome& out) const {
    if (counting_) {
        return false;
    }
    if (!out.deviceGone && !link_.IsOpen()) {
        WriteLog("DeviceSequences: the amplifier is gone\n");
        out.deviceGone = true;
    }
    out.stopped = out.stopped || Stopped();
    return out.stopped || out.deviceGone;
}

void DeviceSequences::Report(SequencePhase phase, int scene, const SequenceOutcome& out,
                             int total) {
    phase_ = phase;
    phaseScene_ = scene;
    total_ = total;
    if (progress_ && !counting_) {
        progress_({phase_, phaseScene_, kStoredScenes, out.requests, total_});
    }
}

bool DeviceSequences::Ask(const std::function<bool()>& get, const std::string& what, int scene,
                          SequenceOutcome& out) {
    ++out.requests;
    if (counting_) {
        return true;
    }
    bool answered = false;
    for (int attempt = 1; attempt <= kGetAttempts && !answered && !Ended(out); ++attempt) {
        if (attempt > 1) {
            WriteLog("DeviceSequences: asking again for %s (attempt %d)\n", what.c_str(), attempt);
        }
        answered = get();
    }
    if (!answered && !Ended(out)) {
        out.unread.push_back(scene == 0 ? what : what + " of scene " + std::to_string(scene));
        out.liveUnread = out.liveUnread || scene == 0;
        WriteLog("DeviceSequences: no answer for %s\n", out.unread.back().c_str());
    }
    if (progress_) {
        progress_({phase_, phaseScene_, kStoredScenes, out.requests, total_});
    }
    return answered;
}

bool DeviceSequences::Confirm(const std::function<bool()>& send, SequenceOutcome& out) {
    ++out.requests;
    ++out.sets;
    if (counting_) {
        return true;
    }
    bool confirmed = false;
    for (int attempt = 1; attempt <= kSetAttempts && !confirmed && !Ended(out); ++attempt) {
        confirmed = send();
    }
    if (!confirmed) {
        ++out.unconfirmed;
    }
    if (progress_) {
        progress_({phase_, phaseScene_, kStoredScenes, out.requests, total_});
    }
    return confirmed;
}

void DeviceSequences::Queue(const std::function<bool()>& send, SequenceOutcome& out) {
    ++out.requests;
    ++out.sets;
    if (!counting_ && !send()) {
        ++out.unconfirmed;  // the queue refused it: it never reached the device
    }
}

void DeviceSequences::Set(bool immediately, const std::function<bool(bool)>& send,
                          SequenceOutcome& out) {
    if (Ended(out)) {
        return;
    }
    if (immediately) {
        Confirm([&] { return send(true); }, out);
    } else {
        Queue([&] { return send(false); }, out);
    }
}

void DeviceSequences::SettleQueue(uint64_t before, SequenceOutcome& out) {
    if (counting_) {
        return;
    }
    if (!link_.WaitUntilIdle(kQueueDrainLimit)) {
        WriteLog("DeviceSequences: the queued commands did not drain\n");
    }
    out.unconfirmed += static_cast<int>(link_.UnconfirmedSets() - before);
    Ended(out);
}

void DeviceSequences::Pause(std::chrono::milliseconds duration) const {
    if (counting_) {
        return;
    }
    const auto until = std::chrono::steady_clock::now() + duration;
    while (!Stopped() && link_.IsOpen() && std::chrono::steady_clock::now() < until) {
        const auto left = until - std::chrono::steady_clock::now();
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(10)));
    }
}

int DeviceSequences::CountOnly(const std::function<void(SequenceOutcome&)>& sequence) {
    counting_ = true;
    SequenceOutcome out;
    sequence(out);
    counting_ = false;
    return out.requests;
}

int DeviceSequences::CountStatusInit(const BandCounts& bands) {
    return CountOnly([&](SequenceOutcome& out) {
        ++out.requests;  // the handshake
        ReadLiveValues(bands, out);
    });
}

int DeviceSequences::CountStoredScene(int scene, const BandCounts& bands) {
    return CountOnly([&](SequenceOutcome& out) { ReadStoredScene(scene, bands, {}, out); });
}

int DeviceSequences::CountCurProfile(const SceneRecord& live) {
    return CountOnly([&](SequenceOutcome& out) { SetReadCurProfileToMCU(live, out); });
}

int DeviceSequences::CountWholeProfile(const ModelStore& model) {
    return CountOnly([&](SequenceOutcome& out) { SetReadWholeProfileToMCU(model, {}, out); });
}

// --- Reads --------------------------------------------------------------------------------

int DeviceSequences::PC_UI_Status_Init(const BandCounts& bands, SequenceOutcome& out,
                                       int handshakeAttempts) {
    LogTimeStamp();
    WriteLog("PC_UI_Status_Init\n");
    link_.PC_Connect(1);
    ++out.requests;
    bool answered = false;
    for (int attempt = 1; attempt <= handshakeAttempts && !answered && !Ended(out); ++attempt) {
        answered = link_.Hand_Connect();
    }
    if (!answered) {
        out.handshakeFailed = true;
        out.liveUnread = true;
        Ended(out);
        return -1;
    }
    if (link_.DeviceModel() != kSupportedModel || !link_.mcu_is_normal_mode()) {
        return 0;
    }
    ReadLiveValues(bands, out);
    WriteLog("PC_UI_Status_Init done\n");
    LogTimeStamp();
    return 0;
}

void DeviceSequences::ReadLiveValues(const BandCounts& bands, SequenceOutcome& out) {
    const std::pair<bool (DeviceLink::*)(), const char*> mainValues[] = {
        {&DeviceLink::Get_Source, "input source"},
        {&DeviceLink::Get_Main_Volume, "main volume"},
        {&DeviceLink::Get_Subwoofer_Volume, "subwoofer volume"},
        {&DeviceLink::Get_Mute, "main mute"},
        {&DeviceLink::Get_Amp_Mute, "amplifier switch"},
        {&DeviceLink::Get_Speaker_Config, "speaker configuration"},
        {&DeviceLink::Get_Scene_Valid, "list of stored scenes"},
    };
    for (const auto& [get, what] : mainValues) {
        if (Ended(out)) {
            return;
        }
        Ask([&, get = get] { return (link_.*get)(); }, what, 0, out);
    }
    Ask([&] { return link_.Get_Delay(0, 0, 0, kLastChannel); }, "delays", 0, out);
    Ask([&] { return link_.Get_CH_Type(0, 0, 0, kLastChannel); }, "speaker roles", 0, out);
    Ask([&] { return link_.Get_Ch_Solo(0, 0, 0, kLastChannel); }, "solo switches", 0, out);
    Ask([&] { return link_.Get_CH_Link(0); }, "link", 0, out);
    Ask([&] { return link_.Get_CH_Lock(0); }, "lock", 0, out);
    // Two requests of four channels; the second reaches past the last channel, and the report
    // handler ignores the channels the model does not have.
    Ask([&] { return link_.Get_Filter(0, 0, 0, kFilterGroup - 1); },
        "crossovers of " + Outputs(0, kFilterGroup - 1), 0, out);
    Ask([&] { return link_.Get_Filter(0, 0, kFilterGroup, 2 * kFilterGroup - 1); },
        "crossovers of " + Outputs(kFilterGroup, kLastChannel), 0, out);
    Ask([&] { return link_.Get_PEQ_Bypass(0, 0, 0, kLastChannel); }, "equaliser bypass", 0, out);
    ReadEqualiserBands(0, bands, out);
    ReadChannelStrip(0, out);
    ReadRoutingAndMixLevels(0, out);
    ReadSceneNames(out);
}

void DeviceSequences::ReadChannelStrip(int scene, SequenceOutcome& out) {
    if (Ended(out)) {
        return;
    }
    Ask([&] { return link_.Get_Trim(scene, 0, 0, kLastChannel); }, "output volumes", scene, out);
    Ask([&] { return link_.Get_Mute_Ch(scene, 0, 0, kLastChannel); }, "output mutes", scene, out);
    Ask([&] { return link_.Get_Phase(scene, 0, 0, kLastChannel); }, "phases", scene, out);
}

void DeviceSequences::ReadSceneNames(SequenceOutcome& out) {
    for (int name = 1; name <= kStoredScenes && !Ended(out); ++name) {
        Ask([&] { return link_.GetSceneName(name); }, "name of scene " + std::to_string(name), 0,
            out);
    }
}

void DeviceSequences::ReadStoredScene(int scene, const BandCounts& bands,
                                      std::chrono::milliseconds settle, SequenceOutcome& out) {
    if (!counting_) {
        WriteLog("read scene sceneId(%d)\n", scene);
    }
    // Without the device's confirmation the gets below could answer for another scene.
    if (!Confirm([&] { return link_.ReadScene(scene, kQuerySceneTarget); }, out)) {
        if (!Ended(out)) {
            out.unread.push_back("scene " + std::to_string(scene));
        }
        return;
    }
    Pause(settle);
    if (Ended(out)) {
        return;
    }
    ReadStoredSceneValues(scene, bands, out);
    ReadSceneNames(out);
}

void DeviceSequences::ReadStoredSceneValues(int scene, const BandCounts& bands,
                                            SequenceOutcome& out) {
    Ask([&] { return link_.Get_CH_Type(scene, 0, 0, kLastChannel); }, "speaker roles", scene, out);
    Ask([&] { return link_.Get_CH_Link(scene); }, "link", scene, out);
    Ask([&] { return link_.Get_CH_Lock(scene); }, "lock", scene, out);
    Ask([&] { return link_.Get_Ch_Solo(scene, 0, 0, kLastChannel); }, "solo switches", scene, out);
    Ask([&] { return link_.Get_Filter(scene, 0, 0, kFilterGroup - 1); },
        "crossovers of " + Outputs(0, kFilterGroup - 1), scene, out);
    Ask([&] { return link_.Get_Filter(scene, 0, kFilterGroup, 2 * kFilterGroup - 1); },
        "crossovers of " + Outputs(kFilterGroup, kLastChannel), scene, out);
    Ask([&] { return link_.Get_PEQ_Bypass(scene, 0, 0, kLastChannel); }, "equaliser bypass", scene,
        out);
    ReadEqualiserBands(scene, bands, out);
    if (Ended(out)) {
        return;
    }
    Ask([&] { return link_.Get_Delay(scene, 0, 0, kLastChannel); }, "delays", scene, out);
    ReadChannelStrip(scene, out);
    ReadRoutingAndMixLevels(scene, out);
}

void DeviceSequences::ReadEqualiserBands(int scene, const BandCounts& bands, SequenceOutcome& out) {
    for (int ch = 0; ch < kChannelSlots && !Ended(out); ++ch) {
        const int count = std::clamp(bands[ch], 0, kBandCount);
        for (int first = 0; first < count; first += kBandGroup) {
            const int last = std::min(first + kBandGroup, count) - 1;
            Ask([&] { return link_.Get_EQ(scene, 0, ch, first, last); },
                "equaliser bands " + std::to_string(first + 1) + "-" + std::to_string(last + 1) +
                    " of output " + std::to_string(ch + 1),
                scene, out);
        }
    }
}

void DeviceSequences::ReadRoutingAndMixLevels(int scene, SequenceOutcome& out) {
    for (int source = 0; source < kSourceCount && !Ended(out); ++source) {
        Ask([&] { return link_.Get_Mix_Ch(scene, source, 0, kLastChannel); },
            "routing of source " + std::to_string(source + 1), scene, out);
    }
    for (int source = 0; source < kSourceCount && !Ended(out); ++source) {
        for (int input = 0; input < MixableInputs(source); ++input) {
            Ask([&] { return link_.Get_Input_Mix_CH_Trim(scene, source, input, 0, kLastChannel); },
                "mix levels of source " + std::to_string(source + 1) + " input " +
                    std::to_string(input + 1),
                scene, out);
        }
    }
}

// --- Uploads ------------------------------------------------------------------------------

void DeviceSequences::SetReadCurProfileToMCU(const SceneRecord& live, SequenceOutcome& out) {
    if (!counting_) {
        WriteLog("EqualizerManager::SetReadCurProfileToMCU\n");
    }
    constexpr bool kNow = true;
    const uint64_t queuedBefore = link_.UnconfirmedSets();
    SendMainVolumeAndMute(live, kNow, out);
    SendFiltersAndBands(0, live, kNow, out);
    SendChannelStrip(0, live, kNow, out);
    SendRouting(0, live, SelectedSource(live), kNow, out);
    SendMixLevels(0, live, out);
    SettleQueue(queuedBefore, out);
}

void DeviceSequences::SetReadWholeProfileToMCU(const ModelStore& model,
                                               std::chrono::milliseconds tail,
                                               SequenceOutcome& out) {
    if (!counting_) {
        WriteLog("EqualizerManager::SetReadWholeProfileToMCU\n");
    }
    const uint64_t queuedBefore = link_.UnconfirmedSets();
    for (int scene = 1; scene <= kStoredScenes && !Ended(out); ++scene) {
        Report(SequencePhase::kUploadScene, scene, out, total_);
        UploadStoredScene(scene, model, out);
    }
    if (Ended(out)) {
        SettleQueue(queuedBefore, out);
        return;
    }
    Report(SequencePhase::kUploadLive, 0, out, total_);
    UploadLiveQueued(model.live, out);
    Pause(tail);
    SettleQueue(queuedBefore, out);
}

void DeviceSequences::UploadStoredScene(int scene, const ModelStore& model, SequenceOutcome& out) {
    constexpr bool kNow = true;
    if (!counting_) {
        WriteLog("set scene(%d)\n", scene);
        LogTimeStamp();
    }
    const SceneRecord& record = *model.Scene(scene);
    SendFiltersAndBands(scene, record, kNow, out);
    SendChannelStrip(scene, record, kNow, out);
    SendRouting(scene, record, SelectedSource(record), kNow, out);
    SendMixLevels(scene, record, out);
    // The mix levels travel through the queue; let them reach the device before the scene
    // is committed, so the saved scene holds them.
    if (!counting_) {
        link_.WaitUntilIdle(kQueueDrainLimit);
    }
    if (Ended(out)) {
        return;
    }
    const SceneName& name = *model.Name(scene);
    Confirm([&] { return link_.SetSceneName(scene, name, kSceneNameBytes); }, out);
    Confirm([&] { return link_.SaveScene(scene, 1); }, out);
}

void DeviceSequences::UploadLiveQueued(const SceneRecord& live, SequenceOutcome& out) {
    constexpr bool kQueued = false;
    SendMainVolumeAndMute(live, kQueued, out);
    SendFiltersAndBands(0, live, kQueued, out);
    SendChannelStrip(0, live, kQueued, out);
    for (int source = 0; source < kSourceCount; ++source) {
        SendRouting(0, live, source, kQueued, out);
    }
    SendMixLevels(0, live, out);
}

void DeviceSequences::SendMainVolumeAndMute(const SceneRecord& record, bool immediately,
                                            SequenceOutcome& out) {
    const auto volume = static_cast<float>(MainVolumeAttenuation(record.mainVolume));
    Set(
        immediately, [&](bool now) { return link_.Main_Volume_Ctrl(volume, now); }, out);
    Set(
        immediately, [&](bool now) { return link_.Mute_Ctrl(record.mainVolumeMute, now); }, out);
}

void DeviceSequences::SendFiltersAndBands(int scene, const SceneRecord& record, bool immediately,
                                          SequenceOutcome& out) {
    for (int ch = 0; ch < kChannelSlots && !Ended(out); ++ch) {
        const CrossoverSettings& x = record.channels[ch].crossover;
        Set(
            immediately,
            [&](bool now) {
                return link_.Filter_Ctrl(scene, 0, ch, kLowPassFilter, x.lp.fs, x.lp.slope,
                                         x.lp.type, now);
            },
            out);
        Set(
            immediately,
            [&](bool now) {
                return link_.Filter_Ctrl(scene, 0, ch, kHighPassFilter, x.hp.fs, x.hp.slope,
                                         x.hp.type, now);
            },
            out);
        const std::span<const EqBand> bands = ChannelBands(record, ch);
        for (size_t band = 0; band < bands.size(); ++band) {
            const EqBand& b = bands[band];
            Set(
                immediately,
                [&](bool now) {
                    return link_.EQ_Ctrl(scene, 0, ch, static_cast<int>(band), b.freq, b.eqFactor,
                                         b.eqGain, now);
                },
                out);
        }
    }
}

void DeviceSequences::SendChannelStrip(int scene, const SceneRecord& record, bool immediately,
                                       SequenceOutcome& out) {
    const auto roles = RoleBytes(record);
    const auto trims = Attenuations(record);
    const auto mutes = ChannelBytes(record, [](const ChannelSettings& c) { return c.mute; });
    const auto phases = ChannelBytes(record, [](const ChannelSettings& c) { return c.phase; });
    const auto delays = Delays(record);
    // The equaliser bypass flags go with the rest of the channel strip; without them the device
    // would keep its previous flags under the loaded bands.
    const auto bypasses = ChannelBytes(record, [](const ChannelSettings& c) { return c.bypass; });
    Set(
        immediately,
        [&](bool now) { return link_.CH_Type_Ctrl(scene, 0, 0, kLastChannel, roles, now); }, out);
    Set(
        immediately,
        [&](bool now) { return link_.Trim_Ctrl(scene, 0, 0, kLastChannel, trims, now); }, out);
    Set(
        immediately,
        [&](bool now) { return link_.Mute_Ch_Ctrl(scene, 0, 0, kLastChannel, mutes, now); }, out);
    Set(
        immediately,
        [&](bool now) { return link_.Phase_Ctrl(scene, 0, 0, kLastChannel, phases, now); }, out);
    Set(
        immediately,
        [&](bool now) { return link_.Delay_Ctrl(scene, 0, 0, kLastChannel, delays, now); }, out);
    Set(
        immediately,
        [&](bool now) { return link_.PEQ_Bypass_Ctrl(scene, 0, 0, kLastChannel, bypasses, now); },
        out);
}

void DeviceSequences::SendRouting(int scene, const SceneRecord& record, int source,
                                  bool immediately, SequenceOutcome& out) {
    const auto& masks = record.inputs[source];
    const std::array<int, kChannelSlots> values{masks[0], masks[1], masks[2],
                                                masks[3], masks[4], masks[5]};
    Set(
        immediately,
        [&](bool now) { return link_.Mix_Ch_Ctrl(scene, source, 0, kLastChannel, values, now); },
        out);
}

void DeviceSequences::SendMixLevels(int scene, const SceneRecord& record, SequenceOutcome& out) {
    constexpr bool kQueued = false;
    for (int source = 0; source < kSourceCount && !Ended(out); ++source) {
        for (int input = 0; input < MixableInputs(source); ++input) {
            const auto& levels = record.inputMixVolume[source][input];
            const std::array<int, kChannelSlots> values{levels[0], levels[1], levels[2],
                                                        levels[3], levels[4], levels[5]};
            Set(
                kQueued,
                [&](bool now) {
                    return link_.Input_Mix_Trim_Ctrl(scene, source, input, 0, kLastChannel, values,
                                                     now);
                },
                out);
        }
    }
}

}  // namespace korvel
