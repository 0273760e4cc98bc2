#include "clocksim/state_format.h"

#include <charconv>

namespace clocksim {
namespace {

constexpr std::string_view kMagic = "tavoclock-state";
constexpr std::string_view kEndLine = "end";
constexpr int64_t kMaxClock = UINT32_MAX;
constexpr int64_t kMaxMicrovolts = 10'000'000;

struct SettingRange {
    std::string_view name;
    int64_t min;
    int64_t max;
};

constexpr SettingRange kSettings[] = {
    {"engine", 1, kMaxClock},     {"memory", 1, kMaxClock},
    {"engine_3d", 1, kMaxClock},  {"memory_3d", 1, kMaxClock},
    {"vddc", 0, kMaxMicrovolts},  {"vddc_3d", 0, kMaxMicrovolts},
    {"mvddc", 0, kMaxMicrovolts}, {"mvddc_3d", 0, kMaxMicrovolts},
    {"mvddq", 0, kMaxMicrovolts}, {"mvddq_3d", 0, kMaxMicrovolts},
    {"vddci", 0, kMaxMicrovolts},
};

std::string_view Trim(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<int64_t> ParseWhole(std::string_view text) {
    int64_t value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

StateParseResult Fail(std::string fault) {
    return {std::nullopt, std::move(fault)};
}

StateParseResult FailAt(std::size_t line, const std::string& fault) {
    return Fail("line " + std::to_string(line) + ": " + fault);
}

}  // namespace

StateParseResult ParseState(std::string_view text) {
    const std::size_t firstBreak = text.find('\n');
    const std::string_view header = Trim(text.substr(0, firstBreak));
    const std::string expected = std::string(kMagic) + " " + std::to_string(kStateFormatVersion);
    if (header.substr(0, kMagic.size() + 1) != std::string(kMagic) + " ") {
        return Fail("not a state file: the first line must be '" + expected + "'");
    }
    const auto version = ParseWhole(header.substr(kMagic.size() + 1));
    if (!version) return Fail("line 1: the version must be a whole number");
    if (*version != kStateFormatVersion) {
        return Fail("unsupported version " + std::to_string(*version) +
                    " (this library reads version " + std::to_string(kStateFormatVersion) + ")");
    }

    StateChanges changes;
    DeviceSettings* section = nullptr;
    bool sawEnd = false;
    std::size_t lineNumber = 1;
    std::size_t position = firstBreak == std::string_view::npos ? text.size() : firstBreak + 1;
    while (position < text.size()) {
        const std::size_t lineBreak = text.find('\n', position);
        const std::size_t lineEnd = lineBreak == std::string_view::npos ? text.size() : lineBreak;
        const std::string_view line = Trim(text.substr(position, lineEnd - position));
        position = lineEnd + 1;
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        if (sawEnd) return FailAt(lineNumber, "text after the 'end' line");
        if (line == kEndLine) {
            sawEnd = true;
        } else if (line.front() == '[') {
            if (line.back() != ']') return FailAt(lineNumber, "a device line must end with ']'");
            const std::string id(Trim(line.substr(1, line.size() - 2)));
            if (id.empty()) return FailAt(lineNumber, "empty device id");
            auto [entry, added] = changes.try_emplace(id);
            if (!added) return FailAt(lineNumber, "device [" + id + "] appears twice");
            section = &entry->second;
        } else {
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos) {
                return FailAt(lineNumber, "expected 'setting = value', '[device id]' or 'end'");
            }
            const std::string name(Trim(line.substr(0, equals)));
            const SettingRange* range = nullptr;
            for (const SettingRange& setting : kSettings) {
                if (setting.name == name) range = &setting;
            }
            if (!range) return FailAt(lineNumber, "unknown setting '" + name + "'");
            if (!section) return FailAt(lineNumber, "'" + name + "' comes before any [device id]");
            const auto value = ParseWhole(Trim(line.substr(equals + 1)));
            if (!value || *value < range->min || *value > range->max) {
                return FailAt(lineNumber, "'" + name + "' needs a whole number from " +
                                              std::to_string(range->min) + " to " +
                                              std::to_string(range->max));
            }
            if (!section->try_emplace(name, *value).second) {
                return FailAt(lineNumber, "'" + name + "' appears twice for one device");
            }
        }
    }
    if (!sawEnd) return Fail("truncated: the file has no closing 'end' line");
    return {std::move(changes), {}};
}

std::string FormatState(const StateChanges& changes) {
    std::string text = std::string(kMagic) + " " + std::to_string(kStateFormatVersion) + "\n";
    for (const auto& [id, settings] : changes) {
        if (settings.empty()) continue;
        text += "[" + id + "]\n";
        for (const auto& [name, value] : settings) {
            text += name + " = " + std::to_string(value) + "\n";
        }
    }
    text += std::string(kEndLine) + "\n";
    return text;
}

}  // namespace clocksim
