#pragma once
// A connected EqualizerManager for the commands that synchronise with the amplifier: pull,
// push, scene and factory-reset. Messages are handled on the calling thread; what the
// controller would show in a window is collected and turned into errors.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "commands/message_target.h"
#include "controller/controller_view.h"
#include "controller/equalizer_manager.h"

namespace korvel::cli {

// The controller's view for a terminal: remembers the messages and answers confirmations.
class CliView : public ControllerView {
  public:
    void RefreshControls(RefreshWhat, int, int) override {}
    void ShowMessage(const std::string& key, const std::string& detail) override;
    bool Confirm(const std::string&) override { return confirmAnswer; }
    void StartForcedUpdate() override { forcedUpdate = true; }

    bool Shown(const std::string& key) const;
    // The first message that reports a failure, as an English sentence; empty when none.
    std::string FirstError() const;

    bool confirmAnswer = false;
    bool forcedUpdate = false;
    std::vector<std::pair<std::string, std::string>> messages;
};

// English sentence for a message key of the controller.
std::string EnglishText(const std::string& key);

// Shows how many reports went to the amplifier while a long operation runs: a bar when the
// total is known and standard error is a terminal, otherwise a running count.
class Progress {
  public:
    Progress(std::string label, const std::atomic<int>& sent, int expectedTotal);
    ~Progress();  // ends the line
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

  private:
    void Draw(bool final);

    std::string label_;
    const std::atomic<int>& sent_;
    int expected_;
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

    EqualizerManager& Manager() { return *manager_; }
    CliView& View() { return view_; }
    const std::atomic<int>& ReportsSent() const { return *sent_; }

    // Request count of the initial synchronisation of a six-channel amplifier.
    static constexpr int kSyncRequests = 71;

  private:
    std::shared_ptr<std::atomic<int>> sent_ = std::make_shared<std::atomic<int>>(0);
    MessageQueue queue_;
    CliView view_;
    std::unique_ptr<EqualizerManager> manager_;
};

}  // namespace korvel::cli
