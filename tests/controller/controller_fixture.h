#pragma once
// Shared set-up of the controller suites: a virtual amplifier behind the in-process transport,
// a message queue as the owner's message target, and a view that records what it was asked.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "commands/message_target.h"
#include "common/controller_timings.h"
#include "controller/controller_view.h"
#include "controller/equalizer_manager.h"
#include "virtualamp/virtual_amplifier.h"
#include "virtualamp/virtual_transport.h"

namespace korvel::testing {

struct Refreshed {
    RefreshWhat what;
    int channel;
    int index;
};

class RecordingView : public ControllerView {
  public:
    void RefreshControls(RefreshWhat what, int channel, int index) override {
        refreshes.push_back({what, channel, index});
    }
    void ShowMessage(const std::string& key, const std::string& detail) override {
        messages.push_back(detail.empty() ? key : key + " " + detail);
    }
    bool Confirm(const std::string& key) override {
        questions.push_back(key);
        return confirmAnswer;
    }
    void SetConnectState(ConnectState state) override { states.push_back(state); }
    void ShowLoading(bool open) override { loadingOpen += open ? 1 : -1; }
    void StartForcedUpdate() override { ++forcedUpdates; }
    void ShowProgress(const SequenceProgress& p) override { progress.push_back(p); }
    void OperationFinished(const OperationResult& result) override { results.push_back(result); }

    bool DidRefresh(RefreshWhat what) const {
        for (const auto& r : refreshes) {
            if (r.what == what)
                return true;
        }
        return false;
    }
    bool Showed(const std::string& text) const {
        for (const auto& m : messages) {
            if (m == text)
                return true;
        }
        return false;
    }

    std::vector<Refreshed> refreshes;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<ConnectState> states;
    bool confirmAnswer = true;
    int loadingOpen = 0;  // opens minus closes
    int forcedUpdates = 0;
    std::vector<SequenceProgress> progress;
    std::vector<OperationResult> results;
};

// Passes every message on to the queue and keeps the ids in order of posting.
class RecordingTarget : public MessageTarget {
  public:
    explicit RecordingTarget(MessageQueue& queue) : queue_(queue) {}
    void PostMessage(Message m) override {
        {
            std::lock_guard lock(mutex_);
            ids_.push_back(m.id);
        }
        queue_.PostMessage(std::move(m));
    }
    std::vector<int> Ids() const {
        std::lock_guard lock(mutex_);
        return ids_;
    }

  private:
    MessageQueue& queue_;
    mutable std::mutex mutex_;
    std::vector<int> ids_;
};

// One request as the virtual amplifier received it.
struct Request {
    uint8_t mcmd;
    uint8_t subcmd;
    uint8_t optype;
    std::vector<uint8_t> payload;
    bool operator==(const Request&) const = default;
};

inline std::vector<Request> Requests(const VirtualAmplifier& amp) {
    std::vector<Request> out;
    for (const AmpRequest& r : amp.RequestLog()) {
        out.push_back({r.mcmd, r.subcmd, r.optype, r.payload});
    }
    return out;
}

inline std::string Describe(const std::vector<Request>& requests) {
    std::string text;
    for (const Request& r : requests) {
        text += std::to_string(r.mcmd) + "/" + std::to_string(r.subcmd) + "/" +
                std::to_string(r.optype) + ":";
        for (uint8_t b : r.payload)
            text += " " + std::to_string(b);
        text += "\n";
    }
    return text;
}

class ControllerTest : public ::testing::Test {
  protected:
    explicit ControllerTest(const AmpIdentity& identity = AmpIdentity{})
        : amp(std::make_shared<VirtualAmplifier>(identity)),
          target(queue),
          manager(MakeVirtualTransportFactory(amp), target, view) {
        amp->SetReportDelay(std::chrono::microseconds(0));
        manager.SetTimings(NoPauses());
    }

    // Handles messages until every sequence has ended and the queue is empty.
    bool Settle(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        return manager.RunUntilIdle(queue, timeout);
    }

    bool ConnectAndSync() {
        manager.Connect(true);
        return Settle() && manager.IsConnected();
    }

    // Message ids the controller and the link posted, in order, from `from` on, without the
    // end-of-sequence wake-up and the progress notes.
    std::vector<int> PostedIds(size_t from = 0) const {
        const auto ids = target.Ids();
        std::vector<int> posted;
        for (size_t i = from; i < ids.size(); ++i) {
            if (ids[i] != kMsgSequenceEnded && ids[i] != kMsgProgress)
                posted.push_back(ids[i]);
        }
        return posted;
    }

    std::shared_ptr<VirtualAmplifier> amp;
    MessageQueue queue;
    RecordingTarget target;
    RecordingView view;
    EqualizerManager manager;
};

}  // namespace korvel::testing
