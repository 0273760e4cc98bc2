#include "dialog/set_clocks_logic.h"

#include "units/units.h"

namespace {

constexpr uint32_t kEngineClockStep = 675;
constexpr uint32_t kMemoryClockStep = 900;
constexpr double kEntryScale = 100.0;
constexpr double kClockLimit = 4294967296.0;  // 2^32: the first value that does not fit

bool IsEntryCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '.';
}

void PutLittleEndian(ClockEscapeRequest& request, std::size_t offset, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        request[offset + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

}  // namespace

ClockEntryFault ReadClockEntryText(const char* text, int fullLength, uint32_t& clock) {
    if (fullLength <= 0) return ClockEntryFault::Missing;
    // A text of 20 characters or more fails here: the buffer ends at position
    // 19 with its terminator.
    for (int i = 0; i < fullLength; ++i) {
        if (i >= kClockEntryBufferSize || !IsEntryCharacter(text[i])) {
            return ClockEntryFault::NotNumeric;
        }
    }
    const double scaled = ReadDecimal(text) * kEntryScale;
    if (!(scaled < kClockLimit)) return ClockEntryFault::OutOfRange;
    clock = static_cast<uint32_t>(scaled);
    return ClockEntryFault::None;
}

bool ClocksAlreadyAtEntries(uint32_t engineEntry, uint32_t memoryEntry, uint32_t currentEngine,
                            uint32_t currentMemory) {
    return engineEntry - engineEntry % kEngineClockStep == currentEngine &&
           memoryEntry - memoryEntry % kMemoryClockStep == currentMemory;
}

ClockEscapeRequest BuildClockEscapeRequest(uint32_t engineEntry, uint32_t memoryEntry) {
    ClockEscapeRequest request{};
    PutLittleEndian(request, 0, kClockEscapeRequestSize);
    PutLittleEndian(request, 4, 0x00110012);
    PutLittleEndian(request, 16, kClockEscapeRequestSize - 16);
    PutLittleEndian(request, 20, 15);
    PutLittleEndian(request, 32, kClockEscapeRequestSize - 32);
    PutLittleEndian(request, 36, 3);
    PutLittleEndian(request, 40, engineEntry);
    PutLittleEndian(request, 44, memoryEntry);
    return request;
}
