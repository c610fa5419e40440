#include "controller/profile_diff.h"

#include <charconv>
#include <cstdint>
#include <functional>

#include "commands/wire_values.h"
#include "model/conversions.h"
#include "model/scene_name.h"
#include "model/sources.h"

namespace korvel {

namespace {

using Bytes = std::vector<uint8_t>;

// --- The values as the device commands carry them -----------------------------------------

Bytes EqGainBytes(float gain) {
    Bytes out;
    wire::PutEqGain(out, gain);
    return out;
}

Bytes QBytes(float q) {
    Bytes out;
    wire::PutQ(out, q);
    return out;
}

Bytes DelayBytes(float ms) {
    Bytes out;
    wire::PutDelay(out, ms);
    return out;
}

Bytes TrimBytes(float gain) {
    Bytes out;
    wire::PutTrim(out, static_cast<float>(ChannelTrim(gain)), false);
    return out;
}

Bytes MainVolumeBytes(int level) {
    return {wire::Byte(static_cast<int>(static_cast<float>(MainVolumeAttenuation(level))))};
}

// --- Texts -------------------------------------------------------------------------------------

// The bytes of a key function read back as the amplifier reports them.
double EqGainOf(const Bytes& b) {
    return b[0] + b[1] / 10.0 - 18.0;
}
double QOf(const Bytes& b) {
    return b[0] + b[1] / 10.0;
}
double DelayMsOf(const Bytes& b) {
    return b[0] + wire::U16(&b[1]) / 1000.0;
}
int TrimDbOf(const Bytes& b) {
    return wire::S8(b[0]);
}

std::string Fixed(double value, int decimals, bool sign = false) {
    if (value == 0) {
        value = 0;
    }
    char buffer[64];
    char* start = buffer;
    if (sign && value > 0) {
        *start++ = '+';
    }
    const auto [end, ec] =
        std::to_chars(start, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string OnOff(int value) {
    return value != 0 ? "on" : "off";
}

std::string Inputs(int mask) {
    std::string out;
    for (int bit = 0; bit < kInputBits; ++bit) {
        if (mask & (1 << bit)) {
            out += (out.empty() ? "in" : "+in") + std::to_string(bit + 1);
        }
    }
    return out.empty() ? "none" : out;
}

std::string Quoted(const SceneName& name) {
    return "\"" + Utf16ToUtf8(DeviceNameToUtf16(name)) + "\"";
}

// Collects the differences of one scene.
class SceneComparer {
  public:
    SceneComparer(int scene, std::vector<ValueDifference>& out) : scene_(scene), out_(out) {}

    // Compares two values as the device encodes them (`key`) and shows them as the amplifier
    // keeps them (`text` reads the encoding back).
    template <typename T>
    void Encoded(const std::string& place, const T& file, const T& amp,
                 const std::function<Bytes(const T&)>& key,
                 const std::function<std::string(const Bytes&)>& text) {
        const Bytes fileKey = key(file);
        const Bytes ampKey = key(amp);
        if (fileKey != ampKey) {
            out_.push_back({scene_, place, text(fileKey), text(ampKey)});
        }
    }

    void Whole(
        const std::string& place, int file, int amp,
        const std::function<std::string(int)>& text = [](int v) { return std::to_string(v); }) {
        if (file != amp) {
            out_.push_back({scene_, place, text(file), text(amp)});
        }
    }

    // A value the device carries in one byte.
    void Byte(
        const std::string& place, int file, int amp,
        const std::function<std::string(int)>& text = [](int v) { return std::to_string(v); }) {
        Whole(place, wire::Byte(file), wire::Byte(amp), text);
    }

  private:
    int scene_;
    std::vector<ValueDifference>& out_;
};

void DiffChannel(SceneComparer& c, const SceneRecord& file, const SceneRecord& amp, int ch) {
    const size_t n = static_cast<size_t>(ch);
    const std::string at = "channel " + std::to_string(ch) + " ";
    const ChannelSettings& f = file.channels[n];
    const ChannelSettings& a = amp.channels[n];
    c.Encoded<float>(at + "volume", f.gain, a.gain, TrimBytes,
                     [](const Bytes& b) { return std::to_string(-TrimDbOf(b)) + " dB"; });
    c.Byte(at + "mute", f.mute, a.mute, OnOff);
    c.Byte(at + "phase", f.phase, a.phase,
           [](int p) { return std::string(p != 0 ? "inverted" : "normal"); });
    c.Encoded<float>(at + "delay", f.delay, a.delay, DelayBytes,
                     [](const Bytes& b) { return Fixed(DelayMsOf(b), 3) + " ms"; });
    c.Byte(at + "equaliser bypass", f.bypass, a.bypass, OnOff);
    c.Byte(at + "role", file.outputs[n], amp.outputs[n]);
    const struct {
        const char* name;
        const FilterSettings& file;
        const FilterSettings& amp;
    } filters[] = {{"high-pass", f.crossover.hp, a.crossover.hp},
                   {"low-pass", f.crossover.lp, a.crossover.lp}};
    for (const auto& filter : filters) {
        const std::string name = at + filter.name;
        c.Whole(name + " frequency", filter.file.fs, filter.amp.fs,
                [](int hz) { return std::to_string(hz) + " Hz"; });
        c.Byte(name + " type", filter.file.type, filter.amp.type);
        c.Byte(name + " slope", filter.file.slope, filter.amp.slope,
               [](int s) { return s == 0 ? std::string("off") : std::to_string(s); });
    }
    // A file may carry fewer bands than the amplifier's 31; those are compared.
    for (int band = 0; band < file.BandCount(ch); ++band) {
        const EqBand& fb = file.eqStore[n][static_cast<size_t>(band)];
        const EqBand& ab = amp.eqStore[n][static_cast<size_t>(band)];
        const std::string place = at + "band " + std::to_string(band) + " ";
        c.Whole(place + "frequency", fb.freq, ab.freq,
                [](int hz) { return std::to_string(hz) + " Hz"; });
        c.Encoded<float>(place + "Q", fb.eqFactor, ab.eqFactor, QBytes,
                         [](const Bytes& b) { return Fixed(QOf(b), 2); });
        c.Encoded<float>(place + "gain", fb.eqGain, ab.eqGain, EqGainBytes,
                         [](const Bytes& b) { return Fixed(EqGainOf(b), 1, true) + " dB"; });
    }
}

void DiffRouting(SceneComparer& c, const SceneRecord& file, const SceneRecord& amp) {
    for (int source = 0; source < kSourceCount; ++source) {
        const size_t s = static_cast<size_t>(source);
        const std::string at = "source " + std::to_string(source) + " ";
        for (int ch = 0; ch < kChannelSlots; ++ch) {
            const size_t n = static_cast<size_t>(ch);
            c.Byte(at + "channel " + std::to_string(ch) + " inputs", file.inputs[s][n],
                   amp.inputs[s][n], Inputs);
        }
        // Only the mixable inputs' levels are held by the amplifier.
        for (int input = 0; input < MixableInputs(source); ++input) {
            const size_t i = static_cast<size_t>(input);
            for (int ch = 0; ch < kChannelSlots; ++ch) {
                const size_t n = static_cast<size_t>(ch);
                c.Byte(at + "input " + std::to_string(input + 1) + " channel " +
                           std::to_string(ch) + " mix level",
                       file.inputMixVolume[s][i][n], amp.inputMixVolume[s][i][n]);
            }
        }
    }
}

}  // namespace

std::vector<ValueDifference> DiffScene(const SceneRecord& file, const SceneRecord& amp, int scene) {
    std::vector<ValueDifference> out;
    SceneComparer c(scene, out);
    if (scene == 0) {
        // The level goes out as an attenuation in whole dB: levels that send the same
        // attenuation are the same volume to the amplifier.
        c.Encoded<int>("main volume", file.mainVolume, amp.mainVolume, MainVolumeBytes,
                       [](const Bytes& b) {
                           return Fixed(kMainVolumeMaxDb - wire::S8(b[0]), 0, true) + " dB";
                       });
        c.Byte("main mute", file.mainVolumeMute, amp.mainVolumeMute, OnOff);
    }
    c.Byte("link", file.linkMode, amp.linkMode, OnOff);
    c.Byte("lock", file.lockMode, amp.lockMode, OnOff);
    for (int ch = 0; ch < kChannelSlots; ++ch) {
        DiffChannel(c, file, amp, ch);
    }
    DiffRouting(c, file, amp);
    return out;
}

std::vector<ValueDifference> DiffWhole(const ModelStore& file, const ModelStore& amp) {
    std::vector<ValueDifference> out = DiffScene(file.live, amp.live, 0);
    for (int scene = 1; scene <= kStoredScenes; ++scene) {
        const SceneName& fileName = *file.Name(scene);
        const SceneName& ampName = *amp.Name(scene);
        if (fileName != ampName) {
            out.push_back({scene, "name", Quoted(fileName), Quoted(ampName)});
        }
        std::vector<ValueDifference> stored =
            DiffScene(*file.Scene(scene), *amp.Scene(scene), scene);
        out.insert(out.end(), stored.begin(), stored.end());
    }
    return out;
}

std::string DescribeDifference(const ValueDifference& d) {
    return "scene " + std::to_string(d.scene) + " " + d.place + ": file " + d.fileValue +
           ", amplifier " + d.ampValue;
}

}  // namespace korvel
