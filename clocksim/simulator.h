// The simulated library behind the C interface: the devices, and their clocks
// and voltages as the shared state file holds them.
#ifndef KORVAN_CLOCKSIM_SIMULATOR_H
#define KORVAN_CLOCKSIM_SIMULATOR_H

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clocksim/devices.h"
#include "clocksim/state_format.h"
#include "clocksim/state_store.h"

namespace clocksim {

enum class ClockSetChoice { k2d, k3d };

struct ClockPair {
    uint32_t engine = 0;
    uint32_t memory = 0;
};

class Simulator {
  public:
    struct Opening {
        std::unique_ptr<Simulator> simulator;  // null on failure
        std::string reason;                    // "<file>: <fault>", fitted for the caller
    };

    // Loads the devices (TAVOCLOCK_DEVICES or the built-in set) and checks
    // that the state can be read.
    static Opening Open();

    const std::vector<Device>& Devices() const { return devices_; }

    // Every operation re-reads the state, which other processes may change.
    // They fail (nullopt) for a set or rail the device does not have, or when
    // the state cannot be read or written.
    std::optional<ClockPair> ReadClocks(const Device& device, ClockSetChoice set);
    // A zero input leaves that clock; others are quantised down to the
    // device's step and clamped to its limits.
    std::optional<ClockPair> SetClocks(const Device& device, ClockSetChoice set, uint32_t engine,
                                       uint32_t memory);
    // Returns the chosen 2D clocks to their defaults; gives the 2D clocks.
    std::optional<ClockPair> RestoreClocks(const Device& device, bool engine, bool memory);
    std::optional<double> ReadVoltage(const Device& device, Rail rail, bool threeD);
    // Moves the rail one step up (+1) or down (-1) within its limits.
    std::optional<double> StepVoltage(const Device& device, Rail rail, bool threeD, int direction);

  private:
    Simulator(std::vector<Device> devices, std::unique_ptr<StateStore> store);

    const StateChanges* Current();
    bool Change(const Device& device, const std::function<void(DeviceSettings&)>& edit);

    std::vector<Device> devices_;
    std::unique_ptr<StateStore> store_;
    StateChanges cached_;
    bool cacheValid_ = false;
    std::string lastFault_;
};

}  // namespace clocksim

#endif  // KORVAN_CLOCKSIM_SIMULATOR_H
