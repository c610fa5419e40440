// Decoding of DSP replies (packet type 1) into report messages for the report, calibration and
// memory windows.

#include "commands/device_link.h"
#include "commands/reply_reader.h"
#include "commands/wire_values.h"
#include "log/log.h"

namespace korvel {

using reply::Announced;
using reply::Arrived;
using reply::Has;
using wire::S8;
using wire::U16;

namespace {

enum class Signedness { Signed, Unsigned };

// Range replies: scene, source, first, last at bytes 2..5, groups from byte 6.
constexpr size_t kRangeHeaderEnd = 6;

struct RangeHeader {
    uint8_t op, scene, source, first, last;
};

RangeHeader ReadHeader(std::span<const uint8_t> p) {
    return {p[1], p[2], p[3], p[4], p[5]};
}

void LogRangeTitle(const char* title, const RangeHeader& h) {
    WriteLog("%s OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", title, h.op,
             h.scene, h.source, h.first, h.last);
}

bool TooShort(std::span<const uint8_t> p, size_t need) {
    if (Has(p, need)) {
        return false;
    }
    WriteLog("dsp_ack_process: reply 0x%02x too short (%d of %d bytes), dropped\n", p[0],
             static_cast<int>(p.size()), static_cast<int>(need));
    return true;
}

const char* const kIrcStatusNames[] = {
    "IRC_RET_START_TEST",       "IRC_RET_SPK_STATUS_TEST",    "IRC_RET_LEVEL_TEST",
    "IRC_RET_DELAY_TEST",       "IRC_RET_TRIM_TEST",          "IRC_RET_EQ_TEST",
    "IRC_RET_SPEAKER_RTA_TEST", "IRC_RET_SPEAKER_RTA_UPDATE", "IRC_RET_EQ_DATA_UPDATE",
    "IRC_RET_TEST_DATA_UPDATE", "IRC_RET_TEST_DONE",          "IRC_RET_TEST_FAIL->",
    "IRC_RET_TEST_EXIT",
};
constexpr int kIrcTestFail = 11;

const char* const kIrcFailNames[] = {
    "IRC_FAIL_NO_VAR", "IRC_FAIL_NO_MIC", "IRC_FAIL_NO_SPEAKER",
    "IRC_FAIL_DELAY",  "IRC_FAIL_TRIM",   "IRC_FAIL_EQ",
};

}  // namespace

void DeviceLink::dsp_ack_process(std::span<const uint8_t> p) {
    if (p.empty()) {
        return;
    }
    const uint8_t id = p[0];
    WriteLog("dsp_ack_process: cmd(0x%08x)\n", id);
    if (p.size() < 2) {
        return;
    }
    const uint8_t op = p[1];
    if (id == dsp::CH_TYPE && op == OP_ACK) {
        WriteLog("DSP_CH_TYPE OP_ACK\n");
        return;
    }
    if (op != OP_DATA) {
        return;
    }

    // Single values travel in the message itself.
    // Logged as "<name> OP=0x<op>, <label> = <value>", the value in hexadecimal for sources.
    enum class Shown { Decimal, Hex };
    auto single = [&](const char* name, const char* label, Signedness sign,
                      Shown shown = Shown::Decimal) {
        if (TooShort(p, 3)) {
            return;
        }
        const int v = sign == Signedness::Signed ? S8(p[2]) : p[2];
        WriteLog(shown == Shown::Hex ? "%s OP=0x%x, %s = 0x%x\n" : "%s OP=0x%x, %s = %d\n", name,
                 op, label, v);
        PostValue(Target::Report, kMsgDspReport, id, v);
    };
    auto single_plain = [&](const char* prefix) {
        if (TooShort(p, 3)) {
            return;
        }
        WriteLog("%s%d\n", prefix, p[2]);
        PostValue(Target::Report, kMsgDspReport, id, p[2]);
    };

    switch (id) {
        case dsp::SOURCE_CONFIG: {
            if (TooShort(p, 3)) {
                return;
            }
            WriteLog("DSP_SOURCE_CONFIG update total source=%d -->\n", p[2]);
            const size_t n = Arrived(p, 3, 1, p[2]);
            for (size_t i = 0; i < n; ++i) {
                WriteLog("source%d = %d\n", static_cast<int>(i), p[3 + i]);
            }
            return;
        }
        case dsp::SOURCE_SWITCH:
            return single("DSP_SOURCE_SWITCH", "source", Signedness::Unsigned, Shown::Hex);
        case dsp::VOLUME:
            return single("DSP_VOLUME", "MVol", Signedness::Signed);
        case dsp::SUBWOOFER_VOLUME:
            return single("DSP_SUBWOOFER_VOLUME", "SUBW Vol", Signedness::Signed);
        case dsp::MUTE:
            return single("DSP_MUTE", "MUTE", Signedness::Unsigned);
        case dsp::FILTER:
            return DecodeFilters(p);
        case dsp::EQ:
            return DecodeEqBands(p);
        case dsp::DELAY:
            return DecodeDelays(p);
        case dsp::TRIM:
            return DecodeTrims(p);
        case dsp::MUTE_CH:
            return DecodeRangeInts(p, "DSP_MUTE_CH", "mute");
        case dsp::PHASE:
            return DecodeRangeInts(p, "Get DSP_PHASE_CH", "phase");
        case dsp::MIX_CH:
            return DecodeMix(p);
        case dsp::CH_TYPE:
            return DecodeRangeInts(p, nullptr, "ch_type");
        case dsp::CH_LINK:
            return DecodeLink(p, "link");
        case dsp::CH_LOCK: {
            if (TooShort(p, 4)) {
                return;
            }
            WriteLog("scene(%d), lock(%d)\n", p[2], p[3]);
            return PostRecord(Target::Report, kMsgDspReport, id, LockReport{p[2], p[3]});
        }
        case dsp::PEQ_RESET:
            if (!TooShort(p, 3)) {
                WriteLog("DSP_EQ_RESET OP=0x%x, scene =%d, \n", op, p[2]);
            }
            return;
        case dsp::PEQ_BYPASS:
            return DecodeRangeInts(p, "DSP_EQ_BYPASS", "bypass");
        case dsp::IRC_CTRL:
            return DecodeIrcStatus(p);
        case dsp::IRC_DISTANCE:
            return DecodeIrcChannels(p, IrcValue::Distance, "DSP_IRC_DISTANCE", "distance", " ");
        case dsp::IRC_TRIM:
            return DecodeIrcChannels(p, IrcValue::Byte, "IRC_CH_TRIM", "trim", " ");
        case dsp::IRC_EQ:
            return DecodeIrcEq(p);
        case dsp::IRC_SPK_SIZE:
            return DecodeIrcChannels(p, IrcValue::Byte, "Get DSP_IRC_SPK_SIZE", "size");
        case dsp::IRC_SPK_PHASE:
            return DecodeIrcChannels(p, IrcValue::Byte, "Get DSP_IRC_SPK_PHASE", "phase");
        case dsp::IRC_SPK_LEVEL:
            return DecodeIrcChannels(p, IrcValue::Byte, "Get DSP_IRC_SPK_LEVEL", "spk_level");
        case dsp::IRC_SPECTRUM:
            return DecodeIrcSpectrum(p);
        case dsp::IRC_NOISE_LEVEL:
            return DecodeIrcChannels(p, IrcValue::Byte, "Get DSP_IRC_NOISE_LEVEL", "noise level");
        case dsp::INPUT_TRIM:
            return DecodeInputRange(p, "DSP_INPUT_TRIM_CH");
        case dsp::INPUT_MUTE:
            return DecodeInputRange(p, "DSP_INPUT_CH_MUTE");
        case dsp::INPUT_PHASE:
            return DecodeInputRange(p, "Get INPUT_CH_PHASE");
        case dsp::INPUT_EQ:
            if (!TooShort(p, 3)) {
                WriteLog("DSP_INPUT_EQ_CH OP=0x%x, scene =%d, \n", op, p[2]);
            }
            return DecodeEqBands(p);
        case dsp::INPUT_MIX_TRIM:
            return DecodeInputMixTrim(p);
        case dsp::INPUT_THRESHOLD: {
            if (TooShort(p, 3)) {
                return;
            }
            WriteLog("input_threshold = %d\n", S8(p[2]));
            return PostValue(Target::Report, kMsgDspReport, id, S8(p[2]));
        }
        case dsp::INPUT_NOISE:
            return DecodeNoise(p);
        case dsp::CH_TRIM_LINK:
            return DecodeLink(p, "trim_link");
        case dsp::CH_DELAY_LINK:
            return DecodeLink(p, "delay_link");
        case dsp::REMOTE_CH:
            if (!TooShort(p, 4)) {
                PostValue(Target::Report, kMsgDspReport, id, U16(&p[2]));
            }
            return;
        case dsp::SOLO:
            return DecodeRangeInts(p, "DSP_CH_SOLO", "solo");
        case dsp::SPEAKER_CONFIG: {
            if (TooShort(p, 3)) {
                return;
            }
            WriteLog("DSP_SPK_CH_CONFIG spk_cfg(0x%02x)\n", p[2]);
            return PostRecord(Target::Report, kMsgDspReport, id, SpeakerConfigReport{p[2]});
        }
        case dsp::MIX_TYPE: {
            if (TooShort(p, 5)) {
                return;
            }
            WriteLog("MIX_TYPE OP=0x%x, scene =%d, source = 0x%x, mix_type(%d)\n", op, p[2], p[3],
                     p[4]);
            return PostRecord(Target::Report, kMsgDspReport, id,
                              ChannelIntReport{p[2], p[3], p[4]});
        }
        case dsp::HPF_Q_FACT:
            return DecodeQFactor(p, "DSP_HPF_Q_FACT_MODE");
        case dsp::LPF_Q_FACT:
            return DecodeQFactor(p, "DSP_LPF_Q_FACT_MODE");
        case dsp::FACTORY_PRESET:
            return single_plain("fac_preset mode = ");
        case dsp::SETUP_MODE:
            return single_plain("setup_mode mode = ");
        case dsp::AUTO_ON:
            return single_plain("DSP_AUTO_EFFECTION_ON_OFF_CONTROL");
        case dsp::COMPRESSOR:
            return DecodeCompressor(p);
        case dsp::AMP_MUTE:
            return single("DSP_AMP_MUTE", "MUTE", Signedness::Unsigned);
        case dsp::IN_DISTORT:
            return DecodeDistort(p, DistortSide::kInput);
        case dsp::OUT_DISTORT:
            return DecodeDistort(p, DistortSide::kOutput);
        case dsp::MEM_DATA:
            return DecodeMemData(p);
        case dsp::SPK_DIST:
            return DecodeSpeakerDistance(p);
        case dsp::MIX_SOURCE_SWITCH:
            return single("DSP_MIX_SOURCE_SWITCH", "source", Signedness::Unsigned, Shown::Hex);
        case dsp::MIX_TYPE2: {
            if (TooShort(p, 3)) {
                return;
            }
            WriteLog("MIX_TYPE2 OP=0x%x, mix_type(%d)\n", op, p[2]);
            WriteLog("mix_type2(%d)\n", p[2]);
            MixType2Report r;
            r.mix_type = p[2];
            return PostRecord(Target::Report, kMsgDspReport, id, r);
        }
        default:
            return;  // not a reply this application decodes
    }
}

// One ChannelIntReport per channel, the value one unsigned byte.
void DeviceLink::DecodeRangeInts(std::span<const uint8_t> p, const char* title, const char* label) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    if (title != nullptr) {
        LogRangeTitle(title, h);
    }
    const size_t n = Arrived(p, kRangeHeaderEnd, 1, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const int ch = h.first + static_cast<int>(k);
        const int v = p[kRangeHeaderEnd + k];
        WriteLog("ch(%d), %s(%d)\n", ch, label, v);
        PostRecord(Target::Report, kMsgDspReport, p[0], ChannelIntReport{h.scene, ch, v});
    }
}

void DeviceLink::DecodeFilters(std::span<const uint8_t> p) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    WriteLog("DSP_FILTER_GET OP=0x%x, scene =%d, source = 0x%x, from ch(%d) to ch_end(%d)\n", h.op,
             h.scene, h.source, h.first, h.last);
    const size_t n = Arrived(p, kRangeHeaderEnd, 8, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* g = &p[kRangeHeaderEnd + k * 8];
        FilterReport r{
            h.scene, h.first + static_cast<int>(k), g[0], U16(g + 1), g[3], g[4], U16(g + 5), g[7]};
        WriteLog(
            "ch(%d): hp_type = %d, hp_freq = %d, hp_slope = %d, lp_type = %d, lp_freq = %d, "
            "lp_slope = %d\n",
            r.channel, r.hp_type, r.hp_freq, r.hp_slope, r.lp_type, r.lp_freq, r.lp_slope);
        PostRecord(Target::Report, kMsgDspReport, p[0], r);
    }
}

// Equaliser bands: scene, source, channel, first band, last band at bytes 2..6, groups of six
// from byte 7.
void DeviceLink::DecodeEqBands(std::span<const uint8_t> p) {
    constexpr size_t kStart = 7;
    if (TooShort(p, kStart)) {
        return;
    }
    const uint8_t scene = p[2], source = p[3], channel = p[4], first = p[5], last = p[6];
    WriteLog("DSP_EQ_CH OP=0x%x, scene =%d, source = %d, ch= %d, band=%d, band_end = %d\n", p[1],
             scene, source, channel, first, last);
    const size_t n = Arrived(p, kStart, 6, Announced(first, last));
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* g = &p[kStart + k * 6];
        EqBandReport r{scene,
                       channel,
                       first + static_cast<int>(k),
                       U16(g),
                       wire::QReport(g + 2),
                       wire::GainReport(g + 4)};
        WriteLog("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", r.band, r.freq, r.q, r.gain);
        PostRecord(Target::Report, kMsgDspReport, p[0], r);
    }
}

void DeviceLink::DecodeDelays(std::span<const uint8_t> p) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    LogRangeTitle("DSP_DELAY_CH", h);
    const size_t n = Arrived(p, kRangeHeaderEnd, 3, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const int ch = h.first + static_cast<int>(k);
        const float delay = wire::DelayReport(&p[kRangeHeaderEnd + k * 3]);
        WriteLog("ch(%d), delay(%.3f)\n", ch, delay);
        PostRecord(Target::Report, kMsgDspReport, p[0], ChannelFloatReport{h.scene, ch, delay});
    }
}

void DeviceLink::DecodeTrims(std::span<const uint8_t> p) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    LogRangeTitle("DSP_TRIM_CH", h);
    const bool fine = fine_trim_;
    const size_t group = fine ? 2 : 1;
    const size_t n = Arrived(p, kRangeHeaderEnd, group, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const int ch = h.first + static_cast<int>(k);
        const float trim = wire::TrimReport(&p[kRangeHeaderEnd + k * group], fine);
        WriteLog("ch(%d), trim(%.2f)\n", ch, trim);
        PostRecord(Target::Report, kMsgDspReport, p[0], ChannelFloatReport{h.scene, ch, trim});
    }
}

void DeviceLink::DecodeMix(std::span<const uint8_t> p) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    LogRangeTitle("DSP_MIX_CH", h);
    const bool wide = inputs_ >= 9;
    const size_t group = wide ? 2 : 1;
    const size_t n = Arrived(p, kRangeHeaderEnd, group, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* g = &p[kRangeHeaderEnd + k * group];
        const int ch = h.first + static_cast<int>(k);
        const int mask = wide ? U16(g) : g[0];
        WriteLog("source(%d) ch(%d), mix(%d)\n", h.source, ch, mask);
        PostRecord(Target::Report, kMsgDspReport, p[0], MixReport{h.scene, h.source, ch, mask});
    }
}

// Link replies: scene, link, then half the output count of channel-pair bytes.
void DeviceLink::DecodeLink(std::span<const uint8_t> p, const char* label) {
    if (TooShort(p, 4)) {
        return;
    }
    LinkReport r;
    r.scene = p[2];
    r.link = p[3];
    const size_t wanted = std::min<size_t>(std::max(outputs_.load(), 0) / 2, r.pairs.size());
    const size_t n = Arrived(p, 4, 1, wanted);
    for (size_t i = 0; i < n; ++i) {
        r.pairs[i] = p[4 + i];
    }
    WriteLog("scene(%d), %s(%d)\n", r.scene, label, r.link);
    PostRecord(Target::Report, kMsgDspReport, p[0], r);
}

void DeviceLink::DecodeInputRange(std::span<const uint8_t> p, const char* title) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    LogRangeTitle(title, h);
    InputRangeReport r{h.scene, h.source, h.first, h.last, {}};
    const size_t n = Arrived(p, kRangeHeaderEnd, 1, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const size_t ch = h.first + k;
        if (ch < r.values.size()) {
            r.values[ch] = static_cast<int8_t>(p[kRangeHeaderEnd + k]);
        }
    }
    PostRecord(Target::Report, kMsgDspReport, p[0], r);
}

void DeviceLink::DecodeInputMixTrim(std::span<const uint8_t> p) {
    constexpr size_t kStart = 7;
    if (TooShort(p, kStart)) {
        return;
    }
    InputMixTrimReport r{p[2], p[3], p[4], p[5], p[6], {}};
    WriteLog(
        "DSP_INPUT_MIX_CH_TRIM OP=0x%x, scene =%d, source = 0x%x, in_ch(%d) from out_ch(%d) to "
        "out_ch_end(%d)\n",
        p[1], r.scene, r.source, r.input_channel, r.first_output, r.last_output);
    WriteLog("in_ch(%d) -> out_ch_x(%d) to out_ch_y(%d), ", r.input_channel, r.first_output,
             r.last_output);
    const size_t n = std::min(Arrived(p, kStart, 1, Announced(p[5], p[6])), r.trims.size());
    for (size_t i = 0; i < n; ++i) {
        r.trims[i] = static_cast<int8_t>(p[kStart + i]);
        WriteLog("trim[%d]=(%d),", r.first_output + static_cast<int>(i), r.trims[i]);
    }
    WriteLog("\n");
    PostRecord(Target::Report, kMsgDspReport, p[0], r);
}

void DeviceLink::DecodeNoise(std::span<const uint8_t> p) {
    constexpr size_t kStart = 4;
    if (TooShort(p, kStart)) {
        return;
    }
    NoiseReport r{p[2], p[3], {}};
    WriteLog("INPUT_NOISE OP=0x%x, ch_x=%d, ch_y = %d\n", p[1], r.first, r.last);
    const size_t n = Arrived(p, kStart, 2, Announced(p[2], p[3]));
    for (size_t k = 0; k < n; ++k) {
        const size_t ch = p[2] + k;
        const float noise = wire::NoiseReportValue(&p[kStart + k * 2]);
        WriteLog("noise[%d]=(%f),", static_cast<int>(ch), noise);
        if (ch < r.noise.size()) {
            r.noise[ch] = noise;
        }
    }
    WriteLog("\n");
    PostRecord(Target::Report, kMsgDspReport, p[0], r);
}

void DeviceLink::DecodeQFactor(std::span<const uint8_t> p, const char* title) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    WriteLog("%s OP=0x%x, ch_x=%d, ch_y = %d\n", title, h.op, h.first, h.last);
    QFactorReport r{h.scene, h.source, h.first, h.last, {}};
    const size_t n = Arrived(p, kRangeHeaderEnd, 1, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const size_t ch = h.first + k;
        WriteLog("q_fact_mode[%d]=(%d),", static_cast<int>(ch), p[kRangeHeaderEnd + k]);
        if (ch < r.modes.size()) {
            r.modes[ch] = p[kRangeHeaderEnd + k];
        }
    }
    WriteLog("\n");
    PostRecord(Target::Report, kMsgDspReport, p[0], r);
}

void DeviceLink::DecodeCompressor(std::span<const uint8_t> p) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    WriteLog("DSP_COMPRESSOR_GET OP=0x%x, scene =%d, source =%d, from ch(%d) to ch_end(%d)\n", h.op,
             h.scene, h.source, h.first, h.last);
    constexpr size_t kGroup = 11;
    const size_t n = Arrived(p, kRangeHeaderEnd, kGroup, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* g = &p[kRangeHeaderEnd + k * kGroup];
        CompressorReport r;
        r.scene = h.scene;
        r.channel = h.first + static_cast<int>(k);
        r.bypass = g[0];
        r.threshold = wire::CompressorThresholdReport(g + 1);
        r.ratio = wire::TenthsReport(g + 3);
        r.knee = wire::TenthsReport(g + 5);
        r.attack = U16(g + 7);
        r.release = U16(g + 9);
        WriteLog(
            "ch(%d): bypass = %d, noise = (%f), ratio = (%f), soft_knee =(%f), attack_time = "
            "%d, release_time = %d\n",
            r.channel, r.bypass, static_cast<double>(r.threshold), r.ratio, r.knee, r.attack,
            r.release);
        PostRecord(Target::Report, kMsgDspReport, p[0], r);
    }
}

// Distortion levels: source, first, last at bytes 2..4, levels from byte 5.
void DeviceLink::DecodeDistort(std::span<const uint8_t> p, DistortSide side) {
    const bool output = side == DistortSide::kOutput;
    constexpr size_t kStart = 5;
    if (TooShort(p, kStart)) {
        return;
    }
    const uint8_t source = p[2], first = p[3], last = p[4];
    WriteLog(output ? "DSP_OUTPUT_CH_DISTORT OP=0x%x, source = 0x%x, from ch(%d) to ch_end(%d)\n"
                    : "DSP_INPUT_CH_DISTORT OP=0x%x, source = 0x%x, from ch(%d) to ch_end(%d)\n",
             p[1], source, first, last);
    std::array<int8_t, kReportChannelSlots> levels{};
    const size_t n = Arrived(p, kStart, 1, Announced(first, last));
    for (size_t k = 0; k < n; ++k) {
        const size_t ch = first + k;
        WriteLog("ch(%d), distort(%d)\n", static_cast<int>(ch), S8(p[kStart + k]));
        if (ch < levels.size()) {
            levels[ch] = static_cast<int8_t>(p[kStart + k]);
        }
    }
    if (output) {
        PostRecord(Target::Report, kMsgDspReport, p[0],
                   OutputDistortReport{0, source, first, last, levels});
    } else {
        PostRecord(Target::Report, kMsgDspReport, p[0],
                   InputDistortReport{source, first, last, levels});
    }
}

void DeviceLink::DecodeMemData(std::span<const uint8_t> p) {
    if (TooShort(p, 10)) {
        return;
    }
    const MemDataReport r{wire::U32LE(&p[2]), wire::U32LE(&p[6])};
    WriteLog("DSP_MEM_DATA: addr(0x%08x), data(0x%08x)\n", r.address, r.data);
    WriteLog("addr %02x, %02x, %02x, %02x\n", p[2], p[3], p[4], p[5]);
    WriteLog("data %02x, %02x, %02x, %02x\n", p[6], p[7], p[8], p[9]);
    PostRecord(Target::Memory, kMsgMemData, p[0], r);
}

void DeviceLink::DecodeSpeakerDistance(std::span<const uint8_t> p) {
    if (TooShort(p, kRangeHeaderEnd)) {
        return;
    }
    const RangeHeader h = ReadHeader(p);
    WriteLog("DSP_SPK_DIST OP=0x%x, ch_x=%d, ch_y = %d\n", h.op, h.first, h.last);
    SpeakerDistanceReport r{h.scene, h.source, h.first, h.last, {}};
    const size_t n = Arrived(p, kRangeHeaderEnd, 2, Announced(h.first, h.last));
    for (size_t k = 0; k < n; ++k) {
        const size_t ch = h.first + k;
        const int dist = U16(&p[kRangeHeaderEnd + k * 2]);
        WriteLog("q_spk_dist[%d]=(%d/100),", static_cast<int>(ch), dist);
        if (ch < r.distances.size()) {
            r.distances[ch] = static_cast<uint16_t>(dist);
        }
    }
    WriteLog("\n");
    PostRecord(Target::Report, kMsgDspReport, p[0], r);
}

// --- Calibration ----------------------------------------------------------------------------

void DeviceLink::DecodeIrcStatus(std::span<const uint8_t> p) {
    if (TooShort(p, 3)) {
        return;
    }
    const int status = p[2];
    const int progress = Has(p, 6) ? p[5] : 0;
    WriteLog("DSP_IRC_CTRL Update Status = 0x%x, progress = %d\n", status, progress);
    if (status >= static_cast<int>(std::size(kIrcStatusNames))) {
        WriteLog("IRC status 0x%x unknown, not posted\n", status);
        return;
    }
    if (status == kIrcTestFail) {
        if (TooShort(p, 7)) {
            return;
        }
        const int reason = p[6];
        if (reason >= static_cast<int>(std::size(kIrcFailNames))) {
            WriteLog("%s%d unknown, not posted\n", kIrcStatusNames[status], reason);
            return;
        }
        WriteLog("%s%s\n", kIrcStatusNames[status], kIrcFailNames[reason]);
        return PostValue(Target::Calibration, kMsgCalibration, status, reason);
    }
    WriteLog("%s\n", kIrcStatusNames[status]);
    if (status == 7 || status == 8) {
        if (!TooShort(p, 4)) {
            PostValue(Target::Calibration, kMsgCalibration, status, p[3]);
        }
        return;
    }
    if (!TooShort(p, 6)) {
        PostValue(Target::Calibration, kMsgCalibration, status, progress);
    }
}

// Calibration channel replies: first, last at bytes 2 and 3, values from byte 4 (two bytes of
// hundredths for distances, one byte otherwise).
void DeviceLink::DecodeIrcChannels(std::span<const uint8_t> p, IrcValue kind, const char* title,
                                   const char* label, const char* titleTail) {
    constexpr size_t kStart = 4;
    if (TooShort(p, kStart)) {
        return;
    }
    const uint8_t first = p[2], last = p[3];
    WriteLog("%s Update from ch(%d) to ch_end(%d)%s\n", title, first, last, titleTail);
    const bool distance = kind == IrcValue::Distance;
    const size_t group = distance ? 2 : 1;
    const size_t n = Arrived(p, kStart, group, Announced(first, last));
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* g = &p[kStart + k * group];
        IrcChannelReport r;
        r.channel = first + static_cast<int>(k);
        if (distance) {
            r.value = wire::HundredthsReport(g);
            r.int_value = static_cast<int32_t>(r.value);
            WriteLog("ch(%d), %s(%f)\n", r.channel, label, static_cast<double>(r.value));
        } else {
            r.int_value = g[0];
            r.value = static_cast<float>(g[0]);
            WriteLog("ch(%d), %s(%d)\n", r.channel, label, r.int_value);
        }
        PostRecord(Target::Calibration, kMsgCalibration, p[0], r);
    }
}

namespace {
// Calibration band replies: channel, first and last band at bytes 2..4, then one group of
// `group` bytes per band that arrived. `title` logs the header, `band` decodes one group.
template <typename Title, typename Band>
void ForEachIrcBand(std::span<const uint8_t> p, size_t group, Title title, Band band) {
    constexpr size_t kStart = 5;
    if (TooShort(p, kStart)) {
        return;
    }
    const uint8_t channel = p[2], first = p[3], last = p[4];
    title(channel, first, last);
    const size_t n = Arrived(p, kStart, group, Announced(first, last));
    for (size_t k = 0; k < n; ++k) {
        band(channel, first + static_cast<int>(k), &p[kStart + k * group]);
    }
}
}  // namespace

void DeviceLink::DecodeIrcEq(std::span<const uint8_t> p) {
    ForEachIrcBand(
        p, 6,
        [](int channel, int first, int last) {
            WriteLog("DSP_IRC_EQ Update from ch(%d) from band(%d) to band_end(%d) \n", channel,
                     first, last);
        },
        [&](uint8_t channel, int band, const uint8_t* g) {
            IrcEqBandReport r{channel, band, U16(g), wire::QReport(g + 2), wire::GainReport(g + 4)};
            WriteLog("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", r.band, r.freq, r.q, r.gain);
            PostRecord(Target::Calibration, kMsgCalibration, p[0], r);
        });
}

void DeviceLink::DecodeIrcSpectrum(std::span<const uint8_t> p) {
    ForEachIrcBand(
        p, 5,
        [](int channel, int first, int last) {
            WriteLog("DSP_IRC_SPECTRUM Update from band(%d) to band_end(%d) @ ch(%d) \n", first,
                     last, channel);
        },
        [&](uint8_t channel, int band, const uint8_t* g) {
            IrcSpectrumReport r{channel, band, wire::SpectrumFreqReport(g),
                                wire::SpectrumGainReport(g + 3)};
            WriteLog("band(%d), freq(%f), Gain(%f)\n", r.band, r.freq, r.gain);
            PostRecord(Target::Calibration, kMsgCalibration, p[0], r);
        });
}

}  // namespace korvel
