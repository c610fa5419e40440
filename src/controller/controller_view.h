#pragma once
// The one narrow interface through which the tuning controller reaches the user interface.
// The controller changes its model and then tells the view WHAT to refresh; the view reads the
// values it shows from the controller (EqualizerManager::LiveScene() and friends). A Qt main
// window implements it later; the command-line tool and the tests implement it now.
//
// Every call arrives on the owner's thread (the thread that calls EqualizerManager's operations
// and HandleMessage), never on a worker thread.

#include <string>

namespace korvel {

// Groups of controls that the controller asks to be refreshed.
enum class RefreshWhat {
    kSource,           // the source combo "btn_input_source" (without raising its change)
    kMainVolume,       // main volume slider and "edit_main_volume"
    kMainMute,         // "main_mute"
    kCrossover,        // crossover controls of `channel` (the current channel)
    kEqBand,           // band `index` of `channel` (the current channel)
    kChannelDelay,     // delay slider and text of `channel`
    kChannelVolume,    // volume slider and text of `channel`
    kChannelMute,      // "ch_mute_<channel>"
    kChannelPhase,     // "ch_phase_<channel>" and its label
    kInputSwitches,    // input switches of `channel` for the selected source
    kSpeakerRoles,     // role icons "speaker_%d" and the labels of "ch_output_btn_%d"
    kLinkLock,         // link and lock buttons, synchronise switches, output buttons
    kChannelSelector,  // the current channel's selector ("ch_enable_%d")
    kEqBypass,         // bypass button of `channel` (the current channel) and the graph
    kAmpSwitch,        // "btn_amp_onoff"
    kEffectSwitch,     // the "DSP ON" / "DSP OFF" switch
    kEqualizerGraph,   // recompute the six response curves and redraw the graph
    kSceneNames,       // the scene names and the scene validity mask
    kAllControls,      // everything above, after a profile load
};

enum class ConnectState { kDisconnected, kConnecting, kConnected };

// Secondary windows that the controller closes on connect and disconnect.
enum class ToolWindow { kUpdateFirmware, kMixer, kAutoCalibration };

class ControllerView {
  public:
    virtual ~ControllerView() = default;

    // `channel` and `index` are -1 when the group does not name one.
    virtual void RefreshControls(RefreshWhat what, int channel, int index) = 0;

    // A message box with the title "${tips}" and the button "${confirm}". `key` is a text key
    // such as "${device_connect_fail}"; `detail`, when not empty, follows the translated text
    // after one space (the model number of "${device_not_match}").
    virtual void ShowMessage(const std::string& key, const std::string& detail) = 0;

    // An OK/cancel box titled "${tips}"; true when the user confirmed.
    virtual bool Confirm(const std::string& key) = 0;

    // The connect button: "${btn_disconnected}", "${btn_connecting}" or "${btn_connected}".
    virtual void SetConnectState(ConnectState state) { (void)state; }

    // Opens (true) or closes (false) the loading window; messages 1274 and 1275.
    virtual void ShowLoading(bool open) { (void)open; }

    virtual void CloseToolWindow(ToolWindow window) { (void)window; }

    // The device needs new firmware: message 1248 (too old) or 1239 (upgrade loader runs).
    virtual void StartForcedUpdate() {}
};

}  // namespace korvel
