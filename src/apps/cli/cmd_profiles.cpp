// pull and push: the amplifier's state to and from profile files.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli.h"
#include "model/conversions.h"
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

// The file is checked before the amplifier is touched, so a bad file changes nothing there.
// Returns the main volume level of its live scene.
int CheckProfile(const std::string& file, ProfileKind kind) {
    if (kind == ProfileKind::kScene) {
        SceneProfileLoad load = LoadProfileFile(file, SceneRecord{});
        ThrowIfFileFailed(file, load.result);
        return load.scene->mainVolume;
    }
    auto base = std::make_unique<ModelStore>();
    WholeProfileLoad load = LoadWholeProfileFile(file, *base);
    ThrowIfFileFailed(file, load.result);
    return load.store->live.mainVolume;
}

void NoteShortenedNames(const CliView& view, const std::string& file) {
    if (view.Shown("${scene_name_shortened}")) {
        std::fprintf(Err(),
                     "korvel-cli: note: a whole profile keeps 8 characters of a scene name; "
                     "%s holds the names of scenes %s shortened\n",
                     file.c_str(), view.DetailOf("${scene_name_shortened}").c_str());
    }
}

// The amplifier keeps main volume in whole decibels, so a few levels read back as a
// neighbour; say so instead of letting a later pull surprise the user.
void NoteMainVolume(int level) {
    if (level >= kMainVolumeMinLevel && MainVolumeLevelStored(level) != level) {
        std::fprintf(Err(),
                     "korvel-cli: note: the amplifier keeps main volume level %d as %d (it "
                     "stores whole decibels)\n",
                     level, MainVolumeLevelStored(level));
    }
}

}  // namespace

int RunPull(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kPullHelp, Out());
        return kExitOk;
    }
    const std::string file = OneFile(args, "pull");
    const ProfileKind kind = KindOf(file);
    CheckWritable(file);
    TuningSession session(options.device);
    {
        Progress progress("pull", session.ReportsSent(), session.View());
        session.ConnectAndSync();
        const bool done = kind == ProfileKind::kScene
                              ? session.Manager().SaveSenceConfigToFile(file)
                              : session.Manager().SaveWholeConfigToFile(file);
        if (done && kind == ProfileKind::kWhole) {
            session.RunToIdle();
        }
        // A file that could not be written (full disk, size limit) is bad output, status 2;
        // the previous file is still there.
        if (session.View().Shown("${profile_create_error}")) {
            throw UsageError(file + ": " + EnglishText("${profile_create_error}") +
                             "; the previous file is unchanged");
        }
        if (!done) {
            const std::string error = session.View().FirstError();
            throw DeviceError(error.empty() ? file + ": the profile was not written" : error);
        }
        if (kind == ProfileKind::kWhole) {
            session.RequireSuccess(DeviceOperation::kReadWholeProfile);
        }
    }
    NoteShortenedNames(session.View(), file);
    std::fprintf(Out(), "wrote %s\n", file.c_str());
    return kExitOk;
}

int RunPush(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kPushHelp, Out());
        return kExitOk;
    }
    const std::string file = OneFile(args, "push");
    const ProfileKind kind = KindOf(file);
    NoteMainVolume(CheckProfile(file, kind));
    TuningSession session(options.device);
    {
        Progress progress("push", session.ReportsSent(), session.View());
        session.ConnectAndSync();
        const bool started = kind == ProfileKind::kScene
                                 ? session.Manager().LoadSenceConfigFromFile(file)
                                 : session.Manager().LoadWholeConfigFromFile(file);
        if (!started) {
            std::string error = session.View().FirstError();
            throw UsageError(file + ": " + (error.empty() ? "could not be uploaded" : error));
        }
        session.RequireSuccess(kind == ProfileKind::kScene ? DeviceOperation::kUploadScene
                                                           : DeviceOperation::kUploadWhole);
    }
    std::fprintf(Out(), "uploaded %s\n", file.c_str());
    return kExitOk;
}

}  // namespace korvel::cli
