#pragma once
// Set-up of the tuning operation suites: a connected controller over the virtual amplifier and a
// view that records what it is asked and answers the questions from scripted answers.

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controller_fixture.h"

namespace korvel::testing {

class TuningView : public RecordingView {
  public:
    bool Confirm(const std::string& key) override {
        questions.push_back(key);
        if (!answers.empty()) {
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return confirmAnswer;
    }
    int ChooseLinkCopy() override {
        ++linkQuestions;
        return linkChoice;
    }
    int AskThree(const std::string& key, const std::string& first, const std::string& second,
                 const std::string& third) override {
        questions.push_back(key + "|" + first + "|" + second + "|" + third);
        return threeAnswer;
    }
    void ShowEqualizerGraph(const EqualizerGraphData& data) override {
        graph = data;
        ++graphCalls;
    }
    void ShowBandControls(int channel, std::span<const BandRowState> shown) override {
        rowsChannel = channel;
        rows.assign(shown.begin(), shown.end());
    }
    void ShowBypassButton(bool bypassEq) override { bypassButton = bypassEq; }
    void SetEqPresentation(bool parametric) override { presentation = parametric; }
    void EnableLinkButton(bool enabled) override { linkButtonEnabled = enabled; }
    void ShowOutputMenu(const OutputMenuState& shown) override { menu = shown; }
    void SelectSpeakerIcon(int role) override { icons.push_back(role); }
    void ShowEditHistory(bool canUndo, bool canRedo) override { history = {canUndo, canRedo}; }
    void ShowStatus(const std::string& key, const std::string&) override {
        if (!key.empty()) {
            statuses.push_back(key);  // an empty key only clears the text
        }
    }

    std::deque<bool> answers;  // Confirm answers in order; confirmAnswer once they run out
    int linkChoice = 1;
    int linkQuestions = 0;
    int threeAnswer = 0;
    std::optional<EqualizerGraphData> graph;
    int graphCalls = 0;
    int rowsChannel = -1;
    std::vector<BandRowState> rows;
    std::optional<bool> bypassButton;
    std::optional<bool> presentation;
    std::optional<bool> linkButtonEnabled;
    std::optional<OutputMenuState> menu;
    std::vector<int> icons;
    std::pair<bool, bool> history{false, false};  // undo, redo buttons enabled
    std::vector<std::string> statuses;
};

class TuningTest : public ::testing::Test {
  protected:
    TuningTest()
        : amp(std::make_shared<VirtualAmplifier>()),
          target(queue),
          manager(MakeVirtualTransportFactory(amp), target, view) {
        amp->SetReportDelay(std::chrono::microseconds(0));
        manager.SetTimings(NoPauses());
    }

    void SetUp() override {
        manager.Connect(true);
        ASSERT_TRUE(Settle());
        ASSERT_TRUE(manager.IsConnected());
        amp->ClearRequestLog();
    }

    bool Settle() { return manager.RunUntilIdle(queue, std::chrono::seconds(30)); }

    // Waits until every queued command reached the amplifier, then returns its state.
    AmpState Drained() {
        EXPECT_TRUE(manager.Link().WaitUntilIdle(std::chrono::seconds(10)));
        EXPECT_TRUE(Settle());
        return amp->State();
    }

    size_t RequestCount() {
        EXPECT_TRUE(manager.Link().WaitUntilIdle(std::chrono::seconds(10)));
        return amp->RequestLog().size();
    }

    const SceneRecord& Live() const { return manager.LiveScene(); }
    const ChannelSettings& Ch(int channel) const {
        return Live().channels[static_cast<size_t>(channel)];
    }
    const EqBand& Band(int channel, int band) const {
        return Live().eqStore[static_cast<size_t>(channel)][static_cast<size_t>(band)];
    }

    std::shared_ptr<VirtualAmplifier> amp;
    MessageQueue queue;
    RecordingTarget target;
    TuningView view;
    EqualizerManager manager;
};

// Device encodings of the amplifier state.
inline float AmpGainDb(const AmpState& s, int channel) {
    return static_cast<float>(s.live.channels[static_cast<size_t>(channel)].gainHundredths) / 100;
}
inline const AmpChannel& AmpCh(const AmpState& s, int channel) {
    return s.live.channels[static_cast<size_t>(channel)];
}
inline float AmpBandGainDb(const AmpState& s, int channel, int band) {
    return static_cast<float>(AmpCh(s, channel).bands[static_cast<size_t>(band)].gainTenthsPlus18) /
               10 -
           18.0f;
}

}  // namespace korvel::testing
