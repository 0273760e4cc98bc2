// The simulated library's device file reader on arbitrary text. A file is
// either refused with a located fault and no devices, or every device it
// gives keeps the limits the rest of the library relies on.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "clocklib/clock_library.h"
#include "clocksim/capability_bits.h"
#include "clocksim/devices.h"

namespace {

using namespace clocksim;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "device file: %s\n", what);
    std::abort();
}

bool IsShowableName(const std::string& text) {
    if (text.empty() || text.size() >= sizeof(DeviceRecord::name)) return false;
    if (text.front() == ' ' || text.back() == ' ') return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

void CheckClock(const ClockLimits& clock, uint32_t step) {
    if (clock.min == 0 || clock.min > clock.defaultValue || clock.defaultValue > clock.max) {
        Fail("clock limits out of order");
    }
    if (clock.min % step != 0 || clock.defaultValue % step != 0 || clock.max % step != 0) {
        Fail("a clock limit is off the step");
    }
}

void CheckClockSet(const ClockSet& set) {
    CheckClock(set.engine, kEngineClockStep);
    CheckClock(set.memory, kMemoryClockStep);
}

void CheckDevice(const Device& device) {
    if (!IsShowableName(device.name) || !IsShowableName(device.id)) Fail("bad name or id");
    CheckClockSet(device.clocks2d);
    if (device.clocks3d.has_value() != ((device.flags & kSupports3dClocks) != 0)) {
        Fail("3D clocks and their capability disagree");
    }
    if (device.clocks3d) CheckClockSet(*device.clocks3d);
    if ((device.flags & kSystemMemoryOnly) && !(device.flags & kSupportsSystemMemory)) {
        Fail("system memory only without system memory");
    }
    constexpr uint32_t kRailBits[kRailCount] = {kSupportsVddc, kSupportsMvddc, kSupportsMvddq,
                                                kSupportsVddci};
    constexpr uint32_t k3dBits[kRailCount] = {kSupports3dVddc, kSupports3dMvddc, kSupports3dMvddq,
                                              0};
    constexpr int64_t kTenVolts = 10'000'000;
    for (std::size_t i = 0; i < kRailCount; ++i) {
        const std::optional<RailLimits>& rail = device.rails[i];
        if (rail.has_value() != ((device.flags & kRailBits[i]) != 0)) {
            Fail("a rail and its capability disagree");
        }
        const bool has3d = rail && rail->default3dMicrovolts.has_value();
        if (has3d != (k3dBits[i] != 0 && (device.flags & k3dBits[i]) != 0)) {
            Fail("a 3D rail value and its capability disagree");
        }
        if (!rail) continue;
        if (rail->stepMicrovolts <= 0 || rail->minMicrovolts < 0 ||
            rail->minMicrovolts > rail->defaultMicrovolts ||
            rail->defaultMicrovolts > rail->maxMicrovolts || rail->maxMicrovolts > kTenVolts) {
            Fail("rail limits out of order");
        }
        if (has3d && (*rail->default3dMicrovolts < rail->minMicrovolts ||
                      *rail->default3dMicrovolts > rail->maxMicrovolts)) {
            Fail("3D rail default outside the limits");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const DeviceFileResult result = ParseDeviceText(text, "devices.toml");
    if (result.devices.empty()) {
        if (result.fault.rfind("line ", 0) != 0 && result.fault.rfind("no device", 0) != 0) {
            Fail("a refusal that neither names a line nor says there is no device");
        }
        return 0;
    }
    if (!result.fault.empty()) Fail("devices and a fault at once");
    std::set<std::string> ids;
    for (const Device& device : result.devices) {
        CheckDevice(device);
        if (!ids.insert(device.id).second) Fail("two devices share an id");
    }
    return 0;
}
