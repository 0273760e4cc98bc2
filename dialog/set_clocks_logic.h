// The parts of Set Clocks that need no window: reading an entry, the step
// test, and the request handed to the display driver.
#ifndef KORVAN_DIALOG_SET_CLOCKS_LOGIC_H
#define KORVAN_DIALOG_SET_CLOCKS_LOGIC_H

#include <array>
#include <cstdint>

/// The longest clock entry the dialog reads: what GetWindowText(buffer, 20) copies.
constexpr int kClockEntryBufferSize = 20;

enum class ClockEntryFault { None, Missing, NotNumeric, OutOfRange };

/// Reads an entry in MHz into the library's unit (10 kHz): × 100.0 in double
/// precision, truncated. `text` holds what the edit gave into a buffer of
/// kClockEntryBufferSize bytes; `fullLength` is the field's whole length, so
/// an entry of 20 characters or more is refused. Only digits and points pass;
/// clocks from 42949672.96 MHz up do not fit the library's unit.
ClockEntryFault ReadClockEntryText(const char* text, int fullLength, uint32_t& clock);

/// Engine clocks move in steps of 675 units and memory clocks in steps of 900:
/// true when the entries, reduced to their steps, are the current clocks.
bool ClocksAlreadyAtEntries(uint32_t engineEntry, uint32_t memoryEntry, uint32_t currentEngine,
                            uint32_t currentMemory);

constexpr int kClockEscape = 29446;
constexpr std::size_t kClockEscapeRequestSize = 96;
using ClockEscapeRequest = std::array<unsigned char, kClockEscapeRequestSize>;

/// The display driver's request for both clocks: little-endian 32-bit fields,
/// zero-filled.
ClockEscapeRequest BuildClockEscapeRequest(uint32_t engineEntry, uint32_t memoryEntry);

#endif  // KORVAN_DIALOG_SET_CLOCKS_LOGIC_H
