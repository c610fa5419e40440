// mix: one cell of the input mixer, set as the mixer window sets it.
#include <cstdio>
#include <string>

#include "cli.h"
#include "controller/tool_values.h"
#include "model/sources.h"
#include "tuning_session.h"

namespace korvel::cli {

namespace {

constexpr const char* kMixHelp =
    "usage: korvel-cli [--device DEVICE] mix SOURCE INPUT OUTPUT LEVEL|on|off\n"
    "\n"
    "Sets one cell of the input mixer as the mixer window does: input INPUT of source SOURCE\n"
    "into output OUTPUT. Indices count from 0: SOURCE 0..8 (only 2 Bluetooth and 6 digital\n"
    "media, with inputs 0..1, and 5 high level, with inputs 0..3, can be mixed), OUTPUT 0..5.\n"
    "LEVEL is kept within 0..100; 0 switches the mix off, any other level switches it on.\n"
    "'on' switches the mix on at its stored level (100 when that is 0), 'off' switches it off.\n"
    "Prints the cell as the amplifier then holds it.\n";

constexpr auto kQueueWait = std::chrono::seconds(30);

struct Cell {
    int source = 0;
    int input = 0;
    int output = 0;
};

Cell ParseCell(Args args) {
    Cell cell;
    cell.source = static_cast<int>(ParseNumber(args[0], 0, kSourceCount - 1, "SOURCE"));
    const int inputs = MixableInputs(cell.source);
    if (inputs == 0)
        throw UsageError("source " + args[0] + " has no inputs that can be mixed");
    cell.input = static_cast<int>(ParseNumber(args[1], 0, inputs - 1, "INPUT"));
    cell.output = static_cast<int>(ParseNumber(args[2], 0, kChannelSlots - 1, "OUTPUT"));
    return cell;
}

// Reads the cell back from the amplifier into the model.
void ReadBack(TuningSession& session, const Cell& cell) {
    DeviceLink& link = session.Manager().Link();
    if (!link.WaitUntilIdle(kQueueWait))
        throw DeviceError("the amplifier did not take the mix commands in time");
    if (!link.Get_Mix_Ch(0, cell.source, cell.output, cell.output) ||
        !link.Get_Input_Mix_CH_Trim(0, cell.source, cell.input, cell.output, cell.output))
        throw DeviceError("the amplifier did not answer the mixer request");
    session.RunToIdle();
}

}  // namespace

int RunMix(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kMixHelp, stdout);
        return kExitOk;
    }
    if (args.size() != 4)
        throw UsageError("mix needs SOURCE INPUT OUTPUT LEVEL (see mix --help)");
    const Cell cell = ParseCell(args);
    const std::string& levelText = args[3];
    const bool toggle = levelText == "on" || levelText == "off";
    const int level =
        toggle ? 0 : ClampMixLevel(ParseNumber(levelText, -1'000'000, 1'000'000, "LEVEL"));

    TuningSession session(options.device);
    session.ConnectAndSync();
    EqualizerManager& manager = session.Manager();
    const uint64_t unconfirmedBefore = manager.Link().UnconfirmedSets();
    const std::optional<MixCell> wanted =
        toggle ? manager.SetMixEnable(cell.source, cell.input, cell.output, levelText == "on")
               : manager.SetMixLevel(cell.source, cell.input, cell.output, level);
    ReadBack(session, cell);
    if (manager.Link().UnconfirmedSets() != unconfirmedBefore)
        throw DeviceError("the amplifier did not acknowledge the mix setting");
    const std::optional<MixCell> held = manager.MixerCell(cell.source, cell.input, cell.output);
    if (!wanted || !held || *held != *wanted)
        throw DeviceError("the amplifier did not store the mix");
    std::printf("source %d input %d output %d: %s level %d\n", cell.source, cell.input, cell.output,
                held->enabled ? "on" : "off", held->level);
    return kExitOk;
}

}  // namespace korvel::cli
