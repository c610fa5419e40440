#pragma once
// The controller's long device sequences: the initial read of the live state, the read of one
// stored scene, and the two profile uploads. They run on worker threads and talk to the device
// only through DeviceLink encoders; every reply reaches the model as a posted report, so none of
// them touches the controller's model. The uploads work on a copy of the model taken on the
// owner's thread before the worker starts.

#include <array>
#include <atomic>
#include <chrono>

#include "commands/device_link.h"
#include "model/model_store.h"

namespace korvel {

// The band count of each output channel, copied from the model when a read starts.
using BandCounts = std::array<int, kChannelSlots>;

BandCounts BandCountsOf(const SceneRecord& scene);

class DeviceSequences {
  public:
    // `stop` is raised when the owner shuts down; a running sequence then ends early.
    DeviceSequences(DeviceLink& link, const std::atomic<bool>& stop) : link_(link), stop_(stop) {}

    // The initial read of the live state. Returns -1 when the handshake got no answer, else 0
    // (also for a device of another model or in its upgrade loader, which get no further
    // request).
    int PC_UI_Status_Init(const BandCounts& bands);

    // Reads stored scene 1..10 back from the device: after ReadScene(k, 255) the gets for scene
    // k return its values. `settle` is the pause the device needs after ReadScene.
    void ReadStoredScene(int scene, const BandCounts& bands, std::chrono::milliseconds settle);

    // Uploads one scene record into the live scene, synchronously (the mix levels queued).
    void SetReadCurProfileToMCU(const SceneRecord& live);

    // Uploads the ten stored scenes (each saved under its name) and then the live scene.
    void SetReadWholeProfileToMCU(const ModelStore& model, std::chrono::milliseconds tail);

    // Sleeps for `duration`, or less when the owner shuts down.
    void Pause(std::chrono::milliseconds duration) const;

  private:
    bool Stopped() const { return stop_.load(); }

    void ReadEqualiserBands(int scene, const BandCounts& bands);
    void ReadRoutingAndMixLevels(int scene);

    void SendMainVolumeAndMute(const SceneRecord& record, bool immediately);
    void SendFiltersAndBands(int scene, const SceneRecord& record, bool immediately);
    // Trims, mutes, phases and delays of the six channels.
    void SendChannelStrip(int scene, const SceneRecord& record, bool immediately);
    void SendRouting(int scene, const SceneRecord& record, int source, bool immediately);
    // The mix levels of every mixable input, always through the queue.
    void SendMixLevels(int scene, const SceneRecord& record);

    DeviceLink& link_;
    const std::atomic<bool>& stop_;
};

}  // namespace korvel
