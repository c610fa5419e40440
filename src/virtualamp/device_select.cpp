#include "virtualamp/device_select.h"

#include <filesystem>

#include "link/unix_socket_transport.h"
#include "link/usb_transport.h"
#include "virtualamp/amp_calibration.h"
#include "virtualamp/virtual_transport.h"

namespace korvel {
namespace {

constexpr const char* kUnixPrefix = "unix:";

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

}  // namespace

std::optional<TransportFactory> TransportFactoryForDevice(
    const std::string& device, std::string* error, std::shared_ptr<VirtualAmplifier>* virtualAmp) {
    if (device == "usb") {
        TransportFactory factory = MakeUsbTransportFactory();
        factory.lockKey = "usb:0483:5750";  // the one amplifier hidapi opens
        return factory;
    }
    if (device == "virtual") {
        auto amp = std::make_shared<VirtualAmplifier>();
        InstallSimulatedCar(*amp);
        if (virtualAmp != nullptr) {
            *virtualAmp = amp;
        }
        return MakeVirtualTransportFactory(std::move(amp));
    }
    const std::string prefix = kUnixPrefix;
    if (device.rfind(prefix, 0) == 0) {
        const std::string path = device.substr(prefix.size());
        if (path.empty()) {
            SetError(error, "device \"unix:\" needs a socket path, e.g. unix:/tmp/amp.sock");
            return std::nullopt;
        }
        TransportFactory factory = MakeUnixSocketTransportFactory(path);
        std::error_code ec;
        const std::filesystem::path socket = std::filesystem::weakly_canonical(path, ec);
        factory.lockKey = prefix + (ec ? path : socket.string());
        return factory;
    }
    SetError(error, "unknown device \"" + device + "\" (use usb, virtual or unix:PATH)");
    return std::nullopt;
}

}  // namespace korvel
