// What front ends and tests read of the model. A stale or null handle reads
// as an empty window rather than failing.
#include "winmodel/model_state.h"

namespace winmodel {
namespace {

const detail::Window kNoWindow{};

const detail::Window& Get(HWND window) {
    const detail::Window* found = detail::Find(window);
    return found != nullptr ? *found : kNoWindow;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    for (const auto& [key, window] : detail::State().windows) {
        if (window->parent == nullptr) windows.push_back(window->handle);
    }
    return windows;
}

std::vector<HWND> Children(HWND parent) {
    return Get(parent).children;
}
std::string ClassName(HWND window) {
    return Get(window).className;
}
win::DWORD Style(HWND window) {
    return Get(window).style;
}
std::string Text(HWND window) {
    return Get(window).text;
}
bool IsEnabled(HWND window) {
    return detail::Find(window) != nullptr && win::IsWindowEnabled(window);
}

bool IsVisible(HWND window) {
    return detail::IsShownWithParents(window);
}

int ControlId(HWND window) {
    return Get(window).controlId;
}
Rect TemplateRect(HWND window) {
    return Get(window).templateRect;
}
int ImageId(HWND window) {
    return Get(window).imageId;
}
int CheckState(HWND button) {
    return Get(button).check;
}
std::vector<std::string> ComboItems(HWND combo) {
    return Get(combo).comboItems;
}
int ComboSelection(HWND combo) {
    return Get(combo).comboSelection;
}
TrackbarState Trackbar(HWND trackbar) {
    return Get(trackbar).trackbar;
}
UpDownState UpDown(HWND upDown) {
    return Get(upDown).upDown;
}

win::HICON WindowIcon(HWND window, win::WPARAM which) {
    const detail::Window& target = Get(window);
    return which == win::ICON_BIG ? target.bigIcon : target.smallIcon;
}

HWND Focus() {
    return detail::State().focus;
}

}  // namespace winmodel
