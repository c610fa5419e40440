#pragma once
// Reassembles input reports into reply packets.
//
// Received bytes go into a 1024-byte ring; Parse() runs them through the frame state machine and
// hands every packet whose checksum matches to the PacketSink. The state survives between calls,
// so a packet may straddle several input reports. Not thread-safe: the link feeds and parses
// under one lock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace korvel {

class PacketSink;

class PacketParser {
  public:
    static constexpr size_t kRingSize = 1024;
    // The state index at which an unfinished packet is dropped.
    static constexpr int kDropIndex = 64;
    // Payload positions 0..59 are reachable (index 4..63); the buffer is sized to the index
    // range so no announced length can reach past it.
    static constexpr size_t kPayloadCapacity = kDropIndex - 4;

    explicit PacketParser(PacketSink& sink);

    // Appends one byte to the ring. When the ring is full the oldest unparsed byte is dropped,
    // so a writer that never parses cannot overwrite the region being read.
    void Feed(uint8_t byte);
    void Feed(std::span<const uint8_t> bytes);

    // Consumes the ring up to the write index. `keepGoing` is asked before every byte; when it
    // returns false parsing stops and the remaining bytes stay in the ring.
    void Parse(const std::function<bool()>& keepGoing = {});

    // Empties the ring and forgets a packet begun but not finished.
    void Clear();

    size_t Pending() const;
    int StateIndex() const { return index_; }

  private:
    void Step(uint8_t byte);
    void FinishPacket(uint8_t checksum);

    PacketSink& sink_;
    std::array<uint8_t, kRingSize> ring_{};
    size_t writeIndex_ = 0;
    size_t readIndex_ = 0;

    int index_ = 0;  // 0: hunting for 0xAA; 1: hunting for 0x55; 2: length; 3: type; 4+: body
    uint8_t length_ = 0;
    uint8_t type_ = 0;
    std::array<uint8_t, kPayloadCapacity> payload_{};
};

}  // namespace korvel
