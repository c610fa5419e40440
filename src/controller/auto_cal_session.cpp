#include "controller/auto_cal_session.h"

#include <algorithm>

#include "log/log.h"
#include "model/scene_reset.h"

namespace korvel {
namespace {

constexpr int kIrcOff = 0;
constexpr int kIrcOn = 1;
constexpr int kIrcApply = 2;
constexpr int kIrcDiscard = 3;

// Spectrum requests: points 0-8, 9-17, ..., 108-116, then 117-120.
constexpr int kSpectrumChunk = 9;
constexpr int kSpectrumChunks = 13;
// Equaliser requests: bands 0-5, then 6-10.
constexpr int kEqFirstChunkEnd = 5;
constexpr int kEqLastBand = 10;
// Polls in a row without any answer before the amplifier counts as lost.
constexpr int kMaxUnansweredPolls = 5;

const IrcText kStatusTexts[] = {
    {},
    {"${detect_speaker}", "Detecting speakers..."},
    {"${detect_level}", "Detecting signal levels..."},
    {"${detect_location}", "Detecting speaker positions..."},
    {"${adjust_ch_volume}", "Adjusting channel volumes..."},
    {"${compensate_eq}", "Compensating EQ..."},
    {"${test_freq_response}", "Measuring frequency response..."},
    {},
    {},
    {"${test_freq_response}", "Measuring frequency response..."},
    {"${irc_completed}", "Calibration completed."},
    {},
    {"${irc_completed}", "Calibration completed."},
};

const IrcText kFailureTexts[] = {
    {"${irc_failed_level}", "Calibration failed: the signal level is out of range."},
    {"${irc_failed_mic}", "Calibration failed: no microphone detected."},
    {"${irc_failed_speaker}", "Calibration failed: a speaker was not detected."},
    {"${irc_failed_delay}", "Calibration failed: the delays could not be measured."},
    {"${irc_failed_ch_volume}", "Calibration failed: the channel volumes could not be adjusted."},
    {"${irc_failed_eq}", "Calibration failed: the EQ could not be compensated."},
};

bool Terminal(int status) {
    return status == kIrcDone || status == kIrcFailed || status == kIrcExit;
}

AutoCalChannel FreshChannel() {
    AutoCalChannel channel;
    ResetBands(channel.bands);
    return channel;
}

}  // namespace

IrcText IrcStatusText(int code) {
    return code >= 0 && code < static_cast<int>(std::size(kStatusTexts)) ? kStatusTexts[code]
                                                                         : IrcText{};
}

IrcText IrcFailureText(int reason) {
    return reason >= 0 && reason < static_cast<int>(std::size(kFailureTexts))
               ? kFailureTexts[reason]
               : IrcText{};
}

int IrcEqMode(std::span<const bool> effectSelected) {
    const auto first = std::find(effectSelected.begin(), effectSelected.end(), true);
    return first == effectSelected.end() ? 0 : static_cast<int>(first - effectSelected.begin()) + 1;
}

int IrcChannelMask(std::span<const bool> channelTicked) {
    int mask = 0;
    for (size_t k = 0; k < channelTicked.size() && k < 16; ++k) {
        mask |= channelTicked[k] ? 1 << k : 0;
    }
    return mask;
}

AutoCalSession::AutoCalSession(DeviceLink& link, MessageTarget* forward, AutoCalTimings timings)
    : link_(link), forward_(forward), timings_(timings) {
    channels_.fill(FreshChannel());
    link_.SetCalibrationTarget(this);
}

AutoCalSession::~AutoCalSession() {
    Stop();
    worker_.Join();
    link_.SetCalibrationTarget(nullptr);
}

AutoCalSession::StartResult AutoCalSession::Start(const AutoCalRequest& request) {
    if (request.module == 0) {
        return StartResult::kNothingToCalibrate;
    }
    if (Running()) {
        return StartResult::kBusy;
    }
    worker_.Join();
    {
        std::lock_guard lock(dataMutex_);
        channels_.fill(FreshChannel());
    }
    request_ = request;
    decided_ = false;
    applied_ = false;
    // The worker's own start values, set here so that no report of the previous run counts.
    stop_ = false;
    testData_ = false;
    status_ = kIrcStartTest;
    completed_ = false;
    failReason_ = -1;
    end_ = AutoCalEnd::kNone;
    worker_.Start([this, request] { AutoCalThread(request); });
    return StartResult::kStarted;
}

void AutoCalSession::Stop() {
    if (!Running()) {
        return;
    }
    // The stop request goes first, so that the amplifier's answer to it (code 12) is not taken
    // for a completed run.
    {
        std::lock_guard lock(pauseMutex_);
        stop_ = true;
    }
    pauseWake_.notify_all();
    link_.IRC_Ctrl(kIrcOff, 0, 0, true);
    worker_.Join();
    completed_ = false;
    decided_ = false;
    applied_ = false;
}

bool AutoCalSession::CanDecide() const {
    return !Running() && completed_ && !decided_;
}

bool AutoCalSession::Apply(int eqMode, bool* answered) {
    if (!CanDecide()) {
        return false;
    }
    const bool ok = link_.IRC_Ctrl(kIrcApply, 0, eqMode, true);
    if (answered != nullptr) {
        *answered = ok;
    }
    // Without an answer the amplifier may not have taken it: the decision stays open.
    decided_ = ok;
    applied_ = ok;
    return true;
}

bool AutoCalSession::Discard(bool* answered) {
    if (!CanDecide()) {
        return false;
    }
    const bool ok = SendDiscard();
    if (answered != nullptr) {
        *answered = ok;
    }
    decided_ = ok;
    return true;
}

bool AutoCalSession::SendDiscard() {
    return link_.IRC_Ctrl(kIrcDiscard, 0, 0, true);
}

AutoCalChannel AutoCalSession::Channel(int channel) const {
    if (channel < 0 || channel >= kChannelSlots) {
        return FreshChannel();
    }
    std::lock_guard lock(dataMutex_);
    return channels_[static_cast<size_t>(channel)];
}

// --- The worker ------------------------------------------------------------------------------

void AutoCalSession::AutoCalThread(AutoCalRequest request) {
    WriteLog("AutoCalThread begin\n");
    link_.IRC_Sel_Test_Module(request.module, true);
    link_.IRC_Ctrl(kIrcOn, request.channelMask, request.eqMode, true);
    int unanswered = 0;
    bool lost = false;
    while (!Terminal(status_) && !stop_) {
        unanswered = link_.IRC_Get() ? 0 : unanswered + 1;
        if (unanswered > 0 && (DeviceLost() || unanswered >= kMaxUnansweredPolls)) {
            lost = true;
            break;
        }
        if (!Pause(timings_.afterPoll)) {
            break;
        }
        const int status = status_;
        if (status == kIrcSpectrumReady) {
            FetchSpectrum(channel_);
        } else if (status == kIrcEqReady) {
            FetchEqualizer(channel_);
        } else if (status == kIrcTestDataUpdate && testData_) {
            testData_ = false;
        } else {
            Forward(Message{kMsgCalibrationProgress, progress_, 0, {}});
        }
        if (!Pause(timings_.afterStep)) {
            break;
        }
    }
    const int status = status_;
    AutoCalEnd end = AutoCalEnd::kCompleted;
    if (stop_) {
        end = AutoCalEnd::kStopped;
    } else if (lost) {
        end = AutoCalEnd::kDeviceLost;
    } else if (status == kIrcFailed) {
        end = AutoCalEnd::kFailed;
    }
    end_ = end;
    WriteLog("AutoCalThread end, pwm->mIrcStatus=0x%x\n", status);
    Forward(Message{kMsgAutoCalEnded, static_cast<int64_t>(end), 0, {}});
}

void AutoCalSession::FetchSpectrum(int channel) {
    for (int k = 0; k < kSpectrumChunks && !stop_; ++k) {
        link_.IRC_Get_Spectrum(k * kSpectrumChunk, k * kSpectrumChunk + kSpectrumChunk - 1,
                               channel);
    }
    if (!stop_) {
        link_.IRC_Get_Spectrum(kSpectrumChunks * kSpectrumChunk, kIrcSpectrumPoints - 1, channel);
    }
}

void AutoCalSession::FetchEqualizer(int channel) {
    link_.IRC_Get_EQ(0, kEqFirstChunkEnd, channel);
    if (!stop_) {
        link_.IRC_Get_EQ(kEqFirstChunkEnd + 1, kEqLastBand, channel);
    }
}

bool AutoCalSession::DeviceLost() const {
    return link_.DeviceGone() || !link_.IsOpen();
}

bool AutoCalSession::Pause(std::chrono::milliseconds time) {
    std::unique_lock lock(pauseMutex_);
    return !pauseWake_.wait_for(lock, time, [this] { return stop_.load(); });
}

void AutoCalSession::Forward(Message m) {
    if (forward_ != nullptr) {
        forward_->PostMessage(std::move(m));
    }
}

// --- Reports -----------------------------------------------------------------------------------

void AutoCalSession::PostMessage(Message m) {
    if (m.id != kMsgCalibration) {
        return Forward(std::move(m));
    }
    const int code = static_cast<int>(m.wParam);
    status_ = code;
    if (stop_) {
        return;
    }
    const int value = static_cast<int>(m.value);
    switch (code) {
        case kIrcSpectrumReady:
        case kIrcEqReady:
            channel_ = value;
            break;
        case kIrcTestDataUpdate:
            testData_ = true;
            break;
        case kIrcDone:
        case kIrcExit:
            completed_ = true;
            progress_ = value;
            break;
        case kIrcFailed:
            completed_ = false;
            failReason_ = value;
            break;
        case kIrcEqBandRecord:
            if (const auto* band = std::get_if<IrcEqBandReport>(&m.record)) {
                if (!StoreBand(*band)) {
                    return;
                }
            }
            break;
        case kIrcSpectrumRecord:
            if (const auto* point = std::get_if<IrcSpectrumReport>(&m.record)) {
                if (!StoreSpectrumPoint(*point)) {
                    return;
                }
            }
            break;
        default:
            if (code < kIrcSpectrumReady) {
                progress_ = value;
            }
            break;
    }
    Forward(std::move(m));
}

bool AutoCalSession::StoreBand(const IrcEqBandReport& r) {
    if (r.channel < 0 || r.channel >= kChannelSlots || r.band < 0 || r.band >= kBandCount) {
        WriteLog("AutoCalSession: band %d of channel %d out of range, ignored\n", r.band,
                 r.channel);
        return false;
    }
    WriteLog("message DSP_IRC_EQ\n");
    std::lock_guard lock(dataMutex_);
    AutoCalChannel& channel = channels_[static_cast<size_t>(r.channel)];
    channel.bands[static_cast<size_t>(r.band)] = EqBand{r.gain, r.q, r.freq, 1};
    channel.bandReports.push_back(r);
    return true;
}

bool AutoCalSession::StoreSpectrumPoint(const IrcSpectrumReport& r) {
    if (r.channel < 0 || r.channel >= kChannelSlots || r.band < 0 || r.band >= kIrcSpectrumPoints) {
        WriteLog("AutoCalSession: spectrum point %d of channel %d out of range, ignored\n", r.band,
                 r.channel);
        return false;
    }
    std::lock_guard lock(dataMutex_);
    AutoCalChannel& channel = channels_[static_cast<size_t>(r.channel)];
    channel.spectrum[static_cast<size_t>(r.band)] = {r.freq, r.gain};
    channel.received.set(static_cast<size_t>(r.band));
    return true;
}

}  // namespace korvel
