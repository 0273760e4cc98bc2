// The simulated devices: what each one can do and the limits of every clock
// and rail. They come from a TOML device file or from the built-in set.
#ifndef KORVAN_CLOCKSIM_DEVICES_H
#define KORVAN_CLOCKSIM_DEVICES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clocksim {

// The program's clock dialog moves clocks by exactly these steps (10 kHz units).
inline constexpr uint32_t kEngineClockStep = 675;
inline constexpr uint32_t kMemoryClockStep = 900;

struct ClockLimits {
    uint32_t defaultValue = 0;
    uint32_t min = 0;
    uint32_t max = 0;
};

struct ClockSet {
    ClockLimits engine;
    ClockLimits memory;
};

// Voltages are kept as whole microvolts so that a hundred steps up and a
// hundred down land exactly where they started.
struct RailLimits {
    int64_t defaultMicrovolts = 0;
    int64_t minMicrovolts = 0;
    int64_t maxMicrovolts = 0;
    int64_t stepMicrovolts = 0;
    std::optional<int64_t> default3dMicrovolts;
};

enum class Rail { kVddc, kMvddc, kMvddq, kVddci };
inline constexpr std::size_t kRailCount = 4;

struct Device {
    std::string id;  // matches the device's entry in the state file
    std::string name;
    uint32_t flags = 0;
    ClockSet clocks2d;
    std::optional<ClockSet> clocks3d;
    std::array<std::optional<RailLimits>, kRailCount> rails;

    const std::optional<RailLimits>& RailAt(Rail rail) const {
        return rails[static_cast<std::size_t>(rail)];
    }
};

// Lower-case rail name as used in the device and state files, e.g. "vddc".
const char* RailKey(Rail rail);

// Three devices in an order that is deliberately not alphabetical.
std::vector<Device> BuiltInDevices();

struct DeviceFileResult {
    std::vector<Device> devices;  // empty when loading failed
    std::string fault;            // why, without the file name
};

DeviceFileResult LoadDeviceFile(const std::string& path);

// Parses device-file text; `sourceName` only labels toml++'s own messages.
DeviceFileResult ParseDeviceText(const std::string& text, const std::string& sourceName);

}  // namespace clocksim

#endif  // KORVAN_CLOCKSIM_DEVICES_H
