#pragma once
// Which record each device report posted to the report window becomes.
//
// This table is the one place that pairs a report (window message and command identifier) with
// its record. The decoders post exactly this record (DeviceLink checks every post and drops a
// mismatch with a log line), and the controller's handler for a report must take exactly this
// record (checked by the compiler where the controller lists its handlers), so a reply can never
// be decoded into a record that its handler does not take.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <variant>

#include "commands/command_ids.h"
#include "commands/message_target.h"

namespace korvel {

// Reports whose single value travels in Message::value.
using BareValue = std::monostate;

template <typename Record, typename... Records>
constexpr size_t IndexOfRecord(const std::variant<Records...>*) {
    constexpr std::array<bool, sizeof...(Records)> same{std::is_same_v<Record, Records>...};
    for (size_t i = 0; i < same.size(); ++i) {
        if (same[i]) {
            return i;
        }
    }
    return same.size();
}

// Position of `Record` among the alternatives of ReportRecord.
template <typename Record>
inline constexpr size_t kRecordIndex = IndexOfRecord<Record>(static_cast<ReportRecord*>(nullptr));

struct ReplyKind {
    int message;  // kMsgDspReport, kMsgMcuReport or kMsgSceneReport
    uint8_t id;   // command identifier, the message's wParam
    size_t record;
};

inline constexpr ReplyKind kReplyKinds[] = {
    {kMsgDspReport, dsp::SOURCE_SWITCH, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::VOLUME, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::SUBWOOFER_VOLUME, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::MUTE, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::FILTER, kRecordIndex<FilterReport>},
    {kMsgDspReport, dsp::EQ, kRecordIndex<EqBandReport>},
    {kMsgDspReport, dsp::DELAY, kRecordIndex<ChannelFloatReport>},
    {kMsgDspReport, dsp::TRIM, kRecordIndex<ChannelFloatReport>},
    {kMsgDspReport, dsp::MUTE_CH, kRecordIndex<ChannelIntReport>},
    {kMsgDspReport, dsp::PHASE, kRecordIndex<ChannelIntReport>},
    {kMsgDspReport, dsp::MIX_CH, kRecordIndex<MixReport>},
    {kMsgDspReport, dsp::CH_TYPE, kRecordIndex<ChannelIntReport>},
    {kMsgDspReport, dsp::CH_LINK, kRecordIndex<LinkReport>},
    {kMsgDspReport, dsp::CH_LOCK, kRecordIndex<LockReport>},
    {kMsgDspReport, dsp::PEQ_BYPASS, kRecordIndex<ChannelIntReport>},
    {kMsgDspReport, dsp::INPUT_TRIM, kRecordIndex<InputRangeReport>},
    {kMsgDspReport, dsp::INPUT_MUTE, kRecordIndex<InputRangeReport>},
    {kMsgDspReport, dsp::INPUT_PHASE, kRecordIndex<InputRangeReport>},
    {kMsgDspReport, dsp::INPUT_EQ, kRecordIndex<EqBandReport>},
    {kMsgDspReport, dsp::INPUT_MIX_TRIM, kRecordIndex<InputMixTrimReport>},
    {kMsgDspReport, dsp::INPUT_THRESHOLD, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::INPUT_NOISE, kRecordIndex<NoiseReport>},
    {kMsgDspReport, dsp::CH_TRIM_LINK, kRecordIndex<LinkReport>},
    {kMsgDspReport, dsp::CH_DELAY_LINK, kRecordIndex<LinkReport>},
    {kMsgDspReport, dsp::REMOTE_CH, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::SOLO, kRecordIndex<ChannelIntReport>},
    {kMsgDspReport, dsp::SPEAKER_CONFIG, kRecordIndex<SpeakerConfigReport>},
    {kMsgDspReport, dsp::MIX_TYPE, kRecordIndex<ChannelIntReport>},
    {kMsgDspReport, dsp::HPF_Q_FACT, kRecordIndex<QFactorReport>},
    {kMsgDspReport, dsp::LPF_Q_FACT, kRecordIndex<QFactorReport>},
    {kMsgDspReport, dsp::FACTORY_PRESET, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::SETUP_MODE, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::AUTO_ON, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::COMPRESSOR, kRecordIndex<CompressorReport>},
    {kMsgDspReport, dsp::AMP_MUTE, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::IN_DISTORT, kRecordIndex<InputDistortReport>},
    {kMsgDspReport, dsp::OUT_DISTORT, kRecordIndex<OutputDistortReport>},
    {kMsgDspReport, dsp::SPK_DIST, kRecordIndex<SpeakerDistanceReport>},
    {kMsgDspReport, dsp::MIX_SOURCE_SWITCH, kRecordIndex<BareValue>},
    {kMsgDspReport, dsp::MIX_TYPE2, kRecordIndex<MixType2Report>},
    {kMsgMcuReport, mcu::HANDSHAKE, kRecordIndex<HandshakeReport>},
    {kMsgMcuReport, mcu::FLASH_VERSION, kRecordIndex<FlashVersionReport>},
    {kMsgMcuReport, mcu::PASSWORD, kRecordIndex<PasswordReport>},
    {kMsgMcuReport, mcu::ITEM41, kRecordIndex<McuItem41Report>},
    {kMsgMcuReport, mcu::POWER_OFF_TIME, kRecordIndex<BareValue>},
    {kMsgMcuReport, mcu::ACC, kRecordIndex<BareValue>},
    {kMsgSceneReport, flash::CUR_SCENE, kRecordIndex<BareValue>},
    {kMsgSceneReport, flash::SCENE_VALID, kRecordIndex<SceneValidReport>},
    {kMsgSceneReport, flash::SCENE_NAME, kRecordIndex<SceneNameReport>},
};

// The record a report must carry; KTV items always carry a bare value. Nothing for messages
// that are not reports of this table (they carry no command identifier).
constexpr std::optional<size_t> ExpectedRecord(int message, uint8_t id) {
    if (message == kMsgKtvReport) {
        return kRecordIndex<BareValue>;
    }
    for (const ReplyKind& kind : kReplyKinds) {
        if (kind.message == message && kind.id == id) {
            return kind.record;
        }
    }
    return std::nullopt;
}

// True for the window messages whose reports this table governs.
constexpr bool IsTabledReport(int message) {
    return message == kMsgDspReport || message == kMsgMcuReport || message == kMsgSceneReport ||
           message == kMsgKtvReport;
}

}  // namespace korvel
