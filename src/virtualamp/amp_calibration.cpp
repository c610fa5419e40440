#include "virtualamp/amp_calibration.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "eqgraph/calibration_curves.h"
#include "link/device_link_core.h"
#include "log/log.h"
#include "model/calibration_targets.h"

namespace korvel {
namespace {

enum IrcCommand : uint8_t {
    kIrcControl = 0x13,
    kIrcDistance = 0x14,
    kIrcTrim = 0x15,
    kIrcEqualizer = 0x16,
    kIrcSpectrum = 0x1A,
    kIrcModule = 0x1E,
};

enum IrcOn : uint8_t { kOnStop = 0, kOnStart = 1, kOnApply = 2, kOnDiscard = 3 };

constexpr uint8_t kCodeSpectrumReady = 7;
constexpr uint8_t kCodeEqualizerReady = 8;
constexpr uint8_t kCodeTestData = 9;
constexpr uint8_t kCodeDone = 10;
constexpr uint8_t kCodeFailed = 11;
constexpr uint8_t kFirstStageCodes = 7;  // codes 0..6 once each
constexpr int kReasonNoSpeaker = 2;

constexpr int kModuleEq = 1;
constexpr int kModuleDelay = 2;
constexpr int kModulePhase = 4;

constexpr size_t kSpectrumPointBytes = 5;
constexpr size_t kBandBytes = 6;
constexpr size_t kRangeReplyHeader = 3;  // channel, first, last

// The inclusive range [first, last] limited to `count` entries and to what one reply carries.
bool ClipRange(uint8_t first, uint8_t& last, size_t count, size_t groupBytes) {
    if (first >= count) {
        return false;
    }
    const size_t fit = (kMaxReplyData - kRangeReplyHeader) / groupBytes;
    const size_t limit = std::min(count - 1, first + fit - 1);
    last = static_cast<uint8_t>(std::min<size_t>(last, limit));
    return last >= first;
}

void AppendHundredths(std::vector<uint8_t>& out, double value, bool signedBytes) {
    const double whole = std::trunc(value);
    const long hundredths = std::lround((value - whole) * 100.0);
    if (signedBytes) {
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(whole)));
        out.push_back(static_cast<uint8_t>(static_cast<int8_t>(hundredths)));
    } else {
        out.push_back(static_cast<uint8_t>(whole));
        out.push_back(static_cast<uint8_t>(hundredths));
    }
}

InputReport Reply(uint8_t subcmd, uint8_t optype, const std::vector<uint8_t>& data) {
    return BuildInputReport(MCMD_DSP, subcmd, optype, data);
}

}  // namespace

int NaturalFailureCode(int reason) {
    static constexpr int kCodes[] = {2, 1, 1, 3, 4, 5};  // level, mic, speaker, delay, trim, eq
    return reason >= 0 && reason < 6 ? kCodes[reason] : -1;
}

bool AmpCalibration::Handle(const AmpRequest& request, AmpState& state,
                            std::vector<InputReport>& replies) {
    if (request.mcmd != MCMD_DSP) {
        return false;
    }
    const bool set = request.optype == OP_SET;
    const bool get = request.optype == OP_GET;
    const auto& p = request.payload;
    switch (request.subcmd) {
        case kIrcControl:
            if (set && p.size() >= 4) {
                Control(p, state);
                replies.push_back(Reply(request.subcmd, OP_ACK, {kAmpStatusDone}));
                return true;
            }
            if (get) {
                replies.push_back(Reply(request.subcmd, OP_DATA, Poll()));
                return true;
            }
            return false;
        case kIrcModule:
            if (!set || p.empty()) {
                return false;
            }
            module_ = p[0];
            replies.push_back(Reply(request.subcmd, OP_ACK, {kAmpStatusDone}));
            return true;
        case kIrcSpectrum:
        case kIrcEqualizer:
        case kIrcDistance:
            if (!get || p.size() < (request.subcmd == kIrcDistance ? 2u : 3u)) {
                return false;
            }
            replies.push_back(Reply(request.subcmd, OP_DATA,
                                    request.subcmd == kIrcSpectrum    ? Spectrum(p)
                                    : request.subcmd == kIrcEqualizer ? Equalizer(p)
                                                                      : Distances(p)));
            return true;
        default:
            return false;
    }
}

bool AmpCalibration::TakeUnplugRequest() {
    return std::exchange(unplugRequested_, false);
}

void AmpCalibration::Control(const std::vector<uint8_t>& p, AmpState& state) {
    const int on = p[0];
    const int mask = (p[1] << 8) | p[2];
    WriteLog("VirtualAmplifier: IRC on(%d) mask(0x%x) mode(%d)\n", on, mask, p[3]);
    switch (on) {
        case kOnStart:
            Start(mask, p[3], state);
            break;
        case kOnStop:
            if (run_ == Run::kRunning) {
                run_ = Run::kIdle;
            }
            break;
        case kOnApply:
            if (run_ == Run::kDone) {
                Apply(state);
                run_ = Run::kIdle;
            }
            break;
        case kOnDiscard:
            if (run_ == Run::kDone) {
                run_ = Run::kIdle;
            }
            break;
        default:
            break;
    }
}

void AmpCalibration::Start(int channelMask, int eqMode, const AmpState& state) {
    channelMask_ = static_cast<uint16_t>(channelMask & ((1 << kAmpChannels) - 1));
    measured_.reset();
    derived_.reset();
    nextStep_ = 0;
    failed_ = false;
    run_ = Run::kRunning;

    std::vector<int> channels;
    for (int ch = 0; ch < kAmpChannels; ++ch) {
        if ((channelMask_ >> ch) & 1) {
            channels.push_back(ch);
        }
    }
    // The measurement: every selected channel's speaker, the derived values.
    CarCurve target{};
    BandsResponseAt(CalibrationTargetPreset(CalibrationTargetForMode(eqMode)),
                    CarSpectrumFrequencies(), target);
    double farthest = 0.0;
    double quietest = 1e9;
    for (int ch : channels) {
        ChannelResult& r = results_[static_cast<size_t>(ch)];
        r.speaker = SimulateSpeaker(options_.seed, ch, state.live.channels[ch].speakerType);
        r.bands = DeriveEqualizer(r.speaker, target);
        farthest = std::max(farthest, r.speaker.distanceM);
        quietest = std::min(quietest, r.speaker.levelDb);
    }
    for (int ch : channels) {
        ChannelResult& r = results_[static_cast<size_t>(ch)];
        r.delayUs = AlignmentDelayUs(r.speaker.distanceM, farthest);
        r.gainHundredths = -static_cast<int32_t>(std::lround((r.speaker.levelDb - quietest) * 100));
    }

    // The steps the polls will report.
    steps_.clear();
    const bool eq = (module_ & kModuleEq) != 0;
    for (uint8_t code = 0; code < kFirstStageCodes; ++code) {
        steps_.push_back({code, 0, 0});
    }
    for (int ch : channels) {
        steps_.push_back({kCodeSpectrumReady, static_cast<uint8_t>(ch), 0});
        if (eq) {
            steps_.push_back({kCodeEqualizerReady, static_cast<uint8_t>(ch), 0});
        }
    }
    steps_.push_back({kCodeTestData, 0, 0});
    steps_.push_back({kCodeDone, 0, 0});
    for (size_t k = 0; k < steps_.size(); ++k) {
        steps_[k].progress = static_cast<uint8_t>(100 * k / (steps_.size() - 1));
    }
}

bool AmpCalibration::FailsAt(uint8_t code) const {
    if (channelMask_ == 0) {
        return code == NaturalFailureCode(kReasonNoSpeaker);
    }
    if (options_.failReason < 0) {
        return false;
    }
    const int at =
        options_.failAtCode >= 0 ? options_.failAtCode : NaturalFailureCode(options_.failReason);
    return code == at;
}

std::vector<uint8_t> AmpCalibration::Poll() {
    if (run_ == Run::kDone) {
        return {kCodeDone, 0, 0, 100, 0};
    }
    if (run_ != Run::kRunning || nextStep_ >= steps_.size()) {
        return {kAmpIrcIdleStatus, 0, 0, 0, 0};
    }
    const Step step = steps_[nextStep_];
    if (FailsAt(step.code)) {
        run_ = Run::kIdle;
        const int reason = channelMask_ == 0 ? kReasonNoSpeaker : options_.failReason;
        return {kCodeFailed, 0, 0, step.progress, static_cast<uint8_t>(reason)};
    }
    if (step.code == kCodeSpectrumReady) {
        measured_.set(step.channel);
    } else if (step.code == kCodeEqualizerReady) {
        derived_.set(step.channel);
    }
    ++nextStep_;
    if (step.code == kCodeDone) {
        run_ = Run::kDone;
    }
    if (options_.unplugAtCode == step.code) {
        options_.unplugAtCode = -1;  // a planned unplug happens once
        unplugRequested_ = true;
    }
    return {step.code, step.channel, 0, step.progress, 0};
}

std::vector<uint8_t> AmpCalibration::Spectrum(const std::vector<uint8_t>& p) const {
    uint8_t first = p[0], last = p[1];
    const uint8_t channel = p[2];
    std::vector<uint8_t> data = {channel, first, last};
    if (!ClipRange(first, last, kCarSpectrumPoints, kSpectrumPointBytes)) {
        return data;
    }
    data[2] = last;
    const bool known = channel < kAmpChannels && measured_.test(channel);
    for (size_t i = first; i <= last; ++i) {
        const double freq = known ? CarSpectrumFrequencies()[i] : 0.0;
        const double level = known ? results_[channel].speaker.measuredDb[i] : 0.0;
        const double whole = std::trunc(freq);
        data.push_back(static_cast<uint8_t>(static_cast<int>(whole) >> 8));
        data.push_back(static_cast<uint8_t>(static_cast<int>(whole) & 0xFF));
        data.push_back(static_cast<uint8_t>(std::lround((freq - whole) * 100.0)));
        AppendHundredths(data, level, true);
    }
    return data;
}

std::vector<uint8_t> AmpCalibration::Equalizer(const std::vector<uint8_t>& p) const {
    uint8_t first = p[0], last = p[1];
    const uint8_t channel = p[2];
    std::vector<uint8_t> data = {channel, first, last};
    if (!ClipRange(first, last, kCarDerivedBands, kBandBytes)) {
        return data;
    }
    data[2] = last;
    const bool known = channel < kAmpChannels && derived_.test(channel);
    for (size_t k = first; k <= last; ++k) {
        const AmpBand band = known ? results_[channel].bands[k] : AmpBand{};
        data.push_back(static_cast<uint8_t>(band.freq >> 8));
        data.push_back(static_cast<uint8_t>(band.freq & 0xFF));
        data.push_back(static_cast<uint8_t>(band.qHundredths / 100));
        data.push_back(static_cast<uint8_t>(band.qHundredths % 100));
        data.push_back(static_cast<uint8_t>(band.gainTenthsPlus18 / 10));
        data.push_back(static_cast<uint8_t>(band.gainTenthsPlus18 % 10));
    }
    return data;
}

std::vector<uint8_t> AmpCalibration::Distances(const std::vector<uint8_t>& p) const {
    const uint8_t first = p[0];
    const uint8_t last = std::min<uint8_t>(p[1], kAmpChannels - 1);
    std::vector<uint8_t> data = {first, last};
    for (size_t ch = first; ch <= last; ++ch) {
        AppendHundredths(data, measured_.test(ch) ? results_[ch].speaker.distanceM : 0.0, false);
    }
    return data;
}

void AmpCalibration::Apply(AmpState& state) {
    const auto& factory = FactoryBandFrequencies();
    for (size_t ch = 0; ch < kAmpChannels; ++ch) {
        if (((channelMask_ >> ch) & 1) == 0) {
            continue;
        }
        AmpChannel& channel = state.live.channels[ch];
        const ChannelResult& r = results_[ch];
        if (module_ & kModuleEq) {
            // The derived bands replace the whole equaliser; the other bands go flat.
            for (size_t band = 0; band < channel.bands.size(); ++band) {
                channel.bands[band] =
                    band < r.bands.size() ? r.bands[band] : AmpBand{factory[band], 580, 180};
            }
            channel.eqBypass = 0;
            channel.gainHundredths = r.gainHundredths;
        }
        if (module_ & kModuleDelay) {
            channel.delayMicroseconds = r.delayUs;
        }
        if (module_ & kModulePhase) {
            channel.phase = r.speaker.inverted ? 1 : 0;
        }
    }
}

std::shared_ptr<AmpCalibration> InstallSimulatedCar(VirtualAmplifier& amp,
                                                    const CarOptions& options) {
    auto calibration = std::make_shared<AmpCalibration>(options);
    amp.AddExtension(calibration);
    return calibration;
}

}  // namespace korvel
