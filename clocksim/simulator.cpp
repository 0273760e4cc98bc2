#include "clocksim/simulator.h"

#include <algorithm>
#include <cstdlib>

#include "clocksim/reason_text.h"

namespace clocksim {
namespace {

// One adjustable value of a device, as the state file names it.
struct Setting {
    std::string name;
    int64_t defaultValue;
    int64_t min;
    int64_t max;
};

Setting ClockSetting(const char* clock, ClockSetChoice set, const ClockLimits& limits) {
    return {std::string(clock) + (set == ClockSetChoice::k3d ? "_3d" : ""), limits.defaultValue,
            limits.min, limits.max};
}

const ClockSet* ClocksOf(const Device& device, ClockSetChoice set) {
    if (set == ClockSetChoice::k2d) return &device.clocks2d;
    return device.clocks3d ? &*device.clocks3d : nullptr;
}

std::optional<Setting> VoltageSetting(const Device& device, Rail rail, bool threeD) {
    const std::optional<RailLimits>& limits = device.RailAt(rail);
    if (!limits) return std::nullopt;
    if (!threeD) {
        return Setting{RailKey(rail), limits->defaultMicrovolts, limits->minMicrovolts,
                       limits->maxMicrovolts};
    }
    if (!limits->default3dMicrovolts) return std::nullopt;
    return Setting{std::string(RailKey(rail)) + "_3d", *limits->default3dMicrovolts,
                   limits->minMicrovolts, limits->maxMicrovolts};
}

const DeviceSettings& SettingsOf(const StateChanges& changes, const Device& device) {
    static const DeviceSettings kNoChanges;
    const auto settings = changes.find(device.id);
    return settings == changes.end() ? kNoChanges : settings->second;
}

// Values from before a device file's limits changed are clamped, not refused.
int64_t ValueOf(const DeviceSettings& settings, const Setting& setting) {
    const auto value = settings.find(setting.name);
    if (value == settings.end()) return setting.defaultValue;
    return std::clamp(value->second, setting.min, setting.max);
}

void Store(DeviceSettings& settings, const Setting& setting, int64_t value) {
    if (value == setting.defaultValue) {
        settings.erase(setting.name);
    } else {
        settings[setting.name] = value;
    }
}

int64_t QuantiseAndClamp(uint32_t requested, uint32_t step, const Setting& setting) {
    const int64_t quantised = int64_t{requested / step} * step;
    return std::clamp(quantised, setting.min, setting.max);
}

ClockPair PairOf(const StateChanges& changes, const Device& device, ClockSetChoice set) {
    const ClockSet& clocks = *ClocksOf(device, set);
    const DeviceSettings& settings = SettingsOf(changes, device);
    return {static_cast<uint32_t>(ValueOf(settings, ClockSetting("engine", set, clocks.engine))),
            static_cast<uint32_t>(ValueOf(settings, ClockSetting("memory", set, clocks.memory)))};
}

double ToVolts(int64_t microvolts) {
    return static_cast<double>(microvolts) / 1e6;
}

}  // namespace

Simulator::Simulator(std::vector<Device> devices, std::unique_ptr<StateStore> store)
    : devices_(std::move(devices)), store_(std::move(store)) {}

Simulator::Opening Simulator::Open() {
    Opening opening;
    std::vector<Device> devices;
    if (const char* path = std::getenv("TAVOCLOCK_DEVICES"); path && *path) {
        DeviceFileResult loaded = LoadDeviceFile(path);
        if (loaded.devices.empty()) {
            opening.reason = FitReason(path, loaded.fault);
            return opening;
        }
        devices = std::move(loaded.devices);
    } else {
        devices = BuiltInDevices();
    }

    StateStoreOpening storeOpening = OpenStateStore();
    if (!storeOpening.store) {
        opening.reason = FitReason(storeOpening.subject, storeOpening.fault);
        return opening;
    }
    std::unique_ptr<Simulator> simulator(
        new Simulator(std::move(devices), std::move(storeOpening.store)));
    if (!simulator->Current()) {
        opening.reason = FitReason(simulator->store_->FilePath(), simulator->lastFault_);
        return opening;
    }
    opening.simulator = std::move(simulator);
    return opening;
}

const StateChanges* Simulator::Current() {
    StateRead read = store_->Read();
    switch (read.kind) {
        case StateRead::Kind::kUnchanged:
            break;
        case StateRead::Kind::kMissing:
            cached_.clear();
            cacheValid_ = true;
            break;
        case StateRead::Kind::kContent: {
            StateParseResult parsed = ParseState(read.text);
            cacheValid_ = parsed.changes.has_value();
            if (cacheValid_) {
                cached_ = std::move(*parsed.changes);
            } else {
                lastFault_ = std::move(parsed.fault);
            }
            break;
        }
        case StateRead::Kind::kFailed:
            cacheValid_ = false;
            lastFault_ = std::move(read.text);
            break;
    }
    return cacheValid_ ? &cached_ : nullptr;
}

bool Simulator::Change(const Device& device, const std::function<void(DeviceSettings&)>& edit) {
    if (!store_->Lock(lastFault_)) return false;
    struct Unlocker {
        StateStore& store;
        ~Unlocker() { store.Unlock(); }
    } unlocker{*store_};

    const StateChanges* current = Current();
    if (!current) return false;
    StateChanges next = *current;
    edit(next[device.id]);
    if (next[device.id].empty()) next.erase(device.id);
    if (next == *current) return true;
    if (!store_->Replace(FormatState(next), lastFault_)) return false;
    cached_ = std::move(next);
    cacheValid_ = true;
    return true;
}

std::optional<ClockPair> Simulator::ReadClocks(const Device& device, ClockSetChoice set) {
    if (!ClocksOf(device, set)) return std::nullopt;
    const StateChanges* changes = Current();
    if (!changes) return std::nullopt;
    return PairOf(*changes, device, set);
}

std::optional<ClockPair> Simulator::SetClocks(const Device& device, ClockSetChoice set,
                                              uint32_t engine, uint32_t memory) {
    const ClockSet* clocks = ClocksOf(device, set);
    if (!clocks) return std::nullopt;
    const Setting engineSetting = ClockSetting("engine", set, clocks->engine);
    const Setting memorySetting = ClockSetting("memory", set, clocks->memory);
    const bool changed = Change(device, [&](DeviceSettings& settings) {
        if (engine != 0) {
            Store(settings, engineSetting,
                  QuantiseAndClamp(engine, kEngineClockStep, engineSetting));
        }
        if (memory != 0) {
            Store(settings, memorySetting,
                  QuantiseAndClamp(memory, kMemoryClockStep, memorySetting));
        }
    });
    if (!changed) return std::nullopt;
    return PairOf(cached_, device, set);
}

std::optional<ClockPair> Simulator::RestoreClocks(const Device& device, bool engine, bool memory) {
    const ClockSetChoice set = ClockSetChoice::k2d;
    const bool changed = Change(device, [&](DeviceSettings& settings) {
        if (engine) settings.erase(ClockSetting("engine", set, device.clocks2d.engine).name);
        if (memory) settings.erase(ClockSetting("memory", set, device.clocks2d.memory).name);
    });
    if (!changed) return std::nullopt;
    return PairOf(cached_, device, set);
}

std::optional<double> Simulator::ReadVoltage(const Device& device, Rail rail, bool threeD) {
    const std::optional<Setting> setting = VoltageSetting(device, rail, threeD);
    if (!setting) return std::nullopt;
    const StateChanges* changes = Current();
    if (!changes) return std::nullopt;
    return ToVolts(ValueOf(SettingsOf(*changes, device), *setting));
}

std::optional<double> Simulator::StepVoltage(const Device& device, Rail rail, bool threeD,
                                             int direction) {
    const std::optional<Setting> setting = VoltageSetting(device, rail, threeD);
    if (!setting) return std::nullopt;
    const int64_t step = device.RailAt(rail)->stepMicrovolts * direction;
    const bool changed = Change(device, [&](DeviceSettings& settings) {
        const int64_t now = ValueOf(settings, *setting);
        Store(settings, *setting, std::clamp(now + step, setting->min, setting->max));
    });
    if (!changed) return std::nullopt;
    return ToVolts(ValueOf(SettingsOf(cached_, device), *setting));
}

}  // namespace clocksim
