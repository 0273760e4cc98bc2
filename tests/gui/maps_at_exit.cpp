// Preloaded into a run of the program by the GUI tests: as the process ends,
// copies its /proc/self/maps to the file that KORVAN_MAPS_OUT names, so that a
// test can tell which libraries the run loaded.
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((destructor)) void CopyMapsAtExit() {
    const char* target = std::getenv("KORVAN_MAPS_OUT");
    if (target == nullptr) return;
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    std::FILE* copy = std::fopen(target, "w");
    if (maps != nullptr && copy != nullptr) {
        char buffer[4096];
        size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, maps)) > 0) {
            std::fwrite(buffer, 1, count, copy);
        }
    }
    if (maps != nullptr) std::fclose(maps);
    if (copy != nullptr) std::fclose(copy);
}

}  // namespace
