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
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "commands/device_link.h"
#include "commands/message_target.h"
#include "controller/controller_view.h"
#include "controller/device_sequences.h"
#include "controller/model/model_store.h"
#include "controller/worker_thread.h"

namespace korvel {

// Messages the controller's worker posts to itself besides the shared ones of report_records.h.
inline constexpr int kMsgSyncFinished = 1290;      // read-all done: model and firmware checks
inline constexpr int kMsgSceneSaved = 1291;        // device acknowledged a scene save
inline constexpr int kMsgSceneLoaded = 1292;       // scene load read back: refresh roles, graph
inline constexpr int kMsgProfileUploaded = 1293;   // upload done: refresh every control
inline constexpr int kMsgWholeProfileRead = 1294;  // save-whole read done: write the file
inline constexpr int kMsgDevicePlugOut = 1295;     // show the unplugged notice
inline constexpr int kMsgSequenceEnded = 1296;     // a background sequence ended (no action)

// The pauses of the device sequences (the shipped values); tests shorten them.
struct ControllerTimings {
    std::chrono::milliseconds syncSettle{1000};          // read-all, before reporting the end
    std::chrono::milliseconds storedSceneSettle{1000};   // after ReadScene(k, 255)
    std::chrono::milliseconds wholeUploadTail{200};      // after the live part of a whole upload
    std::chrono::milliseconds wholeUploadSettle{20000};  // before closing the loading window
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
    // sequence is still running. Completion: kMsgSceneSaved (save), 1238 (delete), 1275
    // (load, factory reset via 1240).
    bool SaveSceneToDevice(int scene, std::u16string_view name);
    bool LoadSceneFromDevice(int scene);
    bool DeleteSceneFromDevice(int scene);
    // Reads stored scene 1..10 back from the device into the stored-scene table (1275 when
    // done).
    bool ReadStoredScene(int scene);
    // Asks "${factory_default_tips}" first; false when declined or busy.
    bool ResetMcuFactoryDefault();

    // --- Profile files --------------------------------------------------------------------------
    // Writes the live scene; shows "${profile_save_ok}" or "${profile_create_error}".
    bool SaveSenceConfigToFile(const std::filesystem::path& path);
    // Reads every stored scene and the live scene from the device, then writes the file.
    bool SaveWholeConfigToFile(const std::filesystem::path& path);
    // Loads a file into the model (all or nothing) and uploads it to the device.
    bool LoadSenceConfigFromFile(const std::filesystem::path& path);
    bool LoadWholeConfigFromFile(const std::filesystem::path& path);

  private:
    bool UpgradeInProgress() const;
    void Post(int id, int64_t wParam = 0);
    bool StartWorker(std::function<void()> body);

    void ReadAllThread(BandCounts bands, std::chrono::milliseconds settle);
    void CheckDeviceAfterSync();

    // Report handlers by identifier (report_handler.cpp).
    void ApplySource(int code);
    void ApplyMainVolume(int db);
    void ApplyMainMute(int value);
    void ApplyFilter(const FilterReport& r);
    void ApplyEqBand(const EqBandReport& r);
    void ApplyDelay(const ChannelFloatReport& r);
    void ApplyTrim(const ChannelFloatReport& r);
    void ApplyChannelInt(uint8_t id, const ChannelIntReport& r);
    void ApplyRouting(const MixReport& r);
    void ApplyLink(const LinkReport& r);
    void ApplyLock(const LockReport& r);
    void ApplyMixLevels(const InputMixTrimReport& r);
    void ApplyNoise(const NoiseReport& r);
    void ApplyQFactor(uint8_t id, const QFactorReport& r);
    void ApplyCompressor(const CompressorReport& r);
    void ApplyAmpMute(int value);
    void ApplyEffectSwitch(int value);
    bool IsLive(int scene) const { return scene == 0; }
    void Refresh(RefreshWhat what, int channel = -1, int index = -1);

    // Scene and profile helpers (scene_ops.cpp, profile_ops.cpp).
    void OnSceneLoaded();
    void OnProfileUploaded();
    void OnWholeProfileRead();
    void RefreshAllControls();

    ModelStore model_;
    uint16_t sceneValidMask_ = 0;
    ConnectState connectState_ = ConnectState::kDisconnected;
    bool forcedUpdate_ = false;
    ControllerTimings timings_;
    std::function<int()> upgradeStatus_;
    std::filesystem::path wholeProfilePath_;

    MessageTarget& reports_;
    ControllerView& view_;

    // Scene acknowledgements arrive as 1237/1238 for the scene window; 1237 is renamed so it
    // cannot be taken for a scene-name report.
    class SceneAckTarget;
    std::unique_ptr<SceneAckTarget> sceneAcks_;

    std::atomic<bool> stopping_{false};
    std::unique_ptr<DeviceLink> link_;
    DeviceSequences sequences_;
    // Declared last: joined first on destruction, while the link is still alive.
    WorkerThread worker_;
};

}  // namespace korvel
