#include "controller/equalizer_manager.h"

#include <utility>

#include "log/log.h"
#include "model/scene_reset.h"

namespace korvel {

namespace {
constexpr int kUpgradeEntered = 16;  // UPG_ENTER
constexpr int kUpgradeStarted = 32;  // UPG_START
}  // namespace

// Forwards the scene window's acknowledgements to the owner: kMsgSceneReport becomes
// kMsgSceneSaved (kMsgSceneReport also carries scene names for the report window), and
// kMsgSceneDeleted passes unchanged.
class EqualizerManager::SceneAckTarget : public MessageTarget {
  public:
    explicit SceneAckTarget(MessageTarget& owner) : owner_(owner) {}
    void PostMessage(Message m) override {
        if (m.id == kMsgSceneReport) {
            m.id = kMsgSceneSaved;
        }
        owner_.PostMessage(std::move(m));
    }

  private:
    MessageTarget& owner_;
};

EqualizerManager::EqualizerManager(TransportFactory factory, MessageTarget& reports,
                                   ControllerView& view)
    : reports_(reports),
      view_(view),
      sceneAcks_(std::make_unique<SceneAckTarget>(reports)),
      link_(std::make_unique<DeviceLink>(std::move(factory))),
      sequences_(*link_, stopping_) {
    link_->SetModel(kSupportedModel);
    link_->SetOutputCount(kChannelSlots);
    link_->SetInputCount(4);
    link_->SetFineTrim(false);
    link_->SetReportTarget(&reports_);
    link_->SetSceneTarget(sceneAcks_.get());
    model_.live.channelCount = kChannelSlots;
    sequences_.SetProgressSink([this](const SequenceProgress& p) { PostProgress(p); });
}

EqualizerManager::~EqualizerManager() {
    stopping_.store(true);
    worker_.Join();
    link_->SetReportTarget(nullptr);
    link_->SetSceneTarget(nullptr);
}

bool EqualizerManager::UpgradeInProgress() const {
    if (!upgradeStatus_) {
        return false;
    }
    const int status = upgradeStatus_();
    return status == kUpgradeEntered || status == kUpgradeStarted;
}

void EqualizerManager::Post(int id, int64_t wParam) {
    Message m;
    m.id = id;
    m.wParam = wParam;
    reports_.PostMessage(std::move(m));
}

bool EqualizerManager::StartWorker(std::function<void()> body) {
    return StartSequence(std::nullopt, [body = std::move(body)] {
        body();
        return SequenceOutcome{};
    });
}

bool EqualizerManager::StartOperation(DeviceOperation operation,
                                      std::function<SequenceOutcome()> body) {
    return StartSequence(operation, std::move(body));
}

bool EqualizerManager::StartSequence(std::optional<DeviceOperation> operation,
                                     std::function<SequenceOutcome()> body) {
    // The end of a sequence posts a message of its own, so an owner waiting for Busy() to turn
    // false is woken at once instead of at its next time-out; the message carries the outcome.
    auto run = [this, operation, body = std::move(body)] {
        EndedSequence ended{operation, body()};
        std::lock_guard lock(endedMutex_);
        ended_.push_back(std::move(ended));
    };
    if (!worker_.Start(std::move(run), [this] { Post(kMsgSequenceEnded); })) {
        WriteLog("EqualizerManager: a device sequence is still running\n");
        return false;
    }
    return true;
}

void EqualizerManager::Refresh(RefreshWhat what, int channel, int index) {
    view_.RefreshControls(what, channel, index);
}

bool EqualizerManager::IsConnected() const {
    return link_->IsOpen() && model_.live.deviceModel != -1;
}

// --- Messages -----------------------------------------------------------------------------------

void EqualizerManager::HandleMessage(const Message& message) {
    ClearHistoryOn(message.id);
    switch (message.id) {
        case kMsgDspReport:
            ReadDspValueCallback(message);
            break;
        case kMsgMcuReport:
            ReadMcuValueCallback(message);
            break;
        case kMsgSceneReport:
            ReadSenceValueCallback(message);
            break;
        case kMsgKtvReport:
            ReadKtvValueCallback(message);
            break;
        case kMsgMcuNotNormal:
            view_.ShowMessage("${device_status_unnormal}", "");
            view_.StartForcedUpdate();
            break;
        case kMsgDeviceRebooting:
            view_.ShowLoading(false);
            view_.ShowMessage("${device_reboot}", "");
            break;
        case kMsgConnectFailed:
            view_.ShowMessage("${device_connect_fail}", "");
            break;
        case kMsgConnected:
            FinishConnect();
            break;
        case kMsgDisconnect:
            Disconnect();
            break;
        case kMsgFirmwareTooOld:
            view_.StartForcedUpdate();
            break;
        case kMsgOpenLoading:
            view_.ShowLoading(true);
            break;
        case kMsgCloseLoading:
            view_.ShowLoading(false);
            ShowLoadSummary();
            break;
        case kMsgSyncFinished:
            CheckDeviceAfterSync();
            break;
        // The acknowledgements close the loading window of a scene save or delete only; the
        // whole-profile upload saves ten scenes on its own and keeps its window open.
        case kMsgSceneSaved:
            if (awaitingAck_ == DeviceOperation::kSaveScene) {
                view_.ShowLoading(false);
                view_.ShowMessage("${save_scene_ok}", "");
            }
            break;
        case kMsgSceneDeleted:
            if (awaitingAck_ == DeviceOperation::kDeleteScene) {
                view_.ShowLoading(false);
            }
            break;
        case kMsgSceneLoaded:
            OnSceneLoaded();
            break;
        case kMsgProfileUploaded:
            OnProfileUploaded();
            break;
        case kMsgWholeProfileRead:
            OnWholeProfileRead();
            break;
        case kMsgDevicePlugOut:
            WriteLog("DisconnectMsgThread start!\n");
            view_.ShowMessage("${device_plugout}", "");
            WriteLog("DisconnectMsgThread end!\n");
            break;
        case kMsgSequenceEnded:
            OnSequenceEnded();
            break;
        case kMsgProgress:
            OnProgress();
            break;
        default:
            break;
    }
}

bool EqualizerManager::RunUntil(MessageQueue& queue, const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        // Short waits, so a condition that turns true without a message (a worker ending) is
        // seen promptly.
        if (auto m = queue.Take(std::min(left, std::chrono::milliseconds(20)))) {
            HandleMessage(*m);
        }
    }
    return true;
}

bool EqualizerManager::RunUntilIdle(MessageQueue& queue, std::chrono::milliseconds timeout) {
    // A sequence stops being Busy() just before it posts its end; idle also means that end,
    // with the outcome it carries, was handled.
    auto outcomePending = [this] {
        std::lock_guard lock(endedMutex_);
        return !ended_.empty();
    };
    return RunUntil(
        queue, [&] { return !Busy() && queue.Size() == 0 && !outcomePending(); }, timeout);
}

// --- Connection ---------------------------------------------------------------------------------

void EqualizerManager::Connect(bool showError) {
    if (UpgradeInProgress()) {
        return;
    }
    if (link_->IsOpen()) {
        Disconnect();
        return;
    }
    if (Busy()) {
        // A sequence of the previous connection is still ending; a new read must not overlap it.
        WriteLog("EqualizerManager::Connect: previous sequence still running\n");
        return;
    }
    const int opened = link_->OpenHIDDevice();
    if (opened == kOpenDeviceInUse) {
        // Another program talks to this amplifier; the user is told who, even on a plug-in.
        view_.ShowMessage("${device_in_use}", link_->DeviceHolder());
        connectState_ = ConnectState::kDisconnected;
        view_.SetConnectState(connectState_);
        return;
    }
    if (opened != 0 || !link_->IsOpen()) {
        WriteLog("Can not conect usb devices, please connect devices again!\n");
        if (showError) {
            view_.ShowMessage("${device_connect_fail}", "");
        }
        connectState_ = ConnectState::kDisconnected;
        view_.SetConnectState(connectState_);
        return;
    }
    view_.CloseToolWindow(ToolWindow::kUpdateFirmware);
    view_.CloseToolWindow(ToolWindow::kMixer);
    WriteLog("Connect OK\uFF01\n");
    connectState_ = ConnectState::kConnecting;
    view_.SetConnectState(connectState_);
    if (forcedUpdate_) {
        // The forced update window carries on with the upgrade over the open link.
        connectState_ = ConnectState::kConnected;
        view_.SetConnectState(connectState_);
        view_.StartForcedUpdate();
        return;
    }
    link_->DisableQueue();
    Post(kMsgOpenLoading);
    const BandCounts bands = BandCountsOf(model_.live);
    const auto settle = timings_.syncSettle;
    if (!StartOperation(DeviceOperation::kConnect,
                        [this, bands, settle] { return ReadAllThread(bands, settle); })) {
        Post(kMsgCloseLoading);
    }
}

SequenceOutcome EqualizerManager::ReadAllThread(BandCounts bands,
                                                std::chrono::milliseconds settle) {
    WriteLog("Read mcu value thread start!\n");
    SequenceOutcome out;
    sequences_.Report(SequencePhase::kReadLive, 0, out, sequences_.CountStatusInit(bands));
    if (sequences_.PC_UI_Status_Init(bands, out) == -1) {
        Post(kMsgCloseLoading);
        Post(kMsgConnectFailed);
        Post(kMsgDisconnect);
        return out;
    }
    // Gives the last replies time to arrive before the owner shows the connected state.
    if (out.Complete()) {
        sequences_.Pause(settle);
        sequences_.Ended(out);
    }
    if (!out.Complete()) {
        // The owner names what is missing and disconnects when it takes the outcome.
        Post(kMsgCloseLoading);
        return out;
    }
    Post(kMsgConnected);
    Post(kMsgCloseLoading);
    WriteLog("Read mcu value thread end!\n");
    // The model and firmware checks need the handshake values, which live in the model: the
    // owner runs them when it reaches this message, after every report posted before it.
    Post(kMsgSyncFinished);
    return out;
}

void EqualizerManager::CheckDeviceAfterSync() {
    if (!link_->mcu_is_normal_mode()) {
        return;
    }
    const SceneRecord& live = model_.live;
    if (live.deviceModel == kSupportedModel) {
        const bool tooOld =
            live.mainVersion < kOldestMainVersion ||
            (live.mainVersion == kOldestMainVersion && live.slaveVersion < kOldestSlaveVersion);
        if (tooOld) {
            Post(kMsgFirmwareTooOld);
        }
        return;
    }
    if (live.deviceModel != -1) {
        Post(kMsgCloseLoading);
        Disconnect();
        model_.live.deviceModel = -1;
    }
}

void EqualizerManager::FinishConnect() {
    if (UpgradeInProgress() || !link_->mcu_is_normal_mode()) {
        return;
    }
    if (!link_->IsOpen() || model_.live.deviceModel == -1) {
        Disconnect();
        return;
    }
    connectState_ = ConnectState::kConnected;
    view_.SetConnectState(connectState_);
    link_->EnableQueue();
    Refresh(RefreshWhat::kEqualizerGraph);
}

void EqualizerManager::Disconnect() {
    if (UpgradeInProgress()) {
        return;
    }
    view_.CloseToolWindow(ToolWindow::kMixer);
    view_.CloseToolWindow(ToolWindow::kAutoCalibration);
    link_->DisableQueue();
    link_->CloseHIDDevice(true);
    connectState_ = ConnectState::kDisconnected;
    view_.SetConnectState(connectState_);
    model_.live.deviceModel = -1;
}

void EqualizerManager::DevicePlugOut() {
    WriteLog("DevicePlugOut\n");
    if (UpgradeInProgress()) {
        WriteLog("sys_upg_status UPG_ENTER or UPG_START\n");
        return;
    }
    Disconnect();
    if (!forcedUpdate_) {
        Post(kMsgDevicePlugOut);
    }
}

void EqualizerManager::DevicePlugin() {
    WriteLog("DevicePlugin\n");
    if (UpgradeInProgress()) {
        WriteLog("sys_upg_status UPG_ENTER or UPG_START\n");
        return;
    }
    Connect(false);
}

void EqualizerManager::ReadMcuValueCallback(const Message& message) {
    WriteLog("ReadMcuValueCallback 0x%02x\n", static_cast<int>(message.wParam));
    RouteReport(message);
}

void EqualizerManager::ApplyHandshake(const HandshakeReport& r) {
    SceneRecord& live = model_.live;
    live.deviceModel = r.model;
    live.mainVersion = r.master_version;
    live.slaveVersion = r.slave_version;
    const bool normal = link_->mcu_is_normal_mode();
    WriteLog(
        "UI MCU_HANDSHAKE model=%d, mainVersion=%d, slaveVersion=%d, "
        "mcu_is_normal_mode=%d\n",
        live.deviceModel, live.mainVersion, live.slaveVersion, normal ? 1 : 0);
    if (live.deviceModel != kSupportedModel && normal) {
        view_.ShowMessage("${device_not_match}", std::to_string(live.deviceModel));
    }
}

void EqualizerManager::ApplyFlashVersions(const FlashVersionReport& r) {
    model_.live.flashVersions = r.versions;
}

void EqualizerManager::ApplyPowerOffDelay(int ms) {
    model_.live.powerOffDelay = static_cast<int32_t>(ms);
}

}  // namespace korvel
