#include "batch/batch_options.h"

#include <cstring>
#include <string_view>

#include "units/units.h"

BatchOptions g_batchOptions;

namespace {

enum class ValueKind { kNone, kNumber, kPath };

struct Keyword {
    std::string_view text;
    bool BatchOptions::*flag;  // null: the keyword sets no flag of its own
    ValueKind value;
    int32_t BatchOptions::*number;      // where a number goes
    int32_t BatchOptions::*alsoNumber;  // a second field that takes the same number
    bool batchMode;                     // what batchMode becomes on a match
};

// Tried in this order; the first keyword the text begins with decides, and for
// a keyword ending in '=' the rest of the text is its value. Extra characters
// after a keyword are ignored ("restoreall" restores).
constexpr Keyword kKeywords[] = {
    {"help", &BatchOptions::help, ValueKind::kNone, nullptr, nullptr, true},
    {"?", &BatchOptions::help, ValueKind::kNone, nullptr, nullptr, true},
    {"h", &BatchOptions::help, ValueKind::kNone, nullptr, nullptr, true},
    {"resetmclk", &BatchOptions::resetmclk, ValueKind::kNone, nullptr, nullptr, true},
    {"resetsclk", &BatchOptions::resetsclk, ValueKind::kNone, nullptr, nullptr, true},
    {"engclk=", &BatchOptions::engclk, ValueKind::kNumber, &BatchOptions::engineClock, nullptr,
     true},
    {"engclk3d=", &BatchOptions::engclk3d, ValueKind::kNumber, &BatchOptions::engineClock3d,
     nullptr, true},
    {"incsclk3d=", &BatchOptions::incsclk3d, ValueKind::kNumber, &BatchOptions::engineStep3d,
     nullptr, true},
    {"decsclk3d=", &BatchOptions::decsclk3d, ValueKind::kNumber, &BatchOptions::engineStep3d,
     nullptr, true},
    {"incmclk3d=", &BatchOptions::incmclk3d, ValueKind::kNumber, &BatchOptions::memoryStep3d,
     nullptr, true},
    {"decmclk3d=", &BatchOptions::decmclk3d, ValueKind::kNumber, &BatchOptions::memoryStep3d,
     nullptr, true},
    {"incclk3d=", &BatchOptions::incclk3d, ValueKind::kNumber, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d, true},
    {"decclk3d=", &BatchOptions::decclk3d, ValueKind::kNumber, &BatchOptions::engineStep3d,
     &BatchOptions::memoryStep3d, true},
    {"memclk=", &BatchOptions::memclk, ValueKind::kNumber, &BatchOptions::memoryClock, nullptr,
     true},
    {"memclk3d=", &BatchOptions::memclk3d, ValueKind::kNumber, &BatchOptions::memoryClock3d,
     nullptr, true},
    {"incsclk=", &BatchOptions::incsclk, ValueKind::kNumber, &BatchOptions::engineStep, nullptr,
     true},
    {"incmclk=", &BatchOptions::incmclk, ValueKind::kNumber, &BatchOptions::memoryStep, nullptr,
     true},
    {"decsclk=", &BatchOptions::decsclk, ValueKind::kNumber, &BatchOptions::engineStep, nullptr,
     true},
    {"decmclk=", &BatchOptions::decmclk, ValueKind::kNumber, &BatchOptions::memoryStep, nullptr,
     true},
    {"incclk=", &BatchOptions::incclk, ValueKind::kNumber, &BatchOptions::engineStep,
     &BatchOptions::memoryStep, true},
    {"decclk=", &BatchOptions::decclk, ValueKind::kNumber, &BatchOptions::engineStep,
     &BatchOptions::memoryStep, true},
    {"restore", &BatchOptions::restore, ValueKind::kNone, nullptr, nullptr, true},
    {"3drestore", nullptr, ValueKind::kNone, nullptr, nullptr, true},
    // Setting a voltage is interactive: it takes the program out of batch mode.
    {"setvolt=", nullptr, ValueKind::kNone, nullptr, nullptr, false},
    {"viewclkinfo", &BatchOptions::viewclkinfo, ValueKind::kNone, nullptr, nullptr, true},
    {"printclkinfo=", &BatchOptions::printclkinfo, ValueKind::kPath, nullptr, nullptr, true},
    {"incvolt", &BatchOptions::incvolt, ValueKind::kNone, nullptr, nullptr, true},
    {"decvolt", &BatchOptions::decvolt, ValueKind::kNone, nullptr, nullptr, true},
};

}  // namespace

void ParseBatchArgument(const char* text, BatchOptions& options) {
    if (text == nullptr) return;
    for (const Keyword& keyword : kKeywords) {
        if (std::strncmp(text, keyword.text.data(), keyword.text.size()) != 0) continue;
        const char* value = text + keyword.text.size();
        if (keyword.flag != nullptr) options.*keyword.flag = true;
        if (keyword.value == ValueKind::kNumber) {
            const int32_t number = TruncateToInt32(ReadDecimal(value));
            options.*keyword.number = number;
            if (keyword.alsoNumber != nullptr) options.*keyword.alsoNumber = number;
        } else if (keyword.value == ValueKind::kPath) {
            options.reportPath = value;
        }
        options.batchMode = keyword.batchMode;
        return;
    }
}
