#pragma once
// Shared plumbing of korvel-cli: exit codes, errors, the device option and the device session.

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "commands/device_link.h"
#include "commands/message_target.h"

namespace korvel {
struct ProfileResult;
}

namespace korvel::cli {

enum ExitCode : int { kExitOk = 0, kExitDevice = 1, kExitUsage = 2 };

// Thrown for a usage error or bad input: printed as one line, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// Thrown when no device opens or it does not answer: one line, exit status 1.
struct DeviceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct GlobalOptions {
    std::string device = "usb";
};

// Seams for the in-process fault suite; the program leaves them at their defaults.
struct CliTestHooks {
    // Replaces the device selection ("usb", "virtual", "unix:PATH") when set.
    std::function<std::optional<TransportFactory>(const std::string& device)> factory;
    int waitCapMs = 0;      // the link's test wait cap (0: the shipped waits)
    bool noPauses = false;  // the controller's settle pauses shortened to nothing
    bool quiet = false;     // Out() and Err() discard what they get
};
void SetCliTestHooks(CliTestHooks hooks);
const CliTestHooks& TestHooks();

// Where the commands print: standard output and standard error, unless the hooks say quiet.
std::FILE* Out();
std::FILE* Err();

// Runs one command and turns its exceptions into the exit status; the error line is printed
// ("korvel-cli: ...") and, when `error` is given, stored there too.
int RunGuarded(const std::function<int()>& command, std::string* error = nullptr);

// The device's transport for `device`, after the hooks; throws UsageError for unknown text.
TransportFactory DeviceFactory(const std::string& device);

using Args = std::span<const std::string>;

// True when the arguments ask for help ("--help" or "-h" anywhere).
bool WantsHelp(Args args);

// Throws UsageError naming `file` and the reason when reading or checking it failed.
void ThrowIfFileFailed(const std::string& file, const ProfileResult& result);

// Throws UsageError unless `file` can be written; called before the amplifier is read or
// changed, so an output file that cannot be written fails at once.
void CheckWritable(const std::string& file);

// Parses a number in decimal or 0x-hexadecimal within [min, max]; `what` names it in the error.
long ParseNumber(std::string_view text, long min, long max, std::string_view what);

// An open DeviceLink whose replies land in `reports`. The link is closed (with PC_Connect 0 when
// `sayGoodbye` was set by Open) when the session ends.
class DeviceSession {
  public:
    explicit DeviceSession(const std::string& device);
    ~DeviceSession();

    // Opens the device and announces the application (PC_Connect 1); throws DeviceError.
    void Open();
    // Handshake; throws DeviceError when nothing answers.
    HandshakeReport Handshake(bool* loaderMode);

    DeviceLink& Link() { return *link_; }
    MessageQueue& Reports() { return reports_; }

  private:
    MessageQueue reports_;
    std::unique_ptr<DeviceLink> link_;
};

int RunInfo(const GlobalOptions& options, Args args);
int RunRaw(const GlobalOptions& options, Args args);
int RunCurve(const GlobalOptions& options, Args args);
int RunPull(const GlobalOptions& options, Args args);
int RunPush(const GlobalOptions& options, Args args);
int RunScene(const GlobalOptions& options, Args args);
int RunFactoryReset(const GlobalOptions& options, Args args);
int RunEq(const GlobalOptions& options, Args args);
int RunDiff(const GlobalOptions& options, Args args);
int RunMem(const GlobalOptions& options, Args args);
int RunThreshold(const GlobalOptions& options, Args args);
int RunMix(const GlobalOptions& options, Args args);
int RunCalibrate(const GlobalOptions& options, Args args);
int RunUpgrade(const GlobalOptions& options, Args args);

// Readable one-line form of a decoded message.
std::string DescribeMessage(const Message& message);

}  // namespace korvel::cli
