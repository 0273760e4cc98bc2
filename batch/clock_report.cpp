#include "batch/clock_report.h"

#include <cerrno>
#include <cstring>

#include "framework/file_append.h"
#include "units/units.h"

namespace {

void AppendClockSection(ClockReport& report, const char* title, uint32_t engine, uint32_t memory) {
    report += title;
    report += "\tEngine: " + FormatClockMHz(engine) + "\n";
    report += "\tMemory: " + FormatClockMHz(memory) + "\n";
}

std::string Failure(const std::string& path, const std::string& reason) {
    return "Cannot write the clock report to \"" + path + "\": " + reason;
}

// The file's line ends are CR LF wherever the program runs, so the report
// reads the same on every platform it is copied to.
std::string WithCrLf(const ClockReport& report) {
    std::string bytes;
    bytes.reserve(report.size() + report.size() / 8);
    for (const char c : report) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

}  // namespace

ClockReport FormatClockReport(uint32_t engine, uint32_t memory, bool has3d, uint32_t engine3d,
                              uint32_t memory3d) {
    ClockReport report;
    AppendClockSection(report, "\nCurrent Clock Settings:\n", engine, memory);
    if (has3d) AppendClockSection(report, "\nCurrent 3D Clock Settings:\n", engine3d, memory3d);
    return report;
}

std::string AppendReportToFile(const std::string& path, const ClockReport& report) {
    // The system would read only up to a NUL and write to some other file.
    if (path.find('\0') != std::string::npos) return Failure(path, std::strerror(EINVAL));
    const std::string reason = AppendBytesToFile(path, WithCrLf(report));
    return reason.empty() ? std::string() : Failure(path, reason);
}
