// diff: a profile file against the amplifier, value by value.
#include <cjson/cJSON.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli.h"
#include "controller/profile_diff.h"
#include "model/scene_reset.h"
#include "profiles/profile_file.h"
#include "tuning_session.h"

namespace korvel::cli {

namespace {

constexpr const char* kDiffHelp =
    "usage: korvel-cli [--device DEVICE] diff FILE.spf|FILE.wpf [--json]\n"
    "\n"
    "Reads the amplifier and lists every value in which it differs from the profile file, one\n"
    "line each with its place:\n"
    "  scene 0 channel 3 band 12 gain: file -3.0 dB, amplifier +1.5 dB\n"
    "  FILE.spf  the live scene (scene 0)\n"
    "  FILE.wpf  the live scene, the ten stored scenes (1..10) and their names\n"
    "Values are compared as the amplifier keeps them (band gains and Q in tenths, delays in\n"
    "microseconds, volumes in whole dB). --json prints the same as one JSON object.\n"
    "Exit status: 0 the amplifier holds the profile, 1 it differs (or no amplifier could be\n"
    "read), 2 the file is bad or the command is wrong.\n";

constexpr int kExitDifferent = 1;  // the same number as a device failure: not proven equal

struct DiffOptions {
    std::string file;
    bool json = false;
};

DiffOptions ParseDiffOptions(Args args) {
    DiffOptions options;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            options.json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("diff: unknown option '" + arg + "'");
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            throw UsageError("diff takes one profile file");
        }
    }
    if (options.file.empty())
        throw UsageError("diff needs a profile file (see diff --help)");
    return options;
}

std::vector<ValueDifference> DiffSceneFile(const GlobalOptions& global, const std::string& file) {
    SceneRecord base;
    ResetScene(base);
    SceneProfileLoad load = LoadProfileFile(file, base);
    ThrowIfFileFailed(file, load.result);
    TuningSession session(global.device);
    session.ConnectAndSync();
    return DiffScene(*load.scene, session.Manager().LiveScene(), 0);
}

std::vector<ValueDifference> DiffWholeFile(const GlobalOptions& global, const std::string& file) {
    auto base = std::make_unique<ModelStore>();
    WholeProfileLoad load = LoadWholeProfileFile(file, *base);
    ThrowIfFileFailed(file, load.result);
    TuningSession session(global.device);
    session.ConnectAndSync();
    if (!session.Manager().ReadWholeDevice())
        throw DeviceError("the amplifier is busy");
    session.RequireSuccess(DeviceOperation::kReadWholeDevice);
    return DiffWhole(*load.store, session.Manager().Model());
}

void PrintJson(const std::string& file, const std::vector<ValueDifference>& differences) {
    using Json = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;
    Json root(cJSON_CreateObject(), cJSON_Delete);
    cJSON_AddStringToObject(root.get(), "file", file.c_str());
    cJSON_AddBoolToObject(root.get(), "equal", differences.empty());
    cJSON* list = cJSON_AddArrayToObject(root.get(), "differences");
    for (const ValueDifference& d : differences) {
        cJSON* item = cJSON_CreateObject();
        cJSON_AddNumberToObject(item, "scene", d.scene);
        cJSON_AddStringToObject(item, "place", d.place.c_str());
        cJSON_AddStringToObject(item, "file", d.fileValue.c_str());
        cJSON_AddStringToObject(item, "amplifier", d.ampValue.c_str());
        cJSON_AddItemToArray(list, item);
    }
    std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_PrintUnformatted(root.get()),
                                                      cJSON_free);
    std::printf("%s\n", text ? text.get() : "{}");
}

}  // namespace

int RunDiff(const GlobalOptions& global, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kDiffHelp, stdout);
        return kExitOk;
    }
    const DiffOptions options = ParseDiffOptions(args);
    const std::string ext = std::filesystem::path(options.file).extension().string();
    if (ext != ".spf" && ext != ".wpf")
        throw UsageError(options.file + ": the file name must end in .spf or .wpf");
    const std::vector<ValueDifference> differences =
        ext == ".spf" ? DiffSceneFile(global, options.file) : DiffWholeFile(global, options.file);
    if (options.json) {
        PrintJson(options.file, differences);
    } else {
        for (const ValueDifference& d : differences)
            std::printf("%s\n", DescribeDifference(d).c_str());
        if (differences.empty())
            std::printf("the amplifier holds %s\n", options.file.c_str());
        else
            std::printf("%zu %s from %s\n", differences.size(),
                        differences.size() == 1 ? "value differs" : "values differ",
                        options.file.c_str());
    }
    return differences.empty() ? static_cast<int>(kExitOk) : kExitDifferent;
}

}  // namespace korvel::cli
