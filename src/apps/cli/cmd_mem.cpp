// mem: one 32-bit word of the DSP's memory, read or written as the memory window does.
#include <cstdio>
#include <string>

#include "cli.h"
#include "controller/tool_values.h"

namespace korvel::cli {

namespace {

constexpr const char* kMemHelp =
    "usage: korvel-cli [--device DEVICE] mem read ADDR\n"
    "       korvel-cli [--device DEVICE] mem write ADDR DATA\n"
    "\n"
    "Reads or writes one 32-bit word of the amplifier's DSP memory and prints it as\n"
    "'addr 0x%08x data 0x%08x'. ADDR and DATA are read as the memory window reads them:\n"
    "starting with 0x hexadecimal, with another 0 octal, otherwise decimal, up to the first\n"
    "character that is not a digit (no digits give 0). A number beyond 32 bits is refused.\n";

constexpr auto kReplyWait = std::chrono::seconds(2);

uint32_t ParseWord(const std::string& text, const char* what) {
    const std::optional<uint32_t> word = ParseMemWord(text);
    if (!word)
        throw UsageError(std::string(what) + " does not fit in 32 bits: '" + text + "'");
    return *word;
}

void PrintWord(uint32_t address, uint32_t data) {
    std::printf("addr 0x%08x data 0x%08x\n", address, data);
}

int Read(DeviceSession& session, uint32_t address) {
    if (!session.Link().Get_MemData(address))
        throw DeviceError("the amplifier did not answer the memory read");
    while (auto message = session.Reports().Take(kReplyWait)) {
        const auto* word = std::get_if<MemDataReport>(&message->record);
        if (message->id == kMsgMemData && word != nullptr && word->address == address) {
            PrintWord(word->address, word->data);
            return kExitOk;
        }
    }
    throw DeviceError("the amplifier's memory reply was not understood");
}

}  // namespace

int RunMem(const GlobalOptions& options, Args args) {
    if (WantsHelp(args)) {
        std::fputs(kMemHelp, stdout);
        return kExitOk;
    }
    if (args.empty())
        throw UsageError("mem needs read or write (see mem --help)");
    const std::string& action = args[0];
    if (action != "read" && action != "write")
        throw UsageError("unknown mem action '" + action + "' (see mem --help)");
    const bool write = action == "write";
    if (args.size() != (write ? 3u : 2u))
        throw UsageError("wrong arguments for mem " + action + " (see mem --help)");
    const uint32_t address = ParseWord(args[1], "the address");
    const uint32_t data = write ? ParseWord(args[2], "the data") : 0;

    DeviceSession session(options.device);
    session.Open();
    if (!write)
        return Read(session, address);
    if (!session.Link().Set_MemData(address, data, true))
        throw DeviceError("the amplifier did not acknowledge the memory write");
    PrintWord(address, data);
    return kExitOk;
}

}  // namespace korvel::cli
