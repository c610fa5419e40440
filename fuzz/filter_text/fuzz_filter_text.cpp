// Feeds arbitrary bytes to the filter text reader. Every band of an accepted import must lie in
// the band ranges, and writing the bands out and reading them back must give the same bands.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/invariants.h"
#include "profiles/filter_text.h"

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void CheckBands(const korvel::FilterImport& plan, korvel::BandGainLimits limits) {
    for (const korvel::EqBand& band : plan.bands) {
        Check(band.freq >= korvel::kMinFrequency && band.freq <= korvel::kMaxFrequency);
        Check(band.eqFactor >= korvel::kMinQ && band.eqFactor <= korvel::kMaxQ);
        Check(band.eqGain >= limits.minDb && band.eqGain <= limits.maxDb);
        Check(band.enable == 1);
    }
    Check(plan.filterCount >= 0 && plan.filterCount <= korvel::kBandCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const korvel::BandGainLimits limits;
    const korvel::FilterText text = korvel::ParseFilterText(bytes);
    for (const bool firstPeakingOnly : {false, true}) {
        const korvel::FilterImport plan = korvel::PlanFilterImport(text, firstPeakingOnly, limits);
        CheckBands(plan, limits);
        if (!plan.ok()) {
            continue;
        }
        const std::string written = korvel::FilterTextForBands(plan.bands, "round trip");
        const korvel::FilterImport again =
            korvel::PlanFilterImport(korvel::ParseFilterText(written), false, limits);
        Check(again.ok() && again.adjustments.empty());
        for (size_t i = 0; i < plan.bands.size(); ++i) {
            const korvel::EqBand& a = plan.bands[i];
            const korvel::EqBand& b = again.bands[i];
            Check(a.freq == b.freq && a.eqFactor == b.eqFactor && a.eqGain == b.eqGain);
        }
    }
    return 0;
}
