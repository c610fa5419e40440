#pragma once
// The controller's long device sequences: the initial read of the live state, the read of one
// stored scene, and the two profile uploads. They run on worker threads and talk to the device
// only through DeviceLink encoders; every reply reaches the model as a posted report, so none of
// them touches the controller's model. The uploads work on a copy of the model taken on the
// owner's thread before the worker starts.
//
// Every answer is accounted for. A get whose answer did not come (or failed its checksum) is
// asked again, up to kGetAttempts times in all; a set that was not acknowledged is sent once
// more (kSetAttempts), which is safe because sets carry absolute values. What still failed is
// written into the SequenceOutcome, and a device that went away ends the sequence at once.

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "commands/device_link.h"
#include "controller/controller_view.h"
#include "model/model_store.h"

namespace korvel {

// The band count of each output channel, copied from the model when a read starts.
using BandCounts = std::array<int, kChannelSlots>;

BandCounts BandCountsOf(const SceneRecord& scene);

inline constexpr int kGetAttempts = 3;  // a get is asked at most three times
inline constexpr int kSetAttempts = 2;  // a set is sent at most twice

// What one device sequence could not do. Empty (Complete) when every answer arrived and every
// set was confirmed.
struct SequenceOutcome {
    std::vector<std::string> unread;  // values that stayed unknown, e.g. "main volume"
    bool liveUnread = false;          // some of them belong to the live scene
    int requests = 0;                 // requests made, a repeat not counted again
    int sets = 0;                     // of them sets
    int unconfirmed = 0;              // sets never acknowledged
    bool deviceGone = false;          // the amplifier went away during the sequence
    bool handshakeFailed = false;     // the handshake got no answer (nothing else was asked)
    bool stopped = false;             // the owner shut down before the end

    bool Complete() const {
        return unread.empty() && unconfirmed == 0 && !deviceGone && !handshakeFailed && !stopped;
    }
    // Details for messages: "main volume, name of scene 4" (English names of the values), and
    // "3 / 2400" (sets unconfirmed / sent).
    std::string UnreadText() const;
    std::string UnconfirmedText() const;
};

// Reports progress from the worker thread; the controller forwards it to its owner.
using ProgressSink = std::function<void(const SequenceProgress&)>;

class DeviceSequences {
  public:
    // `stop` is raised when the owner shuts down; a running sequence then ends early.
    DeviceSequences(DeviceLink& link, const std::atomic<bool>& stop) : link_(link), stop_(stop) {}

    void SetProgressSink(ProgressSink sink) { progress_ = std::move(sink); }

    // The initial read of the live state. Returns -1 when the handshake got no answer, else 0
    // (also for a device of another model or in its upgrade loader, which get no further
    // request). Values that could not be read are listed in `out`. On the first contact the
    // handshake is asked once (no answer: no amplifier); a re-read of a connected amplifier
    // asks it like any get (`handshakeAttempts`).
    int PC_UI_Status_Init(const BandCounts& bands, SequenceOutcome& out, int handshakeAttempts = 1);

    // Reads stored scene 1..10 back from the device: after ReadScene(k, 255) the gets for scene
    // k return its values. `settle` is the pause the device needs after ReadScene.
    void ReadStoredScene(int scene, const BandCounts& bands, std::chrono::milliseconds settle,
                         SequenceOutcome& out);

    // Uploads one scene record into the live scene, synchronously (the mix levels queued), and
    // waits until the queued part was answered.
    void SetReadCurProfileToMCU(const SceneRecord& live, SequenceOutcome& out);

    // Uploads the ten stored scenes (each saved under its name) and then the live scene, and
    // waits until the queued part was answered.
    void SetReadWholeProfileToMCU(const ModelStore& model, std::chrono::milliseconds tail,
                                  SequenceOutcome& out);

    // The request counts of the sequences above, for progress totals (nothing is sent).
    int CountStatusInit(const BandCounts& bands);
    int CountStoredScene(int scene, const BandCounts& bands);
    int CountCurProfile(const SceneRecord& live);
    int CountWholeProfile(const ModelStore& model);

    // One set sent at most kSetAttempts times; false (and counted in `out`) when never
    // confirmed. `send` is the encoder call on the immediate path.
    bool Confirm(const std::function<bool()>& send, SequenceOutcome& out);

    // Sleeps for `duration`, or less when the owner shuts down or the device goes away.
    void Pause(std::chrono::milliseconds duration) const;

    // Progress of the sequence `out` belongs to: a new phase, counted from `done` of `total`.
    void Report(SequencePhase phase, int scene, const SequenceOutcome& out, int total);

    // Stopped, or the device went away (both recorded in `out`).
    bool Ended(SequenceOutcome& out) const;

  private:
    bool Stopped() const { return stop_.load(); }

    // One get asked at most kGetAttempts times; `what` names the value when it stays unknown.
    bool Ask(const std::function<bool()>& get, const std::string& what, int scene,
             SequenceOutcome& out);
    // One set through the queue; a set that could not be queued counts as unconfirmed.
    void Queue(const std::function<bool()>& send, SequenceOutcome& out);
    // Waits for the queued sets made since `before` and counts the ones left unconfirmed.
    void SettleQueue(uint64_t before, SequenceOutcome& out);

    void ReadLiveValues(const BandCounts& bands, SequenceOutcome& out);
    void ReadChannelStrip(int scene, SequenceOutcome& out);
    void ReadEqualiserBands(int scene, const BandCounts& bands, SequenceOutcome& out);
    void ReadRoutingAndMixLevels(int scene, SequenceOutcome& out);
    void ReadSceneNames(SequenceOutcome& out);
    void ReadStoredSceneValues(int scene, const BandCounts& bands, SequenceOutcome& out);

    void UploadStoredScene(int scene, const ModelStore& model, SequenceOutcome& out);
    void UploadLiveQueued(const SceneRecord& live, SequenceOutcome& out);
    void SendMainVolumeAndMute(const SceneRecord& record, bool immediately, SequenceOutcome& out);
    void SendFiltersAndBands(int scene, const SceneRecord& record, bool immediately,
                             SequenceOutcome& out);
    // Roles, trims, mutes, phases, delays and equaliser bypass flags of the six channels.
    void SendChannelStrip(int scene, const SceneRecord& record, bool immediately,
                          SequenceOutcome& out);
    void SendRouting(int scene, const SceneRecord& record, int source, bool immediately,
                     SequenceOutcome& out);
    // The mix levels of every mixable input, always through the queue.
    void SendMixLevels(int scene, const SceneRecord& record, SequenceOutcome& out);
    // A set on the immediate or the queued path.
    void Set(bool immediately, const std::function<bool(bool)>& send, SequenceOutcome& out);

    // While set, requests are only counted (for progress totals), never sent.
    bool counting_ = false;
    int CountOnly(const std::function<void(SequenceOutcome&)>& sequence);

    DeviceLink& link_;
    const std::atomic<bool>& stop_;
    ProgressSink progress_;
    SequencePhase phase_ = SequencePhase::kReadLive;
    int phaseScene_ = 0;
    int total_ = 0;
};

}  // namespace korvel
