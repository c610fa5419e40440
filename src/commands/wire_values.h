#pragma once
// Value encodings of the device protocol: how numbers become payload bytes and back.
// Real numbers are truncated toward zero; 16-bit fields are big-endian unless stated.

#include <cstdint>
#include <cstring>
#include <vector>

namespace korvel::wire {

inline uint8_t Byte(int v) {
    return static_cast<uint8_t>(v & 0xFF);
}

inline void PutU16(std::vector<uint8_t>& out, int v) {
    out.push_back(Byte(v >> 8));
    out.push_back(Byte(v));
}

inline void PutU32LE(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// A value cut off toward zero after `scale` (10 for tenths, 1000 for thousandths). Values the
// controls hold in steps of 1 / scale are not exact in single precision (-17.7 dB is stored a
// little below it); a margin far below one step keeps them from losing a step.
inline int Truncated(float v, int scale) {
    const double scaled = static_cast<double>(v) * scale;
    return static_cast<int>(scaled + (scaled < 0 ? -1e-3 : 1e-3));
}

// Whole part, then the tenths digit.
inline void PutTenths(std::vector<uint8_t>& out, float v) {
    const int tenths = Truncated(v, 10);
    out.push_back(Byte(tenths / 10));
    out.push_back(Byte(tenths % 10));
}

inline void PutFrequency(std::vector<uint8_t>& out, int hz) {
    PutU16(out, hz);
}

// Q as sent: whole part, then (truncate(Q x 10) mod 256) mod 10.
inline void PutQ(std::vector<uint8_t>& out, float q) {
    const int tenths = Truncated(q, 10);
    out.push_back(Byte(tenths / 10));
    out.push_back(static_cast<uint8_t>(Byte(tenths) % 10));
}

// Equaliser gain as sent: the gain plus 18 dB in whole decibels and tenths.
inline void PutEqGain(std::vector<uint8_t>& out, float gain) {
    PutTenths(out, gain + 18.0f);
}

// Delay: whole milliseconds, then the thousandths as a 16-bit value.
inline void PutDelay(std::vector<uint8_t>& out, float ms) {
    const int us = Truncated(ms, 1000);
    out.push_back(Byte(us / 1000));
    PutU16(out, us % 1000);
}

// Trim: whole decibels as a signed byte; with fine trim a second byte with the hundredths.
inline void PutTrim(std::vector<uint8_t>& out, float db, bool fine) {
    out.push_back(Byte(static_cast<int>(db)));
    if (fine) {
        const int hundredths = static_cast<int>(db * 100.0f) % 100;
        out.push_back(Byte(hundredths < 0 ? -hundredths : hundredths));
    }
}

inline void PutCompressorThreshold(std::vector<uint8_t>& out, float db) {
    PutTenths(out, db + 100.0f);
}

inline void PutFloatLE(std::vector<uint8_t>& out, float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    PutU32LE(out, bits);
}

// --- Decoding (the reader checks that the bytes exist before calling these) -----------------

inline int U16(const uint8_t* p) {
    return (p[0] << 8) | p[1];
}
inline uint32_t U32LE(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int S8(uint8_t b) {
    return static_cast<int8_t>(b);
}

inline float QReport(const uint8_t* p) {
    return p[0] + p[1] / 100.0f;
}
inline float GainReport(const uint8_t* p) {
    return p[0] + p[1] / 10.0f - 18.0f;
}
inline float DelayReport(const uint8_t* p) {
    return p[0] + U16(p + 1) / 1000.0f;
}
inline float TrimReport(const uint8_t* p, bool fine) {
    return fine ? -(p[0] + p[1] / 100.0f) : static_cast<float>(S8(p[0]));
}
inline int CompressorThresholdReport(const uint8_t* p) {
    return static_cast<int>(p[0] + p[1] / 10.0f - 100.0f);
}
inline float TenthsReport(const uint8_t* p) {
    return p[0] + p[1] / 10.0f;
}
inline float HundredthsReport(const uint8_t* p) {
    return p[0] + p[1] / 100.0f;
}
inline float SpectrumFreqReport(const uint8_t* p) {
    return U16(p) + p[2] / 100.0f;
}
inline float SpectrumGainReport(const uint8_t* p) {
    return S8(p[0]) + S8(p[1]) / 100.0f;
}
inline float NoiseReportValue(const uint8_t* p) {
    return p[0] - 100 + p[1] / 10.0f;
}

}  // namespace korvel::wire
