#include "tuning_session.h"

#include <unistd.h>

#include <cstdio>
#include <map>

#include "cli.h"
#include "virtualamp/device_select.h"

namespace korvel::cli {

namespace {

// Keys that report a failure of the operation the command asked for.
constexpr const char* kErrorKeys[] = {
    "${device_connect_fail}", "${device_not_match}",     "${device_status_unnormal}",
    "${device_plugout}",      "${profile_create_error}", "${profile_open_error}",
    "${profile_load_error}",  "${software_not_match}",
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
    };
    auto it = texts.find(key);
    return it == texts.end() ? key : it->second;
}

void CliView::ShowMessage(const std::string& key, const std::string& detail) {
    messages.emplace_back(key, detail);
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

Progress::Progress(std::string label, const std::atomic<int>& sent, int expectedTotal)
    : label_(std::move(label)),
      sent_(sent),
      expected_(expectedTotal),
      terminal_(isatty(STDERR_FILENO) != 0),
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
    const int sent = sent_.load();
    std::string line = label_ + ": ";
    if (terminal_ && expected_ > 0) {
        constexpr int kWidth = 30;
        const int filled = std::min(kWidth, sent * kWidth / expected_);
        line += "[" + std::string(static_cast<size_t>(filled), '#') +
                std::string(static_cast<size_t>(kWidth - filled), '.') + "] ";
    }
    char tail[64];
    std::snprintf(tail, sizeof tail, "%d reports, %.1f s", sent, seconds);
    line += tail;
    if (terminal_) {
        std::fprintf(stderr, "\r%s\033[K%s", line.c_str(), final ? "\n" : "");
    } else if (final) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fflush(stderr);
}

TuningSession::TuningSession(const std::string& device) {
    std::string error;
    auto factory = TransportFactoryForDevice(device, &error);
    if (!factory)
        throw UsageError(error);
    manager_ = std::make_unique<EqualizerManager>(CountingFactory(std::move(*factory), sent_),
                                                  queue_, view_);
    // The pause before redrawing the graph after the read has nothing to wait for here.
    ControllerTimings timings;
    timings.syncSettle = std::chrono::milliseconds(0);
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

void TuningSession::ConnectAndSync() {
    manager_->Connect(true);
    RunToIdle();
    if (!manager_->IsConnected()) {
        std::string error = view_.FirstError();
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
