#include "framework/afx.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

const MessageMap* CDialog::GetMessageMap() const {
    static const MessageMap map{CWnd::GetMessageMap(),
                                {
                                    msgmap::Command(BN_CLICKED, IDOK, &CDialog::OnOK),
                                    msgmap::Command(BN_CLICKED, IDCANCEL, &CDialog::OnCancel),
                                }};
    return &map;
}

HWND CDialog::OwnerForModal() const {
    if (m_pParentWnd != nullptr) return m_pParentWnd->m_hWnd;
    // A dialog without a parent belongs to the application's main window,
    // unless it is that window itself.
    const CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd != nullptr && app->m_pMainWnd != this) {
        return app->m_pMainWnd->m_hWnd;
    }
    return nullptr;
}

INT_PTR CDialog::DoModal() {
    // Modal: disable the owner and pump until the dialog ends.
    const HWND owner = OwnerForModal();
    const bool ownerWasEnabled = owner != nullptr && win::IsWindowEnabled(owner);
    if (ownerWasEnabled) win::EnableWindow(owner, FALSE);

    m_nModalResult = -1;
    m_bModalRunning = true;
    const HWND created =
        win::CreateDialogParam(win::GetModuleHandle(), static_cast<int>(m_nIDTemplate), owner,
                               &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (created == nullptr) m_bModalRunning = false;
    if (m_bModalRunning) ShowWindow(SW_SHOW);

    MSG message{};
    while (m_bModalRunning) {
        if (!win::GetMessage(&message, nullptr, 0, 0)) {
            // The quit request ends this loop and stays pending for any loop
            // outside it.
            AfxSetExitCode(static_cast<int>(message.wParam));
            win::PostQuitMessage(static_cast<int>(message.wParam));
            m_nModalResult = -1;
            break;
        }
        if (!win::IsDialogMessage(m_hWnd, &message)) win::DispatchMessage(&message);
    }
    m_bModalRunning = false;

    if (ownerWasEnabled) win::EnableWindow(owner, TRUE);
    DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    // A loop that waits for input sees the end only with a message: an OK
    // clicked from outside the queue would otherwise leave the dialog open.
    if (m_bModalRunning) PostMessage(WM_NULL);
    m_bModalRunning = false;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return win::DefDlgProc(m_hWnd, message, wParam, lParam);
}

LRESULT CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->Attach(hWnd);
        return dialog->OnInitDialog();
    }
    CWnd* attached = CWnd::FromHandlePermanent(hWnd);
    if (attached == nullptr) return win::DefDlgProc(hWnd, message, wParam, lParam);
    return attached->WindowProc(message, wParam, lParam);
}
