#include "clocksim/devices.h"

#include <toml++/toml.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "clocklib/clock_library.h"
#include "clocksim/capability_bits.h"

namespace clocksim {
namespace {

// A device file is a handful of lines; anything bigger is not one.
constexpr std::size_t kMaxDeviceFileBytes = 1 << 20;
constexpr double kMaxVolts = 10.0;
constexpr std::size_t kMaxNameBytes = sizeof(DeviceRecord::name) - 1;

struct CapabilityName {
    const char* name;
    uint32_t bit;
};

constexpr CapabilityName kCapabilityNames[] = {
    {"VDDC", kSupportsVddc},
    {"MVDDC", kSupportsMvddc},
    {"MVDDQ", kSupportsMvddq},
    {"VDDCI", kSupportsVddci},
    {"3DVDDC", kSupports3dVddc},
    {"3DMVDDC", kSupports3dMvddc},
    {"3DMVDDQ", kSupports3dMvddq},
    {"3DCLOCKS", kSupports3dClocks},
    {"SYSTEM_MEMORY", kSupportsSystemMemory},
    {"SYSTEM_MEMORY_ONLY", kSystemMemoryOnly},
};

struct RailCapabilities {
    Rail rail;
    uint32_t bit;
    uint32_t bit3d;  // 0: the rail has no 3D value
};

constexpr RailCapabilities kRailCapabilities[] = {
    {Rail::kVddc, kSupportsVddc, kSupports3dVddc},
    {Rail::kMvddc, kSupportsMvddc, kSupports3dMvddc},
    {Rail::kMvddq, kSupportsMvddq, kSupports3dMvddq},
    {Rail::kVddci, kSupportsVddci, 0},
};

const char* CapabilityNameOf(uint32_t bit) {
    for (const auto& capability : kCapabilityNames) {
        if (capability.bit == bit) return capability.name;
    }
    return "?";
}

int64_t ToMicrovolts(double volts) {
    return std::llround(volts * 1e6);
}

// Walks one parsed device file. Every check stops at the first fault, which is
// kept with the line it was found on.
class DeviceFileReader {
  public:
    bool Read(const toml::table& root, std::vector<Device>& devices) {
        if (!OnlyKnownKeys(root, {"device"}, "the file")) return false;
        const toml::node* deviceNode = root.get("device");
        const toml::array* deviceArray = deviceNode ? deviceNode->as_array() : nullptr;
        if (!deviceNode || (deviceArray && deviceArray->empty())) {
            fault_ = "no device: the file has no [[device]] table";
            return false;
        }
        if (!deviceArray || !deviceArray->is_array_of_tables()) {
            return Fail(*deviceNode, "'device' must be an array of tables, written [[device]]");
        }
        for (const toml::node& entry : *deviceArray) {
            context_ = "device " + std::to_string(devices.size() + 1);
            Device device;
            if (!ReadDevice(*entry.as_table(), device)) return false;
            for (std::size_t other = 0; other < devices.size(); ++other) {
                if (devices[other].id == device.id) {
                    return Fail(entry, "id \"" + device.id + "\" is already used by device " +
                                           std::to_string(other + 1) +
                                           "; give one of them its own id");
                }
            }
            devices.push_back(std::move(device));
        }
        return true;
    }

    const std::string& fault() const { return fault_; }

  private:
    bool Fail(const toml::node& where, const std::string& what) {
        return FailAt(where.source().begin.line, what);
    }

    bool FailAt(toml::source_index line, const std::string& what) {
        fault_ = "line " + std::to_string(line) + ": ";
        if (!context_.empty()) fault_ += context_ + ": ";
        fault_ += what;
        return false;
    }

    bool OnlyKnownKeys(const toml::table& table, std::initializer_list<std::string_view> known,
                       const std::string& owner) {
        for (const auto& [key, value] : table) {
            bool isKnown = false;
            for (std::string_view name : known) isKnown = isKnown || key.str() == name;
            if (!isKnown) {
                return FailAt(key.source().begin.line,
                              "unknown key '" + std::string(key.str()) + "' in " + owner);
            }
        }
        return true;
    }

    const toml::table* SubTable(const toml::table& table, std::string_view key, bool required,
                                const std::string& what) {
        const toml::node* node = table.get(key);
        if (!node) {
            if (required) Fail(table, "missing " + what);
            return nullptr;
        }
        if (!node->is_table()) {
            Fail(*node, what + " must be a table");
            return nullptr;
        }
        return node->as_table();
    }

    bool ReadText(const toml::table& table, std::string_view key, std::string& text) {
        const std::string label(key);
        const toml::node* node = table.get(key);
        if (!node) return Fail(table, "missing '" + label + "'");
        if (!node->is_string()) return Fail(*node, "'" + label + "' must be a string");
        text = node->as_string()->get();
        if (text.empty() || text.size() > kMaxNameBytes) {
            return Fail(*node, "'" + label + "' must have 1 to " + std::to_string(kMaxNameBytes) +
                                   " bytes");
        }
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                return Fail(*node, "'" + label + "' must not hold control characters");
            }
        }
        if (text.front() == ' ' || text.back() == ' ') {
            return Fail(*node, "'" + label + "' must not start or end with a space");
        }
        return true;
    }

    bool ReadDevice(const toml::table& table, Device& device) {
        if (!OnlyKnownKeys(table, {"name", "id", "capabilities", "clocks_2d", "clocks_3d", "rails"},
                           "a [[device]] table")) {
            return false;
        }
        if (!ReadText(table, "name", device.name)) return false;
        context_ += " (\"" + device.name + "\")";
        device.id = device.name;
        if (table.contains("id") && !ReadText(table, "id", device.id)) return false;
        if (!ReadCapabilities(table, device.flags)) return false;

        const toml::table* clocks2d = SubTable(table, "clocks_2d", true, "[device.clocks_2d]");
        if (!clocks2d || !ReadClockSet(*clocks2d, "clocks_2d", device.clocks2d)) return false;

        const toml::table* clocks3d = SubTable(table, "clocks_3d", false, "[device.clocks_3d]");
        if (!fault_.empty()) return false;
        if (clocks3d) {
            device.clocks3d.emplace();
            if (!ReadClockSet(*clocks3d, "clocks_3d", *device.clocks3d)) return false;
        }
        if (!Agrees(table, device.flags, kSupports3dClocks, clocks3d != nullptr,
                    "a [device.clocks_3d] table")) {
            return false;
        }
        if ((device.flags & kSystemMemoryOnly) && !(device.flags & kSupportsSystemMemory)) {
            return Fail(table, "capability \"SYSTEM_MEMORY_ONLY\" needs \"SYSTEM_MEMORY\" too");
        }
        return ReadRails(table, device);
    }

    bool ReadCapabilities(const toml::table& table, uint32_t& flags) {
        const toml::node* node = table.get("capabilities");
        if (!node) return true;
        const toml::array* list = node->as_array();
        if (!list) return Fail(*node, "'capabilities' must be an array of strings");
        for (const toml::node& item : *list) {
            if (!item.is_string()) return Fail(item, "'capabilities' must be an array of strings");
            const std::string& name = item.as_string()->get();
            uint32_t bit = 0;
            for (const auto& capability : kCapabilityNames) {
                if (name == capability.name) bit = capability.bit;
            }
            if (bit == 0) {
                std::string known;
                for (const auto& capability : kCapabilityNames) {
                    known += known.empty() ? "" : ", ";
                    known += capability.name;
                }
                return Fail(item, "unknown capability \"" + name + "\" (known: " + known + ")");
            }
            flags |= bit;
        }
        return true;
    }

    // A capability is listed exactly when the data behind it is given.
    bool Agrees(const toml::node& where, uint32_t flags, uint32_t bit, bool dataGiven,
                const std::string& data) {
        const std::string name = std::string("\"") + CapabilityNameOf(bit) + "\"";
        if ((flags & bit) && !dataGiven) {
            return Fail(where, "capability " + name + " needs " + data);
        }
        if (!(flags & bit) && dataGiven) {
            return Fail(where, data + " is given but " + name + " is not among the capabilities");
        }
        return true;
    }

    bool ReadClockSet(const toml::table& table, const std::string& setName, ClockSet& set) {
        if (!OnlyKnownKeys(table, {"engine", "memory"}, "[device." + setName + "]")) return false;
        return ReadClock(table, setName + ".engine", "engine", kEngineClockStep, set.engine) &&
               ReadClock(table, setName + ".memory", "memory", kMemoryClockStep, set.memory);
    }

    bool ReadClock(const toml::table& set, const std::string& label, std::string_view key,
                   uint32_t step, ClockLimits& clock) {
        const toml::table* table = SubTable(set, key, true, "'" + label + "'");
        if (!table) return false;
        if (!OnlyKnownKeys(*table, {"default", "min", "max"}, "'" + label + "'")) return false;
        const std::pair<std::string_view, uint32_t*> fields[] = {
            {"default", &clock.defaultValue}, {"min", &clock.min}, {"max", &clock.max}};
        for (const auto& [name, target] : fields) {
            const std::string fieldLabel = label + "." + std::string(name);
            const toml::node* node = table->get(name);
            if (!node) return Fail(*table, "missing '" + fieldLabel + "'");
            if (!node->is_integer()) {
                return Fail(*node, "'" + fieldLabel + "' must be an integer (10 kHz units)");
            }
            const int64_t value = node->as_integer()->get();
            if (value <= 0 || value > int64_t{UINT32_MAX}) {
                return Fail(*node, "'" + fieldLabel + "' must be between 1 and 4294967295");
            }
            if (value % step != 0) {
                return Fail(*node,
                            "'" + fieldLabel + "' must be a multiple of " + std::to_string(step));
            }
            *target = static_cast<uint32_t>(value);
        }
        if (clock.min > clock.defaultValue || clock.defaultValue > clock.max) {
            return Fail(*table, "'" + label + "' needs min <= default <= max");
        }
        return true;
    }

    bool ReadRails(const toml::table& deviceTable, Device& device) {
        const toml::table* rails = SubTable(deviceTable, "rails", false, "[device.rails]");
        if (!fault_.empty()) return false;
        if (rails &&
            !OnlyKnownKeys(*rails, {"vddc", "mvddc", "mvddq", "vddci"}, "[device.rails]")) {
            return false;
        }
        for (const RailCapabilities& entry : kRailCapabilities) {
            const std::string key = RailKey(entry.rail);
            const std::string label = "[device.rails." + key + "]";
            const toml::table* table = rails ? SubTable(*rails, key, false, label) : nullptr;
            if (!fault_.empty()) return false;
            const toml::node& where = table ? static_cast<const toml::node&>(*table) : deviceTable;
            if (!Agrees(where, device.flags, entry.bit, table != nullptr,
                        "a " + label + " table")) {
                return false;
            }
            if (!table) {
                if (device.flags & entry.bit3d) {
                    return Fail(where, std::string("capability \"") +
                                           CapabilityNameOf(entry.bit3d) + "\" needs " + label +
                                           " with 'default_3d'");
                }
                continue;
            }
            RailLimits limits;
            if (!ReadRail(*table, key, entry.bit3d != 0, limits)) return false;
            if (entry.bit3d &&
                !Agrees(where, device.flags, entry.bit3d, limits.default3dMicrovolts.has_value(),
                        "'" + key + ".default_3d'")) {
                return false;
            }
            device.rails[static_cast<std::size_t>(entry.rail)] = limits;
        }
        return true;
    }

    bool ReadVolts(const toml::table& table, const std::string& label, std::string_view key,
                   int64_t& microvolts) {
        const std::string fieldLabel = label + "." + std::string(key);
        const toml::node* node = table.get(key);
        if (!node) return Fail(table, "missing '" + fieldLabel + "'");
        double volts = 0;
        if (node->is_floating_point()) {
            volts = node->as_floating_point()->get();
        } else if (node->is_integer()) {
            volts = static_cast<double>(node->as_integer()->get());
        } else {
            return Fail(*node, "'" + fieldLabel + "' must be a number of volts");
        }
        if (!(volts >= 0.0 && volts <= kMaxVolts)) {
            return Fail(*node, "'" + fieldLabel + "' must be between 0 and 10 volts");
        }
        microvolts = ToMicrovolts(volts);
        return true;
    }

    bool ReadRail(const toml::table& table, const std::string& key, bool has3d,
                  RailLimits& limits) {
        if (has3d ? !OnlyKnownKeys(table, {"default", "min", "max", "step", "default_3d"},
                                   "'" + key + "'")
                  : !OnlyKnownKeys(table, {"default", "min", "max", "step"},
                                   "'" + key + "' (a rail without a 3D value)")) {
            return false;
        }
        if (!ReadVolts(table, key, "default", limits.defaultMicrovolts) ||
            !ReadVolts(table, key, "min", limits.minMicrovolts) ||
            !ReadVolts(table, key, "max", limits.maxMicrovolts) ||
            !ReadVolts(table, key, "step", limits.stepMicrovolts)) {
            return false;
        }
        if (limits.stepMicrovolts <= 0) return Fail(table, "'" + key + ".step' must be above 0");
        if (limits.minMicrovolts > limits.defaultMicrovolts ||
            limits.defaultMicrovolts > limits.maxMicrovolts) {
            return Fail(table, "'" + key + "' needs min <= default <= max");
        }
        if (table.contains("default_3d")) {
            int64_t default3d = 0;
            if (!ReadVolts(table, key, "default_3d", default3d)) return false;
            if (default3d < limits.minMicrovolts || default3d > limits.maxMicrovolts) {
                return Fail(table, "'" + key + ".default_3d' must lie within min and max");
            }
            limits.default3dMicrovolts = default3d;
        }
        return true;
    }

    std::string context_;
    std::string fault_;
};

ClockSet MakeClockSet(uint32_t engineDefault, uint32_t engineMin, uint32_t engineMax,
                      uint32_t memoryDefault, uint32_t memoryMin, uint32_t memoryMax) {
    return {{engineDefault, engineMin, engineMax}, {memoryDefault, memoryMin, memoryMax}};
}

RailLimits MakeRail(int64_t defaultMicrovolts, int64_t minMicrovolts, int64_t maxMicrovolts,
                    int64_t stepMicrovolts, std::optional<int64_t> default3d = std::nullopt) {
    return {defaultMicrovolts, minMicrovolts, maxMicrovolts, stepMicrovolts, default3d};
}

}  // namespace

const char* RailKey(Rail rail) {
    switch (rail) {
        case Rail::kVddc:
            return "vddc";
        case Rail::kMvddc:
            return "mvddc";
        case Rail::kMvddq:
            return "mvddq";
        case Rail::kVddci:
            return "vddci";
    }
    return "?";
}

std::vector<Device> BuiltInDevices() {
    std::vector<Device> devices(3);

    Device& discrete = devices[0];
    discrete.id = discrete.name = "Tavo Vireo 7950 XT";
    discrete.flags = kSupportsVddc | kSupportsMvddc | kSupportsMvddq | kSupportsVddci |
                     kSupports3dVddc | kSupports3dMvddc | kSupports3dMvddq | kSupports3dClocks;
    discrete.clocks2d = MakeClockSet(81000, 60750, 101250, 90000, 72000, 108000);
    discrete.clocks3d = MakeClockSet(108000, 94500, 128250, 112500, 99000, 126000);
    discrete.rails = {MakeRail(1100000, 900000, 1300000, 25000, 1200000),
                      MakeRail(1500000, 1350000, 1650000, 25000, 1550000),
                      MakeRail(1500000, 1350000, 1650000, 25000, 1550000),
                      MakeRail(1000000, 900000, 1100000, 12500)};

    Device& integrated = devices[1];
    integrated.id = integrated.name = "Tavo Aster 760M Integrated";
    integrated.flags = kSupportsSystemMemory | kSystemMemoryOnly;
    integrated.clocks2d = MakeClockSet(54000, 40500, 67500, 36000, 18000, 54000);

    Device& budget = devices[2];
    budget.id = budget.name = "Tavo Corsa 5300";
    budget.flags = kSupportsVddc;
    budget.clocks2d = MakeClockSet(67500, 54000, 87750, 72000, 54000, 90000);
    budget.rails[static_cast<std::size_t>(Rail::kVddc)] = MakeRail(1050000, 850000, 1250000, 25000);
    return devices;
}

DeviceFileResult ParseDeviceText(const std::string& text, const std::string& sourceName) {
    DeviceFileResult result;
    toml::table root;
    try {
        root = toml::parse(text, sourceName);
    } catch (const toml::parse_error& error) {
        result.fault = "line " + std::to_string(error.source().begin.line) + ", column " +
                       std::to_string(error.source().begin.column) + ": " +
                       std::string(error.description());
        return result;
    }
    DeviceFileReader reader;
    if (!reader.Read(root, result.devices)) {
        result.devices.clear();
        result.fault = reader.fault();
    }
    return result;
}

DeviceFileResult LoadDeviceFile(const std::string& path) {
    DeviceFileResult result;
    // Opening a FIFO waits for a writer and reading a terminal waits for a
    // user, so such a file would stop the library from ever starting. A
    // directory is left to the open below, which names the system's reason.
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(path, statusError);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
        !std::filesystem::is_directory(status)) {
        result.fault = "is not a regular file";
        return result;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        result.fault = std::string("cannot open: ") + std::strerror(errno);
        return result;
    }
    std::string text;
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        text.append(chunk, got);
        if (text.size() > kMaxDeviceFileBytes) {
            result.fault = "too large to be a device file (over 1 MiB)";
            return result;
        }
    }
    if (std::ferror(file.get())) {
        result.fault = std::string("cannot read: ") + std::strerror(errno);
        return result;
    }
    return ParseDeviceText(text, path);
}

}  // namespace clocksim
