// The clock report: a device's current clocks in MHz, shown in the "Clock Info"
// box or appended to the report file.
#ifndef KORVAN_BATCH_CLOCK_REPORT_H
#define KORVAN_BATCH_CLOCK_REPORT_H

#include <cstdint>
#include <string>

using ClockReport = std::string;

/// The report text for clocks in the library's unit (10 kHz). The 3D section
/// appears only when `has3d`. Pure; the decimal separator is always a point.
ClockReport FormatClockReport(uint32_t engine, uint32_t memory, bool has3d, uint32_t engine3d,
                              uint32_t memory3d);

/// Appends `report` to the file at `path`, creating it when missing. Each line
/// feed reaches the file as CR LF; a Ctrl-Z that ends the existing file is
/// removed first; existing content is never lost. Returns an empty string on
/// success, else a message naming the path and the system's reason.
std::string AppendReportToFile(const std::string& path, const ClockReport& report);

#endif  // KORVAN_BATCH_CLOCK_REPORT_H
