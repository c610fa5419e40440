#pragma once
// Command line of korvel-virtual-amp.

#include <optional>
#include <string>
#include <vector>

#include "virtualamp/amp_calibration.h"
#include "virtualamp/virtual_amplifier.h"

namespace korvel {

struct ServerOptions {
    bool help = false;
    std::string listenPath;
    AmpIdentity identity;
    int reportDelayMs = 1;
    FaultPlan faults;
    CarOptions car;  // the car the calibration measures and its planned faults
    int restartMs = 1000;
    UpgradeFaults upgradeFaults;
};

// Parses the arguments after the program name. Returns nullopt with `error` set for unknown
// options, missing or malformed values, and a missing --listen (unless --help was given).
std::optional<ServerOptions> ParseServerOptions(const std::vector<std::string>& args,
                                                std::string* error);

std::string ServerUsage();

}  // namespace korvel
