// The exported C interface. Every entry point is total: before
// InitializeClockLib, after DeInitializeClockLib, for a null or unknown device
// record, an unsupported rail or a selector it does not take, it returns 0
// (0.0 for voltages) and leaves every output untouched.
#include <algorithm>
#include <cstring>
#include <memory>

#include "clocklib/clock_library.h"
#include "clocksim/capability_bits.h"
#include "clocksim/simulator.h"

extern "C" {
TAVOCLOCKLIB_API int SUPPORTS_VDDC = static_cast<int>(clocksim::kSupportsVddc);
TAVOCLOCKLIB_API int SUPPORTS_MVDDC = static_cast<int>(clocksim::kSupportsMvddc);
TAVOCLOCKLIB_API int SUPPORTS_MVDDQ = static_cast<int>(clocksim::kSupportsMvddq);
TAVOCLOCKLIB_API int SUPPORTS_VDDCI = static_cast<int>(clocksim::kSupportsVddci);
TAVOCLOCKLIB_API int SUPPORTS_3DVDDC = static_cast<int>(clocksim::kSupports3dVddc);
TAVOCLOCKLIB_API int SUPPORTS_3DMVDDC = static_cast<int>(clocksim::kSupports3dMvddc);
TAVOCLOCKLIB_API int SUPPORTS_3DMVDDQ = static_cast<int>(clocksim::kSupports3dMvddq);
TAVOCLOCKLIB_API int SUPPORTS_3DCLOCKS = static_cast<int>(clocksim::kSupports3dClocks);
TAVOCLOCKLIB_API int SUPPORTS_SYSTEM_MEMORY = static_cast<int>(clocksim::kSupportsSystemMemory);
TAVOCLOCKLIB_API int SYSTEM_MEMORY_ONLY = static_cast<int>(clocksim::kSystemMemoryOnly);
TAVOCLOCKLIB_API int USE_3DCLOCKS = clocksim::kUse3dClocks;
TAVOCLOCKLIB_API int RESTORE_CLOCKS = clocksim::kRestoreClocks;
TAVOCLOCKLIB_API int VDDC = clocksim::kRailVddc;
TAVOCLOCKLIB_API int MVDDC = clocksim::kRailMvddc;
TAVOCLOCKLIB_API int MVDDQ = clocksim::kRailMvddq;
TAVOCLOCKLIB_API int VDDCI = clocksim::kRailVddci;
TAVOCLOCKLIB_API int USE_3DVOLTAGE = clocksim::kUse3dVoltage;
}

namespace {

using clocksim::ClockPair;
using clocksim::ClockSetChoice;
using clocksim::Device;
using clocksim::Rail;

std::unique_ptr<clocksim::Simulator> g_simulator;
std::size_t g_nextDevice = 0;

// Handles are 1-based so that a zeroed record names no device.
const Device* DeviceOf(const DeviceRecord* record) {
    if (!g_simulator || !record) return nullptr;
    const auto& devices = g_simulator->Devices();
    if (record->libraryHandle == 0 || record->libraryHandle > devices.size()) return nullptr;
    return &devices[record->libraryHandle - 1];
}

void WriteReason(char* errorText, const std::string& reason) {
    if (!errorText) return;
    const std::size_t length = std::min<std::size_t>(reason.size(), CLOCKLIB_ERROR_TEXT_MAX);
    std::memcpy(errorText, reason.data(), length);
    errorText[length] = '\0';
}

struct RailChoice {
    Rail rail;
    bool threeD;
};

std::optional<RailChoice> DecodeRail(int selector) {
    const bool threeD = (selector & clocksim::kUse3dVoltage) != 0;
    switch (selector & ~clocksim::kUse3dVoltage) {
        case clocksim::kRailVddc:
            return RailChoice{Rail::kVddc, threeD};
        case clocksim::kRailMvddc:
            return RailChoice{Rail::kMvddc, threeD};
        case clocksim::kRailMvddq:
            return RailChoice{Rail::kMvddq, threeD};
        case clocksim::kRailVddci:
            return RailChoice{Rail::kVddci, threeD};
        default:
            return std::nullopt;
    }
}

void Deliver(const ClockPair& clocks, uint32_t* engine, uint32_t* memory) {
    if (engine) *engine = clocks.engine;
    if (memory) *memory = clocks.memory;
}

// The C callers cannot take an exception; running out of memory fails the call.
template <typename Result, typename Body>
Result Guarded(Result onFailure, Body body) {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

double StepVoltage(DeviceRecord* device, int rail, int direction) {
    return Guarded(0.0, [&] {
        const Device* target = DeviceOf(device);
        const std::optional<RailChoice> choice = DecodeRail(rail);
        if (!target || !choice) return 0.0;
        return g_simulator->StepVoltage(*target, choice->rail, choice->threeD, direction)
            .value_or(0.0);
    });
}

}  // namespace

extern "C" {

TAVOCLOCKLIB_API int InitializeClockLib(char* errorText) {
    return Guarded(0, [&] {
        g_simulator.reset();
        g_nextDevice = 0;
        clocksim::Simulator::Opening opening = clocksim::Simulator::Open();
        WriteReason(errorText, opening.reason);
        g_simulator = std::move(opening.simulator);
        return g_simulator ? 1 : 0;
    });
}

TAVOCLOCKLIB_API int EnumerateDevices(DeviceRecord* device) {
    if (!g_simulator || !device) return 0;
    const auto& devices = g_simulator->Devices();
    // After the last device the enumeration starts over, so a caller may list twice.
    if (g_nextDevice >= devices.size()) g_nextDevice = 0;
    const Device& source = devices[g_nextDevice];
    ++g_nextDevice;
    device->libraryHandle = static_cast<uint32_t>(g_nextDevice);
    device->flags = source.flags;
    std::memset(device->name, 0, sizeof device->name);
    std::memcpy(device->name, source.name.data(),
                std::min(source.name.size(), sizeof device->name - 1));
    return g_nextDevice < devices.size() ? 1 : 0;
}

TAVOCLOCKLIB_API int GetClocks(DeviceRecord* device, uint32_t* engine, uint32_t* memory,
                               int flags) {
    return Guarded(0, [&] {
        const Device* target = DeviceOf(device);
        if (!target || (flags != 0 && flags != clocksim::kUse3dClocks)) return 0;
        const auto set = flags == 0 ? ClockSetChoice::k2d : ClockSetChoice::k3d;
        const std::optional<ClockPair> clocks = g_simulator->ReadClocks(*target, set);
        if (!clocks) return 0;
        Deliver(*clocks, engine, memory);
        return 1;
    });
}

TAVOCLOCKLIB_API int SetClocks(DeviceRecord* device, uint32_t engine, uint32_t* engineOut,
                               uint32_t memory, uint32_t* memoryOut, int flags) {
    return Guarded(0, [&] {
        const Device* target = DeviceOf(device);
        if (!target) return 0;
        std::optional<ClockPair> clocks;
        if (flags == 0 || flags == clocksim::kUse3dClocks) {
            const auto set = flags == 0 ? ClockSetChoice::k2d : ClockSetChoice::k3d;
            clocks = g_simulator->SetClocks(*target, set, engine, memory);
        } else if (flags == clocksim::kRestoreClocks && engine <= 1 && memory <= 1) {
            clocks = g_simulator->RestoreClocks(*target, engine == 1, memory == 1);
        }
        if (!clocks) return 0;
        Deliver(*clocks, engineOut, memoryOut);
        return 1;
    });
}

TAVOCLOCKLIB_API double GetVoltage(DeviceRecord* device, int rail) {
    return Guarded(0.0, [&] {
        const Device* target = DeviceOf(device);
        const std::optional<RailChoice> choice = DecodeRail(rail);
        if (!target || !choice) return 0.0;
        return g_simulator->ReadVoltage(*target, choice->rail, choice->threeD).value_or(0.0);
    });
}

TAVOCLOCKLIB_API double IncreaseVoltage(DeviceRecord* device, int rail) {
    return StepVoltage(device, rail, +1);
}

TAVOCLOCKLIB_API double DecreaseVoltage(DeviceRecord* device, int rail) {
    return StepVoltage(device, rail, -1);
}

TAVOCLOCKLIB_API int DeInitializeClockLib(void) {
    const bool wasOpen = g_simulator != nullptr;
    g_simulator.reset();
    g_nextDevice = 0;
    return wasOpen ? 1 : 0;
}

}  // extern "C"
