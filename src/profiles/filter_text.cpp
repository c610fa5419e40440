#include "profiles/filter_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <system_error>

#include "model/invariants.h"
#include "model/scene_reset.h"

namespace korvel {

namespace {

// --- Text -------------------------------------------------------------------------------------

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Upper);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Upper(x) == Upper(y); });
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// UTF-16 text (with its byte order mark) narrowed to the ASCII the filter lines are made of;
// other characters become '?'. UTF-8 loses its byte order mark.
std::string NarrowText(std::string_view bytes) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        return std::string(bytes.substr(3));
    }
    const bool littleEndian = bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE;
    const bool bigEndian = bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
    if (!littleEndian && !bigEndian) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned unit =
            littleEndian ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
        out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return out;
}

// Lines ended by LF, CRLF or a lone CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) {
            ++i;
        }
        if (i > start) {
            tokens.push_back(line.substr(start, i - start));
        }
    }
    return tokens;
}

// A number as measurement programs write it: "63", "-4.5", "+3", "2,10" (decimal comma),
// optionally with its unit glued on ("63Hz", "-4.5dB"). nullopt for anything else.
std::optional<double> ParseNumber(std::string_view token) {
    std::string text(token);
    if (!text.empty() && text[0] == '+') {
        text.erase(0, 1);
    }
    if (text.find('.') == std::string::npos) {
        std::replace(text.begin(), text.end(), ',', '.');
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || stop == text.data() || !std::isfinite(value)) {
        return std::nullopt;
    }
    const std::string_view unit(stop, static_cast<size_t>(end - stop));
    if (!unit.empty() && !EqualsNoCase(unit, "Hz") && !EqualsNoCase(unit, "dB")) {
        return std::nullopt;
    }
    return value;
}

// Q of a bandwidth in octaves.
std::optional<double> QFromOctaves(double octaves) {
    if (!(octaves > 0) || octaves > 10) {
        return std::nullopt;
    }
    const double ratio = std::pow(2.0, octaves);
    return std::sqrt(ratio) / (ratio - 1.0);
}

// After "Filter" or "Preamp": optional spaces, for a filter an optional number, then ':'.
// Returns the text after the colon; nullopt when the line is no such line ("Filter Settings
// file" is a heading).
std::optional<std::string_view> AfterLabel(std::string_view line, std::string_view label,
                                           bool numbered) {
    if (!StartsWithNoCase(line, label)) {
        return std::nullopt;
    }
    size_t i = label.size();
    while (i < line.size() && IsBlank(line[i])) {
        ++i;
    }
    while (numbered && i < line.size() && line[i] >= '0' && line[i] <= '9') {
        ++i;
    }
    while (i < line.size() && IsBlank(line[i])) {
        ++i;
    }
    if (i >= line.size() || line[i] != ':') {
        return std::nullopt;
    }
    return line.substr(i + 1);
}

// Reads the value after a key ("Fc 63 Hz"); `at` is the key's index and moves to the value.
bool ReadValue(const std::vector<std::string_view>& tokens, size_t& at,
               std::optional<double>& value) {
    if (at + 1 >= tokens.size()) {
        return false;
    }
    value = ParseNumber(tokens[++at]);
    return value.has_value();
}

TextFilter ParseFilterBody(std::string_view body, int lineNumber) {
    TextFilter filter;
    filter.line = lineNumber;
    const std::vector<std::string_view> tokens = Tokens(body);
    if (tokens.empty() || (!EqualsNoCase(tokens[0], "ON") && !EqualsNoCase(tokens[0], "OFF"))) {
        filter.readable = false;
        return filter;
    }
    filter.on = EqualsNoCase(tokens[0], "ON");
    if (tokens.size() < 2) {
        filter.readable = !filter.on;  // "OFF" alone is an unused filter
        return filter;
    }
    filter.type = UpperCase(tokens[1]);
    for (size_t i = 2; i < tokens.size() && filter.readable; ++i) {
        const std::string_view key = tokens[i];
        if (EqualsNoCase(key, "Fc")) {
            filter.readable = ReadValue(tokens, i, filter.fc);
        } else if (EqualsNoCase(key, "Gain")) {
            filter.readable = ReadValue(tokens, i, filter.gain);
        } else if (EqualsNoCase(key, "Q")) {
            filter.readable = ReadValue(tokens, i, filter.q);
        } else if (EqualsNoCase(key, "BW")) {
            if (i + 1 < tokens.size() && EqualsNoCase(tokens[i + 1], "Oct")) {
                ++i;
            }
            std::optional<double> octaves;
            filter.readable = ReadValue(tokens, i, octaves) && QFromOctaves(*octaves);
            if (filter.readable) {
                filter.q = QFromOctaves(*octaves);
            }
        }
        // Units ("Hz", "dB") and type qualifiers ("LS 6dB") are passed over.
    }
    return filter;
}

// --- Import -----------------------------------------------------------------------------------

bool IsPeaking(const std::string& type) {
    return type == "PK" || type == "PEQ";
}

bool IsUnused(const TextFilter& filter) {
    return !filter.on || filter.type == "NONE";
}

double RoundTo(double value, double step) {
    return std::round(value / step) * step;
}

// Brings one value into its band range and resolution, noting a change.
double Fit(double value, double low, double high, double step, int line, FilterValueKind kind,
           std::vector<FilterAdjustment>& adjustments) {
    const double fitted = RoundTo(std::clamp(value, low, high), step);
    if (std::fabs(fitted - value) > 1e-9 * std::max(1.0, std::fabs(value))) {
        adjustments.push_back({line, kind, value, fitted});
    }
    return fitted;
}

std::string Fixed(double value, int decimals) {
    if (value == 0) {
        value = 0;  // no "-0.0"
    }
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string Shortest(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

FilterText ParseFilterText(std::string_view bytes) {
    FilterText result;
    const std::string text = NarrowText(bytes);
    const std::vector<std::string_view> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        while (!line.empty() && IsBlank(line.front())) {
            line.remove_prefix(1);
        }
        const int number = static_cast<int>(std::min<size_t>(i + 1, 1u << 30));
        if (const auto body = AfterLabel(line, "Filter", true)) {
            result.filters.push_back(ParseFilterBody(*body, number));
        } else if (const auto preamp = AfterLabel(line, "Preamp", false)) {
            const std::vector<std::string_view> tokens = Tokens(*preamp);
            if (!tokens.empty()) {
                result.preampDb = ParseNumber(tokens[0]);
            }
        }
    }
    return result;
}

FilterImport PlanFilterImport(const FilterText& text, bool firstPeakingOnly,
                              BandGainLimits limits) {
    FilterImport plan;
    ResetBands(plan.bands);
    plan.preampDb = text.preampDb;
    std::vector<FilterRefusal>& problems = firstPeakingOnly ? plan.skipped : plan.refusals;
    bool tooManyNoted = false;
    for (const TextFilter& f : text.filters) {
        FilterRefusalReason reason;
        if (!f.readable) {
            reason = FilterRefusalReason::kUnreadable;
        } else if (IsUnused(f)) {
            continue;
        } else if (!IsPeaking(f.type)) {
            reason = FilterRefusalReason::kNotPeaking;
        } else if (!f.fc || !f.gain || !f.q) {
            reason = FilterRefusalReason::kMissingValue;
        } else if (plan.filterCount == kBandCount) {
            if (tooManyNoted) {
                continue;  // the first filter beyond the bands names the problem
            }
            tooManyNoted = true;
            reason = FilterRefusalReason::kTooMany;
        } else {
            const double fc = Fit(*f.fc, kMinFrequency, kMaxFrequency, 1.0, f.line,
                                  FilterValueKind::kFrequency, plan.adjustments);
            const double q =
                Fit(*f.q, kMinQ, kMaxQ, 0.01, f.line, FilterValueKind::kQ, plan.adjustments);
            const double gain = Fit(*f.gain, limits.minDb, limits.maxDb, 0.1, f.line,
                                    FilterValueKind::kGain, plan.adjustments);
            plan.bands[static_cast<size_t>(plan.filterCount++)] = EqBand{
                static_cast<float>(gain), static_cast<float>(q), static_cast<int32_t>(fc), 1};
            continue;
        }
        problems.push_back({f.line, reason, f.type});
    }
    if (plan.filterCount == 0) {
        plan.refusals.push_back({0, FilterRefusalReason::kNoFilters, {}});
    }
    if (!plan.ok()) {
        ResetBands(plan.bands);
        plan.filterCount = 0;
        plan.adjustments.clear();
    }
    return plan;
}

std::string_view FilterValueName(FilterValueKind kind) {
    switch (kind) {
        case FilterValueKind::kFrequency:
            return "Fc";
        case FilterValueKind::kQ:
            return "Q";
        case FilterValueKind::kGain:
            return "Gain";
    }
    return {};
}

std::string FilterValueWithUnit(FilterValueKind kind, double value) {
    switch (kind) {
        case FilterValueKind::kFrequency:
            return Fixed(value, 0) + " Hz";
        case FilterValueKind::kQ:
            return Fixed(value, 2);
        case FilterValueKind::kGain:
            return Fixed(value, 1) + " dB";
    }
    return {};
}

std::string FilterValueText(FilterValueKind kind, double value) {
    return std::string(FilterValueName(kind)) + " " + FilterValueWithUnit(kind, value);
}

std::string FilterTextForBands(std::span<const EqBand> bands, std::string_view heading) {
    std::string out;
    if (!heading.empty()) {
        out += "# ";
        out += heading;
        out += '\n';
    }
    int number = 0;
    for (const EqBand& band : bands) {
        if (band.enable == 0) {
            continue;
        }
        out += "Filter " + std::to_string(++number) + ": ON PK " +
               FilterValueText(FilterValueKind::kFrequency, band.freq) + " " +
               FilterValueText(FilterValueKind::kGain, band.eqGain) + " " +
               FilterValueText(FilterValueKind::kQ, band.eqFactor) + "\n";
    }
    return out;
}

std::string DescribeRefusal(const FilterRefusal& refusal) {
    const std::string line = "line " + std::to_string(refusal.line) + ": ";
    switch (refusal.reason) {
        case FilterRefusalReason::kNotPeaking:
            return line + refusal.type + " is not a peaking filter";
        case FilterRefusalReason::kUnreadable:
            return line + "the filter cannot be read";
        case FilterRefusalReason::kMissingValue:
            return line + "the peaking filter lacks its frequency, gain or Q";
        case FilterRefusalReason::kTooMany:
            return line + "more than " + std::to_string(kBandCount) +
                   " peaking filters (the channel has " + std::to_string(kBandCount) + " bands)";
        case FilterRefusalReason::kNoFilters:
            return "the file holds no applied peaking filter";
    }
    return line;
}

std::string DescribeAdjustment(const FilterAdjustment& a) {
    const char* unit = a.value == FilterValueKind::kFrequency ? " Hz"
                       : a.value == FilterValueKind::kGain    ? " dB"
                                                              : "";
    return "line " + std::to_string(a.line) + ": " + std::string(FilterValueName(a.value)) + " " +
           Shortest(a.from) + unit + " changed to " + FilterValueWithUnit(a.value, a.to);
}

std::string DescribeChange(const FilterAdjustment& a) {
    const char* unit = a.value == FilterValueKind::kFrequency ? " Hz"
                       : a.value == FilterValueKind::kGain    ? " dB"
                                                              : "";
    return std::string(FilterValueName(a.value)) + " " + Shortest(a.from) + unit + " \u2192 " +
           FilterValueWithUnit(a.value, a.to);
}

bool ReadFilterTextFile(const std::filesystem::path& path, std::string& text, std::string& error) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot be read (" + ec.message() + ")";
        return false;
    }
    if (size > kMaxFilterFileBytes) {
        error = "is too large for a filter file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    text.assign(static_cast<size_t>(size), '\0');
    if (!file || !file.read(text.data(), static_cast<std::streamsize>(size))) {
        error = "cannot be read";
        return false;
    }
    return true;
}

}  // namespace korvel
