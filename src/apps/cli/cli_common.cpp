#include <algorithm>
#include <charconv>

#include "cli.h"
#include "log/atomic_file.h"
#include "profiles/profile_file.h"
#include "virtualamp/device_select.h"

namespace korvel::cli {

bool WantsHelp(Args args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

void ThrowIfFileFailed(const std::string& file, const ProfileResult& result) {
    if (result.ok())
        return;
    std::string reason = result.englishText;
    if (!result.detail.empty())
        reason += " (" + result.detail + ")";
    throw UsageError(file + ": " + reason);
}

void CheckWritable(const std::string& file) {
    std::string why;
    if (!CanWriteFile(file, &why)) {
        throw UsageError(file + ": cannot be written (" + why + ")");
    }
}

long ParseNumber(std::string_view text, long min, long max, std::string_view what) {
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    long value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
        throw UsageError(std::string(what) + " is not a number: '" + std::string(text) + "'");
    }
    if (value < min || value > max) {
        throw UsageError(std::string(what) + " must be between " + std::to_string(min) + " and " +
                         std::to_string(max) + ": '" + std::string(text) + "'");
    }
    return value;
}

namespace {

CliTestHooks& Hooks() {
    static CliTestHooks hooks;
    return hooks;
}

std::FILE* Discard() {
    static std::FILE* sink = std::fopen("/dev/null", "w");
    return sink != nullptr ? sink : stderr;
}

}  // namespace

void SetCliTestHooks(CliTestHooks hooks) {
    Hooks() = std::move(hooks);
}

const CliTestHooks& TestHooks() {
    return Hooks();
}

std::FILE* Out() {
    return Hooks().quiet ? Discard() : stdout;
}

std::FILE* Err() {
    return Hooks().quiet ? Discard() : stderr;
}

int RunGuarded(const std::function<int()>& command, std::string* error) {
    auto fail = [error](int status, const char* text) {
        std::fprintf(Err(), "korvel-cli: %s\n", text);
        if (error != nullptr) {
            *error = text;
        }
        return status;
    };
    try {
        return command();
    } catch (const UsageError& e) {
        return fail(kExitUsage, e.what());
    } catch (const DeviceError& e) {
        return fail(kExitDevice, e.what());
    } catch (const std::exception& e) {
        return fail(kExitDevice, e.what());
    }
}

TransportFactory DeviceFactory(const std::string& device) {
    if (Hooks().factory) {
        if (auto factory = Hooks().factory(device))
            return std::move(*factory);
    }
    std::string error;
    auto factory = TransportFactoryForDevice(device, &error);
    if (!factory)
        throw UsageError(error);
    return std::move(*factory);
}

DeviceSession::DeviceSession(const std::string& device) {
    link_ = std::make_unique<DeviceLink>(DeviceFactory(device));
    link_->SetWaitCapForTesting(Hooks().waitCapMs);
    link_->SetReportTarget(&reports_);
    link_->SetSceneTarget(&reports_);
    link_->SetCalibrationTarget(&reports_);
    link_->SetMemoryTarget(&reports_);
}

DeviceSession::~DeviceSession() {
    if (link_->IsOpen())
        link_->CloseHIDDevice(true);
    link_->SetReportTarget(nullptr);
    link_->SetSceneTarget(nullptr);
    link_->SetCalibrationTarget(nullptr);
    link_->SetMemoryTarget(nullptr);
}

void DeviceSession::Open() {
    if (link_->OpenHIDDevice() == kOpenDeviceInUse)
        throw DeviceError("the amplifier is in use by " + link_->DeviceHolder());
    if (!link_->IsOpen())
        throw DeviceError("no amplifier could be opened");
    link_->PC_Connect(1);
}

HandshakeReport DeviceSession::Handshake(bool* loaderMode) {
    reports_.Clear();
    if (!link_->Hand_Connect())
        throw DeviceError("the amplifier did not answer the handshake");
    while (auto message = reports_.Take()) {
        if (message->id == kMsgMcuNotNormal) {
            *loaderMode = true;
            return {};
        }
        if (const auto* handshake = std::get_if<HandshakeReport>(&message->record)) {
            *loaderMode = false;
            return *handshake;
        }
    }
    throw DeviceError("the amplifier's handshake reply was not understood");
}

}  // namespace korvel::cli
