#pragma once
// A PacketSink that keeps every delivered packet and the thread it arrived on.

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "link/device_link_core.h"

namespace korvel::testing {

struct DeliveredPacket {
    uint8_t length = 0;
    uint8_t type = 0;
    std::vector<uint8_t> payload;  // length - 1 bytes: subcmd, optype, data
    std::thread::id thread;

    bool operator==(const DeliveredPacket& other) const {
        return length == other.length && type == other.type && payload == other.payload;
    }
};

class RecordingSink : public PacketSink {
  public:
    void packet_process(uint8_t length, uint8_t type, const uint8_t* payload) override {
        DeliveredPacket packet{length, type, {}, std::this_thread::get_id()};
        if (length > 0)
            packet.payload.assign(payload, payload + (length - 1));
        std::lock_guard lock(mutex_);
        packets_.push_back(std::move(packet));
    }

    std::vector<DeliveredPacket> Packets() const {
        std::lock_guard lock(mutex_);
        return packets_;
    }
    size_t Count() const {
        std::lock_guard lock(mutex_);
        return packets_.size();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<DeliveredPacket> packets_;
};

}  // namespace korvel::testing
