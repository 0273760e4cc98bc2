// A stand-in for the clock library in the program's tests. It defines the
// whole C interface of clocklib/clock_library.h, answers from a script the
// test sets, and records every call so a test can compare what the program
// did against a literal table:
//
//   recording::Reset();
//   recording::SetDevices({{.name = "Card", .engine = 50000, .memory = 60000}});
//   ... drive the program ...
//   EXPECT_EQ(recording::CallLog({"SetClocks"}),
//             (std::vector<std::string>{"SetClocks(dev0, 50675, 0, flags=0)"}));
//
// By default it behaves like a simple, exact library: clocks are stored as
// given (no steps, no limits), RESTORE_CLOCKS returns to the scripted clocks,
// voltages move by a fixed step. Like the real one it refuses (returns 0 or
// 0.0 and writes no output) calls outside InitializeClockLib ..
// DeInitializeClockLib, records naming no device, selectors a call does not
// take, 3D clocks of a device without SUPPORTS_3DCLOCKS and rails the device
// has no voltage for. Refused calls are recorded too.
#ifndef KORVAN_TESTS_SUPPORT_RECORDING_CLOCK_LIBRARY_H
#define KORVAN_TESTS_SUPPORT_RECORDING_CLOCK_LIBRARY_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clocklib/clock_library.h"

namespace recording {

// Every member has an initialiser so tests can name only what they need:
// {.name = "Card", .engine = 50000, .memory = 60000}.
struct Device {
    std::string name{};
    uint32_t flags = 0;
    // The clocks in effect. The 2D pair given to SetDevices is also what
    // RESTORE_CLOCKS returns to.
    uint32_t engine = 0;
    uint32_t memory = 0;
    uint32_t engine3d = 0;
    uint32_t memory3d = 0;
    // Keyed by rail (VDDC, ...) or rail | USE_3DVOLTAGE; a rail missing here
    // is one the device does not have.
    std::map<int, double> voltages{};
};

struct Call {
    std::string function;            // e.g. "SetClocks"
    std::optional<uint32_t> device;  // the record's libraryHandle; empty for a null record
    uint32_t engine = 0;             // SetClocks inputs
    uint32_t memory = 0;
    int flags = 0;  // the clock selector, or the rail for the voltage calls
};

// Back to the start: no devices, InitializeClockLib succeeds, nothing
// recorded, not initialised, clocks stored unquantised, voltage step 0.025 V,
// no function made to fail.
void Reset();

// Devices in enumeration order; device i gets libraryHandle i ("dev<i>").
void SetDevices(std::vector<Device> devices);
// The scripted devices as they are now, after the program's changes.
const std::vector<Device>& Devices();

// InitializeClockLib returns 0 and hands out `reason` (cut to 246 bytes).
void SetInitFailure(std::string reason);
// Every later call of `function` (e.g. "GetClocks"; any but DeInitializeClockLib)
// fails without effect.
void SetFailing(std::string function, bool failing = true);
// Quantise SetClocks inputs down to these steps, as the real library does
// (675 and 900); 0 stores inputs as given.
void SetClockSteps(uint32_t engineStep, uint32_t memoryStep);
void SetVoltageStep(double volts);

const std::vector<Call>& Calls();
void ClearCalls();
// Describe() of each recorded call, keeping only `functions` when given.
std::vector<std::string> CallLog(std::initializer_list<std::string_view> functions = {});
// e.g. "SetClocks(dev0, 50000, 0, flags=0)", "GetClocks(dev1, flags=USE_3DCLOCKS)",
// "IncreaseVoltage(dev0, VDDC|USE_3DVOLTAGE)", "EnumerateDevices()", "GetVoltage(null, VDDC)".
std::string Describe(const Call& call);

int DeInitializeCount();
bool IsInitialized();

}  // namespace recording

#endif  // KORVAN_TESTS_SUPPORT_RECORDING_CLOCK_LIBRARY_H
