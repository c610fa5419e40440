#include <cstdarg>
#include <cstdio>
#include <string>
#include <type_traits>

#include "cli.h"

namespace korvel::cli {

namespace {

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

template <typename Array>
std::string JoinRange(const Array& values, int first, int last) {
    std::string out;
    for (int ch = first; ch <= last && ch >= 0 && ch < static_cast<int>(values.size()); ++ch) {
        if (!out.empty())
            out += ' ';
        out += Format("ch%d=%g", ch, static_cast<double>(values[static_cast<size_t>(ch)]));
    }
    return out;
}

std::string PrintableName(const std::array<uint8_t, kReportSceneNameBytes>& name) {
    std::string out;
    for (uint8_t byte : name) {
        if (byte == 0)
            break;
        out += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '?';
    }
    return out;
}

std::string DescribeRecord(const ReportRecord& record) {
    return std::visit(
        [](const auto& r) -> std::string {
            using T = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return "";
            } else if constexpr (std::is_same_v<T, ChannelIntReport>) {
                return Format("scene %d channel %d value %d", r.scene, r.channel, r.value);
            } else if constexpr (std::is_same_v<T, ChannelFloatReport>) {
                return Format("scene %d channel %d value %.3f", r.scene, r.channel, r.value);
            } else if constexpr (std::is_same_v<T, FilterReport>) {
                return Format(
                    "scene %d channel %d high-pass type %d %d Hz slope %d, low-pass "
                    "type %d %d Hz slope %d",
                    r.scene, r.channel, r.hp_type, r.hp_freq, r.hp_slope, r.lp_type, r.lp_freq,
                    r.lp_slope);
            } else if constexpr (std::is_same_v<T, EqBandReport>) {
                return Format("scene %d channel %d band %d: %d Hz Q %.2f gain %.1f dB", r.scene,
                              r.channel, r.band, r.freq, r.q, r.gain);
            } else if constexpr (std::is_same_v<T, MixReport>) {
                return Format("scene %d source %d channel %d input mask 0x%02x", r.scene, r.source,
                              r.channel, r.mask);
            } else if constexpr (std::is_same_v<T, LinkReport>) {
                return Format("scene %d link %d pairs %d-%d-%d", r.scene, r.link, r.pairs[0],
                              r.pairs[1], r.pairs[2]);
            } else if constexpr (std::is_same_v<T, LockReport>) {
                return Format("scene %d lock %d", r.scene, r.lock);
            } else if constexpr (std::is_same_v<T, InputRangeReport>) {
                return Format("scene %d source %d ", r.scene, r.source) +
                       JoinRange(r.values, r.first, r.last);
            } else if constexpr (std::is_same_v<T, InputMixTrimReport>) {
                std::string out =
                    Format("scene %d source %d input %d trims", r.scene, r.source, r.input_channel);
                for (int i = 0; i <= r.last_output - r.first_output && i < kReportChannelSlots;
                     ++i) {
                    out += Format(" out%d=%d", r.first_output + i, r.trims[static_cast<size_t>(i)]);
                }
                return out;
            } else if constexpr (std::is_same_v<T, NoiseReport>) {
                return "input noise " + JoinRange(r.noise, r.first, r.last);
            } else if constexpr (std::is_same_v<T, HandshakeReport>) {
                return Format("handshake: model %d, main version %d, slave version %d", r.model,
                              r.master_version, r.slave_version);
            } else if constexpr (std::is_same_v<T, SceneNameReport>) {
                return Format("scene %d name '", r.scene_index + 1) + PrintableName(r.name) + "'";
            } else if constexpr (std::is_same_v<T, SceneValidReport>) {
                return Format("stored scenes holding data: mask 0x%04x", r.value);
            } else if constexpr (std::is_same_v<T, FlashVersionReport>) {
                return Format("flash version %02d%02d%02d%02d", r.versions[0], r.versions[1],
                              r.versions[2], r.versions[3]);
            } else if constexpr (std::is_same_v<T, MemDataReport>) {
                return Format("memory 0x%08x = 0x%08x", r.address, r.data);
            } else if constexpr (std::is_same_v<T, SpeakerConfigReport>) {
                return Format("speaker configuration 0x%02x", r.config);
            } else {
                return "(record)";
            }
        },
        record);
}

const char* MessageName(int id) {
    switch (id) {
        case kMsgDspReport:
            return "dsp";
        case kMsgMcuReport:
            return "mcu";
        case kMsgSceneReport:
            return "scene";
        case kMsgSceneDeleted:
            return "scene-deleted";
        case kMsgMcuNotNormal:
            return "loader-mode";
        case kMsgCalibration:
            return "calibration";
        case kMsgKtvReport:
            return "ktv";
        case kMsgMemData:
            return "memory";
        default:
            return "message";
    }
}

}  // namespace

std::string DescribeMessage(const Message& message) {
    std::string out = Format("%s %d [0x%02llx]: ", MessageName(message.id), message.id,
                             static_cast<unsigned long long>(message.wParam));
    std::string record = DescribeRecord(message.record);
    if (record.empty())
        return out + Format("value %lld", static_cast<long long>(message.value));
    return out + record;
}

}  // namespace korvel::cli
