// Kernel objects, the module, the display driver, compiled help and the
// platform's start, over the system's own.
#include "winnative/native.h"

namespace win {

using winnative::Handle;
using winnative::Native;
using winnative::Ours;

HANDLE CreateMutexA(const void* security, BOOL initialOwner, const char* name) {
    auto* attributes = static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(security));
    return Handle<HANDLE>(::CreateMutexA(attributes, initialOwner, name));
}

DWORD GetLastError() {
    return ::GetLastError();
}

BOOL CloseHandle(HANDLE handle) {
    return ::CloseHandle(Handle<::HANDLE>(handle));
}

DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) {
    return ::GetModuleFileNameA(Handle<::HMODULE>(module), buffer, size);
}

HDC CreateDCA(const char* driver, const char* device, const char* output, const void* initData) {
    return Handle<HDC>(
        ::CreateDCA(driver, device, output, static_cast<const ::DEVMODEA*>(initData)));
}

int ExtEscape(HDC dc, int escape, int inputSize, const char* input, int outputSize, char* output) {
    return ::ExtEscape(Handle<::HDC>(dc), escape, inputSize, input, outputSize, output);
}

BOOL DeleteDC(HDC dc) {
    return ::DeleteDC(Handle<::HDC>(dc));
}

HWND HtmlHelpA(HWND caller, const char* file, UINT command, uintptr_t data) {
    return Ours(::HtmlHelpA(Native(caller), file, command, static_cast<DWORD_PTR>(data)));
}

void InitializePlatform(int, char**) {
    // The templates' up-down controls and trackbar are common controls,
    // registered only on request.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&classes);
}

}  // namespace win
