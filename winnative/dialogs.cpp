// Dialogs from the compiled templates. The framework's dialog procedure is
// shaped as a window procedure: it returns the message's result and hands
// what it does not handle to DefDlgProc. The system wants a dialog procedure
// that answers "handled or not" instead, so one procedure of the system's
// kind stands between the two.
#include <vector>

#include "winnative/native.h"

namespace winnative {
namespace {

struct DialogCreation {
    win::WNDPROC procedure;
    win::LPARAM initParam;
};

// One message being handled by a framework procedure: whether that procedure
// asked for the default handling, which the system then gives it.
struct DialogCall {
    ::HWND dialog;
    UINT message;
    bool wantsDefault;
};

std::vector<DialogCall*>& CallsInProgress() {
    static std::vector<DialogCall*> calls;
    return calls;
}

win::WNDPROC ProcedureOf(::HWND dialog) {
    return reinterpret_cast<win::WNDPROC>(::GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR CALLBACK CallDialogProcedure(::HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    win::WNDPROC procedure = ProcedureOf(dialog);
    win::LPARAM parameter = static_cast<win::LPARAM>(lParam);
    if (message == WM_INITDIALOG) {
        const auto* creation = reinterpret_cast<const DialogCreation*>(lParam);
        procedure = creation->procedure;
        parameter = creation->initParam;
        ::SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(procedure));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT...) get the default handling.
    if (procedure == nullptr) return FALSE;

    DialogCall call{dialog, message, false};
    CallsInProgress().push_back(&call);
    const win::LRESULT result = procedure(Ours(dialog), message, wParam, parameter);
    CallsInProgress().pop_back();

    // WM_INITDIALOG's result says whether the system should set the focus.
    if (message == WM_INITDIALOG) return static_cast<INT_PTR>(result);
    if (call.wantsDefault) return FALSE;
    ::SetWindowLongPtrA(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}

}  // namespace
}  // namespace winnative

namespace win {

using winnative::Native;
using winnative::Ours;

HWND CreateDialogParam(HINSTANCE instance, int templateId, HWND owner, WNDPROC dialogProc,
                       LPARAM initParam) {
    winnative::DialogCreation creation{dialogProc, initParam};
    return Ours(::CreateDialogParamA(
        winnative::Handle<::HINSTANCE>(instance), MAKEINTRESOURCEA(templateId), Native(owner),
        &winnative::CallDialogProcedure, reinterpret_cast<::LPARAM>(&creation)));
}

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& calls = winnative::CallsInProgress();
    if (!calls.empty() && calls.back()->dialog == Native(dialog) &&
        calls.back()->message == message) {
        // Asked from inside the dialog procedure: the system's own dialog
        // handling runs once the procedure returns unhandled. Calling it from
        // here would call the procedure again.
        calls.back()->wantsDefault = true;
        return 0;
    }
    return ::DefDlgProcA(Native(dialog), message, wParam, static_cast<::LPARAM>(lParam));
}

LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(Native(window), message, wParam, static_cast<::LPARAM>(lParam));
}

}  // namespace win
