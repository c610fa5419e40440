#pragma once
// The virtual amplifier's room calibration (the "IRC" commands). A run started with IRC_Ctrl
// on = 1 measures the car of amp_car.h: each IRC_Get poll reports the next step, codes 0 to 6
// with rising progress, then 7 (spectrum ready) and, when the equaliser is calibrated, 8
// (equaliser ready) once per selected channel in channel order, then 9 and 10 (done). The
// spectrum and equaliser requests serve the measured points and the derived bands of the
// channels reported so far. IRC_Ctrl on = 2 writes the result into the live scene (equaliser
// bands and channel volumes when the equaliser was calibrated, delays and polarities when those
// were), on = 3 drops it, on = 0 stops a run. Idle, IRC_Get reports code 12 as before.
//
// Planned faults: a failure with a reason 0..5 at a chosen report code, and the device going
// away after it reported a chosen code.

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "virtualamp/amp_car.h"
#include "virtualamp/virtual_amplifier.h"

namespace korvel {

struct CarOptions {
    uint32_t seed = 1;
    int failReason = -1;    // 0..5: the run fails with this reason; -1: it does not fail
    int failAtCode = -1;    // report code 0..9 that fails; -1: the reason's own stage
    int unplugAtCode = -1;  // report code 0..10 after which the device goes away; -1: never
};

// The report code at which a failure reason shows up when no code is chosen.
int NaturalFailureCode(int reason);

class AmpCalibration : public AmpExtension {
  public:
    explicit AmpCalibration(const CarOptions& options) : options_(options) {}

    bool Handle(const AmpRequest& request, AmpState& state,
                std::vector<InputReport>& replies) override;
    bool TakeUnplugRequest() override;

    // What the run derived for a channel (valid after the run reached the channel).
    struct ChannelResult {
        CarSpeaker speaker;
        std::array<AmpBand, kCarDerivedBands> bands{};
        uint32_t delayUs = 0;
        int32_t gainHundredths = 0;
    };
    const ChannelResult& Result(int channel) const {
        return results_[static_cast<size_t>(channel)];
    }

  private:
    enum class Run { kIdle, kRunning, kDone };
    struct Step {
        uint8_t code = 0;
        uint8_t channel = 0;
        uint8_t progress = 0;
    };

    void Control(const std::vector<uint8_t>& payload, AmpState& state);
    void Start(int channelMask, int eqMode, const AmpState& state);
    void Apply(AmpState& state);
    std::vector<uint8_t> Poll();
    std::vector<uint8_t> Spectrum(const std::vector<uint8_t>& payload) const;
    std::vector<uint8_t> Equalizer(const std::vector<uint8_t>& payload) const;
    std::vector<uint8_t> Distances(const std::vector<uint8_t>& payload) const;
    bool FailsAt(uint8_t code) const;

    CarOptions options_;
    Run run_ = Run::kIdle;
    uint8_t module_ = 0;
    uint16_t channelMask_ = 0;
    std::vector<Step> steps_;
    size_t nextStep_ = 0;
    bool failed_ = false;
    bool unplugRequested_ = false;
    std::bitset<kAmpChannels> measured_;
    std::bitset<kAmpChannels> derived_;
    std::array<ChannelResult, kAmpChannels> results_{};
};

// Adds the simulated calibration to `amp` and returns it (for tests that compare what the
// amplifier derived).
std::shared_ptr<AmpCalibration> InstallSimulatedCar(VirtualAmplifier& amp,
                                                    const CarOptions& options = {});

}  // namespace korvel
