#include "batch/clock_command_line_info.h"

#include "batch/batch_options.h"

void ClockCommandLineInfo::ParseParam(const char* pszParam, BOOL, BOOL) {
    ParseBatchArgument(pszParam, g_batchOptions);
}
