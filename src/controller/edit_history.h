#pragma once
// Undo and redo of tuning edits, kept as state snapshots of the live scene.
//
// A step is the live scene before and after one user action: a click, a committed value, a
// menu choice, or a whole drag from press to release. Undoing a step puts back exactly the
// values that step changed and leaves every other value as it is now, so a value a device report
// or a later step changed elsewhere is not thrown away. The values are grouped into tuning units:
// each unit is what one device command sets (a band, a channel's trim, a high-pass filter, a
// routing mask, ...), so the controller knows which commands put the amplifier back.
//
// Snapshots rather than command objects: every tuning operation (its group members, linked
// partner, subwoofer coupling, link copies, role defaults, resets) is recorded by comparing the
// scene before and after it, without any operation having to describe its own inverse, and an
// operation changed later cannot leave the history out of step with it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "model/scene_record.h"

namespace korvel {

enum class TuningUnitKind : uint8_t {
    kRole,        // a = channel: speaker role (CH_Type_Ctrl)
    kLock,        // lockMode (CH_Lock_Ctrl)
    kLink,        // linkMode and linkOutputs (CH_Link_Ctrl)
    kHighPass,    // a = channel: high-pass filter and bpType (Filter_Ctrl)
    kLowPass,     // a = channel: low-pass filter and bpType (Filter_Ctrl)
    kBand,        // a = channel, b = band (EQ_Ctrl)
    kEqBypass,    // a = channel (PEQ_Bypass_Ctrl)
    kGain,        // a = channel (Trim_Ctrl)
    kDelay,       // a = channel (Delay_Ctrl)
    kMute,        // a = channel (Mute_Ch_Ctrl)
    kPhase,       // a = channel (Phase_Ctrl)
    kRouting,     // a = source, b = channel (Mix_Ch_Ctrl)
    kMixLevel,    // a = source, b = input, c = channel (Input_Mix_Trim_Ctrl)
    kMainVolume,  // Main_Volume_Ctrl
    kMainMute,    // Mute_Ctrl
    kSource,      // Source_Switch_Ctrl
    kSyncGroup,   // the synchronised group and its remembered volumes; no command
};

struct TuningUnit {
    TuningUnitKind kind;
    uint8_t a = 0;
    uint8_t b = 0;
    uint8_t c = 0;
};

// Every unit, in the order their commands go out when the amplifier is put back: roles, lock
// and link first (a link copies channels inside the device), then the channel values, the
// routing and the main controls.
const std::vector<TuningUnit>& TuningUnits();
bool SameUnit(const SceneRecord& x, const SceneRecord& y, const TuningUnit& unit);
void CopyUnit(SceneRecord& to, const SceneRecord& from, const TuningUnit& unit);
// True when some unit differs.
bool TuningDiffers(const SceneRecord& x, const SceneRecord& y);

class EditHistory {
  public:
    static constexpr size_t kMaxSteps = 100;

    // Begin and End nest; the outermost pair makes at most one step. End records the step
    // when `keep` is set and some unit changed since the outermost Begin; true when it did.
    void Begin(const SceneRecord& live);
    bool End(const SceneRecord& live, bool keep);
    bool IsOpen() const { return depth_ > 0; }

    // Inside an open Begin: records what changed so far as a step of its own and goes on from
    // `live` (an undo in the middle of a drag first ends the part already made).
    void Flush(const SceneRecord& live);
    // Inside an open Begin: goes on from `live` without recording (after an undo or redo).
    void Rebase(const SceneRecord& live);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    size_t UndoSteps() const { return undo_.size(); }
    size_t RedoSteps() const { return redo_.size(); }

    // The live scene with the latest step's units taken back to before (undo) or again to
    // after (redo) it, on top of `live`; the step moves to the other list. The current channel
    // becomes the one the step was made on. nullopt when there is no step.
    std::optional<SceneRecord> Undo(const SceneRecord& live);
    std::optional<SceneRecord> Redo(const SceneRecord& live);

    // Forgets every step (an open Begin stays open). True when there were steps.
    bool Clear();

  private:
    struct Step {
        SceneRecord before;
        SceneRecord after;
    };
    void Push(const SceneRecord& before, const SceneRecord& after);
    static SceneRecord Apply(const SceneRecord& live, const SceneRecord& from,
                             const SceneRecord& to);

    std::deque<Step> undo_;
    std::deque<Step> redo_;
    std::optional<SceneRecord> opened_;
    int depth_ = 0;
};

}  // namespace korvel
