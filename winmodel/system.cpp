// The module, its resources, system menus, the display driver stand-in and
// the platform's start.
#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/module_name.h"
#include "framework/resources.h"
#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

std::string ExecutablePath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string ModuleFileName() {
    const Model& model = State();
    return model.moduleFileNameOverride ? *model.moduleFileNameOverride : ExecutablePath();
}

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// The windowed front end lives in a module of its own beside the executable,
// so that a run without a display neither loads GTK nor pays for it. The
// module stays loaded for the rest of the process.
FrontEnd* LoadWindowedFrontEnd() {
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) return nullptr;
    const std::string executable = ExecutablePath();
    const std::string path =
        executable.substr(0, executable.find_last_of('/') + 1) + "libkorvan-gtk.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return nullptr;
    }
    using CreateFrontEnd = FrontEnd* (*)();
    const auto create = reinterpret_cast<CreateFrontEnd>(dlsym(module, "KorvanCreateGtkFrontEnd"));
    // Null when the display cannot be opened after all.
    return create != nullptr ? create() : nullptr;
}

Window* MenuOwner(win::HMENU menu) {
    if (menu == nullptr) return nullptr;
    for (const auto& [key, window] : State().windows) {
        if (window->systemMenu == menu) return window.get();
    }
    return nullptr;
}

}  // namespace
}  // namespace winmodel::detail

namespace win {

using winmodel::detail::Find;
using winmodel::detail::State;
using winmodel::detail::Window;

HMENU GetSystemMenu(HWND window, BOOL revert) {
    Window* target = Find(window);
    if (target == nullptr || target->parent != nullptr || (target->style & WS_SYSMENU) == 0) {
        return nullptr;
    }
    if (revert) {
        // Back to the platform's items; the platform answers null here.
        target->systemMenuItems = winmodel::detail::DefaultSystemMenu();
        winmodel::detail::NotifyChanged(window);
        return nullptr;
    }
    if (target->systemMenu == nullptr) target->systemMenu = winmodel::detail::NewHandle<HMENU>();
    return target->systemMenu;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, const char* text) {
    Window* owner = winmodel::detail::MenuOwner(menu);
    if (owner == nullptr) return FALSE;
    if (flags & MF_SEPARATOR) {
        owner->systemMenuItems.push_back({flags, 0, ""});
    } else {
        owner->systemMenuItems.push_back({flags, id, text != nullptr ? text : ""});
    }
    winmodel::detail::NotifyChanged(owner->handle);
    return TRUE;
}

int LoadString(HINSTANCE, UINT id, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return 0;
    const char* text = ProgramResources().FindString(id);
    if (text == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<int>(
        winmodel::detail::CopyText(text, buffer, static_cast<size_t>(bufferSize)));
}

HICON LoadIcon(HINSTANCE, int id) {
    if (ProgramResources().FindIcon(id) == nullptr) return nullptr;
    auto& icons = State().icons;
    const auto found = icons.find(id);
    if (found != icons.end()) return found->second;
    const HICON icon = winmodel::detail::NewHandle<HICON>();
    icons.emplace(id, icon);
    return icon;
}

HINSTANCE GetModuleHandle() {
    return winmodel::detail::kModuleHandle;
}

DWORD GetModuleFileNameA(HINSTANCE, char* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        winmodel::detail::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string path = winmodel::detail::ModuleFileName();
    const size_t copied = winmodel::detail::CopyText(path, buffer, size);
    if (copied < path.size()) {
        // As on the platform: the cut path is still terminated, and the
        // full size says it was cut.
        winmodel::detail::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    winmodel::detail::SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(copied);
}

HDC CreateDCA(const char* driver, const char*, const char*, const void*) {
    if (driver == nullptr || strcasecmp(driver, "DISPLAY") != 0 ||
        !winmodel::CurrentFrontEnd().HasDisplay()) {
        return nullptr;
    }
    const HDC dc = winmodel::detail::NewHandle<HDC>();
    State().deviceContexts.insert(winmodel::detail::KeyOf(dc));
    return dc;
}

int ExtEscape(HDC dc, int escape, int inputSize, const char* input, int, char*) {
    if (State().deviceContexts.count(winmodel::detail::KeyOf(dc)) == 0) return -1;
    std::vector<unsigned char> bytes;
    if (input != nullptr && inputSize > 0) {
        const auto* first = reinterpret_cast<const unsigned char*>(input);
        bytes.assign(first, first + inputSize);
    }
    State().displayRequests.push_back({escape, std::move(bytes)});
    // What a driver answers to an escape it does not know.
    return 0;
}

BOOL DeleteDC(HDC dc) {
    return State().deviceContexts.erase(winmodel::detail::KeyOf(dc)) > 0 ? TRUE : FALSE;
}

void InitializePlatform(int argc, char** argv) {
    if (argc > 0 && argv != nullptr && argv[0] != nullptr) State().commandName = argv[0];
    winmodel::detail::SetPlatformFrontEnd(winmodel::detail::ChooseFrontEnd());
}

}  // namespace win

namespace winmodel {

FrontEnd& detail::ChooseFrontEnd() {
    // The one place that decides how this process meets its user: in
    // windows where a display is, else on the terminal.
    if (FrontEnd* windowed = LoadWindowedFrontEnd()) return *windowed;
    return DefaultTerminalFrontEnd();
}

std::string ApplicationName() {
    const detail::Model& model = detail::State();
    const std::string path = model.moduleFileNameOverride ? *model.moduleFileNameOverride
                             : !model.commandName.empty() ? model.commandName
                                                          : detail::ExecutablePath();
    return NameFromModulePath(path);
}

void SetModuleFileNameForTest(const std::string& path) {
    detail::State().moduleFileNameOverride = path;
}

const std::vector<DisplayRequest>& DisplayRequests() {
    return detail::State().displayRequests;
}

int IconId(win::HICON icon) {
    for (const auto& [id, handle] : detail::State().icons) {
        if (handle == icon) return id;
    }
    return 0;
}

std::vector<MenuItem> SystemMenuItems(HWND window) {
    const detail::Window* target = detail::Find(window);
    return target != nullptr ? target->systemMenuItems : std::vector<MenuItem>{};
}

}  // namespace winmodel
