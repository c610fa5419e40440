#pragma once
// Controller timings without the settle pauses, so sequences run at the test amplifier's pace.

#include <chrono>

#include "controller/equalizer_manager.h"

namespace korvel {

inline ControllerTimings NoPauses() {
    ControllerTimings t;
    t.syncSettle = std::chrono::milliseconds(0);
    t.storedSceneSettle = std::chrono::milliseconds(0);
    t.wholeUploadTail = std::chrono::milliseconds(0);
    t.wholeUploadSettle = std::chrono::milliseconds(0);
    return t;
}

}  // namespace korvel
