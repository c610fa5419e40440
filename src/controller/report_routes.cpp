// The one table that says which handler applies each device report. Every entry names the
// report's record through its handler's parameter, and the compiler checks it against the
// decoders' table (commands/reply_kinds.h), so a report cannot reach a handler that does not take
// its record. Reports without an entry have no effect on the model.

#include <type_traits>

#include "commands/reply_kinds.h"
#include "controller/equalizer_manager.h"
#include "log/log.h"

namespace korvel {
namespace {

// The record a handler takes: its parameter type, or BareValue for a handler of an int.
template <typename Handler>
struct HandlerRecord;
template <typename Record>
struct HandlerRecord<void (EqualizerManager::*)(const Record&)> {
    using type = Record;
};
template <>
struct HandlerRecord<void (EqualizerManager::*)(int)> {
    using type = BareValue;
};

using Invoker = bool (*)(EqualizerManager&, const Message&);

struct ReportRoute {
    int message;
    uint8_t id;
    Invoker apply;
};

template <auto Apply>
bool Invoke(EqualizerManager& manager, const Message& message) {
    using Record = typename HandlerRecord<decltype(Apply)>::type;
    if constexpr (std::is_same_v<Record, BareValue>) {
        (manager.*Apply)(static_cast<int>(message.value));
        return true;
    } else {
        const Record* record = std::get_if<Record>(&message.record);
        if (record != nullptr) {
            (manager.*Apply)(*record);
        }
        return record != nullptr;
    }
}

template <int Msg, uint8_t Id, auto Apply>
constexpr ReportRoute Route() {
    using Record = typename HandlerRecord<decltype(Apply)>::type;
    static_assert(ExpectedRecord(Msg, Id) == kRecordIndex<Record>,
                  "the handler does not take the record the decoders post for this report");
    return {Msg, Id, &Invoke<Apply>};
}

}  // namespace

EqualizerManager::ReportOutcome EqualizerManager::RouteReport(const Message& message) {
    using M = EqualizerManager;
    static constexpr ReportRoute kRoutes[] = {
        Route<kMsgDspReport, dsp::SOURCE_SWITCH, &M::ApplySource>(),
        Route<kMsgDspReport, dsp::VOLUME, &M::ApplyMainVolume>(),
        Route<kMsgDspReport, dsp::MUTE, &M::ApplyMainMute>(),
        Route<kMsgDspReport, dsp::FILTER, &M::ApplyFilter>(),
        Route<kMsgDspReport, dsp::EQ, &M::ApplyEqBand>(),
        Route<kMsgDspReport, dsp::DELAY, &M::ApplyDelay>(),
        Route<kMsgDspReport, dsp::TRIM, &M::ApplyTrim>(),
        Route<kMsgDspReport, dsp::MUTE_CH, &M::ApplyChannelMute>(),
        Route<kMsgDspReport, dsp::PHASE, &M::ApplyChannelPhase>(),
        Route<kMsgDspReport, dsp::MIX_CH, &M::ApplyRouting>(),
        Route<kMsgDspReport, dsp::CH_TYPE, &M::ApplyChannelRole>(),
        Route<kMsgDspReport, dsp::CH_LINK, &M::ApplyLink>(),
        Route<kMsgDspReport, dsp::CH_LOCK, &M::ApplyLock>(),
        Route<kMsgDspReport, dsp::PEQ_BYPASS, &M::ApplyChannelBypass>(),
        Route<kMsgDspReport, dsp::INPUT_MIX_TRIM, &M::ApplyMixLevels>(),
        Route<kMsgDspReport, dsp::INPUT_THRESHOLD, &M::ApplyInputThreshold>(),
        Route<kMsgDspReport, dsp::INPUT_NOISE, &M::ApplyNoise>(),
        Route<kMsgDspReport, dsp::HPF_Q_FACT, &M::ApplyHpQFactor>(),
        Route<kMsgDspReport, dsp::LPF_Q_FACT, &M::ApplyLpQFactor>(),
        Route<kMsgDspReport, dsp::FACTORY_PRESET, &M::ApplyFactoryPreset>(),
        Route<kMsgDspReport, dsp::SETUP_MODE, &M::ApplySetupMode>(),
        Route<kMsgDspReport, dsp::AUTO_ON, &M::ApplyEffectSwitch>(),
        Route<kMsgDspReport, dsp::COMPRESSOR, &M::ApplyCompressor>(),
        Route<kMsgDspReport, dsp::AMP_MUTE, &M::ApplyAmpMute>(),
        Route<kMsgMcuReport, mcu::HANDSHAKE, &M::ApplyHandshake>(),
        Route<kMsgMcuReport, mcu::FLASH_VERSION, &M::ApplyFlashVersions>(),
        Route<kMsgMcuReport, mcu::POWER_OFF_TIME, &M::ApplyPowerOffDelay>(),
        Route<kMsgSceneReport, flash::SCENE_NAME, &M::ApplySceneName>(),
        Route<kMsgSceneReport, flash::SCENE_VALID, &M::ApplySceneValid>(),
    };
    const auto id = static_cast<uint8_t>(message.wParam);
    for (const ReportRoute& route : kRoutes) {
        if (route.message == message.id && route.id == id) {
            if (route.apply(*this, message)) {
                return ReportOutcome::kApplied;
            }
            WriteLog("RouteReport: report %d of 0x%02x without its record, dropped\n", message.id,
                     id);
            return ReportOutcome::kDropped;
        }
    }
    return ReportOutcome::kNoEffect;
}

}  // namespace korvel
