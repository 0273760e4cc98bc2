// Runs a command many times and prints the median wall time and the median
// and largest peak resident memory of the child, as the kernel accounts them.
//
//   process_cost RUNS COMMAND [ARGUMENT...]
//   -> "<median wall µs> <median peak KiB> <max peak KiB> <failed runs>"
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Sample {
    long wallMicroseconds = 0;
    long peakKib = 0;
    bool failed = false;
};

Sample RunOnce(char** command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // The command's own output is not what is measured.
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, STDOUT_FILENO);
        dup2(nothing, STDERR_FILENO);
        execv(command[0], command);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    Sample sample;
    sample.wallMicroseconds =
        std::chrono::duration_cast<std::chrono::microseconds>(end - start).count();
    sample.peakKib = usage.ru_maxrss;
    sample.failed = !WIFEXITED(status) || WEXITSTATUS(status) == 127;
    return sample;
}

long Median(std::vector<long> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: process_cost RUNS COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<long> walls;
    std::vector<long> peaks;
    int failed = 0;
    RunOnce(argv + 2);  // warms the page cache for the command and its libraries
    for (int i = 0; i < runs; ++i) {
        const Sample sample = RunOnce(argv + 2);
        walls.push_back(sample.wallMicroseconds);
        peaks.push_back(sample.peakKib);
        failed += sample.failed ? 1 : 0;
    }
    std::printf("%ld %ld %ld %d\n", Median(walls), Median(peaks),
                *std::max_element(peaks.begin(), peaks.end()), failed);
    return 0;
}
