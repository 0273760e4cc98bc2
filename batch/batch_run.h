// The batch: what the command line asked for, carried out on the selected
// device without showing the main dialog. The dialog runs it; the logic lives
// here over a small host interface so that it runs without any window.
#ifndef KORVAN_BATCH_BATCH_RUN_H
#define KORVAN_BATCH_BATCH_RUN_H

#include <string>

#include "batch/batch_options.h"
#include "clocklib/clock_library.h"

/// What the batch needs from the dialog that runs it.
class BatchHost {
  public:
    virtual ~BatchHost() = default;
    /// The device the dialog has selected, looked up afresh before every
    /// library call; nullptr when there is none.
    virtual DeviceRecord* SelectedDevice() = 0;
    /// Whether the selected device has a 3D clock set.
    virtual bool Supports3D() const = 0;
    /// A modal box owned by the dialog; a null caption means the application's name.
    virtual void ShowMessage(const std::string& text, const char* caption, unsigned type) = 0;
    /// Ends the program's message loop with `exitCode` as the exit status.
    virtual void PostQuit(int exitCode) = 0;
};

/// Carries out `options` in a fixed order and quits: with 0 when everything
/// asked for was done, with 1 when the report file could not be written.
/// Results of the clock library are not examined.
void RunBatch(const BatchOptions& options, BatchHost& host);

#endif  // KORVAN_BATCH_BATCH_RUN_H
