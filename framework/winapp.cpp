#include "framework/afx.h"
#include "framework/module_name.h"

namespace {

CWinApp* g_app = nullptr;
int g_quitCode = 0;

}  // namespace

CWinApp::CWinApp(const char* lpszAppName) {
    if (lpszAppName != nullptr) m_appName = lpszAppName;
    m_pszAppName = m_appName.c_str();
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

void AfxEnableControlContainer() {}

void AfxSetExitCode(int code) {
    g_quitCode = code;
}

// This platform has no help engine of its own behind the standard command; a
// program opens its help file from commands of its own.
void CWinApp::OnHelp() {}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return g_quitCode;
}

int CWinApp::Run() {
    if (m_pMainWnd == nullptr) win::PostQuitMessage(0);
    MSG message{};
    while (win::GetMessage(&message, nullptr, 0, 0)) win::DispatchMessage(&message);
    AfxSetExitCode(static_cast<int>(message.wParam));
    return ExitInstance();
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    for (size_t i = 0; i < m_arguments.size(); ++i) {
        const char* text = m_arguments[i].c_str();
        const BOOL hadSwitch = text[0] == '-' || text[0] == '/';
        rCmdInfo.ParseParam(hadSwitch ? text + 1 : text, hadSwitch, i + 1 == m_arguments.size());
    }
}

void CCommandLineInfo::ParseParam(const char*, BOOL, BOOL) {}

int AfxWinMain(int argc, char** argv) {
    win::InitializePlatform(argc, argv);
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return 1;
    app->m_arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (app->m_appName.empty()) {
        char modulePath[4096] = {};
        win::GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
        app->m_appName = NameFromModulePath(modulePath);
    }
    app->m_pszAppName = app->m_appName.c_str();
    g_quitCode = 0;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}
