#pragma once
// The input noise threshold window: sets the level below which the device treats its inputs as
// silent ("${off}" at -81 dBu) and shows the live noise level of each input of the current
// source, asked for every 500 ms while the device is open and the window is shown.
// Result: 1 "confirm_btn", 0 "cancel_btn" or "closebtn". A change is in force at once, whatever
// the result.

#include <QTimer>
#include <span>

#include "controller/equalizer_manager.h"
#include "uiframework/window_impl_base.h"

namespace korvel {

class CNoiseThresholdWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    static constexpr int kRows = 6;
    static constexpr int kPollMs = 500;

    // `manager` must outlive the window.
    CNoiseThresholdWnd(QWidget* owner, EqualizerManager& manager);

    // A noise report: the levels of inputs 0..7 in dB (the owner forwards them).
    void ShowInputNoise(std::span<const float> levels);
    // The device's threshold arrived (asked for at opening).
    void ShowDeviceThreshold(int dbu);
    bool Polling() const { return timer_.isActive(); }

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void OnLanguageChanged() override;
    void done(int result) override;

  private:
    void ShowThreshold(int dbu);
    void ShowRows();
    void Step(bool up);
    void Commit();
    void Poll();
    QString OffText() const;

    EqualizerManager& manager_;
    QTimer timer_;
    int inputs_ = 0;
    bool stopped_ = false;
};

}  // namespace korvel
