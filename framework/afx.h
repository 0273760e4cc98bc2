// The application framework: an application object, dialogs, windows,
// control wrappers and message maps, written once over the platform
// interface of win.h. Program code derives from these classes the way a
// dialog-based application does, and never sees the provider below.
#ifndef KORVAN_FRAMEWORK_AFX_H
#define KORVAN_FRAMEWORK_AFX_H

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/win.h"

// The platform's names are the program's vocabulary, as they are for any
// program written against this kind of framework.
using namespace win;

class CCmdTarget;
class CWnd;

// ---- Message maps ----

/// One binding of a handler to a message (and, for WM_COMMAND and WM_NOTIFY,
/// to a notification code and a control id).
struct MessageMapEntry {
    UINT message;
    UINT code;
    int id;
    std::function<void(CCmdTarget& target, WPARAM wParam, LPARAM lParam, LRESULT& result)> invoke;
};

/// A class's bindings, chained to its base class's map, searched most-derived
/// first.
struct MessageMap {
    const MessageMap* base;
    std::vector<MessageMapEntry> entries;

    const MessageMapEntry* Find(UINT message, UINT code, int id) const;
};

/// Entry builders, one per kind of binding, so that a map reads one line per
/// handler.
namespace msgmap {

template <class T>
MessageMapEntry Paint(void (T::*handler)()) {
    return {WM_PAINT, 0, 0, [handler](CCmdTarget& target, WPARAM, LPARAM, LRESULT&) {
                (static_cast<T&>(target).*handler)();
            }};
}

template <class T>
MessageMapEntry SysCommand(void (T::*handler)(UINT, LPARAM)) {
    return {WM_SYSCOMMAND, 0, 0,
            [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam, LRESULT&) {
                (static_cast<T&>(target).*handler)(static_cast<UINT>(wParam), lParam);
            }};
}

/// WM_COMMAND with notification `code` from control (or command) `id`.
template <class T>
MessageMapEntry Command(UINT code, int id, void (T::*handler)()) {
    return {WM_COMMAND, code, id, [handler](CCmdTarget& target, WPARAM, LPARAM, LRESULT&) {
                (static_cast<T&>(target).*handler)();
            }};
}

/// WM_NOTIFY with notification `code` from control `id`; the handler sets the
/// message's result.
template <class T>
MessageMapEntry Notify(UINT code, int id, void (T::*handler)(NMHDR*, LRESULT*)) {
    return {WM_NOTIFY, code, id,
            [handler](CCmdTarget& target, WPARAM, LPARAM lParam, LRESULT& result) {
                (static_cast<T&>(target).*handler)(reinterpret_cast<NMHDR*>(lParam), &result);
            }};
}

}  // namespace msgmap

class CCmdTarget {
  public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    virtual const MessageMap* GetMessageMap() const;

    /// Runs the handler bound to the message, if any; returns whether one ran.
    bool DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// ---- Windows ----

class CMenu {
  public:
    HMENU m_hMenu = nullptr;
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
};

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }

    /// Binds this object to an existing window; messages the window's
    /// procedure hands to the framework then reach this object.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    /// The object attached to `hWnd`, or nullptr.
    static CWnd* FromHandlePermanent(HWND hWnd);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    void SetWindowText(const char* lpszString);
    int GetWindowText(char* lpszStringBuf, int nMaxCount) const;
    int GetWindowTextLength() const;
    /// A modal box owned by this window; without a caption it carries the
    /// application's name.
    int MessageBox(const char* lpszText, const char* lpszCaption = nullptr, UINT nType = MB_OK);
    /// The window's system menu, or nullptr when it has none.
    CMenu* GetSystemMenu(BOOL bRevert);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL IsIconic() const;
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
    BOOL KillTimer(UINT_PTR nIDEvent);
    BOOL ShowWindow(int nCmdShow);
    virtual BOOL DestroyWindow();

    /// Moves data between the window's controls and the object's members.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    /// Every message that reaches this object: its message map first, then
    /// the default processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    /// The default processing of the message being handled.
    LRESULT Default();
    virtual void DoDataExchange(CDataExchange* pDX);
    /// Called after the window is destroyed, as its last message.
    virtual void PostNcDestroy();
    /// The platform's own handling of system commands (move, close...).
    void OnSysCommand(UINT nID, LPARAM lParam);

  private:
    void OnNcDestroy();
    CMenu m_systemMenu;
    MSG m_currentMessage{};
};

class CPaintDC {
  public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC m_hDC;

  private:
    HWND m_hWnd;
    PAINTSTRUCT m_paint{};
};

/// Binds `rControl` to the dialog's control `nIDC`.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// ---- Controls ----

class CButton : public CWnd {
  public:
    int GetCheck() const;
    void SetCheck(int nCheck);
};

class CEdit : public CWnd {};

class CComboBox : public CWnd {
  public:
    int AddString(const char* lpszString);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
};

class CSpinButtonCtrl : public CWnd {
  public:
    int SetPos(int nPos);
};

class CSliderCtrl : public CWnd {
  public:
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE);
    void SetTicFreq(int nFreq);
};

// ---- Dialogs ----

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    /// Creates the dialog, runs it modally until it ends (EndDialog, or a quit
    /// request) and destroys its window. Returns the end result, or -1 when
    /// the dialog could not be created or a quit request ended it.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    const MessageMap* GetMessageMap() const override;

  protected:
    /// Called once the dialog's window and controls exist, before it is shown.
    virtual BOOL OnInitDialog();
    /// Called when the OK button or Enter ends the dialog.
    virtual void OnOK();
    /// Called when Escape, Close or the Cancel button ends the dialog.
    virtual void OnCancel();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    static LRESULT DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND OwnerForModal() const;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModalRunning = false;
    INT_PTR m_nModalResult = -1;
};

// ---- The application ----

class CCommandLineInfo {
  public:
    virtual ~CCommandLineInfo() = default;
    /// Called for each argument, with one leading '-' or '/' removed
    /// (`bFlag` tells whether one was), `bLast` for the last argument.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);
};

class CWinApp : public CCmdTarget {
  public:
    /// Without a name the application is named after its executable file,
    /// without the extension.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    /// Returns the process's exit status: the code of the quit request that
    /// ended the last message loop, or the one set with AfxSetExitCode, or 0.
    virtual int ExitInstance();
    /// The application's message loop, for an application that keeps
    /// running after InitInstance.
    virtual int Run();
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    void Enable3dControlsStatic() {}

    CWnd* m_pMainWnd = nullptr;
    const char* m_pszAppName = nullptr;

  protected:
    /// The standard Help command (F1): the platform's default help handling.
    void OnHelp();

  private:
    friend int AfxWinMain(int argc, char** argv);
    std::string m_appName;
    std::vector<std::string> m_arguments;
};

CWinApp* AfxGetApp();
void AfxEnableControlContainer();
/// Sets the status the process ends with; a quit request that ends a message
/// loop sets it to its code.
void AfxSetExitCode(int code);
/// The framework's entry point: starts the platform, then the application.
int AfxWinMain(int argc, char** argv);

#endif  // KORVAN_FRAMEWORK_AFX_H
