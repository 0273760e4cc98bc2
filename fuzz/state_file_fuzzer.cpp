// The simulated library's state file reader on arbitrary text. What it
// accepts holds only known settings within their ranges, and writing it out
// and reading it back gives the same changes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "clocksim/state_format.h"

namespace {

using namespace clocksim;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "state file: %s\n", what);
    std::abort();
}

bool InRange(const std::string& name, int64_t value) {
    constexpr std::string_view kClocks[] = {"engine", "memory", "engine_3d", "memory_3d"};
    constexpr std::string_view kRails[] = {"vddc",  "vddc_3d",  "mvddc", "mvddc_3d",
                                           "mvddq", "mvddq_3d", "vddci"};
    for (std::string_view clock : kClocks) {
        if (name == clock) return value >= 1 && value <= int64_t{UINT32_MAX};
    }
    for (std::string_view rail : kRails) {
        if (name == rail) return value >= 0 && value <= 10'000'000;
    }
    return false;
}

bool IsTrimmed(const std::string& id) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    return !id.empty() && !isBlank(id.front()) && !isBlank(id.back()) &&
           id.find('\n') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const StateParseResult parsed = ParseState(text);
    if (!parsed.changes) {
        if (parsed.fault.empty()) Fail("refused without a reason");
        return 0;
    }

    StateChanges kept;
    for (const auto& [id, settings] : *parsed.changes) {
        if (!IsTrimmed(id)) Fail("a device id with blanks at its ends or a line break");
        for (const auto& [name, value] : settings) {
            if (!InRange(name, value)) Fail("an unknown setting or a value out of range");
        }
        if (!settings.empty()) kept.emplace(id, settings);
    }

    const std::string written = FormatState(*parsed.changes);
    const StateParseResult reread = ParseState(written);
    if (!reread.changes) Fail("what was written cannot be read back");
    if (*reread.changes != kept) Fail("the changes do not survive a round trip");
    if (FormatState(*reread.changes) != written) Fail("writing is not stable");
    return 0;
}
