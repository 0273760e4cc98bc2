// A second process for the simulated library's tests: loads the library,
// runs one command and prints the result, so that tests can show what one
// process's changes look like to another.
//
//   clocksim_probe get DEVICE [3d]               "<engine> <memory>"
//   clocksim_probe set DEVICE ENGINE MEMORY [3d|restore]
//                                                "<engine> <memory>" now in effect
//   clocksim_probe raise DEVICE RAIL COUNT       steps RAIL up COUNT times, "<volts>"
//   clocksim_probe walk DEVICE COUNT             sets the 2D engine clock to 675, 1350,
//                                                ... (COUNT values), printing
//                                                "<engine> <memory>" after each change
//
// DEVICE counts from 0 in enumeration order; RAIL is vddc, mvddc, mvddq or
// vddci, with "-3d" for its 3D value. Exit status: 0 done, 1 a call failed,
// 2 bad usage, 3 the library did not start.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clocklib/clock_library.h"

namespace {

bool ParseNumber(const char* text, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 10);
    return *text != '\0' && *end == '\0';
}

bool ParseRail(const std::string& text, int& rail) {
    const bool threeD = text.size() > 3 && text.compare(text.size() - 3, 3, "-3d") == 0;
    const std::string base = threeD ? text.substr(0, text.size() - 3) : text;
    if (base == "vddc") {
        rail = VDDC;
    } else if (base == "mvddc") {
        rail = MVDDC;
    } else if (base == "mvddq") {
        rail = MVDDQ;
    } else if (base == "vddci") {
        rail = VDDCI;
    } else {
        return false;
    }
    if (threeD) rail |= USE_3DVOLTAGE;
    return true;
}

int Run(const std::vector<std::string>& args, std::vector<DeviceRecord>& devices) {
    const auto usage = [] {
        std::fprintf(stderr, "usage: see the comment at the top of clocksim_probe.cpp\n");
        return 2;
    };
    if (args.empty()) return usage();
    const std::string& command = args[0];
    unsigned long index = 0;
    if (args.size() < 2 || !ParseNumber(args[1].c_str(), index) || index >= devices.size()) {
        return usage();
    }
    DeviceRecord& device = devices[index];

    if (command == "get" && args.size() <= 3) {
        const int flags = args.size() == 3 && args[2] == "3d" ? USE_3DCLOCKS : 0;
        uint32_t engine = 0;
        uint32_t memory = 0;
        if (!GetClocks(&device, &engine, &memory, flags)) return 1;
        std::printf("%u %u\n", engine, memory);
        return 0;
    }
    if (command == "set" && (args.size() == 4 || args.size() == 5)) {
        unsigned long engine = 0;
        unsigned long memory = 0;
        if (!ParseNumber(args[2].c_str(), engine) || !ParseNumber(args[3].c_str(), memory)) {
            return usage();
        }
        int flags = 0;
        if (args.size() == 5) flags = args[4] == "3d" ? USE_3DCLOCKS : RESTORE_CLOCKS;
        uint32_t engineOut = 0;
        uint32_t memoryOut = 0;
        if (!SetClocks(&device, static_cast<uint32_t>(engine), &engineOut,
                       static_cast<uint32_t>(memory), &memoryOut, flags)) {
            return 1;
        }
        std::printf("%u %u\n", engineOut, memoryOut);
        return 0;
    }
    if (command == "walk" && args.size() == 3) {
        unsigned long count = 0;
        if (!ParseNumber(args[2].c_str(), count)) return usage();
        // Each line is flushed as soon as its change is complete, so a process
        // that kills the probe knows the last change that went through.
        for (unsigned long step = 1; step <= count; ++step) {
            uint32_t engine = 0;
            uint32_t memory = 0;
            if (!SetClocks(&device, static_cast<uint32_t>(step * 675), &engine, 0, &memory, 0)) {
                return 1;
            }
            std::printf("%u %u\n", engine, memory);
            std::fflush(stdout);
        }
        return 0;
    }
    int rail = 0;
    if (args.size() < 3 || !ParseRail(args[2], rail)) return usage();
    unsigned long count = 0;
    if (command == "raise" && args.size() == 4 && ParseNumber(args[3].c_str(), count)) {
        double volts = 0.0;
        for (unsigned long step = 0; step < count; ++step) {
            volts = IncreaseVoltage(&device, rail);
            if (volts == 0.0) return 1;
        }
        std::printf("%.6f\n", volts);
        return 0;
    }
    return usage();
}

}  // namespace

int main(int argc, char** argv) {
    char reason[CLOCKLIB_ERROR_TEXT_SIZE] = {};
    if (!InitializeClockLib(reason)) {
        std::fprintf(stderr, "%s\n", reason);
        return 3;
    }
    std::vector<DeviceRecord> devices;
    DeviceRecord record{};
    bool more = true;
    while (more) {
        more = EnumerateDevices(&record) != 0;
        devices.push_back(record);
    }
    const int status = Run(std::vector<std::string>(argv + 1, argv + argc), devices);
    DeInitializeClockLib();
    return status;
}
