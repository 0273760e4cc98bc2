// Set Clocks without a window: the two entries as the edits hold them (the
// input split at its first NUL), read as GetWindowText(buffer, 20) delivers
// them, then the display driver's request built from what was accepted.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialog/set_clocks_logic.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "clock entry: %s\n", what);
    std::abort();
}

uint32_t ReadLittleEndian(const ClockEscapeRequest& request, std::size_t offset) {
    uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= uint32_t{request[offset + i]} << (8 * i);
    return value;
}

// Reads one entry and checks the verdict against strtod on the same text.
bool ReadEntry(const std::string& fieldText, uint32_t& clock) {
    char buffer[kClockEntryBufferSize];
    const std::size_t copied = std::min(fieldText.size(), sizeof buffer - 1);
    std::memcpy(buffer, fieldText.data(), copied);
    buffer[copied] = '\0';
    const int length = static_cast<int>(fieldText.size());

    clock = 0xDEADBEEF;
    const ClockEntryFault fault = ReadClockEntryText(buffer, length, clock);
    if (fieldText.empty()) {
        if (fault != ClockEntryFault::Missing) Fail("an empty entry is not missing");
        return false;
    }
    const bool plain = fieldText.size() < sizeof buffer &&
                       fieldText.find_first_not_of("0123456789.") == std::string::npos;
    if (!plain) {
        if (fault != ClockEntryFault::NotNumeric) Fail("a bad entry is not refused as such");
        return false;
    }
    const double scaled = std::strtod(buffer, nullptr) * 100.0;
    if (scaled >= 4294967296.0) {
        if (fault != ClockEntryFault::OutOfRange) Fail("an entry past 2^32 is not out of range");
        return false;
    }
    if (fault != ClockEntryFault::None) Fail("a plain entry in range is refused");
    if (static_cast<double>(clock) != std::trunc(scaled)) Fail("clock is not trunc(x * 100)");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string engineText = input.substr(0, split);
    std::string memoryText;
    if (split != std::string::npos) {
        memoryText = input.substr(split + 1);
        memoryText = memoryText.substr(0, memoryText.find('\0'));
    }

    uint32_t engine = 0;
    uint32_t memory = 0;
    const bool engineRead = ReadEntry(engineText, engine);
    const bool memoryRead = ReadEntry(memoryText, memory);
    if (!engineRead || !memoryRead) return 0;

    const uint32_t engineStepped = engine / 675 * 675;
    const uint32_t memoryStepped = memory / 900 * 900;
    if (!ClocksAlreadyAtEntries(engine, memory, engineStepped, memoryStepped)) {
        Fail("entries at their own steps are not recognised");
    }
    if (ClocksAlreadyAtEntries(engine, memory, engineStepped + 675, memoryStepped) ||
        ClocksAlreadyAtEntries(engine, memory, engineStepped, memoryStepped - 900)) {
        Fail("a clock a step away counts as already set");
    }

    const ClockEscapeRequest request = BuildClockEscapeRequest(engine, memory);
    if (ReadLittleEndian(request, 0) != kClockEscapeRequestSize) Fail("wrong request size");
    if (ReadLittleEndian(request, 40) != engine || ReadLittleEndian(request, 44) != memory) {
        Fail("the request does not carry the entries");
    }
    // Only the header fields and the two clocks may be set.
    constexpr std::size_t kUsedFields[] = {0, 4, 16, 20, 32, 36, 40, 44};
    for (std::size_t offset = 0; offset < kClockEscapeRequestSize; offset += 4) {
        bool used = false;
        for (std::size_t field : kUsedFields) used = used || field == offset;
        if (!used && ReadLittleEndian(request, offset) != 0) Fail("padding is not zero");
    }
    return 0;
}
