// DSP parameter commands (main command 1): per-channel ranges, equaliser, crossover, routing,
// mix levels and the single device values.

#include <algorithm>
#include <optional>

#include "link/device_link_core.h"
#include "virtualamp/amp_commands.h"

namespace korvel::amp {
namespace {

enum DspCommand : uint8_t {
    kSourceConfig = 0x00,
    kSource = 0x01,
    kMainVolume = 0x02,
    kSubVolume = 0x03,
    kMute = 0x04,
    kFilter = 0x05,
    kEq = 0x06,
    kDelay = 0x07,
    kTrim = 0x08,
    kMuteCh = 0x09,
    kPhase = 0x0A,
    kMixCh = 0x0B,
    kChType = 0x0D,
    kChLink = 0x0E,
    kChLock = 0x0F,
    kPeqReset = 0x11,
    kPeqBypass = 0x12,
    kIrc = 0x13,
    kIrcTestMic = 0x1D,
    kIrcTestModule = 0x1E,
    kInputMixTrim = 0x24,
    kInputThreshold = 0x26,
    kInputNoise = 0x27,
    kInputMixTrimColumn = 0x28,
    kSolo = 0x34,
    kSpeakerConfig = 0x35,
    kAutoOn = 0x3B,
    kDspOption = 0x3C,
    kAmpMute = 0x3F,
    kMemData = 0x42,
};

constexpr size_t kRangeHeaderSize = 4;
constexpr size_t kLinkPairBytesReported = kAmpChannels / 2;
constexpr uint8_t kFilterSelectLowPass = 1;
constexpr uint8_t kFilterSelectHighPass = 2;
constexpr int kNoiseOffsetDb = 100;

struct Range {
    uint8_t scene;
    uint8_t source;
    uint8_t first;
    uint8_t last;
    size_t count() const { return last >= first ? static_cast<size_t>(last - first + 1) : 0; }
};

std::optional<Range> ReadRange(const std::vector<uint8_t>& payload) {
    if (payload.size() < kRangeHeaderSize) {
        return std::nullopt;
    }
    return Range{payload[0], payload[1], payload[2], payload[3]};
}

AmpChannel* ChannelAt(AmpScene& scene, size_t channel) {
    return channel < scene.channels.size() ? &scene.channels[channel] : nullptr;
}

// --- range commands -----------------------------------------------------------------------

// A range set: one value group per channel from first to last. Groups for channels the device
// does not have are skipped. A payload shorter than the header announces is dropped.
template <typename Apply>
bool SetChannelRange(CommandContext& c, size_t groupSize, Apply apply) {
    const auto range = ReadRange(c.payload());
    if (!range || c.payload().size() < kRangeHeaderSize + range->count() * groupSize) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, range->scene);
    if (scene == nullptr) {
        return false;
    }
    for (size_t k = 0; k < range->count(); ++k) {
        if (AmpChannel* channel = ChannelAt(*scene, range->first + k)) {
            apply(*channel, c.payload().data() + kRangeHeaderSize + k * groupSize);
        }
    }
    return true;
}

// A range reply: the request's header and one group per channel; channels the device does not
// have read as zero bytes. The range is shortened when it would not fit one input report.
template <typename Encode>
bool GetChannelRange(CommandContext& c, size_t groupSize, Encode encode) {
    auto range = ReadRange(c.payload());
    if (!range) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, range->scene);
    if (scene == nullptr) {
        return false;
    }
    const size_t fit = (kMaxReplyData - kRangeHeaderSize) / groupSize;
    if (range->count() > fit) {
        range->last = static_cast<uint8_t>(range->first + fit - 1);
    }
    std::vector<uint8_t> data = {range->scene, range->source, range->first, range->last};
    for (size_t k = 0; k < range->count(); ++k) {
        const size_t start = data.size();
        data.resize(start + groupSize, 0);
        if (const AmpChannel* channel = ChannelAt(*scene, range->first + k)) {
            encode(*channel, data.data() + start);
        }
    }
    c.Data(data);
    return true;
}

bool ByteField(CommandContext& c, uint8_t AmpChannel::*field) {
    if (c.request.optype == OP_SET) {
        return SetChannelRange(c, 1,
                               [field](AmpChannel& ch, const uint8_t* in) { ch.*field = in[0]; });
    }
    return GetChannelRange(c, 1,
                           [field](const AmpChannel& ch, uint8_t* out) { out[0] = ch.*field; });
}

bool Delay(CommandContext& c) {
    if (c.request.optype == OP_SET) {
        return SetChannelRange(c, 3, [](AmpChannel& ch, const uint8_t* in) {
            const uint16_t thousandths = std::min<uint16_t>(Read16(in + 1), 999);
            ch.delayMicroseconds = in[0] * 1000u + thousandths;
        });
    }
    return GetChannelRange(c, 3, [](const AmpChannel& ch, uint8_t* out) {
        const uint32_t whole = std::min<uint32_t>(ch.delayMicroseconds / 1000, 255);
        const uint32_t thousandths = ch.delayMicroseconds % 1000;
        out[0] = static_cast<uint8_t>(whole);
        out[1] = static_cast<uint8_t>(thousandths >> 8);
        out[2] = static_cast<uint8_t>(thousandths & 0xFF);
    });
}

// The command carries the attenuation (whole dB as a signed byte, optionally a second byte of
// hundredths); the report gives the gain back as one signed byte of whole dB.
bool Trim(CommandContext& c) {
    if (c.request.optype == OP_SET) {
        const auto range = ReadRange(c.payload());
        const bool fine =
            range && c.payload().size() == kRangeHeaderSize + range->count() * 2 && range->count();
        return SetChannelRange(c, fine ? 2 : 1, [fine](AmpChannel& ch, const uint8_t* in) {
            const int attenuation = static_cast<int8_t>(in[0]) * 100 + (fine ? in[1] % 100 : 0);
            ch.gainHundredths = -attenuation;
        });
    }
    return GetChannelRange(c, 1, [](const AmpChannel& ch, uint8_t* out) {
        const int whole = std::clamp(ch.gainHundredths / 100, -128, 127);
        out[0] = static_cast<uint8_t>(static_cast<int8_t>(whole));
    });
}

void EncodeFilter(const AmpFilter& filter, uint8_t* out) {
    out[0] = filter.type;
    out[1] = static_cast<uint8_t>(filter.freq >> 8);
    out[2] = static_cast<uint8_t>(filter.freq & 0xFF);
    out[3] = filter.slope;
}

bool Filter(CommandContext& c) {
    if (c.request.optype == OP_GET) {
        return GetChannelRange(c, 8, [](const AmpChannel& ch, uint8_t* out) {
            EncodeFilter(ch.highPass, out);
            EncodeFilter(ch.lowPass, out + 4);
        });
    }
    // scene, source, channel, filter selector, type, frequency (2), slope
    const auto& p = c.payload();
    if (p.size() < 8) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    AmpChannel* channel = ChannelAt(*scene, p[2]);
    if (channel != nullptr && (p[3] == kFilterSelectHighPass || p[3] == kFilterSelectLowPass)) {
        AmpFilter& filter = p[3] == kFilterSelectHighPass ? channel->highPass : channel->lowPass;
        filter = AmpFilter{p[4], Read16(&p[5]), p[7]};
    }
    return true;
}

// --- equaliser ----------------------------------------------------------------------------

void StoreBand(AmpBand& band, const uint8_t* in) {
    // Q arrives as whole + tenths digit, gain as (gain + 18) whole + tenths digit.
    band.freq = Read16(in);
    band.qHundredths = static_cast<uint16_t>(in[2] * 100 + (in[3] % 10) * 10);
    band.gainTenthsPlus18 = static_cast<int16_t>(in[4] * 10 + in[5] % 10);
}

void EncodeBand(const AmpBand& band, std::vector<uint8_t>& out) {
    Append16(out, band.freq);
    out.push_back(static_cast<uint8_t>(std::min(band.qHundredths / 100, 255)));
    out.push_back(static_cast<uint8_t>(band.qHundredths % 100));
    out.push_back(static_cast<uint8_t>(std::min(band.gainTenthsPlus18 / 10, 255)));
    out.push_back(static_cast<uint8_t>(band.gainTenthsPlus18 % 10));
}

bool SetEq(CommandContext& c) {
    const auto& p = c.payload();  // scene, source, channel, band, freq, Q, gain
    if (p.size() < 10) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    AmpChannel* channel = ChannelAt(*scene, p[2]);
    if (channel != nullptr && p[3] < kBandCount) {
        StoreBand(channel->bands[p[3]], &p[4]);
    }
    return true;
}

bool GetEq(CommandContext& c) {
    const auto& p = c.payload();  // scene, source, channel, first band, last band
    if (p.size() < 5) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    constexpr size_t kHeader = 5;
    constexpr size_t kGroup = 6;
    const uint8_t first = p[3];
    uint8_t last = p[4];
    const size_t fit = (kMaxReplyData - kHeader) / kGroup;
    if (last >= first && static_cast<size_t>(last - first + 1) > fit) {
        last = static_cast<uint8_t>(first + fit - 1);
    }
    std::vector<uint8_t> data = {p[0], p[1], p[2], first, last};
    const AmpChannel* channel = ChannelAt(*scene, p[2]);
    for (int band = first; band <= last; ++band) {
        if (channel != nullptr && band < kBandCount) {
            EncodeBand(channel->bands[static_cast<size_t>(band)], data);
        } else {
            data.insert(data.end(), kGroup, 0);
        }
    }
    c.Data(data);
    return true;
}

bool PeqReset(CommandContext& c) {
    const auto& p = c.payload();  // scene, source, channel count, channels
    if (p.size() < 3 || p.size() < 3u + p[2]) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    for (size_t i = 0; i < p[2]; ++i) {
        if (AmpChannel* channel = ChannelAt(*scene, p[3 + i])) {
            channel->bands = FactoryBands();
        }
    }
    return true;
}

// --- routing and mixing -------------------------------------------------------------------

bool MixChannels(CommandContext& c) {
    const auto range = ReadRange(c.payload());
    if (!range || range->source >= kSourceCount) {
        return false;
    }
    const size_t source = range->source;
    if (c.request.optype == OP_SET) {
        // One mask byte per output for up to 8 inputs, else two bytes, high byte first.
        const bool wide =
            range->count() && c.payload().size() == kRangeHeaderSize + range->count() * 2;
        AmpScene* scene = SceneAt(c.state, range->scene);
        if (scene == nullptr) {
            return false;
        }
        return SetChannelRange(c, wide ? 2 : 1, [&, wide](AmpChannel& ch, const uint8_t* in) {
            const size_t index = static_cast<size_t>(&ch - scene->channels.data());
            scene->routing[source][index] = wide ? Read16(in) : in[0];
        });
    }
    AmpScene* scene = SceneAt(c.state, range->scene);
    if (scene == nullptr) {
        return false;
    }
    return GetChannelRange(c, 1, [&](const AmpChannel& ch, uint8_t* out) {
        const size_t index = static_cast<size_t>(&ch - scene->channels.data());
        out[0] = static_cast<uint8_t>(scene->routing[source][index]);
    });
}

// Mixer matrix row: scene, source, input, first output, last output, one trim per output.
bool InputMixTrim(CommandContext& c) {
    const auto& p = c.payload();
    if (p.size() < 5 || p[1] >= kSourceCount || p[2] >= kMixInputs) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    auto& row = scene->mixTrim[p[1]][p[2]];
    const uint8_t first = p[3];
    uint8_t last = p[4];
    const size_t count = last >= first ? static_cast<size_t>(last - first + 1) : 0;
    if (c.request.optype == OP_SET) {
        if (p.size() < 5 + count) {
            return false;
        }
        for (size_t k = 0; k < count; ++k) {
            if (first + k < row.size()) {
                row[first + k] = static_cast<int8_t>(p[5 + k]);
            }
        }
        return true;
    }
    if (count > kMaxReplyData - 5) {
        last = static_cast<uint8_t>(first + kMaxReplyData - 5 - 1);
    }
    std::vector<uint8_t> data = {p[0], p[1], p[2], first, last};
    for (int out = first; out <= last; ++out) {
        const auto index = static_cast<size_t>(out);
        data.push_back(index < row.size() ? static_cast<uint8_t>(row[index]) : 0);
    }
    c.Data(data);
    return true;
}

// Mixer matrix column: scene, source, first input, last input, output, one trim per input.
bool SetInputMixTrimColumn(CommandContext& c) {
    const auto& p = c.payload();
    if (p.size() < 5 || p[1] >= kSourceCount) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    const size_t count = p[3] >= p[2] ? static_cast<size_t>(p[3] - p[2] + 1) : 0;
    if (scene == nullptr || p.size() < 5 + count) {
        return false;
    }
    for (size_t k = 0; k < count; ++k) {
        const size_t input = p[2] + k;
        if (input < kMixInputs && p[4] < kAmpChannels) {
            scene->mixTrim[p[1]][input][p[4]] = static_cast<int8_t>(p[5 + k]);
        }
    }
    return true;
}

// --- link and lock ------------------------------------------------------------------------

// Linking a pair makes the destination channel sound like its source: the equaliser, the
// crossover and the channel gain follow; mute, phase and delay stay the channel's own.
void CopyLinkedChannel(AmpScene& scene, const AmpLinkPair& pair) {
    if (pair.from >= kAmpChannels || pair.to >= kAmpChannels || pair.from == pair.to) {
        return;
    }
    const AmpChannel& from = scene.channels[pair.from];
    AmpChannel& to = scene.channels[pair.to];
    to.bands = from.bands;
    to.highPass = from.highPass;
    to.lowPass = from.lowPass;
    to.eqBypass = from.eqBypass;
    to.gainHundredths = from.gainHundredths;
}

bool Link(CommandContext& c) {
    const auto& p = c.payload();
    if (p.empty()) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    if (c.request.optype == OP_SET) {  // scene, link, pair count, pairs
        if (p.size() < 3) {
            return false;
        }
        const size_t pairs = std::min<size_t>({p[2], (p.size() - 3) / 2, kMaxLinkPairs});
        scene->link = p[1];
        scene->linkPairCount = static_cast<uint8_t>(pairs);
        for (size_t i = 0; i < pairs; ++i) {
            scene->linkPairs[i] = AmpLinkPair{p[3 + 2 * i], p[4 + 2 * i]};
            if (scene->link == 1) {
                CopyLinkedChannel(*scene, scene->linkPairs[i]);
            }
        }
        return true;
    }
    // scene, link, then one byte per channel pair slot: from in the high nibble, to in the low
    // nibble, 0xFF for an unused slot.
    std::vector<uint8_t> data = {p[0], scene->link};
    for (size_t i = 0; i < kLinkPairBytesReported; ++i) {
        const AmpLinkPair& pair = scene->linkPairs[i];
        data.push_back(i < scene->linkPairCount
                           ? static_cast<uint8_t>(((pair.from & 0x0F) << 4) | (pair.to & 0x0F))
                           : 0xFF);
    }
    c.Data(data);
    return true;
}

bool Lock(CommandContext& c) {
    const auto& p = c.payload();
    if (p.empty()) {
        return false;
    }
    AmpScene* scene = SceneAt(c.state, p[0]);
    if (scene == nullptr) {
        return false;
    }
    if (c.request.optype == OP_SET) {
        if (p.size() < 2) {
            return false;
        }
        scene->lock = p[1];
        return true;
    }
    c.Data({p[0], scene->lock});
    return true;
}

// --- single values of the live scene ------------------------------------------------------

template <typename T>
bool LiveByte(CommandContext& c, T AmpScene::*field) {
    if (c.request.optype == OP_SET) {
        if (c.payload().empty()) {
            return false;
        }
        c.state.live.*field = static_cast<T>(c.payload()[0]);
        return true;
    }
    c.Data({static_cast<uint8_t>(c.state.live.*field)});
    return true;
}

// The command carries the attenuation 6 - dB; the report gives dB.
bool MainVolume(CommandContext& c) {
    if (c.request.optype == OP_SET) {
        if (c.payload().empty()) {
            return false;
        }
        const int attenuation = static_cast<int8_t>(c.payload()[0]);
        c.state.live.mainVolumeDb = static_cast<int8_t>(std::clamp(6 - attenuation, -128, 127));
        return true;
    }
    c.Data({static_cast<uint8_t>(c.state.live.mainVolumeDb)});
    return true;
}

// Set: the threshold for the live scene. Get: scene, source (both optional).
bool InputThreshold(CommandContext& c) {
    if (c.request.optype == OP_SET) {
        return LiveByte(c, &AmpScene::inputThreshold);
    }
    const AmpScene* scene = c.payload().empty() ? &c.state.live : SceneAt(c.state, c.payload()[0]);
    if (scene == nullptr) {
        return false;
    }
    c.Data({static_cast<uint8_t>(scene->inputThreshold)});
    return true;
}

// Scene-addressed switch: set carries scene and value; get reports the live value.
bool SceneSwitch(CommandContext& c, uint8_t AmpScene::*field) {
    if (c.request.optype == OP_SET) {
        AmpScene* scene = c.payload().size() >= 2 ? SceneAt(c.state, c.payload()[0]) : nullptr;
        if (scene == nullptr) {
            return false;
        }
        scene->*field = c.payload()[1];
        return true;
    }
    c.Data({c.state.live.*field});
    return true;
}

// Input noise: first, last, then per input (noise + 100 dB) as whole and tenths.
bool InputNoise(CommandContext& c) {
    const auto& p = c.payload();
    if (p.size() < 2) {
        return false;
    }
    const uint8_t first = p[0];
    uint8_t last = p[1];
    const size_t fit = (kMaxReplyData - 2) / 2;
    if (last >= first && static_cast<size_t>(last - first + 1) > fit) {
        last = static_cast<uint8_t>(first + fit - 1);
    }
    std::vector<uint8_t> data = {first, last};
    for (int input = first; input <= last; ++input) {
        const auto index = static_cast<size_t>(input);
        const int tenths = index < c.state.inputNoiseTenths.size()
                               ? c.state.inputNoiseTenths[index] + kNoiseOffsetDb * 10
                               : 0;
        const int clamped = std::clamp(tenths, 0, 2559);
        data.push_back(static_cast<uint8_t>(clamped / 10));
        data.push_back(static_cast<uint8_t>(clamped % 10));
    }
    c.Data(data);
    return true;
}

bool SourceConfig(CommandContext& c) {
    std::vector<uint8_t> data = {static_cast<uint8_t>(kSourceCount)};
    for (int i = 0; i < kSourceCount; ++i) {
        data.push_back(static_cast<uint8_t>(kFirstSourceCode + i));
    }
    c.Data(data);
    return true;
}

// Address and data, both 32-bit little-endian; unknown addresses read 0.
bool MemData(CommandContext& c) {
    const auto& p = c.payload();
    if (p.size() < 8) {
        return false;
    }
    auto read32 = [&p](size_t at) {
        return static_cast<uint32_t>(p[at]) | static_cast<uint32_t>(p[at + 1]) << 8 |
               static_cast<uint32_t>(p[at + 2]) << 16 | static_cast<uint32_t>(p[at + 3]) << 24;
    };
    const uint32_t address = read32(0);
    if (c.request.optype == OP_SET) {
        c.state.memory[address] = read32(4);
        return true;
    }
    const auto found = c.state.memory.find(address);
    const uint32_t value = found == c.state.memory.end() ? 0 : found->second;
    std::vector<uint8_t> data(p.begin(), p.begin() + 4);
    for (int shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<uint8_t>(value >> shift));
    }
    c.Data(data);
    return true;
}

// Calibration is not simulated yet: the device reports an idle measurement.
bool IrcStatus(CommandContext& c) {
    c.Data({kAmpIrcIdleStatus, 0, 0, 0, 0});
    return true;
}

bool AcceptOnly(CommandContext&) {
    return true;
}

bool GetOnly(CommandContext& c, bool (*get)(CommandContext&)) {
    return c.request.optype == OP_GET && get(c);
}

bool SetOnly(CommandContext& c, bool (*set)(CommandContext&)) {
    return c.request.optype == OP_SET && set(c);
}

bool Dispatch(CommandContext& c) {
    switch (c.request.subcmd) {
        case kSourceConfig:
            return GetOnly(c, SourceConfig);
        case kSource:
            return LiveByte(c, &AmpScene::sourceCode);
        case kMainVolume:
            return MainVolume(c);
        case kSubVolume:
            return LiveByte(c, &AmpScene::subVolume);
        case kMute:
            return LiveByte(c, &AmpScene::mute);
        case kFilter:
            return Filter(c);
        case kEq:
            return c.request.optype == OP_SET ? SetEq(c) : GetEq(c);
        case kDelay:
            return Delay(c);
        case kTrim:
            return Trim(c);
        case kMuteCh:
            return ByteField(c, &AmpChannel::mute);
        case kPhase:
            return ByteField(c, &AmpChannel::phase);
        case kMixCh:
            return MixChannels(c);
        case kChType:
            return ByteField(c, &AmpChannel::speakerType);
        case kChLink:
            return Link(c);
        case kChLock:
            return Lock(c);
        case kPeqReset:
            return SetOnly(c, PeqReset);
        case kPeqBypass:
            return ByteField(c, &AmpChannel::eqBypass);
        case kIrc:
            return c.request.optype == OP_SET ? true : IrcStatus(c);
        case kIrcTestMic:
        case kIrcTestModule:
            return SetOnly(c, AcceptOnly);
        case kInputMixTrim:
            return InputMixTrim(c);
        case kInputThreshold:
            return InputThreshold(c);
        case kInputNoise:
            return GetOnly(c, InputNoise);
        case kInputMixTrimColumn:
            return SetOnly(c, SetInputMixTrimColumn);
        case kSolo:
            return ByteField(c, &AmpChannel::solo);
        case kSpeakerConfig:
            return LiveByte(c, &AmpScene::speakerConfig);
        case kAutoOn:
            return SceneSwitch(c, &AmpScene::autoOn);
        case kDspOption:
            return SetOnly(
                c, [](CommandContext& cc) { return SceneSwitch(cc, &AmpScene::dspOption); });
        case kAmpMute:
            return LiveByte(c, &AmpScene::ampMute);
        case kMemData:
            return MemData(c);
        default:
            return false;
    }
}

}  // namespace

bool HandleDspCommand(CommandContext& c) {
    if (c.request.optype != OP_SET && c.request.optype != OP_GET) {
        return false;
    }
    const size_t repliesBefore = c.replies.size();
    if (!Dispatch(c)) {
        return false;
    }
    // Every accepted set is acknowledged; gets have answered with their data report.
    if (c.request.optype == OP_SET && c.replies.size() == repliesBefore) {
        c.Ack();
    }
    return true;
}

}  // namespace korvel::amp
