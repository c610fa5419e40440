#pragma once
// EqualizerManager: the tuning controller. It owns the parameter model (live scene, ten stored
// scenes, names) and the one DeviceLink, connects to the amplifier and reads its state, applies
// the device's reports to the model, and runs the scene and profile sequences.
//
// Threading. Every public operation is called on one thread, the owner's (the GUI thread, the
// command-line loop or a test). Background sequences run on the controller's worker thread and
// report only by posting messages to the owner's MessageTarget; the owner takes each message and
// hands it back to HandleMessage on its own thread. The model and the view are therefore only
// ever touched on the owner's thread.
//
// Driving it headless (see RunUntil):
//   MessageQueue queue;  MyView view;
//   EqualizerManager manager(factory, queue, view);
//   manager.Connect(true);
//   manager.RunUntil(queue, [&] { return manager.IsConnected() && !manager.Busy(); }, 30s);

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/device_link.h"
#include "commands/message_target.h"
#include "controller/controller_view.h"
#include "controller/device_sequences.h"
#include "controller/edit_history.h"
#include "controller/worker_thread.h"
#include "model/conversions.h"
#include "model/model_store.h"
#include "model/speaker_roles.h"

namespace korvel {

// Messages the controller's worker posts to itself besides the shared ones of report_records.h.
inline constexpr int kMsgSyncFinished = 1290;      // read-all done: model and firmware checks
inline constexpr int kMsgSceneSaved = 1291;        // device acknowledged a scene save
inline constexpr int kMsgSceneLoaded = 1292;       // scene load read back: refresh roles, graph
inline constexpr int kMsgProfileUploaded = 1293;   // upload done: refresh every control
inline constexpr int kMsgWholeProfileRead = 1294;  // save-whole read done: write the file
inline constexpr int kMsgDevicePlugOut = 1295;     // show the unplugged notice
inline constexpr int kMsgSequenceEnded = 1296;     // a background sequence ended: its outcome
inline constexpr int kMsgProgress = 1297;          // the running sequence's progress changed

// The pauses of the device sequences (the shipped values); tests shorten them.
struct ControllerTimings {
    std::chrono::milliseconds syncSettle{1000};          // read-all, before reporting the end
    std::chrono::milliseconds storedSceneSettle{1000};   // after ReadScene(k, 255)
    std::chrono::milliseconds wholeUploadTail{200};      // after the live part of a whole upload
    std::chrono::milliseconds wholeUploadSettle{20000};  // before closing the loading window
};

// What the equaliser graph reports with a notification ("equalizer_eq", "equalizer_hp",
// "equalizer_lp"): the window reads them from the graph control and passes them on as plain
// values.
struct EqualizerGraphValues {
    EqBand band;      // the dragged band's values (kind 0)
    int hpFreq = -1;  // the high-pass marker's frequency (kind 1), -1 when hidden
    int lpFreq = -1;  // the low-pass marker's frequency (kind 2), -1 when hidden
};

// EqualizerCallback kinds.
inline constexpr int kGraphBandMoved = 0;
inline constexpr int kGraphHighPassMoved = 1;
inline constexpr int kGraphLowPassMoved = 2;

// The three texts of one band row, as typed.
struct BandTexts {
    std::string freq;  // "eq_freq_%d"
    std::string q;     // "eq_q_%d"
    std::string gain;  // "eq_gain_%d"
};

// One cell of the mixer matrix: whether the input is mixed into the output, and its level.
struct MixCell {
    bool enabled = false;
    int level = 0;
    bool operator==(const MixCell&) const = default;
};

inline constexpr int kOldestMainVersion = 16;  // firmware older than 16.25 must be updated
inline constexpr int kOldestSlaveVersion = 25;

class EqualizerManager {
  public:
    // `reports` receives every message of the device link and of the worker threads; its owner
    // passes them back to HandleMessage. `reports` and `view` must outlive the manager.
    EqualizerManager(TransportFactory factory, MessageTarget& reports, ControllerView& view);
    ~EqualizerManager();

    EqualizerManager(const EqualizerManager&) = delete;
    EqualizerManager& operator=(const EqualizerManager&) = delete;

    // --- Model ------------------------------------------------------------------------------
    const ModelStore& Model() const { return model_; }
    const SceneRecord& LiveScene() const { return model_.live; }
    // Stored scene 1..10; nullptr for any other number.
    const SceneRecord* StoredScene(int scene) const { return model_.Scene(scene); }
    // Name of stored scene 1..10 as the device holds it; nullptr for any other number.
    const SceneName* StoredSceneName(int scene) const { return model_.Name(scene); }
    uint16_t SceneValidMask() const { return sceneValidMask_; }

    DeviceLink& Link() { return *link_; }
    void SetTimings(const ControllerTimings& timings) { timings_ = timings; }
    // The firmware upgrade's state (16 entered, 32 started); connection handling pauses while
    // it holds either value.
    void SetUpgradeStatusQuery(std::function<int()> query) { upgradeStatus_ = std::move(query); }
    // Set while the forced firmware update runs: a connect then hands over to it.
    void SetForcedUpdateActive(bool active) { forcedUpdate_ = active; }

    // --- Connection -------------------------------------------------------------------------
    // Connects, or disconnects when the device is open (the connect button toggles).
    void Connect(bool showError);
    void Disconnect();
    void DevicePlugin();
    void DevicePlugOut();
    void FinishConnect();
    // Open and identified by a handshake (deviceModel is not -1).
    bool IsConnected() const;
    ConnectState State() const { return connectState_; }
    // True while a worker sequence runs.
    bool Busy() const { return worker_.Running(); }

    // --- Messages (owner's thread) ------------------------------------------------------------
    void HandleMessage(const Message& message);
    // What became of a report: applied by its handler, a report without effect on the model,
    // or dropped because its record was not the one its handler takes (logged).
    enum class ReportOutcome { kApplied, kNoEffect, kDropped };
    // Hands a DSP, MCU or scene report to the one handler listed for it (report_routes.cpp).
    ReportOutcome RouteReport(const Message& message);

    void ReadDspValueCallback(const Message& message);
    void ReadMcuValueCallback(const Message& message);
    void ReadSenceValueCallback(const Message& message);
    void ReadKtvValueCallback(const Message& message);

    // Takes messages from `queue` and handles them until `done` returns true (checked before
    // each wait) or `timeout` passes; true when `done` was reached.
    bool RunUntil(MessageQueue& queue, const std::function<bool()>& done,
                  std::chrono::milliseconds timeout);
    // RunUntil no sequence runs and every message it posted has been handled.
    bool RunUntilIdle(MessageQueue& queue, std::chrono::milliseconds timeout);

    // --- Scenes in the device -----------------------------------------------------------------
    // Each starts its worker and returns false when the scene number is not 1..10 or another
    // sequence is still running. Completion: kMsgSceneSaved (save), kMsgSceneDeleted (delete),
    // kMsgCloseLoading (load, factory reset via kMsgDeviceRebooting); then
    // ControllerView::OperationFinished with the outcome. A save or delete the device did not
    // confirm puts the scene's name back, closes the loading window and shows
    // "${scene_save_fail}" / "${scene_delete_fail}"; a load whose re-read stayed incomplete shows
    // "${device_no_answer}" and disconnects. A name with a control character is refused
    // ("${scene_name_invalid}").
    bool SaveSceneToDevice(int scene, std::u16string_view name);
    bool LoadSceneFromDevice(int scene);
    bool DeleteSceneFromDevice(int scene);
    // Reads stored scene 1..10 back from the device into the stored-scene table
    // (kMsgCloseLoading when done).
    bool ReadStoredScene(int scene);
    // Asks "${factory_default_tips}" first; false when declined or busy.
    bool ResetMcuFactoryDefault();

    // --- Tool windows (tool_ops.cpp) ------------------------------------------------------------
    // The scene menu's device items: each checks the connection, then asks the view to open the
    // scene window in its mode; the window then starts the save, load or delete above.
    void LoadSenceConfigFromDSP();
    void SaveSenceConfigToDSP();
    void DeleteDSPSenceConfig();

    // The mixer matrix of the live scene: input `input` of source `source` into output `output`.
    // A source without mixable inputs, an input beyond its inputs or an output outside 0..5
    // gives nullopt and changes nothing. Changes are sent queued.
    std::optional<MixCell> MixerCell(int source, int input, int output) const;
    // The enable box: ticking a cell whose level is 0 raises it to 100; clearing stores 0.
    std::optional<MixCell> SetMixEnable(int source, int input, int output, bool on);
    // The level slider, edit and steps: the level is clamped to 0..100 and the enable follows
    // it (0 clears it, any other level sets it).
    std::optional<MixCell> SetMixLevel(int source, int input, int output, int level);

    // The input noise threshold of the live scene, dBu (-81 is off). The setters clamp to
    // -81..-40, store, send and return the stored value.
    int InputThreshold() const { return model_.live.inputThreshold; }
    int SetInputThreshold(int dbu);
    int SetInputThresholdUp(bool up);
    // A typed threshold (`offText`, the shown "${off}", counts as -81); nullopt, with nothing
    // stored or sent, when the text holds no number.
    std::optional<int> SetInputThresholdEdit(std::string_view text, std::string_view offText);
    // Asks the device for its threshold (queued; the connection does not read it); false when
    // the device is closed.
    bool RequestInputThreshold();
    // Asks the device for the noise level of the current source's inputs (queued); false when
    // the device is closed or the source has no inputs.
    bool RequestInputNoise();
    // The last reported noise level of inputs 0..7 in dB (-100 before any report).
    const std::array<float, kMixInputs>& InputNoise() const { return inputNoise_; }

    // --- Profile files --------------------------------------------------------------------------
    // Writes the live scene; shows "${profile_save_ok}" or "${profile_create_error}". Refused
    // with "${device_no_answer}" while the live scene holds values the device did not report.
    bool SaveSenceConfigToFile(const std::filesystem::path& path);
    // Reads every stored scene and the live scene from the device, then writes the file. The
    // folder is checked first ("${profile_create_error}", false); a read with a value missing
    // writes nothing ("${device_no_answer}").
    bool SaveWholeConfigToFile(const std::filesystem::path& path);
    // Loads a file into the model (all or nothing) and uploads it to the device.
    bool LoadSenceConfigFromFile(const std::filesystem::path& path);
    bool LoadWholeConfigFromFile(const std::filesystem::path& path);

    // --- Channel strip and main controls (channel_ops.cpp) ----------------------------------
    // Every operation changes the live scene, sends its commands queued for scene
    // `sceneArgument`, source 0, and tells the view what to refresh. A channel outside 0..5 (and
    // any other index outside its array) makes an operation do nothing.
    // "ch_enable_%d" click.
    void SetCurChannelChange(int channel);
    // "slider_ch_volume_%d" (tenths of a dB, -600..0), "edit_ch_volume_%d" committed (whole dB
    // or "${off}"), and its up/down buttons.
    void SetChVolume(int channel, int slider);
    void SetChVolumeEdit(int channel, std::string_view text);
    void SetChVolumeUp(int channel, bool up);
    // "slider_ch_delay_%d" (microseconds), "edit_ch_delay_%d" committed (in the selected unit),
    // its up/down buttons (21 us), and the unit selector "comb_ch_unit" (index 0 ms, 1 cm, 2 in).
    void SetChDelay(int channel, int sliderUs);
    void SetChDelayEdit(int channel, std::string_view text);
    void SetChDelayUp(int channel, bool up);
    void SetDelayUnit(int index);
    DelayUnit CurrentDelayUnit() const { return delayUnit_; }
    // "ch_mute_%d", "ch_phase_%d", "ch_synchronize_%d", "ch_show_%d" with the option's new state.
    void SetChMute(int channel, bool muted);
    void SetChPhase(int channel, bool inverted);
    void SetChSynchronize(int channel, bool on);
    void SetChShow(int channel, bool shown);
    // "option_ch_in<input>_%d", input 1..6, with the option's new state.
    void SetChInput(int channel, int input, bool on);
    // "btn_input_source" item index 0..8.
    void SetInputSource(int index);
    // "slider_main_volume" (level 0..40), "edit_main_volume" committed, its up/down buttons,
    // and "main_mute".
    void SetMainVolume(int level);
    void SetMainVolumeEdit(std::string_view text);
    void SetMainVolumeUp(bool up);
    void SetMainMute(bool muted);
    // "btn_amp_onoff": `selectedAtClick` is the button's selected state when it was clicked.
    void SetAmpOnOff(bool selectedAtClick);
    // The "DSP ON" / "DSP OFF" switch; the model follows the device's report.
    void SetAutoEffect(bool on);
    // The noise gate switch: open sends -60 dB, closed -100 dB.
    void SetNoiseGate(bool open);
    // After a language change: main and channel volume texts ("${off}" at the bottom).
    void UpdateAllVolumeEdit();

    // --- Output configuration (output_config_ops.cpp) ---------------------------------------
    void SetOutpuLock();    // "btn_lock_output"
    void SetOutputLink();   // "btn_link_output"
    void SetOutputReset();  // "btn_reset_output"

    // --- Crossover (crossover_eq_ops.cpp); always the current channel ------------------------
    // "hp_freq" / "lp_freq" committed ("2k5" form accepted) and their up/down buttons.
    void SetHpFreq(std::string_view text);
    void SetLpFreq(std::string_view text);
    void SetHpFreqUp(bool up);
    void SetLpFreqUp(bool up);
    // "hp_slop", "lp_slop" (slope index, 0 = off), "hp_type", "lp_type" (1..3): the combo's
    // selected index; `itemText` only goes to the log.
    void SetHpSlop(int index, std::string_view itemText = {});
    void SetLpSlop(int index, std::string_view itemText = {});
    void SetHpType(int index, std::string_view itemText = {});
    void SetLpType(int index, std::string_view itemText = {});

    // --- Equaliser bands (crossover_eq_ops.cpp); always the current channel ------------------
    // "eq_freq_%d", "eq_q_%d", "eq_gain_%d" committed: the row's three texts.
    void SetChEqEdit(int band, const BandTexts& texts);
    // "eq_slider_%d" (tenths of a dB) with the row's frequency and Q texts.
    void SetChEqSlider(int band, int slider, std::string_view freqText, std::string_view qText);
    // Up/down buttons of the band edits.
    void SetEqFreqUp(int band, bool up);
    void SetEqQUp(int band, bool up);
    void SetEqGainUp(int band, bool up);
    // "pt_enable_%d" click.
    void OnEqEnable(int band);
    // "setfocus" on a band edit: redraws the graph with that band highlighted.
    void SelectEqBand(int band);
    // The graph's notifications: kind 0 band `index` moved, 1 high-pass, 2 low-pass marker.
    void EqualizerCallback(int kind, int index, const EqualizerGraphValues& values);

    // --- Equaliser buttons and presentation (eq_view_ops.cpp) --------------------------------
    void SetOutputBypass();   // "btn_bypass"
    void SetOutputEqReset();  // "btn_reset_eq"
    // "btn_arg_eq": asks, then switches; returns the mode in force afterwards.
    bool SetEqParametric(bool parametric);
    bool EqParametric() const { return eqParametric_; }
    // Band rows of `channel` as the band controls show them.
    std::array<BandRowState, kBandCount> BandControlRows(int channel) const;
    void RefreshBandControls(int channel);
    // Recomputes the curves and hands bands, markers and curves to the view; `band` is the
    // highlighted band or -1.
    void UpdateEqualizer(int band);
    EqualizerGraphData EqualizerGraph(int band) const;

    // --- Speaker roles (output_role_ops.cpp) -------------------------------------------------
    // The output menu of a channel: every role item checked when some channel carries it.
    OutputMenuState OutputMenu(int channel) const;
    // "ch_output_btn_%d" click: remembers the channel and shows its menu.
    void SetSubMenu(int channel);
    int MenuChannel() const { return menuChannel_; }
    // A menu item ("output_menu_..." or "output_item_empty") chosen for `channel`.
    void SetOutputValue(int channel, std::string_view itemName);
    // "speaker_%d" click, role 1..24.
    void SetSpeakerFocus(int role);

    // --- Edit history (history_ops.cpp) -------------------------------------------------------
    // What the model changes between BeginEdit and the matching EndEdit (they nest) is one undo
    // step: the window brackets every notification and menu choice, and a drag from press to
    // release. A bracket that starts a device sequence (a scene or profile load) makes no step.
    void BeginEdit();
    void EndEdit();
    // Puts back the values of the latest step (Undo) or of the latest undone step (Redo) in the
    // model, the controls and the amplifier. False when there is none or a sequence runs.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    // Forgets every step; when there were some, `reasonKey` goes to the status text.
    void ClearHistory(const std::string& reasonKey);

    // --- Filters from measurement software (filter_import_ops.cpp) --------------------------
    // Puts `bands` on the current channel through the band edit: group members and the linked
    // partner follow, the amplifier receives every band that changed, the graph is redrawn.
    // One undo step.
    void ImportEqBands(std::span<const EqBand, kBandCount> bands);

    // --- Comparing with the amplifier (profile_compare_ops.cpp) -----------------------------
    // Reads the ten stored scenes and the live scene from the amplifier into the model
    // (kMsgCloseLoading, then OperationFinished with kReadWholeDevice: a read with any value
    // missing is no basis for a comparison); false when not connected or another sequence runs.
    bool ReadWholeDevice();

  private:
    bool UpgradeInProgress() const;
    void Post(int id, int64_t wParam = 0);
    bool StartWorker(std::function<void()> body);
    // A worker sequence whose outcome the owner reports when its kMsgSequenceEnded arrives.
    bool StartOperation(DeviceOperation operation, std::function<SequenceOutcome()> body);
    bool StartSequence(std::optional<DeviceOperation> operation,
                       std::function<SequenceOutcome()> body);

    SequenceOutcome ReadAllThread(BandCounts bands, std::chrono::milliseconds settle);
    void CheckDeviceAfterSync();

    // Outcomes and progress of the worker sequences (operation_results.cpp).
    void OnSequenceEnded();
    void FinishOperation(DeviceOperation operation, const SequenceOutcome& outcome);
    OperationResult ConnectResult(const SequenceOutcome& outcome);
    OperationResult SceneChangeResult(DeviceOperation operation, const SequenceOutcome& outcome);
    OperationResult ReadResult(DeviceOperation operation, const SequenceOutcome& outcome);
    OperationResult UploadResult(DeviceOperation operation, const SequenceOutcome& outcome);
    // Shows what went wrong with the device for an incomplete outcome; returns the message key.
    std::string ReportDeviceFault(const SequenceOutcome& outcome);
    void PostProgress(const SequenceProgress& progress);  // worker thread
    void OnProgress();

    // Report handlers (report_handler.cpp), one per report; report_routes.cpp pairs each report
    // with its handler. Bare values arrive as int.
    void ApplySource(int code);
    void ApplyMainVolume(int db);
    void ApplyMainMute(int value);
    void ApplyFilter(const FilterReport& r);
    void ApplyEqBand(const EqBandReport& r);
    void ApplyDelay(const ChannelFloatReport& r);
    void ApplyTrim(const ChannelFloatReport& r);
    ChannelSettings* ReportedChannel(const ChannelIntReport& r);
    void ApplyChannelMute(const ChannelIntReport& r);
    void ApplyChannelPhase(const ChannelIntReport& r);
    void ApplyChannelRole(const ChannelIntReport& r);
    void ApplyChannelBypass(const ChannelIntReport& r);
    void ApplyRouting(const MixReport& r);
    void ApplyLink(const LinkReport& r);
    void ApplyLock(const LockReport& r);
    void ApplyMixLevels(const InputMixTrimReport& r);
    void ApplyInputThreshold(int value);
    void ApplyNoise(const NoiseReport& r);
    void ApplyHpQFactor(const QFactorReport& r);
    void ApplyLpQFactor(const QFactorReport& r);
    static void LogQFactors(const char* filter, const QFactorReport& r);
    void ApplyFactoryPreset(int value);
    void ApplySetupMode(int value);
    void ApplyCompressor(const CompressorReport& r);
    void ApplyAmpMute(int value);
    void ApplyEffectSwitch(int value);
    void ApplyHandshake(const HandshakeReport& r);
    void ApplyFlashVersions(const FlashVersionReport& r);
    void ApplyPowerOffDelay(int ms);
    void ApplySceneName(const SceneNameReport& r);
    void ApplySceneValid(const SceneValidReport& r);
    bool IsLive(int scene) const { return scene == 0; }
    void Refresh(RefreshWhat what, int channel = -1, int index = -1);

    // Scene and profile helpers (scene_ops.cpp, profile_ops.cpp).
    void OnSceneLoaded();
    void OnProfileUploaded();
    void OnWholeProfileRead();
    void RefreshAllControls();
    std::array<BandCounts, kStoredScenes + 1> AllBandCounts() const;
    // Every stored scene, then the live scene, into the model (worker thread).
    SequenceOutcome ReadWholeDeviceThread(const std::array<BandCounts, kStoredScenes + 1>& bands,
                                          std::chrono::milliseconds settle);

    // Tuning helpers (channel_ops.cpp and friends).
    static bool IsChannel(int channel) { return channel >= 0 && channel < kChannelSlots; }
    ChannelSettings& Channel(int channel) { return model_.live.channels[Index(channel)]; }
    const ChannelSettings& Channel(int channel) const {
        return model_.live.channels[Index(channel)];
    }
    static size_t Index(int i) { return static_cast<size_t>(i); }
    int CurrentChannel() const;
    // The linked partner of a channel, or -1 (link off, no partner, or a stored entry that
    // does not name another channel 0..5).
    int Partner(int channel) const;
    // The other members of the synchronised group when `channel` belongs to it.
    std::vector<int> GroupMembers(int channel) const;
    int RoleOf(int channel) const;
    void SendTrim(int channel);
    void SendDelay(int channel);
    void SendFilter(int channel, PassBand pass);
    void SendBand(int channel, int band, float gain);
    void SendBypass(int channel);
    // Copies a subwoofer channel's gain to the channels of the other subwoofer role; returns
    // the channels that changed.
    std::vector<int> CoupleSubwoofers(int channel);
    void RefreshCurrentChannel();
    void ShowBypassState(int channel);

    // Crossover and band edits (crossover_eq_ops.cpp).
    // The channels an edit of the current channel reaches: the current channel, the other
    // members of its synchronised group (their commands go first) and its linked partner
    // (kNoLinkedChannel when there is none; its command goes after the current channel's).
    struct EditReach {
        int current = 0;
        std::vector<int> members;
        int partner = kNoLinkedChannel;
        bool HasPartner() const { return partner != kNoLinkedChannel; }
        std::vector<int> Followers() const;  // the members, then the partner
    };
    EditReach ReachOfCurrent() const;

    enum class FilterChoice { kSlope, kType };
    void ApplyCorner(PassBand pass, int hz);
    void FinishFilterEdit(const EditReach& reach, PassBand pass);
    void ApplyFilterChoice(PassBand pass, FilterChoice choice, int index,
                           std::string_view itemText);
    float DisplayedGain(int channel, int band) const;
    void ApplyBandEdit(int band, int freq, float q, float gain);
    void LeaveBypass(int channel);
    void SyncBypassFlag(int band, float gain);

    // Output configuration and roles.
    void AssignRole(int channel, int role);
    void CopyChannelSettings(int from, int to);
    void SwitchLinkOff();

    // Edit history (history_ops.cpp).
    void ClearHistoryOn(int messageId);
    bool StepHistory(bool undo);
    void RestoreTuning(const SceneRecord& target);
    void SendUnit(const TuningUnit& unit);
    void ShowHistory();

    // The summary after a scene profile load (profile_compare_ops.cpp).
    void NoteLoadChanges(const SceneRecord& loaded);
    void ShowLoadSummary();

    ModelStore model_;
    uint16_t sceneValidMask_ = 0;
    ConnectState connectState_ = ConnectState::kDisconnected;
    bool forcedUpdate_ = false;
    ControllerTimings timings_;
    std::function<int()> upgradeStatus_;
    std::filesystem::path wholeProfilePath_;
    // How writing the file after the last whole read went.
    bool wholeProfileWritten_ = false;
    std::vector<int> shortenedNames_;  // scenes whose names the file shortened

    // The scene a save or delete changes, and its name before, restored when it fails.
    std::optional<DeviceOperation> awaitingAck_;  // the save or delete that is running
    int changedScene_ = 0;
    SceneName previousName_{};
    // Set when a read of the live scene stayed incomplete: the model then holds values the
    // device did not report, and nothing is written or uploaded from them.
    bool liveIncomplete_ = false;
    std::string liveUnknown_;

    // Outcomes of ended worker sequences, taken in order by their kMsgSequenceEnded (a new
    // sequence may end before the owner handled the previous one's message).
    struct EndedSequence {
        std::optional<DeviceOperation> operation;
        SequenceOutcome outcome;
    };
    std::mutex endedMutex_;
    std::deque<EndedSequence> ended_;
    // The latest progress; kMsgProgress is posted only when the owner took the previous one.
    std::mutex progressMutex_;
    SequenceProgress progress_;
    bool progressPosted_ = false;
    DelayUnit delayUnit_ = DelayUnit::Milliseconds;
    bool eqParametric_ = false;  // the window starts in graphic mode
    int menuChannel_ = -1;
    EditHistory history_;
    bool busyAtEditStart_ = false;
    // Values a scene profile load changed: noted at the load, ready once the upload ended,
    // shown when the loading window closes.
    std::optional<size_t> loadChanges_;
    std::optional<size_t> loadSummary_;
    std::array<float, kMixInputs> inputNoise_ = [] {
        std::array<float, kMixInputs> levels;
        levels.fill(-100.0f);  // the bottom of the noise bars
        return levels;
    }();

    MessageTarget& reports_;
    ControllerView& view_;

    // Scene acknowledgements arrive as kMsgSceneReport / kMsgSceneDeleted for the scene window;
    // the first is renamed so it cannot be taken for a scene-name report.
    class SceneAckTarget;
    std::unique_ptr<SceneAckTarget> sceneAcks_;

    std::atomic<bool> stopping_{false};
    std::unique_ptr<DeviceLink> link_;
    DeviceSequences sequences_;
    // Declared last: joined first on destruction, while the link is still alive.
    WorkerThread worker_;
};

// Makes what the model changes while it lives one undo step (BeginEdit ... EndEdit).
class EditScope {
  public:
    explicit EditScope(EqualizerManager& manager) : manager_(manager) { manager_.BeginEdit(); }
    ~EditScope() { manager_.EndEdit(); }
    EditScope(const EditScope&) = delete;
    EditScope& operator=(const EditScope&) = delete;

  private:
    EqualizerManager& manager_;
};

}  // namespace korvel
