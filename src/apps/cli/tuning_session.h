#pragma once
// A connected EqualizerManager for the commands that synchronise with the amplifier: pull,
// push, scene and factory-reset. Messages are handled on the calling thread; what the
// controller would show in a window is collected and turned into errors.

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "commands/message_target.h"
#include "controller/controller_view.h"
#include "controller/equalizer_manager.h"

namespace korvel::cli {

// The controller's view for a terminal: remembers the messages, the outcome of each device
// operation and the latest progress, and answers confirmations.
class CliView : public ControllerView {
  public:
    void RefreshControls(RefreshWhat, int, int) override {}
    void ShowMessage(const std::string& key, const std::string& detail) override;
    bool Confirm(const std::string&) override { return confirmAnswer; }
    void StartForcedUpdate() override { forcedUpdate = true; }
    void ShowProgress(const SequenceProgress& progress) override;
    void OperationFinished(const OperationResult& result) override { results.push_back(result); }

    bool Shown(const std::string& key) const;
    // The detail shown with the last message `key`; empty when none.
    std::string DetailOf(const std::string& key) const;
    // The first message that reports a failure, as an English sentence; empty when none.
    std::string FirstError() const;
    // The outcome of the last `operation`, if it ended.
    std::optional<OperationResult> Result(DeviceOperation operation) const;
    SequenceProgress LatestProgress() const;

    bool confirmAnswer = false;
    bool forcedUpdate = false;
    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<OperationResult> results;

  private:
    mutable std::mutex progressMutex_;  // the progress painter reads it from its thread
    SequenceProgress progress_;
};

// English sentence for a message key of the controller.
std::string EnglishText(const std::string& key);
// The sentence for a failed operation: its message with the detail.
std::string FailureText(const OperationResult& result);
// What a progress state says: "reading scene 3 of 10".
std::string PhaseText(const SequenceProgress& progress);

// Shows a long operation's progress on standard error: the phase and a bar from the
// controller's progress (the same the loading window shows), and the reports sent so far. On a
// terminal it is redrawn in place; otherwise one line is printed at the end.
class Progress {
  public:
    Progress(std::string label, const std::atomic<int>& sent, const CliView& view);
    ~Progress();  // ends the line
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

  private:
    void Draw(bool final);

    std::string label_;
    const std::atomic<int>& sent_;
    const CliView& view_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_;
    std::atomic<bool> done_{false};
    std::thread painter_;
};

class TuningSession {
  public:
    explicit TuningSession(const std::string& device);
    ~TuningSession();

    // Connects and runs the complete initial synchronisation; throws DeviceError on failure.
    void ConnectAndSync();
    // Handles messages until no controller sequence runs; throws DeviceError on time-out.
    void RunToIdle(std::chrono::seconds timeout = std::chrono::seconds(300));
    // Runs to idle, then throws DeviceError unless `operation` ended and succeeded.
    void RequireSuccess(DeviceOperation operation);

    EqualizerManager& Manager() { return *manager_; }
    CliView& View() { return view_; }
    const std::atomic<int>& ReportsSent() const { return *sent_; }

  private:
    std::shared_ptr<std::atomic<int>> sent_ = std::make_shared<std::atomic<int>>(0);
    MessageQueue queue_;
    CliView view_;
    std::unique_ptr<EqualizerManager> manager_;
};

}  // namespace korvel::cli
