// The application object: lets one instance work, runs the main dialog (and
// with it any batch the command line asks for) and ends the program.
#ifndef KORVAN_APP_CLOCK_APP_H
#define KORVAN_APP_CLOCK_APP_H

#include "framework/afx.h"

class ClockApp : public CWinApp {
  public:
    ClockApp();
    ~ClockApp() override;

    const MessageMap* GetMessageMap() const override;
    /// Returns false once the main dialog has run; true only for a second
    /// instance, which then ends at once.
    BOOL InitInstance() override;
    int ExitInstance() override;

    /// The single-instance marker, held for the whole run.
    HANDLE m_hMutex = nullptr;
};

#endif  // KORVAN_APP_CLOCK_APP_H
