#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli.h"
#include "eqgraph/eq_math.h"
#include "profiles/profile_file.h"

namespace korvel::cli {

namespace {

constexpr const char* kCurveHelp =
    "usage: korvel-cli curve FILE.spf [--channel N] [--csv]\n"
    "\n"
    "Computes, without a device, the response of each output channel of a scene profile (or of\n"
    "channel N, 0..5) exactly as the equaliser graph draws it: crossover, enabled bands and the\n"
    "equaliser bypass. Prints the 512 grid frequencies (Hz) and the totals (dB) as JSON, or as\n"
    "CSV with --csv (a header line, then frequency and one column per channel). Every number is\n"
    "printed in its shortest form that reads back as the same double.\n";

struct CurveOptions {
    std::string file;
    int channel = -1;  // -1: every channel
    bool csv = false;
};

CurveOptions ParseCurveOptions(Args args) {
    CurveOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--csv") {
            options.csv = true;
        } else if (args[i] == "--channel") {
            if (i + 1 == args.size())
                throw UsageError("--channel needs a channel number");
            options.channel =
                static_cast<int>(ParseNumber(args[++i], 0, kChannelSlots - 1, "channel"));
        } else if (!args[i].empty() && args[i][0] == '-') {
            throw UsageError("curve: unknown option '" + args[i] + "'");
        } else if (options.file.empty()) {
            options.file = args[i];
        } else {
            throw UsageError("curve takes one profile file");
        }
    }
    if (options.file.empty())
        throw UsageError("curve needs a scene profile file (.spf)");
    return options;
}

std::string Shortest(double value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::vector<int> SelectedChannels(const CurveOptions& options) {
    if (options.channel >= 0)
        return {options.channel};
    std::vector<int> channels;
    for (int ch = 0; ch < kChannelSlots; ++ch)
        channels.push_back(ch);
    return channels;
}

void PrintCsv(const SceneCurves& curves, const std::vector<int>& channels) {
    std::string line = "frequency_hz";
    for (int ch : channels)
        line += ",channel_" + std::to_string(ch) + "_db";
    std::printf("%s\n", line.c_str());
    for (size_t i = 0; i < curves.frequencies.size(); ++i) {
        line = Shortest(curves.frequencies[i]);
        for (int ch : channels)
            line += "," + Shortest(curves.totalDb[static_cast<size_t>(ch)][i]);
        std::printf("%s\n", line.c_str());
    }
}

std::string JsonArray(const std::vector<double>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ",";
        out += Shortest(values[i]);
    }
    return out + "]";
}

void PrintJson(const SceneCurves& curves, const std::vector<int>& channels) {
    std::string out = "{\"frequencies_hz\":" + JsonArray(curves.frequencies) + ",\"channels\":[";
    for (size_t k = 0; k < channels.size(); ++k) {
        if (k > 0)
            out += ",";
        const auto& db = curves.totalDb[static_cast<size_t>(channels[k])];
        out +=
            "{\"channel\":" + std::to_string(channels[k]) + ",\"total_db\":" + JsonArray(db) + "}";
    }
    std::printf("%s]}\n", out.c_str());
}

// A whole profile holds eleven scenes and is no input for one set of curves; it would
// otherwise be reported as a damaged scene profile.
void RefuseWholeProfile(const std::string& file) {
    const bool wholeName = std::filesystem::path(file).extension() == ".wpf";
    if (!wholeName) {
        auto store = std::make_unique<ModelStore>();
        if (!ReadWholeProfileFile(file, *store).ok())
            return;
    }
    throw UsageError(file +
                     ": is a whole profile (.wpf); curve reads a scene profile (.spf); "
                     "pull one with 'korvel-cli pull FILE.spf'");
}

}  // namespace

int RunCurve(const GlobalOptions&, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kCurveHelp, Out());
        return kExitOk;
    }
    CurveOptions options = ParseCurveOptions(args);
    RefuseWholeProfile(options.file);
    SceneRecord scene;
    ProfileResult result = ReadProfileFile(options.file, scene);
    if (result.status != ProfileStatus::Ok) {
        std::string reason = result.englishText;
        if (!result.detail.empty())
            reason += " (" + result.detail + ")";
        throw UsageError(options.file + ": " + reason);
    }
    SceneCurves curves = ComputeSceneCurves(scene);
    const std::vector<int> channels = SelectedChannels(options);
    options.csv ? PrintCsv(curves, channels) : PrintJson(curves, channels);
    return kExitOk;
}

}  // namespace korvel::cli
