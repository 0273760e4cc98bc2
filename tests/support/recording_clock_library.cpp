#include "tests/support/recording_clock_library.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

// Values of their own, unlike the simulated library's, so that a program
// relying on particular numbers instead of the imported names shows up.
extern "C" {
TAVOCLOCKLIB_API int SUPPORTS_VDDC = 1 << 4;
TAVOCLOCKLIB_API int SUPPORTS_MVDDC = 1 << 5;
TAVOCLOCKLIB_API int SUPPORTS_MVDDQ = 1 << 6;
TAVOCLOCKLIB_API int SUPPORTS_VDDCI = 1 << 7;
TAVOCLOCKLIB_API int SUPPORTS_3DVDDC = 1 << 8;
TAVOCLOCKLIB_API int SUPPORTS_3DMVDDC = 1 << 9;
TAVOCLOCKLIB_API int SUPPORTS_3DMVDDQ = 1 << 10;
TAVOCLOCKLIB_API int SUPPORTS_3DCLOCKS = 1 << 11;
TAVOCLOCKLIB_API int SUPPORTS_SYSTEM_MEMORY = 1 << 12;
TAVOCLOCKLIB_API int SYSTEM_MEMORY_ONLY = 1 << 13;
TAVOCLOCKLIB_API int USE_3DCLOCKS = 1 << 16;
TAVOCLOCKLIB_API int RESTORE_CLOCKS = 1 << 17;
TAVOCLOCKLIB_API int VDDC = 1 << 20;
TAVOCLOCKLIB_API int MVDDC = 1 << 21;
TAVOCLOCKLIB_API int MVDDQ = 1 << 22;
TAVOCLOCKLIB_API int VDDCI = 1 << 23;
TAVOCLOCKLIB_API int USE_3DVOLTAGE = 1 << 28;
}

namespace recording {
namespace {

struct Script {
    std::vector<Device> devices;
    std::vector<std::pair<uint32_t, uint32_t>> defaults;  // 2D clocks to restore
    std::optional<std::string> initFailure;
    std::set<std::string, std::less<>> failing;
    uint32_t engineStep = 0;
    uint32_t memoryStep = 0;
    double voltageStep = 0.025;
    std::vector<Call> calls;
    bool initialized = false;
    std::size_t nextDevice = 0;
    int deInitializeCount = 0;
};

Script& State() {
    static Script script;
    return script;
}

// Records the call; returns the device it may act on, or null when the call
// is to be refused.
Device* Begin(const char* function, const DeviceRecord* record, uint32_t engine = 0,
              uint32_t memory = 0, int flags = 0) {
    Script& script = State();
    Call call{function, std::nullopt, engine, memory, flags};
    if (record) call.device = record->libraryHandle;
    script.calls.push_back(call);
    if (!script.initialized || !record || script.failing.count(function) != 0) return nullptr;
    if (record->libraryHandle >= script.devices.size()) return nullptr;
    return &script.devices[record->libraryHandle];
}

uint32_t Quantise(uint32_t value, uint32_t step) {
    return step == 0 ? value : value / step * step;
}

bool Has(const Device& device, int capability) {
    return (device.flags & static_cast<uint32_t>(capability)) != 0;
}

std::string SelectorName(int flags) {
    if (flags == 0) return "0";
    if (flags == USE_3DCLOCKS) return "USE_3DCLOCKS";
    if (flags == RESTORE_CLOCKS) return "RESTORE_CLOCKS";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(flags));
    return hex;
}

std::string RailName(int rail) {
    const bool threeD = (rail & USE_3DVOLTAGE) != 0;
    const int base = rail & ~USE_3DVOLTAGE;
    std::string name;
    if (base == VDDC) {
        name = "VDDC";
    } else if (base == MVDDC) {
        name = "MVDDC";
    } else if (base == MVDDQ) {
        name = "MVDDQ";
    } else if (base == VDDCI) {
        name = "VDDCI";
    } else {
        return SelectorName(rail);
    }
    return threeD ? name + "|USE_3DVOLTAGE" : name;
}

double StepVoltage(const char* function, DeviceRecord* record, int rail, int direction) {
    Device* device = Begin(function, record, 0, 0, rail);
    if (!device) return 0.0;
    const auto voltage = device->voltages.find(rail);
    if (voltage == device->voltages.end()) return 0.0;
    // Whole microvolts, so that repeated steps land on the values a test writes.
    const double moved = voltage->second + direction * State().voltageStep;
    voltage->second = std::round(moved * 1e6) / 1e6;
    return voltage->second;
}

}  // namespace

void Reset() {
    State() = Script{};
}

void SetDevices(std::vector<Device> devices) {
    Script& script = State();
    script.defaults.clear();
    for (const Device& device : devices) script.defaults.emplace_back(device.engine, device.memory);
    script.devices = std::move(devices);
    script.nextDevice = 0;
}

const std::vector<Device>& Devices() {
    return State().devices;
}

void SetInitFailure(std::string reason) {
    State().initFailure = std::move(reason);
}

void SetFailing(std::string function, bool failing) {
    if (failing) {
        State().failing.insert(std::move(function));
    } else {
        State().failing.erase(function);
    }
}

void SetClockSteps(uint32_t engineStep, uint32_t memoryStep) {
    State().engineStep = engineStep;
    State().memoryStep = memoryStep;
}

void SetVoltageStep(double volts) {
    State().voltageStep = volts;
}

const std::vector<Call>& Calls() {
    return State().calls;
}

void ClearCalls() {
    State().calls.clear();
}

std::vector<std::string> CallLog(std::initializer_list<std::string_view> functions) {
    std::vector<std::string> log;
    for (const Call& call : State().calls) {
        if (functions.size() == 0 ||
            std::find(functions.begin(), functions.end(), call.function) != functions.end()) {
            log.push_back(Describe(call));
        }
    }
    return log;
}

std::string Describe(const Call& call) {
    if (call.function == "InitializeClockLib" || call.function == "EnumerateDevices" ||
        call.function == "DeInitializeClockLib") {
        return call.function + "()";
    }
    std::string text = call.function + "(";
    text += call.device ? "dev" + std::to_string(*call.device) : "null";
    if (call.function == "GetClocks") return text + ", flags=" + SelectorName(call.flags) + ")";
    if (call.function == "SetClocks") {
        return text + ", " + std::to_string(call.engine) + ", " + std::to_string(call.memory) +
               ", flags=" + SelectorName(call.flags) + ")";
    }
    return text + ", " + RailName(call.flags) + ")";
}

int DeInitializeCount() {
    return State().deInitializeCount;
}

bool IsInitialized() {
    return State().initialized;
}

}  // namespace recording

using recording::Begin;
using recording::Device;

extern "C" {

TAVOCLOCKLIB_API int InitializeClockLib(char* errorText) {
    recording::Script& script = recording::State();
    script.calls.push_back({"InitializeClockLib", std::nullopt, 0, 0, 0});
    std::string reason;
    if (script.initFailure) {
        reason = script.initFailure->substr(0, CLOCKLIB_ERROR_TEXT_MAX);
    } else if (script.failing.count("InitializeClockLib") != 0) {
        reason = "InitializeClockLib was made to fail";
    }
    if (errorText) std::memcpy(errorText, reason.c_str(), reason.size() + 1);
    script.initialized = reason.empty();
    script.nextDevice = 0;
    return script.initialized ? 1 : 0;
}

TAVOCLOCKLIB_API int EnumerateDevices(DeviceRecord* record) {
    recording::Script& script = recording::State();
    script.calls.push_back({"EnumerateDevices", std::nullopt, 0, 0, 0});
    if (!script.initialized || !record || script.devices.empty() ||
        script.failing.count("EnumerateDevices") != 0) {
        return 0;
    }
    if (script.nextDevice >= script.devices.size()) script.nextDevice = 0;
    const Device& device = script.devices[script.nextDevice];
    record->libraryHandle = static_cast<uint32_t>(script.nextDevice);
    record->flags = device.flags;
    std::memset(record->name, 0, sizeof record->name);
    std::memcpy(record->name, device.name.data(),
                std::min(device.name.size(), sizeof record->name - 1));
    ++script.nextDevice;
    return script.nextDevice < script.devices.size() ? 1 : 0;
}

TAVOCLOCKLIB_API int GetClocks(DeviceRecord* record, uint32_t* engine, uint32_t* memory,
                               int flags) {
    Device* device = Begin("GetClocks", record, 0, 0, flags);
    if (!device) return 0;
    if (flags == 0) {
        if (engine) *engine = device->engine;
        if (memory) *memory = device->memory;
        return 1;
    }
    if (flags != USE_3DCLOCKS || !recording::Has(*device, SUPPORTS_3DCLOCKS)) return 0;
    if (engine) *engine = device->engine3d;
    if (memory) *memory = device->memory3d;
    return 1;
}

TAVOCLOCKLIB_API int SetClocks(DeviceRecord* record, uint32_t engine, uint32_t* engineOut,
                               uint32_t memory, uint32_t* memoryOut, int flags) {
    Device* device = Begin("SetClocks", record, engine, memory, flags);
    if (!device) return 0;
    const recording::Script& script = recording::State();
    uint32_t* engineNow = &device->engine;
    uint32_t* memoryNow = &device->memory;
    if (flags == RESTORE_CLOCKS) {
        if (engine > 1 || memory > 1) return 0;
        const auto& defaults = script.defaults[record->libraryHandle];
        if (engine == 1) device->engine = defaults.first;
        if (memory == 1) device->memory = defaults.second;
    } else {
        if (flags == USE_3DCLOCKS && recording::Has(*device, SUPPORTS_3DCLOCKS)) {
            engineNow = &device->engine3d;
            memoryNow = &device->memory3d;
        } else if (flags != 0) {
            return 0;
        }
        if (engine != 0) *engineNow = recording::Quantise(engine, script.engineStep);
        if (memory != 0) *memoryNow = recording::Quantise(memory, script.memoryStep);
    }
    if (engineOut) *engineOut = *engineNow;
    if (memoryOut) *memoryOut = *memoryNow;
    return 1;
}

TAVOCLOCKLIB_API double GetVoltage(DeviceRecord* record, int rail) {
    Device* device = Begin("GetVoltage", record, 0, 0, rail);
    if (!device) return 0.0;
    const auto voltage = device->voltages.find(rail);
    return voltage == device->voltages.end() ? 0.0 : voltage->second;
}

TAVOCLOCKLIB_API double IncreaseVoltage(DeviceRecord* record, int rail) {
    return recording::StepVoltage("IncreaseVoltage", record, rail, +1);
}

TAVOCLOCKLIB_API double DecreaseVoltage(DeviceRecord* record, int rail) {
    return recording::StepVoltage("DecreaseVoltage", record, rail, -1);
}

TAVOCLOCKLIB_API int DeInitializeClockLib(void) {
    recording::Script& script = recording::State();
    script.calls.push_back({"DeInitializeClockLib", std::nullopt, 0, 0, 0});
    ++script.deInitializeCount;
    const bool wasInitialized = script.initialized;
    script.initialized = false;
    return wasInitialized ? 1 : 0;
}

}  // extern "C"
