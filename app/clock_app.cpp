#include "app/clock_app.h"

#include <cstdio>

#include "batch/clock_command_line_info.h"
#include "dialog/clock_dialog.h"

namespace {

constexpr const char kInstanceMutexName[] = "NameOfMutexObject";

}  // namespace

ClockApp::ClockApp() = default;

ClockApp::~ClockApp() = default;

const MessageMap* ClockApp::GetMessageMap() const {
    static const MessageMap map{CWinApp::GetMessageMap(),
                                {msgmap::Command(0, ID_HELP, &ClockApp::OnHelp)}};
    return &map;
}

BOOL ClockApp::InitInstance() {
    ClockCommandLineInfo commandLine;
    ParseCommandLine(commandLine);

    m_hMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    const DWORD mutexError = GetLastError();
    if (m_hMutex == nullptr) {
        // Without the marker this instance still runs, unprotected.
        char text[64];
        std::snprintf(text, sizeof text, "CreateMutex Error: %d.", static_cast<int>(mutexError));
        win::MessageBox(nullptr, text, "Error", MB_ICONERROR);
    } else if (mutexError == ERROR_ALREADY_EXISTS) {
        return TRUE;
    }

    AfxEnableControlContainer();
    Enable3dControlsStatic();

    ClockDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    if (!dialog.ClockLibraryStarted()) AfxSetExitCode(1);
    return FALSE;
}

int ClockApp::ExitInstance() {
    if (m_hMutex != nullptr) CloseHandle(m_hMutex);
    return CWinApp::ExitInstance();
}
