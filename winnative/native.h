// The Windows provider's own view of the system: our win.h first, then the
// real headers, whose function-name macros (SendMessage → SendMessageA...)
// would otherwise rename the win:: functions this provider defines. After
// this header the platform's macros (WM_PAINT, TRUE...) are the real ones, so
// the provider's code uses them unqualified and never the win:: constants.
#ifndef KORVAN_WINNATIVE_NATIVE_H
#define KORVAN_WINNATIVE_NATIVE_H

#include "framework/win.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: these depend on its types.
#include <commctrl.h>
#include <htmlhelp.h>

#undef AppendMenu
#undef CreateDialogParam
#undef DefDlgProc
#undef DefWindowProc
#undef DispatchMessage
#undef GetMessage
#undef GetModuleHandle
#undef GetWindowText
#undef GetWindowTextLength
#undef IsDialogMessage
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef PostMessage
#undef SendMessage
#undef SetWindowText

namespace winnative {

/// Our handles are the system's, under opaque types of our own.
template <typename To, typename From>
To Handle(From handle) {
    return reinterpret_cast<To>(handle);
}

inline ::HWND Native(win::HWND window) {
    return Handle<::HWND>(window);
}
inline win::HWND Ours(::HWND window) {
    return Handle<win::HWND>(window);
}

}  // namespace winnative

#endif  // KORVAN_WINNATIVE_NATIVE_H
