#include "controller/edit_history.h"

#include "model/speaker_roles.h"

namespace korvel {

namespace {

using Kind = TuningUnitKind;

std::vector<TuningUnit> BuildUnits() {
    std::vector<TuningUnit> units;
    const auto add = [&](Kind kind, int a = 0, int b = 0, int c = 0) {
        units.push_back(
            {kind, static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c)});
    };
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        add(Kind::kRole, ch);
    }
    add(Kind::kLock);
    add(Kind::kLink);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        add(Kind::kHighPass, ch);
        add(Kind::kLowPass, ch);
        for (int band = 0; band < kBandCount; ++band) {
            add(Kind::kBand, ch, band);
        }
        add(Kind::kEqBypass, ch);
        add(Kind::kGain, ch);
        add(Kind::kDelay, ch);
        add(Kind::kMute, ch);
        add(Kind::kPhase, ch);
    }
    for (int source = 0; source < kSourceCount; ++source) {
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            add(Kind::kRouting, source, ch);
        }
        for (int input = 0; input < kMixInputs; ++input) {
            for (int ch = 0; ch < kChannelSlots; ++ch) {
                add(Kind::kMixLevel, source, input, ch);
            }
        }
    }
    add(Kind::kMainVolume);
    add(Kind::kMainMute);
    add(Kind::kSource);
    add(Kind::kSyncGroup);
    return units;
}

bool SameFilter(const FilterSettings& x, const FilterSettings& y) {
    return x.fs == y.fs && x.type == y.type && x.slope == y.slope && x.bypass == y.bypass;
}

bool SameBand(const EqBand& x, const EqBand& y) {
    return x.eqGain == y.eqGain && x.eqFactor == y.eqFactor && x.freq == y.freq &&
           x.enable == y.enable;
}

// Applies `op` to the unit's fields of both records, field by field; Copy copies from `from`
// into `to`, Compare compares (both answer true to go on).
template <typename To, typename From, typename Op>
auto OnUnit(To& to, From& from, const TuningUnit& u, Op op) {
    const size_t a = u.a;
    const size_t b = u.b;
    const size_t c = u.c;
    switch (u.kind) {
        case Kind::kRole:
            return op(to.outputs[a], from.outputs[a]);
        case Kind::kLock:
            return op(to.lockMode, from.lockMode);
        case Kind::kLink:
            return op(to.linkMode, from.linkMode) && op(to.linkOutputs, from.linkOutputs);
        case Kind::kHighPass:
            return op(to.channels[a].crossover.hp, from.channels[a].crossover.hp) &&
                   op(to.channels[a].crossover.bpType, from.channels[a].crossover.bpType);
        case Kind::kLowPass:
            return op(to.channels[a].crossover.lp, from.channels[a].crossover.lp) &&
                   op(to.channels[a].crossover.bpType, from.channels[a].crossover.bpType);
        case Kind::kBand:
            return op(to.eqStore[a][b], from.eqStore[a][b]);
        case Kind::kEqBypass:
            return op(to.channels[a].bypass, from.channels[a].bypass);
        case Kind::kGain:
            return op(to.channels[a].gain, from.channels[a].gain);
        case Kind::kDelay:
            return op(to.channels[a].delay, from.channels[a].delay);
        case Kind::kMute:
            return op(to.channels[a].mute, from.channels[a].mute);
        case Kind::kPhase:
            return op(to.channels[a].phase, from.channels[a].phase);
        case Kind::kRouting:
            return op(to.inputs[a][b], from.inputs[a][b]);
        case Kind::kMixLevel:
            return op(to.inputMixVolume[a][b][c], from.inputMixVolume[a][b][c]);
        case Kind::kMainVolume:
            return op(to.mainVolume, from.mainVolume);
        case Kind::kMainMute:
            return op(to.mainVolumeMute, from.mainVolumeMute);
        case Kind::kSource:
            return op(to.sourceIndex, from.sourceIndex);
        case Kind::kSyncGroup:
            return op(to.syncChannels, from.syncChannels) && op(to.syncVolume, from.syncVolume) &&
                   op(to.syncGain, from.syncGain);
    }
    return op(to.mainVolume, from.mainVolume);
}

struct Compare {
    bool operator()(const FilterSettings& x, const FilterSettings& y) const {
        return SameFilter(x, y);
    }
    bool operator()(const EqBand& x, const EqBand& y) const { return SameBand(x, y); }
    template <typename T>
    bool operator()(const T& x, const T& y) const {
        return x == y;
    }
};

struct Copy {
    template <typename T>
    bool operator()(T& to, const T& from) const {
        to = from;
        return true;
    }
};

}  // namespace

const std::vector<TuningUnit>& TuningUnits() {
    static const std::vector<TuningUnit> units = BuildUnits();
    return units;
}

bool SameUnit(const SceneRecord& x, const SceneRecord& y, const TuningUnit& unit) {
    return OnUnit(x, y, unit, Compare{});
}

void CopyUnit(SceneRecord& to, const SceneRecord& from, const TuningUnit& unit) {
    OnUnit(to, from, unit, Copy{});
}

bool TuningDiffers(const SceneRecord& x, const SceneRecord& y) {
    for (const TuningUnit& unit : TuningUnits()) {
        if (!SameUnit(x, y, unit)) {
            return true;
        }
    }
    return false;
}

void EditHistory::Begin(const SceneRecord& live) {
    if (depth_++ == 0) {
        opened_ = live;
    }
}

bool EditHistory::End(const SceneRecord& live, bool keep) {
    if (depth_ == 0) {
        return false;
    }
    if (--depth_ > 0) {
        return false;
    }
    const bool changed = keep && opened_ && TuningDiffers(*opened_, live);
    if (changed) {
        Push(*opened_, live);
    }
    opened_.reset();
    return changed;
}

void EditHistory::Flush(const SceneRecord& live) {
    if (depth_ > 0 && opened_ && TuningDiffers(*opened_, live)) {
        Push(*opened_, live);
    }
    Rebase(live);
}

void EditHistory::Rebase(const SceneRecord& live) {
    if (depth_ > 0) {
        opened_ = live;
    }
}

void EditHistory::Push(const SceneRecord& before, const SceneRecord& after) {
    undo_.push_back({before, after});
    if (undo_.size() > kMaxSteps) {
        undo_.pop_front();
    }
    redo_.clear();
}

SceneRecord EditHistory::Apply(const SceneRecord& live, const SceneRecord& from,
                               const SceneRecord& to) {
    SceneRecord target = live;
    for (const TuningUnit& unit : TuningUnits()) {
        if (!SameUnit(from, to, unit)) {
            CopyUnit(target, to, unit);
        }
    }
    // Partners follow the roles and the link state actually restored.
    UpdateLinkOutputs(target);
    target.currChannel = to.currChannel;
    return target;
}

std::optional<SceneRecord> EditHistory::Undo(const SceneRecord& live) {
    if (undo_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(undo_.back());
    undo_.pop_back();
    SceneRecord target = Apply(live, step.after, step.before);
    redo_.push_back(std::move(step));
    return target;
}

std::optional<SceneRecord> EditHistory::Redo(const SceneRecord& live) {
    if (redo_.empty()) {
        return std::nullopt;
    }
    Step step = std::move(redo_.back());
    redo_.pop_back();
    SceneRecord target = Apply(live, step.before, step.after);
    undo_.push_back(std::move(step));
    return target;
}

bool EditHistory::Clear() {
    const bool had = !undo_.empty() || !redo_.empty();
    undo_.clear();
    redo_.clear();
    return had;
}

}  // namespace korvel
