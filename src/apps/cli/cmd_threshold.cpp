// threshold: the input noise threshold, read or set as the noise threshold window does.
#include <cstdio>
#include <string>

#include "cli.h"
#include "commands/command_ids.h"
#include "controller/tool_values.h"

namespace korvel::cli {

namespace {

constexpr const char* kThresholdHelp =
    "usage: korvel-cli [--device DEVICE] threshold [DBU|off]\n"
    "\n"
    "Without an argument prints the amplifier's input noise threshold. With one, sets it: DBU is\n"
    "a whole number of dBu kept within -81..-40 (-81, or 'off', switches the gate off), and the\n"
    "threshold the amplifier then holds is printed, as 'threshold -52 dBu' or 'threshold off'.\n";

constexpr auto kReplyWait = std::chrono::seconds(2);

// The threshold the device reports; throws DeviceError without an answer.
int ReadThreshold(DeviceSession& session) {
    session.Reports().Clear();
    if (!session.Link().Get_Input_Threshold(0, 0, true))
        throw DeviceError("the amplifier did not answer the threshold request");
    while (auto message = session.Reports().Take(kReplyWait)) {
        if (message->id == kMsgDspReport && message->wParam == dsp::INPUT_THRESHOLD)
            return static_cast<int>(message->value);
    }
    throw DeviceError("the amplifier's threshold reply was not understood");
}

void PrintThreshold(int dbu) {
    if (dbu <= kThresholdOffDbu)
        std::printf("threshold off\n");
    else
        std::printf("threshold %d dBu\n", dbu);
}

}  // namespace

int RunThreshold(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kThresholdHelp, stdout);
        return kExitOk;
    }
    if (args.size() > 1)
        throw UsageError("threshold takes at most one value (see threshold --help)");
    std::optional<int> wanted;
    if (!args.empty()) {
        wanted = ParseThresholdText(args[0], "off");
        if (!wanted)
            throw UsageError("the threshold is not a number or 'off': '" + args[0] + "'");
    }

    DeviceSession session(options.device);
    session.Open();
    if (wanted && !session.Link().Input_Ch_Threshold_Ctrl(*wanted, true))
        throw DeviceError("the amplifier did not acknowledge the threshold");
    const int held = ReadThreshold(session);
    if (wanted && held != *wanted)
        throw DeviceError("the amplifier holds " + std::to_string(held) + " dBu instead of " +
                          std::to_string(*wanted) + " dBu");
    PrintThreshold(held);
    return kExitOk;
}

}  // namespace korvel::cli
