#include <unordered_map>

#include "framework/afx.h"

namespace {

// Windows that have an object attached, so that a window procedure can find
// the object its messages belong to.
std::unordered_map<HWND, CWnd*>& PermanentMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

}  // namespace

CWnd::~CWnd() {
    Detach();
}

BOOL CWnd::Attach(HWND hWnd) {
    if (hWnd == nullptr || m_hWnd != nullptr) return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND detached = m_hWnd;
    if (detached != nullptr) {
        auto found = PermanentMap().find(detached);
        if (found != PermanentMap().end() && found->second == this) PermanentMap().erase(found);
    }
    m_hWnd = nullptr;
    return detached;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    auto found = PermanentMap().find(hWnd);
    return found == PermanentMap().end() ? nullptr : found->second;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return win::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return win::PostMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return win::EnableWindow(m_hWnd, bEnable);
}

void CWnd::SetWindowText(const char* lpszString) {
    win::SetWindowText(m_hWnd, lpszString);
}

int CWnd::GetWindowText(char* lpszStringBuf, int nMaxCount) const {
    return win::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
}

int CWnd::GetWindowTextLength() const {
    return win::GetWindowTextLength(m_hWnd);
}

int CWnd::MessageBox(const char* lpszText, const char* lpszCaption, UINT nType) {
    if (lpszCaption == nullptr && AfxGetApp() != nullptr) lpszCaption = AfxGetApp()->m_pszAppName;
    return win::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
    m_systemMenu.m_hMenu = win::GetSystemMenu(m_hWnd, bRevert);
    return m_systemMenu.m_hMenu != nullptr ? &m_systemMenu : nullptr;
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

BOOL CWnd::IsIconic() const {
    return win::IsIconic(m_hWnd);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return win::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return win::KillTimer(m_hWnd, nIDEvent);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return win::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd != nullptr && win::DestroyWindow(m_hWnd);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const MSG enclosingMessage = m_currentMessage;
    m_currentMessage = MSG{m_hWnd, message, wParam, lParam, 0};
    LRESULT result = 0;
    if (message == WM_NCDESTROY) {
        OnNcDestroy();
    } else if (!DispatchToMap(message, wParam, lParam, result)) {
        // Commands no window handles go on to the application, which owns
        // the standard commands such as Help.
        const bool appHandled = message == WM_COMMAND && AfxGetApp() != nullptr &&
                                AfxGetApp()->DispatchToMap(message, wParam, lParam, result);
        if (!appHandled) result = DefWindowProc(message, wParam, lParam);
    }
    m_currentMessage = enclosingMessage;
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return win::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMessage.message, m_currentMessage.wParam,
                         m_currentMessage.lParam);
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::PostNcDestroy() {}

void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}

void CWnd::OnNcDestroy() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) {
        // Ending the main window ends the application's loop, if one runs.
        win::PostQuitMessage(0);
        app->m_pMainWnd = nullptr;
    }
    Default();
    Detach();
    PostNcDestroy();
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
    return win::AppendMenu(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = win::BeginPaint(m_hWnd, &m_paint);
}

CPaintDC::~CPaintDC() {
    win::EndPaint(m_hWnd, &m_paint);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd == nullptr) rControl.Attach(win::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}
