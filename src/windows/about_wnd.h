#pragma once
// The about window: the device's model and firmware version, the application's own version and
// the version of the firmware images the application carries.
// Result: 1 "confirm_btn", 0 "cancel_btn" or "closebtn", 2 "third_btn".

#include "uiframework/window_impl_base.h"

namespace korvel {

// The device identity of the current scene record; a model of -1 means no device has answered.
struct DeviceIdentity {
    int model = -1;
    int mainVersion = -1;
    int subVersion = -1;
};

class CAboutWnd : public ui::WindowImplBase {
    Q_OBJECT
  public:
    CAboutWnd(QWidget* owner, const DeviceIdentity& device);

  protected:
    void InitWindow() override;
    void Notify(const ui::Notification& notification) override;
    void OnLanguageChanged() override { ShowVersions(); }

  private:
    void ShowVersions();

    DeviceIdentity device_;
};

}  // namespace korvel
