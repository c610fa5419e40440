#pragma once
// Parametric equaliser filters as room-measurement programs and PC equalisers write them as
// text, one filter a line:
//
//   Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.10
//   Filter: ON PK Fc 1000 Hz Gain 3 dB Q 1.41
//   Filter 3: OFF None
//   Preamp: -6 dB
//
// Reading turns such text into a list of filters (ParseFilterText), then into the 31 bands of
// one output channel (PlanFilterImport); writing turns a channel's enabled bands back into the
// same form (FilterTextForBands). No device, no model changes: the caller applies the bands.

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/scene_record.h"

namespace korvel {

// Larger files are refused as unreadable; a filter file is a few kilobytes.
inline constexpr std::uintmax_t kMaxFilterFileBytes = 1024u * 1024u;

// One "Filter" line of the text.
struct TextFilter {
    int line = 0;                // 1-based line number
    bool on = false;             // "ON" (applied) or "OFF"
    std::string type;            // "PK", "LS", "None", ... as written, upper case
    std::optional<double> fc;    // Hz
    std::optional<double> gain;  // dB
    std::optional<double> q;     // from "Q", or converted from a bandwidth "BW Oct"
    bool readable = true;        // false: begins like a filter line, but the rest makes no sense
};

struct FilterText {
    std::vector<TextFilter> filters;  // in file order
    std::optional<double> preampDb;   // "Preamp:" line, if any
};

// Reads filter lines from text: UTF-8 with or without a byte order mark, or UTF-16 with one;
// LF or CRLF line ends; any spacing; commas or points as decimal marks. Lines that are not
// filter or preamp lines (headers, notes, comments) are passed over.
FilterText ParseFilterText(std::string_view bytes);

// Why a filter line cannot be imported.
enum class FilterRefusalReason {
    kNotPeaking,    // a filter type other than peaking (shelf, pass, notch, ...)
    kUnreadable,    // the line cannot be read as a filter
    kMissingValue,  // a peaking filter without its frequency, gain or Q
    kTooMany,       // a peaking filter beyond the channel's 31 bands
    kNoFilters,     // the text holds no applied peaking filter at all (line 0)
};

struct FilterRefusal {
    int line = 0;
    FilterRefusalReason reason = FilterRefusalReason::kUnreadable;
    std::string type;  // the filter type of the line, when it has one
};

enum class FilterValueKind { kFrequency, kQ, kGain };

// A filter value that had to change to fit a band: brought into range, or to the band's
// resolution (whole Hz, Q in hundredths, gain in tenths of a dB).
struct FilterAdjustment {
    int line = 0;
    FilterValueKind value = FilterValueKind::kFrequency;
    double from = 0;
    double to = 0;
};

// The band gain range of the channel the filters go to.
struct BandGainLimits {
    float minDb = -18.0f;
    float maxDb = 12.0f;
};

struct FilterImport {
    // Applied peaking filters in order on bands 0..filterCount-1; every other band flat (the
    // factory band: gain 0, Q 5.8, its standard frequency). All bands enabled.
    std::array<EqBand, kBandCount> bands{};
    int filterCount = 0;
    std::vector<FilterAdjustment> adjustments;
    // Lines that stop the import. Empty when it may go ahead.
    std::vector<FilterRefusal> refusals;
    // With firstPeakingOnly: the lines that were left out instead of refusing the import.
    std::vector<FilterRefusal> skipped;
    // A preamp line is not applied to the channel; it is reported.
    std::optional<double> preampDb;

    bool ok() const { return refusals.empty(); }
};

// Places the applied ("ON") peaking filters on the bands. More than 31 of them, a filter of
// another type, or a filter line that cannot be read refuse the import, naming the line; with
// `firstPeakingOnly` those lines are skipped instead and the first 31 readable peaking filters
// are taken. "OFF" filters and filters of type "None" are passed over in both cases.
FilterImport PlanFilterImport(const FilterText& text, bool firstPeakingOnly,
                              BandGainLimits limits = {});

// The enabled bands in band order as filter lines numbered from 1, after `heading` written as
// a comment line ("# ..."); an empty heading writes none.
std::string FilterTextForBands(std::span<const EqBand> bands, std::string_view heading);

// English sentences for the command line: "line 12: LS is not a peaking filter".
std::string DescribeRefusal(const FilterRefusal& refusal);
std::string DescribeAdjustment(const FilterAdjustment& adjustment);
// The change alone, in the filter lines' own terms: "Q 12 → 9.00".
std::string DescribeChange(const FilterAdjustment& adjustment);
// "Fc 63 Hz", "Q 2.10", "Gain -4.5 dB": a value in the form the filter lines use; the name
// ("Fc", "Q", "Gain") and the value with its unit ("63 Hz") on their own.
std::string FilterValueText(FilterValueKind kind, double value);
std::string_view FilterValueName(FilterValueKind kind);
std::string FilterValueWithUnit(FilterValueKind kind, double value);

// Reads a whole filter file; false with `error` set when it cannot be read or is too large.
bool ReadFilterTextFile(const std::filesystem::path& path, std::string& text, std::string& error);

}  // namespace korvel
