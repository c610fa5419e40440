#include "link/usb_transport.h"

#include <hidapi/hidapi.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cwchar>

namespace korvel {
namespace {

constexpr size_t kStringBufferChars = 256;

class UsbTransport final : public HidTransport {
  public:
    ~UsbTransport() override { Close(); }

    bool Open() override {
        Close();
        device_ = hid_open(kVendorId, kProductId, nullptr);
        return device_ != nullptr;
    }

    void Close() override {
        if (device_ != nullptr)
            hid_close(device_);
        device_ = nullptr;
    }

    std::optional<std::wstring> ManufacturerString() override {
        return ReadString(hid_get_manufacturer_string);
    }
    std::optional<std::wstring> ProductString() override {
        return ReadString(hid_get_product_string);
    }
    std::optional<std::wstring> SerialNumberString() override {
        return ReadString(hid_get_serial_number_string);
    }
    std::optional<std::wstring> IndexedString(int index) override {
        if (device_ == nullptr)
            return std::nullopt;
        std::array<wchar_t, kStringBufferChars> buffer{};
        if (hid_get_indexed_string(device_, index, buffer.data(), buffer.size() - 1) != 0) {
            return std::nullopt;
        }
        return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
    }

    int SetNonblocking(bool nonblocking) override {
        return device_ == nullptr ? -1 : hid_set_nonblocking(device_, nonblocking ? 1 : 0);
    }

    int Write(const uint8_t* data, size_t length) override {
        return device_ == nullptr ? -1 : hid_write(device_, data, length);
    }

    int ReadTimeout(uint8_t* buffer, size_t length, int timeoutMs) override {
        if (device_ == nullptr || disconnected_)
            return -1;
        errno = 0;
        const int result = hid_read_timeout(device_, buffer, length, timeoutMs);
        if (result < 0 && LooksUnplugged())
            disconnected_ = true;
        return result;
    }

    std::wstring ErrorText() override {
        if (device_ == nullptr)
            return L"device not open";
        const wchar_t* text = hid_error(device_);
        return text != nullptr ? std::wstring(text) : std::wstring();
    }

    bool Disconnected() const override { return disconnected_; }

  private:
    using StringCall = int (*)(hid_device*, wchar_t*, size_t);

    std::optional<std::wstring> ReadString(StringCall call) {
        if (device_ == nullptr)
            return std::nullopt;
        std::array<wchar_t, kStringBufferChars> buffer{};
        if (call(device_, buffer.data(), buffer.size() - 1) != 0)
            return std::nullopt;
        return std::wstring(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
    }

    // hidraw reports an unplugged device as a poll error or ENODEV; other failures may pass.
    bool LooksUnplugged() {
        if (errno == ENODEV)
            return true;
        const wchar_t* text = hid_error(device_);
        return text != nullptr && std::wcsstr(text, L"disconnected") != nullptr;
    }

    hid_device* device_ = nullptr;
    std::atomic<bool> disconnected_{false};
};

}  // namespace

TransportFactory MakeUsbTransportFactory() {
    TransportFactory factory;
    factory.init = [] { return hid_init(); };
    factory.create = [] { return std::make_unique<UsbTransport>(); };
    return factory;
}

}  // namespace korvel
