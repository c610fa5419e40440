#include "tuning_session.h"

#include <unistd.h>

#include <cstdio>
#include <map>

#include "cli.h"

namespace korvel::cli {

namespace {

// Keys that report a failure of the operation the command asked for.
constexpr const char* kErrorKeys[] = {
    "${device_connect_fail}", "${device_not_match}",     "${device_status_unnormal}",
    "${device_plugout}",      "${profile_create_error}", "${profile_open_error}",
    "${profile_load_error}",  "${software_not_match}",   "${device_in_use}",
    "${device_no_answer}",    "${upload_unconfirmed}",   "${scene_save_fail}",
    "${scene_load_fail}",     "${scene_delete_fail}",    "${factory_default_fail}",
    "${scene_name_invalid}",
};

// Passes every call through and counts the output reports written.
class CountingTransport : public HidTransport {
  public:
    CountingTransport(std::unique_ptr<HidTransport> inner, std::shared_ptr<std::atomic<int>> sent)
        : inner_(std::move(inner)), sent_(std::move(sent)) {}
    bool Open() override { return inner_->Open(); }
    void Close() override { inner_->Close(); }
    std::optional<std::wstring> ManufacturerString() override {
        return inner_->ManufacturerString();
    }
    std::optional<std::wstring> ProductString() override { return inner_->ProductString(); }
    std::optional<std::wstring> SerialNumberString() override {
        return inner_->SerialNumberString();
    }
    std::optional<std::wstring> IndexedString(int index) override {
        return inner_->IndexedString(index);
    }
    int SetNonblocking(bool nonblocking) override { return inner_->SetNonblocking(nonblocking); }
    int Write(const uint8_t* data, size_t length) override {
        sent_->fetch_add(1);
        return inner_->Write(data, length);
    }
    int ReadTimeout(uint8_t* buffer, size_t length, int timeoutMs) override {
        return inner_->ReadTimeout(buffer, length, timeoutMs);
    }
    std::wstring ErrorText() override { return inner_->ErrorText(); }
    bool Disconnected() const override { return inner_->Disconnected(); }

  private:
    std::unique_ptr<HidTransport> inner_;
    std::shared_ptr<std::atomic<int>> sent_;
};

TransportFactory CountingFactory(TransportFactory inner, std::shared_ptr<std::atomic<int>> sent) {
    TransportFactory counted;
    counted.init = inner.init;
    counted.create = [create = std::move(inner.create), sent]() -> std::unique_ptr<HidTransport> {
        auto transport = create();
        if (!transport)
            return nullptr;
        return std::make_unique<CountingTransport>(std::move(transport), sent);
    };
    return counted;
}

}  // namespace

std::string EnglishText(const std::string& key) {
    static const std::map<std::string, std::string> texts = {
        {"${device_connect_fail}", "no amplifier could be connected"},
        {"${device_not_match}", "the amplifier is not a Tarvik7 (model 72); model"},
        {"${device_status_unnormal}",
         "the amplifier runs its upgrade loader and needs a firmware update"},
        {"${device_plugout}", "the amplifier was unplugged"},
        {"${device_reboot}", "the amplifier restarts with its factory settings"},
        {"${profile_create_error}", "the profile file could not be written"},
        {"${profile_open_error}", "the profile file could not be opened"},
        {"${profile_load_error}", "the profile file is damaged or not a profile"},
        {"${software_not_match}", "the profile was made for another amplifier model"},
        {"${profile_save_ok}", "profile saved"},
        {"${save_scene_ok}", "scene saved"},
        {"${device_in_use}", "the amplifier is in use by"},
        {"${device_no_answer}", "the amplifier did not answer; these values are unknown:"},
        {"${upload_unconfirmed}",
         "the amplifier did not confirm every setting (unconfirmed / sent):"},
        {"${scene_save_fail}", "the amplifier did not confirm that it stored the scene"},
        {"${scene_load_fail}", "the amplifier did not confirm that it loaded the scene"},
        {"${scene_delete_fail}", "the amplifier did not confirm that it erased the scene"},
        {"${factory_default_fail}", "the amplifier did not confirm the factory reset"},
        {"${scene_name_invalid}", "a scene name may not hold control characters"},
    };
    auto it = texts.find(key);
    return it == texts.end() ? key : it->second;
}

void CliView::ShowMessage(const std::string& key, const std::string& detail) {
    messages.emplace_back(key, detail);
}

std::string FailureText(const OperationResult& result) {
    const std::string text = EnglishText(result.messageKey);
    return result.detail.empty() ? text : text + " " + result.detail;
}

std::string PhaseText(const SequenceProgress& p) {
    const std::string of = " " + std::to_string(p.scene) + " of " + std::to_string(p.scenes);
    switch (p.phase) {
        case SequencePhase::kReadLive:
            return "reading the live settings";
        case SequencePhase::kReadScene:
            return "reading scene" + of;
        case SequencePhase::kUploadScene:
            return "uploading scene" + of;
        case SequencePhase::kUploadLive:
            return "uploading the live settings";
        case SequencePhase::kWaitForStore:
            return "waiting for the amplifier to store the scenes";
        case SequencePhase::kSaveScene:
            return "storing scene " + std::to_string(p.scene);
        case SequencePhase::kLoadScene:
            return "loading scene " + std::to_string(p.scene);
        case SequencePhase::kDeleteScene:
            return "erasing scene " + std::to_string(p.scene);
        case SequencePhase::kFactoryReset:
            return "restoring the factory settings";
    }
    return {};
}

void CliView::ShowProgress(const SequenceProgress& progress) {
    std::lock_guard lock(progressMutex_);
    progress_ = progress;
}

SequenceProgress CliView::LatestProgress() const {
    std::lock_guard lock(progressMutex_);
    return progress_;
}

std::string CliView::DetailOf(const std::string& key) const {
    std::string detail;
    for (const auto& [shown, text] : messages) {
        if (shown == key)
            detail = text;
    }
    return detail;
}

std::optional<OperationResult> CliView::Result(DeviceOperation operation) const {
    for (auto it = results.rbegin(); it != results.rend(); ++it) {
        if (it->operation == operation)
            return *it;
    }
    return std::nullopt;
}

bool CliView::Shown(const std::string& key) const {
    for (const auto& [shown, detail] : messages) {
        if (shown == key)
            return true;
    }
    return false;
}

std::string CliView::FirstError() const {
    for (const auto& [key, detail] : messages) {
        for (const char* error : kErrorKeys) {
            if (key == error)
                return detail.empty() ? EnglishText(key) : EnglishText(key) + " " + detail;
        }
    }
    return {};
}

Progress::Progress(std::string label, const std::atomic<int>& sent, const CliView& view)
    : label_(std::move(label)),
      sent_(sent),
      view_(view),
      terminal_(isatty(fileno(Err())) != 0),
      start_(std::chrono::steady_clock::now()) {
    if (terminal_) {
        painter_ = std::thread([this] {
            while (!done_.load()) {
                Draw(false);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
}

Progress::~Progress() {
    done_ = true;
    if (painter_.joinable())
        painter_.join();
    Draw(true);
}

void Progress::Draw(bool final) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const SequenceProgress progress = view_.LatestProgress();
    std::string line = label_ + ": ";
    if (terminal_ && !final) {
        line += PhaseText(progress) + " ";
        if (progress.total > 0) {
            constexpr int kWidth = 30;
            const int filled = std::min(kWidth, progress.done * kWidth / progress.total);
            line += "[" + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(kWidth - filled), '.') + "] ";
        }
    }
    char tail[64];
    std::snprintf(tail, sizeof tail, "%d reports, %.1f s", sent_.load(), seconds);
    line += tail;
    if (terminal_) {
        std::fprintf(Err(), "\r%s\033[K%s", line.c_str(), final ? "\n" : "");
    } else if (final) {
        std::fprintf(Err(), "%s\n", line.c_str());
    }
    std::fflush(Err());
}

TuningSession::TuningSession(const std::string& device) {
    manager_ = std::make_unique<EqualizerManager>(CountingFactory(DeviceFactory(device), sent_),
                                                  queue_, view_);
    manager_->Link().SetWaitCapForTesting(TestHooks().waitCapMs);
    // The pause before redrawing the graph after the read has nothing to wait for here.
    ControllerTimings timings;
    timings.syncSettle = std::chrono::milliseconds(0);
    if (TestHooks().noPauses) {
        timings.storedSceneSettle = timings.wholeUploadTail = timings.wholeUploadSettle = {};
    }
    manager_->SetTimings(timings);
}

TuningSession::~TuningSession() {
    if (manager_->IsConnected())
        manager_->Disconnect();
    manager_->RunUntilIdle(queue_, std::chrono::seconds(30));
}

void TuningSession::RunToIdle(std::chrono::seconds timeout) {
    if (!manager_->RunUntilIdle(queue_, timeout)) {
        throw DeviceError("the amplifier did not finish in time");
    }
}

void TuningSession::RequireSuccess(DeviceOperation operation) {
    RunToIdle();
    const std::optional<OperationResult> result = view_.Result(operation);
    if (!result) {
        const std::string error = view_.FirstError();
        throw DeviceError(error.empty() ? "the amplifier did not finish the operation" : error);
    }
    if (!result->ok) {
        throw DeviceError(result->messageKey.empty() ? "the operation failed"
                                                     : FailureText(*result));
    }
}

void TuningSession::ConnectAndSync() {
    manager_->Connect(true);
    RunToIdle();
    const std::optional<OperationResult> result = view_.Result(DeviceOperation::kConnect);
    if (!manager_->IsConnected() || !result || !result->ok) {
        // The first message names the reason (in use, no answer, unplugged, wrong model).
        std::string error = view_.FirstError();
        if (error.empty() && result && !result->messageKey.empty())
            error = FailureText(*result);
        throw DeviceError(error.empty() ? "no amplifier could be connected" : error);
    }
    if (!manager_->Link().mcu_is_normal_mode()) {
        throw DeviceError(EnglishText("${device_status_unnormal}"));
    }
    if (view_.forcedUpdate) {
        throw DeviceError("the amplifier's firmware is older than 16.25 and must be updated");
    }
}

}  // namespace korvel::cli
