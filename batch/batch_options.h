// What the command line asked for. Start-up parses the arguments into the one
// process-wide record before anything else happens; the batch reads it.
#ifndef KORVAN_BATCH_BATCH_OPTIONS_H
#define KORVAN_BATCH_BATCH_OPTIONS_H

#include <cstdint>
#include <string>

struct BatchOptions {
    // Each flag is named by the keyword that sets it and tells that the option was given.
    bool restore = false;
    bool resetsclk = false;
    bool resetmclk = false;
    bool incsclk = false;
    bool incmclk = false;
    bool decsclk = false;
    bool decmclk = false;
    bool incclk = false;
    bool decclk = false;
    bool engclk = false;
    bool memclk = false;
    bool incsclk3d = false;
    bool decsclk3d = false;
    bool incmclk3d = false;
    bool decmclk3d = false;
    bool incclk3d = false;
    bool decclk3d = false;
    bool engclk3d = false;
    bool memclk3d = false;
    bool viewclkinfo = false;
    bool printclkinfo = false;
    bool incvolt = false;
    bool decvolt = false;
    bool help = false;

    // Targets are in the library's clock unit (10 kHz) and reach it unscaled;
    // steps are in MHz.
    int32_t engineClock = 0;
    int32_t memoryClock = 0;
    int32_t engineStep = 0;
    int32_t memoryStep = 0;
    int32_t engineClock3d = 0;
    int32_t memoryClock3d = 0;
    int32_t engineStep3d = 0;
    int32_t memoryStep3d = 0;

    // The report file, kept whole: a path is never cut. A path the platform
    // cannot open is refused when the report is written.
    std::string reportPath;

    bool batchMode = false;
};

/// The process-wide options: written once during start-up, then only read.
extern BatchOptions g_batchOptions;

/// Applies one argument, already stripped of its one leading '-' or '/', to
/// `options`. Text that matches no keyword changes nothing; nothing is reported.
void ParseBatchArgument(const char* text, BatchOptions& options);

#endif  // KORVAN_BATCH_BATCH_OPTIONS_H
