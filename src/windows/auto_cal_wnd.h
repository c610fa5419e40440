#pragma once
// CAutoCalWnd: the automatic calibration window. The user picks the channels and what to
// calibrate, starts and stops the amplifier's measurement, follows its progress and status,
// sees per channel the measured response, the equaliser the amplifier derived, the target curve
// and the predicted result (measured + equaliser), and keeps or discards the result. The run
// itself is an AutoCalSession; this window shows it.
//
//   CAutoCalWnd window(owner, manager.LiveScene(), manager.Link());
//   if (window.ShowModal() == 1) { ... the result was applied: read the amplifier again ... }

#include <QString>
#include <array>
#include <memory>

#include "controller/auto_cal_session.h"
#include "model/calibration_targets.h"
#include "windows/message_window.h"

namespace korvel {

class UIEqualizerAc;

class CAutoCalWnd : public MessageWindow {
    Q_OBJECT
  public:
    static constexpr int kChannels = kChannelSlots;

    // `scene` (for the channels' speaker roles) and `link` must outlive the window.
    CAutoCalWnd(QWidget* owner, const SceneRecord& scene, DeviceLink& link,
                AutoCalTimings timings = {});
    ~CAutoCalWnd() override;

    // The owner disconnects: a run still going is stopped on the amplifier, an undecided result
    // is discarded, and the window closes with 0.
    void CloseForDisconnect();

    // Escape and the window manager's close follow the close button's rules.
    void reject() override;

    AutoCalSession& Session() { return *session_; }
    UIEqualizerAc* Graph() const { return graph_; }
    int IrcModel() const { return mIrcModel; }

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void HandleMessage(Message& message) override;
    QWidget* CreateControl(const QString& tag, QWidget* parent) override;

  private:
    // --- Controls ---------------------------------------------------------------------------
    void InitChannels();
    void ApplySkin();
    bool Checked(const QString& name) const;
    // The status line; `problem` shows it in the warning colour.
    void ShowTips(const QString& key, bool problem = false);
    void SetProgress(int percent);
    void ShowRunning(bool running);

    // --- User actions -----------------------------------------------------------------------
    void OnStart();
    void OnApply();
    void OnDiscard();
    void OnClose();
    void OnOptionChanged(const ui::Notification& n);

    // --- Device messages --------------------------------------------------------------------
    void OnReport(const Message& m);
    void OnRunEnded(AutoCalEnd end);

    // --- Curves -----------------------------------------------------------------------------
    void LoadTarget(CalibrationTarget target);
    void ComputeEqualizer(int channel);
    void CopySpectrum(int channel);
    void ComputePredicted(int channel);
    void DrawSpectra();
    void DrawEqualizers();
    void DrawTargets();
    void DrawPredicted();
    void DrawAll();
    std::array<int, kChannels> ShowFlags(const char* displayOption) const;

    const SceneRecord& scene_;
    DeviceLink& link_;
    AutoCalTimings timings_;
    std::shared_ptr<MessageTarget> forward_;  // before session_: the session posts to it
    std::unique_ptr<AutoCalSession> session_;
    UIEqualizerAc* graph_ = nullptr;
    bool closing_ = false;

    int mIrcModel = 0;  // kIrcModule... bits of the ticked items
    std::array<uint8_t, kChannels> channelShown_{};

    using LongCurve = std::array<double, 512>;
    using ShortCurve = std::array<double, kIrcSpectrumPoints>;
    std::array<LongCurve, kChannels> eqFrequencies_{}, eqDb_{};
    std::array<LongCurve, kChannels> targetFrequencies_{}, targetDb_{};
    std::array<ShortCurve, kChannels> spectrumFrequencies_{}, spectrumDb_{};
    std::array<ShortCurve, kChannels> predictedFrequencies_{}, predictedDb_{};
};

}  // namespace korvel
