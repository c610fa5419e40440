// The main window's side of the automatic calibration.
#include "log/log.h"
#include "windows/auto_cal_wnd.h"
#include "windows/main_wnd.h"

namespace korvel {

void CMainWnd::OpenAutoCalibration() {
    if (autoCal_ != nullptr) {
        return;
    }
    // Without an owner the window stays on screen while this one is minimised.
    showMinimized();
    int result = 0;
    {
        CAutoCalWnd window(nullptr, manager_->LiveScene(), manager_->Link(), autoCalTimings_);
        autoCal_ = &window;
        result = window.ShowModal();
        autoCal_ = nullptr;
    }
    showNormal();
    if (result == 1) {
        WriteLog("Auto cal finished, need to sync data from dsp again!\n");
        manager_->Disconnect();
        manager_->Connect(true);
    }
}

}  // namespace korvel
