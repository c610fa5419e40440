#include "link/packet_parser.h"

#include "link/device_link_core.h"
#include "link/framing.h"
#include "log/log.h"

namespace korvel {

PacketParser::PacketParser(PacketSink& sink) : sink_(sink) {}

void PacketParser::Feed(uint8_t byte) {
    ring_[writeIndex_] = byte;
    writeIndex_ = (writeIndex_ + 1) % kRingSize;
    if (writeIndex_ == readIndex_)
        readIndex_ = (readIndex_ + 1) % kRingSize;
}

void PacketParser::Feed(std::span<const uint8_t> bytes) {
    for (uint8_t byte : bytes)
        Feed(byte);
}

void PacketParser::Clear() {
    readIndex_ = writeIndex_;
    index_ = 0;
}

size_t PacketParser::Pending() const {
    return (writeIndex_ + kRingSize - readIndex_) % kRingSize;
}

void PacketParser::Parse(const std::function<bool()>& keepGoing) {
    while (readIndex_ != writeIndex_) {
        if (keepGoing && !keepGoing())
            return;
        const uint8_t byte = ring_[readIndex_];
        readIndex_ = (readIndex_ + 1) % kRingSize;
        Step(byte);
    }
}

void PacketParser::Step(uint8_t byte) {
    switch (index_) {
        case 0:
            if (byte == kFrameHeader1)
                index_ = 1;
            return;
        case 1:
            // Bytes between 0xAA and 0x55 are skipped without falling back to the hunt.
            if (byte == kFrameHeader2)
                index_ = 2;
            return;
        case 2:
            length_ = byte;
            index_ = 3;
            return;
        case 3:
            type_ = byte;
            index_ = 4;
            return;
        default:
            break;
    }
    const int checksumIndex = length_ + 3;
    WriteLog("packet_process: temp_index(0x%08x), packet_length(0x%08x), packet_byte(0x%08x)\n",
             index_, checksumIndex, byte);
    if (index_ == checksumIndex) {
        FinishPacket(byte);
        index_ = 0;
    } else if (index_ >= kDropIndex) {
        index_ = 0;
    } else {
        payload_[static_cast<size_t>(index_ - 4)] = byte;
        ++index_;
    }
}

void PacketParser::FinishPacket(uint8_t checksum) {
    const uint32_t sum = packet_checksum_wide(length_, type_, payload_);
    WriteLog("packet_checksum: temp_sum(0x%08x)\n", sum);
    if (static_cast<uint8_t>(sum) != checksum)
        return;
    sink_.packet_process(length_, type_, payload_.data());
}

}  // namespace korvel
