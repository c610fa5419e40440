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
    for (int band = 0; band < model_.live.BandCount(current); ++band) {
        const EqBand& b = bands[Index(band)];
        ApplyBandEdit(band, ClampFrequency(b.freq), ClampQ(b.eqFactor), ClampBandGain(b.eqGain));
    }
    EndEdit();
}

}  // namespace korvel
