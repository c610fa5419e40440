// upgrade: the amplifier's firmware from an image file, also for an amplifier left in its loader.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "cli.h"
#include "firmware/upgrade_procedure.h"
#include "tuning_session.h"

namespace korvel::cli {

namespace {

constexpr const char* kUpgradeHelp =
    "usage: korvel-cli [--device DEVICE] upgrade FILE [--yes] [--backup FILE.wpf | --no-backup]\n"
    "\n"
    "Upgrades the amplifier's firmware from an image file. The file name tells its kind:\n"
    "  *MCU_UPG.bin    the microcontroller application\n"
    "  *BL_UPG.bin     the microcontroller's bootloader\n"
    "  *FLASH_UPG.bin  the DSP program in flash\n"
    "  *UPG_FW.bin     a merged image (its DSP program is sent)\n"
    "The file is checked completely before the amplifier is touched; a bad file changes nothing\n"
    "(exit status 2). Before an amplifier in normal mode is upgraded, its whole profile is saved\n"
    "to korvel-backup-DATE-TIME.wpf in the current folder (--backup chooses the file,\n"
    "--no-backup skips it); a failed backup stops the upgrade before anything is sent.\n"
    "Asks for confirmation unless --yes. Do not unplug the amplifier while it runs; an amplifier\n"
    "left in its upgrade loader by an interrupted upgrade is recovered by upgrading it again.\n"
    "Exit status 0 when the upgrade succeeded, 1 when it failed or the amplifier did not answer.\n";

struct UpgradeOptions {
    std::string file;
    bool yes = false;
    bool backup = true;
    std::string backupFile;
};

UpgradeOptions ParseUpgradeOptions(Args args) {
    UpgradeOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--yes") {
            options.yes = true;
        } else if (arg == "--no-backup") {
            options.backup = false;
        } else if (arg == "--backup" && i + 1 < args.size()) {
            options.backupFile = args[++i];
        } else if (arg.rfind("--backup=", 0) == 0) {
            options.backupFile = arg.substr(9);
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("upgrade: unknown option '" + arg + "' (see upgrade --help)");
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            throw UsageError("upgrade takes one image file (see upgrade --help)");
        }
    }
    if (options.file.empty()) {
        throw UsageError("upgrade needs an image file (see upgrade --help)");
    }
    if (!options.backup && !options.backupFile.empty()) {
        throw UsageError("upgrade: --backup and --no-backup exclude each other");
    }
    if (!options.backupFile.empty() &&
        std::filesystem::path(options.backupFile).extension() != ".wpf") {
        throw UsageError(options.backupFile + ": the backup file name must end in .wpf");
    }
    return options;
}

std::string DefaultBackupName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::strftime(name, sizeof name, "korvel-backup-%Y%m%d-%H%M%S.wpf", &local);
    return name;
}

bool Confirmed(const std::string& question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

// The upgrade's progress: a bar redrawn in place on a terminal, one summary line otherwise.
class UpgradeProgress {
  public:
    explicit UpgradeProgress(std::string what)
        : what_(std::move(what)),
          terminal_(isatty(STDERR_FILENO) != 0),
          start_(std::chrono::steady_clock::now()) {}

    void Show(int percent) {
        if (!terminal_ || percent == shown_) {
            return;
        }
        shown_ = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\rupgrade: [%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(kWidth - filled, '.').c_str(), percent);
        std::fflush(stderr);
    }

    void End(const char* outcome) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        std::fprintf(stderr, "%supgrade: %s, %.1f s: %s\n", terminal_ ? "\r\033[K" : "",
                     what_.c_str(), seconds, outcome);
    }

  private:
    std::string what_;
    bool terminal_;
    int shown_ = -1;
    std::chrono::steady_clock::time_point start_;
};

// Connects for the upgrade: an amplifier in normal mode is read completely (the backup needs
// its state); one in its loader only answers the handshake. Returns true for the loader.
bool ConnectForUpgrade(TuningSession& session) {
    EqualizerManager& manager = session.Manager();
    manager.Connect(true);
    session.RunToIdle();
    if (!manager.Link().IsOpen()) {
        const std::string error = session.View().FirstError();
        throw DeviceError(error.empty() ? "no amplifier could be connected" : error);
    }
    if (!manager.Link().mcu_is_normal_mode()) {
        std::fprintf(stderr, "the amplifier runs its upgrade loader: recovering it\n");
        return true;
    }
    if (!manager.IsConnected()) {
        const std::string error = session.View().FirstError();
        throw DeviceError(error.empty() ? "the amplifier did not answer" : error);
    }
    const SceneRecord& live = manager.LiveScene();
    std::fprintf(stderr, "amplifier: model %d, firmware %d.%02d\n", live.deviceModel,
                 live.mainVersion, live.slaveVersion);
    return false;
}

void SaveBackup(TuningSession& session, const std::string& file) {
    if (!session.Manager().SaveWholeConfigToFile(file)) {
        throw DeviceError("the backup could not start (the amplifier is busy); nothing was sent");
    }
    session.RunToIdle();
    if (!session.View().Shown("${profile_save_ok}")) {
        std::string error = session.View().FirstError();
        throw DeviceError("the backup to " + file + " failed (" +
                          (error.empty() ? "the profile was not written" : error) +
                          "); nothing was sent");
    }
    std::fprintf(stderr, "backup of the amplifier saved to %s\n", file.c_str());
}

// Runs the upgrade; returns UpgradeStep's last value, or throws for a start that failed.
int Transfer(EqualizerManager& manager, const UpgradeOptions& options,
             const ImageFileCheck& image) {
    FirmwareUpgrader upgrader(manager.Link(), static_cast<uint8_t>(kSupportedModel));
    // The controller leaves the device alone while the upgrade closes and reopens it.
    manager.SetUpgradeStatusQuery([&upgrader] { return upgrader.State(); });
    struct ClearQuery {
        EqualizerManager& manager;
        ~ClearQuery() { manager.SetUpgradeStatusQuery({}); }
    } clearQuery{manager};

    UpgradeProgress progress(std::string(ImageKindName(image.kind)) + ", " +
                             std::to_string(image.bodySize) + " bytes");
    progress.Show(0);
    const int started = upgrader.UpgradeStart(options.file);
    if (started == kUpgResultOpenFailed || started == UPG_FILE_INVALID) {
        progress.End("not started");
        throw UsageError(options.file + ": " + DescribeUpgradeResult(started));
    }
    if (started != kUpgResultOk) {
        progress.End("not started");
        throw DeviceError(std::string("the upgrade did not start: ") +
                          DescribeUpgradeResult(started) + " (result " + std::to_string(started) +
                          ")");
    }
    int step = 0;
    do {
        step = upgrader.UpgradeStep();
        if (step <= 100) {
            progress.Show(step);
        }
    } while (step <= 100);
    progress.End(step == kUpgradeSucceeded ? "done" : "failed");
    return step;
}

}  // namespace

int RunUpgrade(const GlobalOptions& globals, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kUpgradeHelp, stdout);
        return kExitOk;
    }
    const UpgradeOptions options = ParseUpgradeOptions(args);
    const ImageFileCheck image = CheckImageFile(options.file, kSupportedModel);
    if (image.problem != ImageProblem::kNone) {
        throw UsageError(options.file + ": " + DescribeImageProblem(image.problem));
    }

    TuningSession session(globals.device);
    const bool loader = ConnectForUpgrade(session);
    if (!options.yes &&
        !Confirmed("Upgrade the amplifier with " + options.file + " (" + ImageKindName(image.kind) +
                   ")? Do not unplug it until the upgrade ends.")) {
        std::fprintf(stderr, "korvel-cli: upgrade cancelled\n");
        return kExitUsage;
    }
    if (!loader && options.backup) {
        SaveBackup(session, options.backupFile.empty() ? DefaultBackupName() : options.backupFile);
    }
    const int result = Transfer(session.Manager(), options, image);
    if (result != kUpgradeSucceeded) {
        throw DeviceError(
            "the upgrade failed (result 255): the amplifier refused the transfer, stopped "
            "answering or went away; it may now run its upgrade loader, so run the upgrade again");
    }
    std::printf("upgraded the amplifier with %s (%s); it restarts now\n", options.file.c_str(),
                ImageKindName(image.kind));
    return kExitOk;
}

}  // namespace korvel::cli
