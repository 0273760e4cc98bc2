#include "batch/batch_run.h"

#include <cstdint>
#include <optional>

#include "batch/clock_report.h"
#include "framework/win.h"

namespace {

constexpr char kHelpText[] =
    "COMMAND: Korvan <OPTION>\n\n"
    "<OPTION> List\n"
    "-help/h/? : displays help\n"
    "-incmclk= : increment memory clock by target value\n"
    "-decmclk= : decrement memory clock by target value\n"
    "-incsclk= : increment engine clock by target value\n"
    "-decsclk= : decrement engine clock by target value\n"
    "-incmclk3d= : increment 3d memory clock by target value\n"
    "-decmclk3d= : decrement 3d memory clock by target value\n"
    "-incsclk3d= : increment 3d engine clock by target value\n"
    "-decsclk3d= : decrement 3d engine clock by target value\n"
    "-resetmclk : resets memory clock\n"
    "-resetsclk : resets engine clock\n"
    "-engclk=<target clk in KHz> : sets engine clock to target value\n"
    "-memclk=<target clk in KHz> : sets memory clock to target value\n"
    "-restore : restore clocks to BIOS default\n"
    "-viewclkinfo : displays clock information\n"
    "-printclkinfo=<filename> : print clock info to <filename>\n"
    "\n  *option can be specified either with or without '-'\n";

constexpr char kClockInfoCaption[] = "Clock Info";

// The device is asked for before every call rather than held: the dialog owns
// the selection, and its message loop runs while a box is up. With no device
// there is nothing to act on, and the library must never be handed a null
// record, so the step is left out.

void SetDeviceClocks(BatchHost& host, uint32_t engine, uint32_t memory, int flags) {
    DeviceRecord* device = host.SelectedDevice();
    if (device == nullptr) return;
    uint32_t engineNow = 0;
    uint32_t memoryNow = 0;
    SetClocks(device, engine, &engineNow, memory, &memoryNow, flags);
}

struct Clocks {
    uint32_t engine = 0;
    uint32_t memory = 0;
};

std::optional<Clocks> GetDeviceClocks(BatchHost& host, int flags) {
    DeviceRecord* device = host.SelectedDevice();
    if (device == nullptr) return std::nullopt;
    // Zero first: an output the library leaves unfilled then reads as 0.
    Clocks clocks;
    GetClocks(device, &clocks.engine, &clocks.memory, flags);
    return clocks;
}

// How a relative step moves one clock: 0 leaves it untouched (and passes 0,
// which the library takes as "unchanged").
enum class Move { kNone, kUp, kDown };

struct ClockStep {
    bool BatchOptions::*flag;
    bool use3d;
    Move engine;
    Move memory;
    int32_t BatchOptions::*engineStep;
    int32_t BatchOptions::*memoryStep;
};

// Relative steps in the order they are applied. The 2D memory step comes
// before the engine step, unlike the 3D ones.
constexpr ClockStep kClockSteps[] = {
    {&BatchOptions::incsclk3d, true, Move::kUp, Move::kNone, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d},
    {&BatchOptions::decsclk3d, true, Move::kDown, Move::kNone, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d},
    {&BatchOptions::incmclk3d, true, Move::kNone, Move::kUp, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d},
    {&BatchOptions::decmclk3d, true, Move::kNone, Move::kDown, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d},
    {&BatchOptions::incclk3d, true, Move::kUp, Move::kUp, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d},
    {&BatchOptions::decclk3d, true, Move::kDown, Move::kDown, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d},
    {&BatchOptions::incmclk, false, Move::kNone, Move::kUp, &BatchOptions::engineStep,
     &BatchOptions::memoryStep},
    {&BatchOptions::incsclk, false, Move::kUp, Move::kNone, &BatchOptions::engineStep,
     &BatchOptions::memoryStep},
    {&BatchOptions::decmclk, false, Move::kNone, Move::kDown, &BatchOptions::engineStep,
     &BatchOptions::memoryStep},
    {&BatchOptions::decsclk, false, Move::kDown, Move::kNone, &BatchOptions::engineStep,
     &BatchOptions::memoryStep},
    {&BatchOptions::incclk, false, Move::kUp, Move::kUp, &BatchOptions::engineStep,
     &BatchOptions::memoryStep},
    {&BatchOptions::decclk, false, Move::kDown, Move::kDown, &BatchOptions::engineStep,
     &BatchOptions::memoryStep},
};

// Steps are in MHz, clocks in 10 kHz. Clocks wrap around as unsigned values
// do; the step is scaled as unsigned so a large one cannot overflow.
uint32_t Moved(uint32_t clock, Move move, int32_t stepMHz) {
    const uint32_t delta = static_cast<uint32_t>(stepMHz) * 100u;
    switch (move) {
        case Move::kUp:
            return clock + delta;
        case Move::kDown:
            return clock - delta;
        case Move::kNone:
            break;
    }
    return 0;
}

void ApplyClockStep(const BatchOptions& options, const ClockStep& step, BatchHost& host) {
    const int flags = step.use3d ? USE_3DCLOCKS : 0;
    const std::optional<Clocks> now = GetDeviceClocks(host, flags);
    if (!now) return;
    SetDeviceClocks(host, Moved(now->engine, step.engine, options.*step.engineStep),
                    Moved(now->memory, step.memory, options.*step.memoryStep), flags);
}

// Returns false when the report file could not be written.
bool ReportClocks(const BatchOptions& options, BatchHost& host) {
    const std::optional<Clocks> clocks = GetDeviceClocks(host, 0);
    if (!clocks) return true;
    const bool has3d = host.Supports3D();
    Clocks clocks3d;
    if (has3d) {
        const std::optional<Clocks> read3d = GetDeviceClocks(host, USE_3DCLOCKS);
        if (!read3d) return true;
        clocks3d = *read3d;
    }
    const ClockReport report =
        FormatClockReport(clocks->engine, clocks->memory, has3d, clocks3d.engine, clocks3d.memory);

    // Shown on screen, the report is not also written.
    if (options.viewclkinfo) {
        host.ShowMessage(report, kClockInfoCaption, win::MB_OK);
        return true;
    }
    const std::string failure = AppendReportToFile(options.reportPath, report);
    if (failure.empty()) return true;
    host.ShowMessage(failure, kClockInfoCaption, win::MB_ICONWARNING);
    return false;
}

}  // namespace

void RunBatch(const BatchOptions& options, BatchHost& host) {
    if (options.help) {
        host.ShowMessage(kHelpText, nullptr, win::MB_OK);
        // Quitting only ends the message loop later; the rest of the batch still runs.
        host.PostQuit(0);
    }

    if (options.engclk || options.memclk) {
        SetDeviceClocks(host, options.engclk ? static_cast<uint32_t>(options.engineClock) : 0,
                        options.memclk ? static_cast<uint32_t>(options.memoryClock) : 0, 0);
    }
    if (options.engclk3d || options.memclk3d) {
        SetDeviceClocks(host, options.engclk3d ? static_cast<uint32_t>(options.engineClock3d) : 0,
                        options.memclk3d ? static_cast<uint32_t>(options.memoryClock3d) : 0,
                        USE_3DCLOCKS);
    }

    for (const ClockStep& step : kClockSteps) {
        if (options.*step.flag) ApplyClockStep(options, step, host);
    }

    // With RESTORE_CLOCKS, 1 restores a clock's default and 0 leaves it.
    if (options.resetmclk) SetDeviceClocks(host, 0, 1, RESTORE_CLOCKS);
    if (options.resetsclk) SetDeviceClocks(host, 1, 0, RESTORE_CLOCKS);
    if (options.restore) SetDeviceClocks(host, 1, 1, RESTORE_CLOCKS);

    bool reportWritten = true;
    if (options.viewclkinfo || options.printclkinfo) reportWritten = ReportClocks(options, host);

    // The voltage result is the new value; the batch has nothing to show it in.
    if (options.incvolt) {
        if (DeviceRecord* device = host.SelectedDevice()) IncreaseVoltage(device, VDDC);
    }
    if (options.decvolt) {
        if (DeviceRecord* device = host.SelectedDevice()) DecreaseVoltage(device, VDDC);
    }

    host.PostQuit(reportWritten ? 0 : 1);
}
