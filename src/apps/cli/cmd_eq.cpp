// eq import and eq export: parametric filters from and to measurement software, on the
// amplifier's live channels or on a scene profile file.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "cli.h"
#include "controller/profile_diff.h"
#include "controller/tuning_values.h"
#include "model/invariants.h"
#include "model/scene_reset.h"
#include "model/speaker_roles.h"
#include "profiles/filter_text.h"
#include "profiles/profile_file.h"
#include "profiles/text_file.h"
#include "tuning_session.h"

namespace korvel::cli {

namespace {

constexpr const char* kEqHelp =
    "usage: korvel-cli [--device DEVICE] eq import FILE.txt --channel N [--first-31]\n"
    "       korvel-cli [--device DEVICE] eq export FILE.txt --channel N\n"
    "       korvel-cli eq import FILE.txt --channel N --profile IN.spf [--out OUT.spf]"
    " [--first-31]\n"
    "       korvel-cli eq export FILE.txt --channel N --profile IN.spf\n"
    "\n"
    "Parametric equaliser filters as room-measurement programs and PC equalisers write them,\n"
    "one filter a line: \"Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.10\".\n"
    "  import  puts the file's applied peaking filters in order on bands 0, 1, ... of output\n"
    "          channel N (0..5) and makes the other bands flat. Values outside the band ranges\n"
    "          (20..20000 Hz, Q 0.5..9, gain -18..+12 dB) are brought in and listed. More than\n"
    "          31 filters, or filters of another type, refuse the import naming the line;\n"
    "          --first-31 imports the first 31 peaking filters instead and lists the rest.\n"
    "          Live, the amplifier receives the bands (a linked partner and the channels\n"
    "          synchronised with N follow, as in the main window) and is read back to check.\n"
    "  export  writes channel N's enabled bands in the same form.\n"
    "With --profile the channel of the scene profile IN.spf is used instead of the amplifier;\n"
    "import writes the changed profile to OUT.spf (default: IN.spf itself).\n";

struct EqOptions {
    bool import = false;
    std::string file;
    int channel = -1;
    std::string profile;
    std::string out;
    bool firstPeakingOnly = false;
};

std::string ValueAfter(Args args, size_t& i) {
    if (i + 1 == args.size() || args[i + 1].empty())
        throw UsageError(args[i] + " needs a value (see eq --help)");
    return args[++i];
}

EqOptions ParseEqOptions(Args args) {
    if (args.empty() || (args[0] != "import" && args[0] != "export"))
        throw UsageError("eq needs import or export (see eq --help)");
    EqOptions options;
    options.import = args[0] == "import";
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--channel") {
            options.channel =
                static_cast<int>(ParseNumber(ValueAfter(args, i), 0, kChannelSlots - 1, "channel"));
        } else if (arg == "--profile") {
            options.profile = ValueAfter(args, i);
        } else if (arg == "--out" && options.import) {
            options.out = ValueAfter(args, i);
        } else if (arg == "--first-31" && options.import) {
            options.firstPeakingOnly = true;
        } else if (!arg.empty() && arg[0] == '-') {
            throw UsageError("eq " + args[0] + ": unknown option '" + arg + "'");
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            throw UsageError("eq " + args[0] + " takes one filter file");
        }
    }
    if (options.file.empty())
        throw UsageError("eq " + args[0] + " needs a filter file (see eq --help)");
    if (options.channel < 0)
        throw UsageError("eq " + args[0] + " needs --channel N (0..5)");
    if (!options.out.empty() && options.profile.empty())
        throw UsageError("--out goes with --profile");
    return options;
}

// Reads and places the filters; a refused file stops here with the lines that refuse it.
FilterImport PlanImport(const EqOptions& options) {
    std::string text;
    std::string error;
    if (!ReadFilterTextFile(options.file, text, error))
        throw UsageError(options.file + ": " + error);
    FilterImport plan = PlanFilterImport(ParseFilterText(text), options.firstPeakingOnly,
                                         {kBandGainMinDb, kBandGainMaxDb});
    if (!plan.ok()) {
        std::string reason;
        for (const FilterRefusal& refusal : plan.refusals)
            reason += "\n  " + DescribeRefusal(refusal);
        const bool partial = plan.refusals.front().reason != FilterRefusalReason::kNoFilters;
        throw UsageError(options.file + ": the filters cannot be imported:" + reason +
                         (partial ? "\n(--first-31 imports the first 31 peaking filters)" : ""));
    }
    for (const FilterAdjustment& adjustment : plan.adjustments)
        std::printf("adjusted %s\n", DescribeAdjustment(adjustment).c_str());
    for (const FilterRefusal& skipped : plan.skipped)
        std::printf("skipped %s\n", DescribeRefusal(skipped).c_str());
    if (plan.preampDb)
        std::printf("not applied: preamp %.1f dB\n", *plan.preampDb);
    return plan;
}

void WriteText(const std::string& path, const std::string& text) {
    std::string error;
    if (!WriteFileReplacing(path, text, error))
        throw UsageError(path + ": " + error);
}

std::string Heading(const SceneRecord& scene, int channel, const std::string& from) {
    std::string heading = "Korvel DSP Audio, Tarvik7 output channel " + std::to_string(channel) +
                          " equaliser, from " + from;
    if (scene.channels[static_cast<size_t>(channel)].bypass == 1)
        heading += " (the equaliser is bypassed)";
    return heading;
}

int Export(const EqOptions& options, const SceneRecord& scene, const std::string& from) {
    WriteText(options.file, FilterTextForBands(ChannelBands(scene, options.channel),
                                               Heading(scene, options.channel, from)));
    std::printf("wrote %s\n", options.file.c_str());
    return kExitOk;
}

SceneRecord LoadSceneProfile(const std::string& path) {
    SceneRecord base;
    ResetScene(base);
    SceneProfileLoad load = LoadProfileFile(path, base);
    if (!load.result.ok()) {
        std::string reason = load.result.englishText;
        if (!load.result.detail.empty())
            reason += " (" + load.result.detail + ")";
        throw UsageError(path + ": " + reason);
    }
    return *load.scene;
}

// The profile's channel takes the bands; its linked partner follows, as it would live.
void PlaceBands(SceneRecord& scene, int channel, const FilterImport& plan) {
    UpdateLinkOutputs(scene);
    const int partner = scene.linkOutputs[static_cast<size_t>(channel)];
    for (int ch : {channel, partner}) {
        if (ch < 0 || ch >= kChannelSlots)
            continue;
        const size_t n = static_cast<size_t>(ch);
        scene.eqStore[n] = plan.bands;
        const bool shaped = std::any_of(plan.bands.begin(), plan.bands.end(),
                                        [](const EqBand& b) { return IsNonZeroGain(b.eqGain); });
        scene.channels[n].bypass = shaped ? 0 : 1;
    }
}

int ImportIntoProfile(const EqOptions& options, const FilterImport& plan) {
    SceneRecord scene = LoadSceneProfile(options.profile);
    PlaceBands(scene, options.channel, plan);
    const std::string out = options.out.empty() ? options.profile : options.out;
    WriteText(out, ProfileText(scene));
    std::printf("imported %d filters onto channel %d of %s\n", plan.filterCount, options.channel,
                out.c_str());
    return kExitOk;
}

int ImportLive(const GlobalOptions& global, const EqOptions& options, const FilterImport& plan) {
    TuningSession session(global.device);
    session.ConnectAndSync();
    EqualizerManager& manager = session.Manager();
    manager.SetCurChannelChange(options.channel);
    manager.ImportEqBands(plan.bands);
    const SceneRecord expected = manager.LiveScene();
    if (!manager.Link().WaitUntilIdle(std::chrono::seconds(60)) || manager.Link().DeviceGone())
        throw DeviceError("the amplifier did not take every band");
    // Read the amplifier back: it must hold what the model now holds.
    manager.Disconnect();
    session.ConnectAndSync();
    const std::vector<ValueDifference> left = DiffScene(expected, manager.LiveScene(), 0);
    if (!left.empty())
        throw DeviceError("the amplifier does not hold the imported bands: " +
                          DescribeDifference(left.front()));
    std::printf("imported %d filters onto channel %d\n", plan.filterCount, options.channel);
    return kExitOk;
}

}  // namespace

int RunEq(const GlobalOptions& global, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kEqHelp, stdout);
        return kExitOk;
    }
    const EqOptions options = ParseEqOptions(args);
    if (!options.import) {
        if (!options.profile.empty())
            return Export(options, LoadSceneProfile(options.profile), options.profile);
        TuningSession session(global.device);
        session.ConnectAndSync();
        return Export(options, session.Manager().LiveScene(), "the amplifier");
    }
    const FilterImport plan = PlanImport(options);
    return options.profile.empty() ? ImportLive(global, options, plan)
                                   : ImportIntoProfile(options, plan);
}

}  // namespace korvel::cli
