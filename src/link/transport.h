#pragma once
// The HID layer seen by the device link. One object stands for one opened device: the
// link's factory creates it when the link opens the device and destroys it on close.
//
// The calls mirror the hidapi calls the link makes, so the USB implementation is a thin
// wrapper, and the virtual amplifier and the socket transport behave the same way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korvel {

inline constexpr uint16_t kVendorId = 0x0483;
inline constexpr uint16_t kProductId = 0x5750;
inline constexpr size_t kOutputReportSize = 65;  // report number 0 + 64 bytes
inline constexpr size_t kInputReportSize = 64;

class HidTransport {
  public:
    virtual ~HidTransport() = default;

    // hid_open(vendor, product, no serial): true when a device was opened.
    virtual bool Open() = 0;
    virtual void Close() = 0;

    // The four device strings; nullopt stands for the library's failure result.
    virtual std::optional<std::wstring> ManufacturerString() = 0;
    virtual std::optional<std::wstring> ProductString() = 0;
    virtual std::optional<std::wstring> SerialNumberString() = 0;
    virtual std::optional<std::wstring> IndexedString(int index) = 0;

    virtual int SetNonblocking(bool nonblocking) = 0;

    // hid_write: `length` bytes starting with the report number; returns bytes written or -1.
    virtual int Write(const uint8_t* data, size_t length) = 0;

    // hid_read_timeout: up to `length` bytes of one input report; 0 on time-out, -1 on error
    // (a device that went away reports -1 from here on).
    virtual int ReadTimeout(uint8_t* buffer, size_t length, int timeoutMs) = 0;

    // hid_error: text of the last failure.
    virtual std::wstring ErrorText() = 0;

    // True once the device went away (unplugged, connection closed by the device).
    virtual bool Disconnected() const = 0;
};

// hid_init; returns 0 on success. The USB back end initialises hidapi, the others return 0.
using TransportInit = std::function<int()>;

struct TransportFactory {
    TransportInit init = [] { return 0; };
    std::function<std::unique_ptr<HidTransport>()> create;
    // Names the device for the one-program-per-amplifier lock (link/device_lock.h), taken
    // while the link has it open; empty for a device only this process can reach.
    std::string lockKey;
};

}  // namespace korvel
