// The state file's content: for each device (by its id), the settings that
// differ from the device's defaults. A setting back at its default is dropped,
// so a device whose defaults change in the device file follows them.
//
//   tavoclock-state 1
//   [Tavo Vireo 7950 XT]
//   engine = 85725
//   vddc_3d = 1225000
//   end
//
// Clocks are in 10 kHz units, voltages in microvolts. The closing "end" line
// tells a complete file from a cut-off one.
#ifndef KORVAN_CLOCKSIM_STATE_FORMAT_H
#define KORVAN_CLOCKSIM_STATE_FORMAT_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace clocksim {

inline constexpr int kStateFormatVersion = 1;

using DeviceSettings = std::map<std::string, int64_t>;       // setting name -> value
using StateChanges = std::map<std::string, DeviceSettings>;  // device id -> settings

struct StateParseResult {
    std::optional<StateChanges> changes;  // empty when the text is not a valid state
    std::string fault;
};

StateParseResult ParseState(std::string_view text);
std::string FormatState(const StateChanges& changes);

}  // namespace clocksim

#endif  // KORVAN_CLOCKSIM_STATE_FORMAT_H
