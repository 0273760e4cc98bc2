// What one refresh of the main dialog costs in the simulated library: one
// GetClocks and four GetVoltage on a card with every rail.
//
// Warm: the state file is unchanged since the last call, as when the dialog
// refreshes and nobody else has touched the card. AfterOutsideChange: another
// writer replaced the state file just before (the new file in the page cache),
// so the refresh reads and parses it again. Cold: the same, but with the
// kernel's page, dentry and inode caches dropped first (needs root; the
// benchmark says so and is skipped otherwise). Each runs with the state on
// the disk (the temporary directory) and, where there is one, on a tmpfs
// (/dev/shm), as under $XDG_RUNTIME_DIR, the library's usual place.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "clocklib/clock_library.h"

namespace {

class Card {
  public:
    explicit Card(const std::string& base) {
        std::string pattern = base + "/korvan-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        m_directory = pattern;
        setenv("TAVOCLOCK_STATE_DIR", m_directory.c_str(), 1);
        unsetenv("TAVOCLOCK_DEVICES");
        char reason[CLOCKLIB_ERROR_TEXT_SIZE] = {};
        if (!InitializeClockLib(reason)) {
            std::fprintf(stderr, "the library did not start: %s\n", reason);
            std::abort();
        }
        EnumerateDevices(&m_device);  // the first built-in card has every rail
        // A state file with changes in it, as after a user's first Set Clocks.
        uint32_t engine = 0;
        uint32_t memory = 0;
        SetClocks(&m_device, 85050, &engine, 99000, &memory, 0);
        IncreaseVoltage(&m_device, VDDC);
    }
    ~Card() {
        DeInitializeClockLib();
        std::filesystem::remove_all(m_directory);
    }

    void Refresh() {
        uint32_t engine = 0;
        uint32_t memory = 0;
        benchmark::DoNotOptimize(GetClocks(&m_device, &engine, &memory, 0));
        benchmark::DoNotOptimize(engine);
        benchmark::DoNotOptimize(memory);
        for (const int rail : {VDDC, MVDDC, MVDDQ, VDDCI}) {
            benchmark::DoNotOptimize(GetVoltage(&m_device, rail));
        }
    }

    // Replaces the state file the way another process does: whole, by rename.
    void ReplaceFromOutside(int round) {
        const std::string next = m_directory + "/outside.new";
        std::ofstream(next) << "tavoclock-state 1\n[Tavo Vireo 7950 XT]\nengine = "
                            << (round % 2 == 0 ? 85050 : 85725) << "\nmemory = 99000\nend\n";
        std::filesystem::rename(next, m_directory + "/state");
    }

  private:
    std::string m_directory;
    DeviceRecord m_device{};
};

std::string OnDisk() {
    return std::filesystem::temp_directory_path().string();
}
const char* const kTmpfs = "/dev/shm";

void BM_RefreshWarm(benchmark::State& state, const std::string& base) {
    Card card(base);
    for (auto _ : state) card.Refresh();
}
BENCHMARK_CAPTURE(BM_RefreshWarm, disk, OnDisk());
BENCHMARK_CAPTURE(BM_RefreshWarm, tmpfs, kTmpfs);

void BM_RefreshAfterOutsideChange(benchmark::State& state, const std::string& base) {
    Card card(base);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        card.ReplaceFromOutside(++round);
        state.ResumeTiming();
        card.Refresh();
    }
}
BENCHMARK_CAPTURE(BM_RefreshAfterOutsideChange, disk, OnDisk());
BENCHMARK_CAPTURE(BM_RefreshAfterOutsideChange, tmpfs, kTmpfs);

bool DropCaches() {
    sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.flush();
    return static_cast<bool>(control);
}

// Dropping caches means nothing to a tmpfs, so the cold case is the disk's.
void BM_RefreshCold(benchmark::State& state) {
    Card card(OnDisk());
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        card.ReplaceFromOutside(++round);
        if (!DropCaches()) {
            state.SkipWithError("cannot drop the kernel's caches (needs root)");
            break;
        }
        state.ResumeTiming();
        card.Refresh();
    }
}
BENCHMARK(BM_RefreshCold)->Iterations(30);

}  // namespace

BENCHMARK_MAIN();
