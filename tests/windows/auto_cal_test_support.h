#pragma once
// Shared by the calibration window suite and its screenshot program: the window on a link to an
// in-process virtual amplifier with a simulated car.

#include <QAbstractButton>
#include <memory>

#include "main_wnd_test_support.h"
#include "model/scene_reset.h"
#include "uiframework/modal_answerer.h"
#include "virtualamp/amp_calibration.h"
#include "windows/auto_cal_wnd.h"

namespace korvel::test {

struct AutoCalRig {
    MainWindowRig::App app;
    std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
    std::shared_ptr<AmpCalibration> car;
    std::unique_ptr<DeviceLink> link;
    SceneRecord scene;
    std::unique_ptr<CAutoCalWnd> window;

    explicit AutoCalRig(const CarOptions& options = {},
                        std::chrono::milliseconds pause = std::chrono::milliseconds(1),
                        const std::function<void(SceneRecord&)>& adjustScene = {}) {
        amp->SetReportDelay(std::chrono::microseconds(0));
        car = InstallSimulatedCar(*amp, options);
        link = std::make_unique<DeviceLink>(MakeVirtualTransportFactory(amp));
        link->OpenHIDDevice();
        ResetScene(scene);
        if (adjustScene) {
            adjustScene(scene);
        }
        window = std::make_unique<CAutoCalWnd>(nullptr, scene, *link, AutoCalTimings{pause, pause});
        window->Create();
        window->ShowWindow();
    }
    ~AutoCalRig() {
        window.reset();
        link.reset();
    }

    bool Checked(const QString& name) const {
        const auto* box = window->FindControl<QAbstractButton>(name);
        return box != nullptr && box->isChecked();
    }
    // Ticks or clears an option as the user would.
    void SetOption(const QString& name, bool on) {
        if (Checked(name) != on) {
            window->Click(name);
        }
    }
    // Channels 0, 2 and 5 with the equaliser and the delays, confirmed, run to its end.
    void StartThreeChannels() {
        for (int ch : {1, 3, 4}) {
            SetOption(QStringLiteral("ch_checkbox_%1").arg(ch), false);
        }
        SetOption(QStringLiteral("irc_eq"), true);
        SetOption(QStringLiteral("irc_delay"), true);
        std::unique_ptr<ui::ModalAnswerer> own;
        ui::ModalAnswerer* answers = ui::ModalAnswerer::Current();
        if (answers == nullptr) {
            own = std::make_unique<ui::ModalAnswerer>();
            answers = own.get();
        }
        answers->Reply(QStringLiteral("msgwnd"), 1);  // "start the calibration?"
        window->Click(QStringLiteral("start_auto_cal"));
    }
    bool RunToEnd(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const bool ended = PumpUntil([&] { return !window->Session().Running(); }, timeout);
        PumpFor(std::chrono::milliseconds(30));
        return ended;
    }
    QString Tips() const { return window->Text(QStringLiteral("tips")); }
};

}  // namespace korvel::test
