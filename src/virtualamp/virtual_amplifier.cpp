#include "virtualamp/virtual_amplifier.h"

#include <algorithm>

#include "link/device_link_core.h"
#include "log/log.h"
#include "virtualamp/amp_commands.h"

namespace korvel {

namespace amp {

void CommandContext::Data(const std::vector<uint8_t>& data) {
    replies.push_back(BuildInputReport(request.mcmd, request.subcmd, OP_DATA, data));
}

void CommandContext::Ack(uint8_t status, const std::vector<uint8_t>& extra) {
    std::vector<uint8_t> data(extra.size() + 1);
    data[0] = status;
    std::copy(extra.begin(), extra.end(), data.begin() + 1);
    replies.push_back(BuildInputReport(request.mcmd, request.subcmd, OP_ACK, data));
}

AmpScene* SceneAt(AmpState& state, uint8_t scene) {
    if (scene == 0) {
        return &state.live;
    }
    return scene <= kStoredScenes ? &state.stored[scene - 1] : nullptr;
}

}  // namespace amp

namespace {

constexpr uint8_t kHandshakeCommand = 0x08;
constexpr uint8_t kPcConnectCommand = 0x1F;

// The upgrade loader knows only the handshake and the connect notice; extensions add the
// upgrade commands.
bool LoaderAnswers(const AmpRequest& request) {
    return request.mcmd == MCMD_MCU &&
           (request.subcmd == kHandshakeCommand || request.subcmd == kPcConnectCommand);
}

bool RunBuiltIn(amp::CommandContext& context) {
    switch (context.request.mcmd) {
        case MCMD_DSP:
            return amp::HandleDspCommand(context);
        case MCMD_FLASH:
            return amp::HandleFlashCommand(context);
        case MCMD_MCU:
            return amp::HandleMcuCommand(context);
        case MCMD_KTV:
            return amp::HandleKtvCommand(context);
        default:
            return false;
    }
}

}  // namespace

struct VirtualAmplifier::Impl {
    mutable std::mutex mutex;
    AmpState state = FactoryState();
    AmpIdentity identity;
    std::vector<AmpRequest> requestLog;
    uint64_t rejected = 0;
    std::chrono::microseconds reportDelay{1000};
    FaultPlan faults;
    uint64_t requestsSincePlan = 0;
    bool unplugged = false;
    std::vector<std::shared_ptr<AmpExtension>> extensions;
    AmpUpgrade upgrade;
    uint64_t generation = 0;
    std::chrono::milliseconds restartTime{1000};
    std::chrono::steady_clock::time_point backAt{};
    bool goneForGood = false;  // restarted and never came back (fault)

    bool PresentLocked() const {
        return !unplugged && !goneForGood && std::chrono::steady_clock::now() >= backAt;
    }

    void RestartLocked(bool intoLoader) {
        ++generation;
        identity.loaderMode = intoLoader;
        backAt = std::chrono::steady_clock::now() + restartTime;
        WriteLog("VirtualAmplifier: restarting into its %s\n",
                 intoLoader ? "loader" : "application");
    }

    void After(AmpAfterRequest after) {
        switch (after) {
            case AmpAfterRequest::kNothing:
                break;
            case AmpAfterRequest::kRestartIntoLoader:
                RestartLocked(true);
                break;
            case AmpAfterRequest::kRestartIntoApplication:
                RestartLocked(false);
                break;
            case AmpAfterRequest::kUnplug:
                unplugged = true;
                break;
            case AmpAfterRequest::kGoAway:
                RestartLocked(true);
                goneForGood = true;
                break;
        }
    }

    std::vector<InputReport> Execute(const AmpRequest& request) {
        std::vector<InputReport> replies;
        AmpAfterRequest after = AmpAfterRequest::kNothing;
        if (upgrade.Handle(request, identity, replies, after)) {
            After(after);
            return replies;
        }
        for (const auto& extension : extensions) {
            if (extension->Handle(request, state, replies)) {
                return replies;
            }
        }
        if (identity.loaderMode && !LoaderAnswers(request)) {
            return replies;
        }
        amp::CommandContext context{request, state, identity, replies};
        if (!RunBuiltIn(context)) {
            WriteLog("VirtualAmplifier: no answer to mcmd 0x%02x subcmd 0x%02x optype 0x%02x\n",
                     request.mcmd, request.subcmd, request.optype);
            replies.clear();
        }
        return replies;
    }

    void ApplyFaults(std::vector<InputReport>& replies) {
        ++requestsSincePlan;
        if (requestsSincePlan == faults.dropReplyTo) {
            replies.clear();
        }
        if (requestsSincePlan == faults.corruptReplyTo) {
            for (auto& report : replies) {
                report[ChecksumIndex(report)] ^= 0xFF;
            }
        }
        if (requestsSincePlan == faults.unplugAfter) {
            unplugged = true;
        }
        for (const auto& extension : extensions) {
            unplugged = extension->TakeUnplugRequest() || unplugged;
        }
    }
};

VirtualAmplifier::VirtualAmplifier() : impl_(std::make_unique<Impl>()) {}

VirtualAmplifier::VirtualAmplifier(const AmpIdentity& identity) : VirtualAmplifier() {
    impl_->identity = identity;
}

VirtualAmplifier::~VirtualAmplifier() = default;

std::vector<InputReport> VirtualAmplifier::HandleOutputReport(const uint8_t* data, size_t length) {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->PresentLocked()) {
        return {};
    }
    auto request = ParseOutputReport(data, length);
    if (!request) {
        ++impl_->rejected;
        return {};
    }
    impl_->requestLog.push_back(*request);
    auto replies = impl_->Execute(*request);
    impl_->ApplyFaults(replies);
    return replies;
}

std::vector<AmpRequest> VirtualAmplifier::RequestLog() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requestLog;
}

void VirtualAmplifier::ClearRequestLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->requestLog.clear();
}

uint64_t VirtualAmplifier::RejectedReports() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->rejected;
}

void VirtualAmplifier::SetReportDelay(std::chrono::microseconds delay) {
    std::lock_guard lock(impl_->mutex);
    impl_->reportDelay =
        delay < std::chrono::microseconds::zero() ? std::chrono::microseconds{0} : delay;
}

std::chrono::microseconds VirtualAmplifier::ReportDelay() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->reportDelay;
}

void VirtualAmplifier::SetIdentity(const AmpIdentity& identity) {
    std::lock_guard lock(impl_->mutex);
    impl_->identity = identity;
}

AmpIdentity VirtualAmplifier::Identity() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->identity;
}

void VirtualAmplifier::SetFaultPlan(const FaultPlan& plan) {
    std::lock_guard lock(impl_->mutex);
    impl_->faults = plan;
    impl_->requestsSincePlan = 0;
}

bool VirtualAmplifier::Unplugged() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->unplugged;
}

void VirtualAmplifier::Unplug() {
    std::lock_guard lock(impl_->mutex);
    impl_->unplugged = true;
}

void VirtualAmplifier::Replug() {
    std::lock_guard lock(impl_->mutex);
    impl_->unplugged = false;
    impl_->goneForGood = false;
}

AmpState VirtualAmplifier::State() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->state;
}

void VirtualAmplifier::ModifyState(const std::function<void(AmpState&)>& change) {
    std::lock_guard lock(impl_->mutex);
    change(impl_->state);
}

void VirtualAmplifier::FactoryReset() {
    std::lock_guard lock(impl_->mutex);
    impl_->state = FactoryState();
}

void VirtualAmplifier::SetUpgradeFaults(const UpgradeFaults& faults) {
    std::lock_guard lock(impl_->mutex);
    impl_->upgrade.SetFaults(faults);
}

std::vector<ReceivedImage> VirtualAmplifier::ReceivedImages() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->upgrade.Received();
}

void VirtualAmplifier::SetRestartTime(std::chrono::milliseconds time) {
    std::lock_guard lock(impl_->mutex);
    impl_->restartTime = std::max(time, std::chrono::milliseconds{0});
}

void VirtualAmplifier::Restart(bool intoLoader) {
    std::lock_guard lock(impl_->mutex);
    impl_->RestartLocked(intoLoader);
}

uint64_t VirtualAmplifier::ConnectionGeneration() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->generation;
}

bool VirtualAmplifier::Present() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->PresentLocked();
}

void VirtualAmplifier::AddExtension(std::shared_ptr<AmpExtension> extension) {
    std::lock_guard lock(impl_->mutex);
    if (extension) {
        impl_->extensions.push_back(std::move(extension));
    }
}

}  // namespace korvel
