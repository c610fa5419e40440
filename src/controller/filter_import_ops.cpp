// Equaliser bands from measurement software: a whole row of bands put on the current channel
// through the same band edit as the band controls and the graph use.

#include "controller/equalizer_manager.h"
#include "controller/tuning_values.h"
#include "log/log.h"
#include "model/invariants.h"

namespace korvel {

void EqualizerManager::ImportEqBands(std::span<const EqBand, kBandCount> bands) {
    const int current = CurrentChannel();
    WriteLog("EqualizerManager::ImportEqBands channel %d\n", current);
    BeginEdit();
    const float* shaping = nullptr;
    for (int band = 0; band < model_.live.BandCount(current); ++band) {
        const EqBand& b = bands[Index(band)];
        ApplyBandEdit(band, ClampFrequency(b.freq), ClampQ(b.eqFactor), ClampBandGain(b.eqGain));
        if (shaping == nullptr && IsNonZeroGain(b.eqGain)) {
            shaping = &b.eqGain;
        }
    }
    // The band edit counts a channel whose bands all stay within 1 dB as flat when a band is
    // set to 0 dB, which would bypass imported filters that are all gentle; filters with gain
    // keep the equaliser in effect.
    if (shaping != nullptr && Channel(current).bypass == 1) {
        SyncBypassFlag(-1, *shaping);
    }
    UpdateEqualizer(-1);  // no band of the import stays highlighted
    EndEdit();
}

}  // namespace korvel
