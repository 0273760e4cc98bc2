// Reads the command line into the process-wide batch options. It reports
// nothing: text that is not an option is skipped.
#ifndef KORVAN_BATCH_CLOCK_COMMAND_LINE_INFO_H
#define KORVAN_BATCH_CLOCK_COMMAND_LINE_INFO_H

#include "framework/afx.h"

class ClockCommandLineInfo : public CCommandLineInfo {
  public:
    /// Only the text counts: "restore", "-restore" and "/restore" are one
    /// option. None of the framework's own switches has any effect.
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override;
};

#endif  // KORVAN_BATCH_CLOCK_COMMAND_LINE_INFO_H
