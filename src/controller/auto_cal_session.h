#pragma once
// AutoCalSession: one automatic calibration ("IRC") of the amplifier, shared by the calibration
// window and `korvel-cli calibrate`. The amplifier measures; the session starts the run, polls
// its status from a worker thread (AutoCalThread), fetches each channel's measured spectrum and
// derived equaliser when the amplifier reports them, and finally keeps (applies) or discards the
// result.
//
// The session is the DeviceLink's calibration target while it exists: every calibration report
// is first applied to the session's state (status, progress, channel, flags, the measured
// points and bands) and then, unless a stop was requested, passed on unchanged to the owner's
// `forward` target (a window's message queue, the command line's loop). The worker also posts
// kMsgCalibrationProgress there, and kMsgAutoCalEnded when it ends.
//
// Threads: the owner calls every public operation on one thread. Reports arrive on whichever
// thread read them (the worker's polls, the owner's commands); the values they change are
// atomics, the measured data sits behind a mutex and is handed out by value.
//
//   MessageQueue events;
//   AutoCalSession session(link, &events);
//   session.Start({kIrcModuleEq, 0x25, 0});       // channels 0, 2 and 5
//   ... take `events` until kMsgAutoCalEnded ...
//   if (session.End() == AutoCalEnd::kCompleted) session.Apply(0);  else session.Discard();

#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <vector>

#include "commands/device_link.h"
#include "commands/message_target.h"
#include "controller/worker_thread.h"
#include "model/scene_record.h"

namespace korvel {

// Calibration report codes (wParam of kMsgCalibration).
enum IrcCode : int {
    kIrcStartTest = 0,
    kIrcSpeakerTest = 1,
    kIrcLevelTest = 2,
    kIrcDelayTest = 3,
    kIrcTrimTest = 4,
    kIrcEqTest = 5,
    kIrcResponseTest = 6,
    kIrcSpectrumReady = 7,  // value = channel: its spectrum can be fetched
    kIrcEqReady = 8,        // value = channel: its equaliser can be fetched
    kIrcTestDataUpdate = 9,
    kIrcDone = 10,
    kIrcFailed = 11,  // value = failure reason 0..5
    kIrcExit = 12,
    kIrcEqBandRecord = 0x16,    // IrcEqBandReport
    kIrcSpectrumRecord = 0x1A,  // IrcSpectrumReport
};

// What to calibrate (IRC_Sel_Test_Module).
inline constexpr int kIrcModuleEq = 1;
inline constexpr int kIrcModuleDelay = 2;
inline constexpr int kIrcModulePhase = 4;

inline constexpr int kIrcSpectrumPoints = 121;
inline constexpr int kIrcEffectModes = 9;  // equaliser modes 1..9 besides 0

// Sent to the forward target when the worker ends; wParam = AutoCalEnd.
inline constexpr int kMsgAutoCalEnded = 1269;

enum class AutoCalEnd { kNone, kCompleted, kFailed, kStopped, kDeviceLost };

// A status or failure text: the language key the window shows and the English the command
// line prints. Both empty when the code has no text.
struct IrcText {
    const char* key = "";
    const char* english = "";
};
IrcText IrcStatusText(int code);     // 1..6, 9, 10, 12
IrcText IrcFailureText(int reason);  // 0..5

// 0 when no effect option is selected, else k + 1 for the first selected option k.
int IrcEqMode(std::span<const bool> effectSelected);
// Bit k for each ticked channel k (0..15).
int IrcChannelMask(std::span<const bool> channelTicked);

struct AutoCalTimings {
    std::chrono::milliseconds afterPoll{500};  // after IRC_Get, before looking at the status
    std::chrono::milliseconds afterStep{500};  // after the step the status asked for
};

struct AutoCalRequest {
    int module = 0;       // kIrcModule... bits
    int channelMask = 0;  // bit k: channel k
    int eqMode = 0;       // 0..9
};

struct IrcSpectrumPoint {
    float freq = 0.0f;   // Hz
    float level = 0.0f;  // dB
};

// What a run measured and derived for one channel.
struct AutoCalChannel {
    std::array<IrcSpectrumPoint, kIrcSpectrumPoints> spectrum{};
    std::bitset<kIrcSpectrumPoints> received;
    // The channel's 31 bands: reset values (gain 0, Q 5.8, standard centres) until reported.
    std::array<EqBand, kBandCount> bands{};
    std::vector<IrcEqBandReport> bandReports;  // every band record, as received
};

class AutoCalSession final : public MessageTarget {
  public:
    // `forward` (may be null) must outlive the session.
    AutoCalSession(DeviceLink& link, MessageTarget* forward, AutoCalTimings timings = {});
    // Stops a run that still goes (on the amplifier too) and gives up the calibration target.
    ~AutoCalSession() override;

    AutoCalSession(const AutoCalSession&) = delete;
    AutoCalSession& operator=(const AutoCalSession&) = delete;

    enum class StartResult { kStarted, kNothingToCalibrate, kBusy };
    // Resets the measured data and the decision and starts the worker.
    StartResult Start(const AutoCalRequest& request);
    // The user's stop: IRC_Ctrl on = 0, then waits for the worker. Nothing when no run goes.
    void Stop();
    // Waits for a worker that ends by itself.
    void Release() { worker_.Join(); }

    bool Running() const { return worker_.Running(); }
    bool StopRequested() const { return stop_.load(); }
    AutoCalEnd End() const { return end_.load(); }

    // Keep or discard the result of a completed run, once: false (nothing sent) while a run goes,
    // when no run completed or when the result was already decided. `answered` (when given)
    // tells whether the amplifier acknowledged the command; without an answer the result stays
    // undecided, so the user can try again.
    bool CanDecide() const;
    bool Apply(int eqMode, bool* answered = nullptr);
    bool Discard(bool* answered = nullptr);
    bool Decided() const { return decided_; }
    bool Applied() const { return applied_; }
    // Sends the discard without the once-only rule (closing after a failed or stopped run).
    bool SendDiscard();

    int Status() const { return status_.load(); }
    int Progress() const { return progress_.load(); }
    int CurrentChannel() const { return channel_.load(); }
    bool Completed() const { return completed_.load(); }
    int FailureReason() const { return failReason_.load(); }  // -1 when none
    AutoCalRequest Request() const { return request_; }
    // A copy of one channel's data; empty for a channel outside 0..5.
    AutoCalChannel Channel(int channel) const;

    // MessageTarget: the device link's calibration reports.
    void PostMessage(Message m) override;

  private:
    void AutoCalThread(AutoCalRequest request);
    void FetchSpectrum(int channel);
    void FetchEqualizer(int channel);
    bool DeviceLost() const;
    // Sleeps unless a stop is requested; false when it was.
    bool Pause(std::chrono::milliseconds time);
    void Forward(Message m);
    bool StoreBand(const IrcEqBandReport& r);
    bool StoreSpectrumPoint(const IrcSpectrumReport& r);

    DeviceLink& link_;
    MessageTarget* forward_;
    AutoCalTimings timings_;
    AutoCalRequest request_;

    std::atomic<int> status_{0};
    std::atomic<int> progress_{0};
    std::atomic<int> channel_{0};
    std::atomic<int> failReason_{-1};
    std::atomic<bool> testData_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> completed_{false};
    std::atomic<AutoCalEnd> end_{AutoCalEnd::kNone};
    bool decided_ = false;  // owner's thread only
    bool applied_ = false;

    mutable std::mutex dataMutex_;
    std::array<AutoCalChannel, kChannelSlots> channels_;

    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;

    // Declared last: joined first on destruction.
    WorkerThread worker_;
};

}  // namespace korvel
