#pragma once
// Shared by the main window suites, the screenshot program and the drag benchmark: a main window
// on an in-process virtual amplifier and a recognisable device state.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <functional>
#include <memory>

#include "common/controller_timings.h"
#include "common/qt_test_app.h"
#include "controller/equalizer_manager.h"
#include "virtualamp/virtual_amplifier.h"
#include "virtualamp/virtual_transport.h"
#include "windows/main_wnd.h"

namespace korvel::test {

// A tuned car: shaped equaliser on channel 0, crossovers, trims, delays, mutes and routing that
// differ from the factory values, so a control showing a default value is caught.
inline void ApplyTunedState(AmpState& s) {
    AmpScene& live = s.live;
    live.sourceCode = 0x56;  // high-level input, four inputs
    live.mainVolumeDb = -10;
    live.ampMute = 0;
    const int gains[] = {40, 25,  0, -30, -55, 0, 20, 0, 0,   35, 0, -20, 0, 0, 60, 0,
                         0,  -40, 0, 0,   30,  0, 0,  0, -25, 0,  0, 45,  0, 0, 0};
    AmpChannel& ch0 = live.channels[0];
    ch0.eqBypass = 0;
    for (int band = 0; band < kBandCount; ++band) {
        ch0.bands[static_cast<size_t>(band)].gainTenthsPlus18 =
            static_cast<int16_t>(180 + gains[band]);
        ch0.bands[static_cast<size_t>(band)].qHundredths = 300;
    }
    ch0.highPass = {2, 80, 2};
    ch0.lowPass = {1, 12000, 4};
    live.channels[1].eqBypass = 0;
    live.channels[1].bands[20].gainTenthsPlus18 = 180 + 50;
    live.channels[1].delayMicroseconds = 1250;
    live.channels[2].gainHundredths = -1200;
    live.channels[3].mute = 1;
    live.channels[4].phase = 1;
    live.channels[5].gainHundredths = -6000;
    live.channels[5].speakerType = 24;
    live.routing[5][0] = 0x5;  // in1 + in3
    live.routing[5][1] = 0xA;  // in2 + in4
}

struct MainWindowRig {
    // The application must exist before the first widget.
    struct App {
        App() { EnsureQtApp(); }
    } app;
    std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
    Settings settings;
    std::unique_ptr<CMainWnd> window;

    MainWindowRig() {
        amp->SetReportDelay(std::chrono::microseconds(0));
        window = std::make_unique<CMainWnd>(MakeVirtualTransportFactory(amp), settings);
        window->Controller().SetTimings(NoPauses());
    }

    bool ConnectAndSettle() {
        window->Controller().Connect(true);
        return Settle() && window->Controller().IsConnected();
    }

    // Every sequence ended, the loading window gone and the messages handled.
    bool Settle(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        const bool idle = PumpUntil(
            [&] { return !window->Controller().Busy() && window->LoadingWindow() == nullptr; },
            timeout);
        PumpFor(std::chrono::milliseconds(50));
        return idle;
    }
};

}  // namespace korvel::test
