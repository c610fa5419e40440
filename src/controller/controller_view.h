#pragma once
// The one narrow interface through which the tuning controller reaches the user interface.
// The controller changes its model and then tells the view WHAT to refresh; the view reads the
// values it shows from the controller (EqualizerManager::LiveScene() and friends). The main
// window implements it with its controls, the command-line tool with terminal output, and the
// tests with recorders.
//
// Every call arrives on the owner's thread (the thread that calls EqualizerManager's operations
// and HandleMessage), never on a worker thread.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/scene_record.h"

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

// What a long device sequence is doing (the loading window's line and the command line's
// progress).
enum class SequencePhase {
    kReadLive,      // reading the live settings
    kReadScene,     // reading stored scene `scene` of `scenes`
    kUploadScene,   // uploading stored scene `scene` of `scenes`
    kUploadLive,    // uploading the live settings
    kWaitForStore,  // waiting for the amplifier to store the uploaded scenes
    kSaveScene,     // storing the live settings as scene `scene`
    kLoadScene,     // making scene `scene` the live settings
    kDeleteScene,   // erasing scene `scene`
    kFactoryReset,  // restoring the factory settings
};

struct SequenceProgress {
    SequencePhase phase = SequencePhase::kReadLive;
    int scene = 0;   // 1..10 for the scene phases, else 0
    int scenes = 0;  // the number of stored scenes ("scene 3 of 10")
    int done = 0;    // requests made so far in the whole operation
    int total = 0;   // requests the whole operation makes; 0 while unknown
};

// The device operations the owner starts, for OperationFinished.
enum class DeviceOperation {
    kConnect,           // connect and the initial synchronisation
    kSaveScene,         // SaveSceneToDevice
    kLoadScene,         // LoadSceneFromDevice
    kDeleteScene,       // DeleteSceneFromDevice
    kReadStoredScene,   // ReadStoredScene
    kFactoryReset,      // ResetMcuFactoryDefault
    kReadWholeProfile,  // SaveWholeConfigToFile (the device part and the file)
    kReadWholeDevice,   // ReadWholeDevice (every scene into the model, for a comparison)
    kUploadScene,       // LoadSenceConfigFromFile (the upload)
    kUploadWhole,       // LoadWholeConfigFromFile (the upload)
};

// How a device operation ended. `ok` only when every answer it needed arrived, every set was
// acknowledged and its file (if any) was written. Otherwise `messageKey` is the message the
// user was shown and `detail` what failed ("main volume, name of scene 4", or "3 / 2400" sets
// unconfirmed / sent).
struct OperationResult {
    DeviceOperation operation = DeviceOperation::kConnect;
    bool ok = false;
    std::string messageKey;
    std::string detail;
};

// The three modes of the scene window.
enum class SceneWindowMode { kLoad = 0, kSave = 1, kDelete = 2 };

// Secondary windows that the controller closes on connect and disconnect.
enum class ToolWindow { kUpdateFirmware, kMixer, kAutoCalibration };

// Everything the equaliser graph shows, computed by EqualizerManager::UpdateEqualizer.
struct EqualizerGraphData {
    // The current channel's bands; gain 0 for a bypassed channel and for disabled bands.
    std::array<EqBand, kBandCount> bands{};
    int bandCount = 0;
    int selectedBand = -1;  // highlighted band, -1 for none
    int hpFreq = kMinFrequency;
    int lpFreq = kMaxFrequency;
    int currentChannel = 0;
    std::array<int, kChannelSlots> show{};  // showChEqualizer
    // The response grid (512 points) and each channel's total curve in dB on it.
    std::vector<double> frequencies;
    std::array<std::vector<double>, kChannelSlots> totalsDb;
};

// One row of band controls ("eq_freq_%d", "eq_q_%d", "eq_gain_%d", "eq_slider_%d",
// "pt_enable_%d") as EqualizerManager::RefreshBandControls computes it.
struct BandRowState {
    bool inUse = false;          // below the channel's eqSize; rows beyond are disabled
    bool freqQEditable = false;  // frequency and Q texts are typed only in parametric mode
    std::string freqText = "0";
    std::string qText = "0";
    std::string gainText = "0.0";
    int slider = 0;         // tenths of a dB
    bool enableOn = false;  // "pt_enable_%d" selected
};

// One entry of the output menu "xml/output_menu.xml".
struct OutputMenuItem {
    std::string_view name;      // "output_menu_..." or "output_item_empty"
    std::string_view shortKey;  // short text key
    int role = -1;              // 0..24; -1 for a group entry (text only)
    bool checked = false;       // "right.png": some channel already carries this role
    bool enabled = true;
    int imageSize = 18;  // check image, 18 x 18
};

struct OutputMenuState {
    int channel = -1;  // the channel whose output button opened the menu
    std::vector<OutputMenuItem> items;
};

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

    // Opens (true) or closes (false) the loading window (kMsgOpenLoading, kMsgCloseLoading).
    virtual void ShowLoading(bool open) { (void)open; }

    // Progress of the running device sequence, while the loading window is open. Calls are
    // coalesced: a view that is slow to repaint gets the latest state, not every step.
    virtual void ShowProgress(const SequenceProgress& progress) { (void)progress; }

    // A device operation ended (after its messages were shown).
    virtual void OperationFinished(const OperationResult& result) { (void)result; }

    virtual void CloseToolWindow(ToolWindow window) { (void)window; }

    // The device needs new firmware: kMsgFirmwareTooOld, or kMsgMcuNotNormal (its upgrade
    // loader runs).
    virtual void StartForcedUpdate() {}

    // --- Tuning operations ------------------------------------------------------------------
    // The link question "${link_tips}" (title "${tips}") with the choices
    // "${copy_left_to_right}" (1) and "${copy_right_to_left}" (2); 0 when cancelled.
    virtual int ChooseLinkCopy() { return 0; }

    // A message box titled "${tips}" with the text `key` and three buttons; returns 1 for the
    // first, 0 for the second, 2 for the third (the message box's own answers).
    virtual int AskThree(const std::string& key, const std::string& first,
                         const std::string& second, const std::string& third) {
        (void)key, (void)first, (void)second, (void)third;
        return 0;
    }

    // The graph's bands, markers and curves. Views that compute the curves themselves may keep
    // the default, which asks for the graph group to be refreshed.
    virtual void ShowEqualizerGraph(const EqualizerGraphData& data) {
        RefreshControls(RefreshWhat::kEqualizerGraph, data.currentChannel, data.selectedBand);
    }

    // The 31 band rows of `channel` (the current channel). The default refreshes the band,
    // bypass-button and graph group from the model.
    virtual void ShowBandControls(int channel, std::span<const BandRowState> rows) {
        (void)rows;
        RefreshControls(RefreshWhat::kEqBypass, channel, -1);
    }

    // "btn_bypass": true shows "${bypass_eq}" (the channel is not flat), false "${restore_eq}".
    virtual void ShowBypassButton(bool bypassEq) { (void)bypassEq; }

    // "btn_arg_eq": true = parametric ("${peq_mode}"), false = graphic ("${geq_mode}").
    virtual void SetEqPresentation(bool parametric) { (void)parametric; }

    // The link button is disabled while any channel belongs to the synchronised group.
    virtual void EnableLinkButton(bool enabled) { (void)enabled; }

    // Opens the output menu next to the channel's output button.
    virtual void ShowOutputMenu(const OutputMenuState& menu) { (void)menu; }

    // Selects role icon "speaker_%d" (1..24).
    virtual void SelectSpeakerIcon(int role) { (void)role; }

    // --- Edit history -------------------------------------------------------------------------
    // The undo and redo buttons: whether a step can be undone, redone.
    virtual void ShowEditHistory(bool canUndo, bool canRedo) { (void)canUndo, (void)canRedo; }

    // One line of status text: a text key such as "${history_cleared_scene}", `detail` after it.
    virtual void ShowStatus(const std::string& key, const std::string& detail) {
        (void)key, (void)detail;
    }
    // --- Tool windows -------------------------------------------------------------------------
    // Opens the scene window in `mode` (modal).
    virtual void OpenSceneWindow(SceneWindowMode mode) { (void)mode; }

    // A noise report arrived: the last levels of inputs 0..7, in dB.
    virtual void ShowInputNoise(std::span<const float> levels) { (void)levels; }

    // The device reported its input noise threshold (dBu), now in the live scene.
    virtual void ShowInputThreshold(int dbu) { (void)dbu; }
};

}  // namespace korvel
