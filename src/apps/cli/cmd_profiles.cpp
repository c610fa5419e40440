// pull and push: the amplifier's state to and from profile files.
#include <cstdio>
#include <filesystem>

#include "cli.h"
#include "profiles/profile_file.h"
#include "tuning_session.h"

namespace korvel::cli {

namespace {

constexpr const char* kPullHelp =
    "usage: korvel-cli [--device DEVICE] pull FILE.spf|FILE.wpf\n"
    "\n"
    "Connects, reads the amplifier's complete state and writes it to a profile file:\n"
    "  FILE.spf  the live scene (scene profile)\n"
    "  FILE.wpf  the ten stored scenes with their names, and the live scene (whole profile)\n";

constexpr const char* kPushHelp =
    "usage: korvel-cli [--device DEVICE] push FILE.spf|FILE.wpf\n"
    "\n"
    "Checks the profile file, connects, uploads it to the amplifier and waits until the\n"
    "amplifier has received every command:\n"
    "  FILE.spf  becomes the live scene\n"
    "  FILE.wpf  replaces the ten stored scenes and their names, then the live scene\n";

enum class ProfileKind { kScene, kWhole };

ProfileKind KindOf(const std::string& file) {
    const std::string ext = std::filesystem::path(file).extension().string();
    if (ext == ".spf")
        return ProfileKind::kScene;
    if (ext == ".wpf")
        return ProfileKind::kWhole;
    throw UsageError(file + ": the file name must end in .spf (scene) or .wpf (whole profile)");
}

std::string OneFile(Args args, const char* command) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        throw UsageError(std::string(command) + " needs one profile file (see " + command +
                         " --help)");
    }
    return args[0];
}

void ThrowIfFileFailed(const std::string& file, const ProfileResult& result) {
    if (result.ok())
        return;
    std::string reason = result.englishText;
    if (!result.detail.empty())
        reason += " (" + result.detail + ")";
    throw UsageError(file + ": " + reason);
}

// The file is checked before the amplifier is touched, so a bad file changes nothing there.
void CheckProfile(const std::string& file, ProfileKind kind) {
    if (kind == ProfileKind::kScene) {
        SceneRecord base;
        ThrowIfFileFailed(file, LoadProfileFile(file, base).result);
    } else {
        ModelStore base;
        ThrowIfFileFailed(file, LoadWholeProfileFile(file, base).result);
    }
}

}  // namespace

int RunPull(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kPullHelp, stdout);
        return kExitOk;
    }
    const std::string file = OneFile(args, "pull");
    const ProfileKind kind = KindOf(file);
    TuningSession session(options.device);
    {
        Progress progress("pull", session.ReportsSent(),
                          kind == ProfileKind::kScene ? TuningSession::kSyncRequests : 0);
        session.ConnectAndSync();
        if (kind == ProfileKind::kScene) {
            session.Manager().SaveSenceConfigToFile(file);
        } else {
            if (!session.Manager().SaveWholeConfigToFile(file)) {
                throw DeviceError("the amplifier is busy");
            }
            session.RunToIdle();
        }
    }
    if (!session.View().Shown("${profile_save_ok}")) {
        std::string error = session.View().FirstError();
        if (session.View().Shown("${profile_create_error}")) {
            throw UsageError(file + ": " + EnglishText("${profile_create_error}"));
        }
        throw DeviceError(error.empty() ? "the profile was not written" : error);
    }
    std::printf("wrote %s\n", file.c_str());
    return kExitOk;
}

int RunPush(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kPushHelp, stdout);
        return kExitOk;
    }
    const std::string file = OneFile(args, "push");
    const ProfileKind kind = KindOf(file);
    CheckProfile(file, kind);
    TuningSession session(options.device);
    {
        Progress progress("push", session.ReportsSent(), 0);
        session.ConnectAndSync();
        const bool started = kind == ProfileKind::kScene
                                 ? session.Manager().LoadSenceConfigFromFile(file)
                                 : session.Manager().LoadWholeConfigFromFile(file);
        if (!started) {
            std::string error = session.View().FirstError();
            throw UsageError(file + ": " + (error.empty() ? "could not be uploaded" : error));
        }
        session.RunToIdle();
        if (!session.Manager().Link().WaitUntilIdle(std::chrono::seconds(60))) {
            throw DeviceError("the amplifier did not take every command in time");
        }
        if (session.Manager().Link().DeviceGone()) {
            throw DeviceError(EnglishText("${device_plugout}"));
        }
    }
    std::printf("uploaded %s\n", file.c_str());
    return kExitOk;
}

}  // namespace korvel::cli
