#include "virtualamp/amp_state.h"

namespace korvel {
namespace {

struct RoleCrossover {
    uint16_t hpFreq;
    uint8_t hpSlope;
    uint16_t lpFreq;
    uint8_t lpSlope;
};

// Indexed by role 0..24.
constexpr std::array<RoleCrossover, kRoleCount + 1> kRoleCrossovers = {{
    {20, 0, 20000, 0},    // 0 empty
    {4000, 4, 20000, 0},  // 1 front left tweeter
    {500, 4, 4000, 4},    // 2 front left midrange
    {80, 4, 500, 4},      // 3 front left woofer
    {500, 4, 20000, 0},   // 4 front left midrange-tweeter
    {80, 4, 4000, 4},     // 5 front left midrange-woofer
    {20, 4, 20000, 0},    // 6 front left full range
    {4000, 4, 20000, 0},  // 7
    {500, 4, 4000, 4},    // 8
    {80, 4, 500, 4},      // 9
    {500, 4, 20000, 0},   // 10
    {80, 4, 4000, 4},     // 11
    {20, 4, 20000, 0},    // 12
    {4000, 4, 20000, 0},  // 13 rear left tweeter
    {80, 4, 500, 4},      // 14 rear left woofer
    {20, 4, 20000, 0},    // 15 rear left full range
    {4000, 4, 20000, 0},  // 16
    {80, 4, 500, 4},      // 17
    {20, 4, 20000, 0},    // 18
    {4000, 4, 20000, 0},  // 19 centre tweeter
    {80, 4, 500, 4},      // 20 centre woofer
    {20, 4, 20000, 0},    // 21 centre full range
    {20, 4, 70, 4},       // 22 subwoofer left
    {20, 4, 70, 4},       // 23 subwoofer right
    {20, 4, 70, 4},       // 24 subwoofer
}};

constexpr std::array<uint8_t, kAmpChannels> kFactoryRoles = {6, 12, 15, 18, 22, 23};
constexpr uint8_t kFilterTypeDefault = 2;
constexpr int8_t kMixTrimDefault = 100;

constexpr std::array<uint16_t, kAmpChannels> kRoutingFourInputs = {1, 2, 4, 8, 3, 3};
constexpr std::array<uint16_t, kAmpChannels> kRoutingTwoInputs = {1, 2, 1, 2, 3, 3};

AmpChannel FactoryChannel(uint8_t role) {
    AmpChannel channel;
    channel.speakerType = role;
    RoleDefaultFilters(role, channel.highPass, channel.lowPass);
    channel.bands = FactoryBands();
    return channel;
}

void FillFactoryRouting(AmpScene& scene) {
    for (size_t source = 0; source < scene.routing.size(); ++source) {
        const bool fourInputs = source == 4 || source == 5;  // low-level and high-level inputs
        scene.routing[source] = fourInputs ? kRoutingFourInputs : kRoutingTwoInputs;
        for (auto& input : scene.mixTrim[source]) {
            input.fill(kMixTrimDefault);
        }
    }
}

}  // namespace

const std::array<uint16_t, kBandCount>& FactoryBandFrequencies() {
    static constexpr std::array<uint16_t, kBandCount> kFrequencies = {
        20,   25,   31,   40,   50,   63,    80,    100,   125,  160,  200,
        250,  315,  400,  500,  630,  800,   1000,  1250,  1600, 2000, 2500,
        3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
    return kFrequencies;
}

std::array<AmpBand, kBandCount> FactoryBands() {
    std::array<AmpBand, kBandCount> bands{};
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i].freq = FactoryBandFrequencies()[i];
    }
    return bands;
}

void RoleDefaultFilters(uint8_t role, AmpFilter& highPass, AmpFilter& lowPass) {
    const RoleCrossover& entry = kRoleCrossovers[role < kRoleCrossovers.size() ? role : 0];
    highPass = AmpFilter{kFilterTypeDefault, entry.hpFreq, entry.hpSlope};
    lowPass = AmpFilter{kFilterTypeDefault, entry.lpFreq, entry.lpSlope};
}

AmpScene FactoryScene() {
    AmpScene scene;
    for (size_t ch = 0; ch < scene.channels.size(); ++ch) {
        scene.channels[ch] = FactoryChannel(kFactoryRoles[ch]);
    }
    FillFactoryRouting(scene);
    return scene;
}

AmpState FactoryState() {
    AmpState state;
    state.live = FactoryScene();
    state.stored.fill(state.live);
    for (auto& name : state.names) {
        name.fill(0xFF);  // erased flash
    }
    // Microphone volume and music volume start at 60, the other KTV items at 0.
    state.ktv[0] = 60;
    state.ktv[1] = 60;
    state.inputNoiseTenths.fill(-800);
    return state;
}

}  // namespace korvel
