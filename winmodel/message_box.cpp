// Message boxes: a small dialog with an OK button, run modally over its
// owner by a loop of its own.
#include <algorithm>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

// The control id the platform gives a box's text.
constexpr int kBoxTextId = 0xFFFF;

LRESULT MessageBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    // A box with only OK answers OK however it is closed: OK, Enter, Escape
    // or the close box.
    if (message == win::WM_COMMAND &&
        (win::LOWORD(wParam) == win::IDOK || win::LOWORD(wParam) == win::IDCANCEL)) {
        if (Window* window = Find(box)) window->boxAnswer = win::IDOK;
        return 0;
    }
    return win::DefDlgProc(box, message, wParam, lParam);
}

HWND CreateBoxWindow(HWND owner, size_t recordIndex) {
    const BoxRecord& record = State().shownBoxes[recordIndex];
    constexpr DWORD kBoxStyle =
        win::WS_POPUP | win::WS_CAPTION | win::WS_SYSMENU | win::DS_MODALFRAME | win::WS_VISIBLE;
    constexpr DWORD kControlStyle = win::WS_CHILD | win::WS_VISIBLE;
    const HWND box = CreateWindowRecord({kDialogClass,
                                         record.caption.c_str(),
                                         kBoxStyle,
                                         0,
                                         nullptr,
                                         owner,
                                         {},
                                         0,
                                         &MessageBoxProc,
                                         recordIndex});
    CreateWindowRecord({win::kStaticClass,
                        record.text.c_str(),
                        kControlStyle | win::SS_NOPREFIX,
                        kBoxTextId,
                        box,
                        nullptr,
                        {},
                        0,
                        nullptr,
                        std::nullopt});
    CreateWindowRecord({win::kButtonClass,
                        "OK",
                        kControlStyle | win::WS_TABSTOP | win::WS_GROUP | win::BS_DEFPUSHBUTTON,
                        win::IDOK,
                        box,
                        nullptr,
                        {},
                        0,
                        nullptr,
                        std::nullopt});
    return box;
}

// The box's modal loop. Unlike the platform's, it does not end on a pending
// quit request: the box still waits for OK, and the request stays pending for
// the loop outside it.
void RunBoxLoop(HWND box) {
    for (;;) {
        const Window* window = Find(box);
        if (window == nullptr || window->boxAnswer) return;
        if (auto message = TakeNextMessage(nullptr, 0, 0, false)) {
            if (!win::IsDialogMessage(box, &*message)) win::DispatchMessage(&*message);
            continue;
        }
        // With no input to come the box is closed as if OK was pressed,
        // rather than leaving the program hanging on it.
        if (!CurrentFrontEnd().WaitForInput(NextTimerDue())) return;
    }
}

}  // namespace
}  // namespace winmodel::detail

namespace win {

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    namespace detail = winmodel::detail;
    detail::Model& model = detail::State();
    const HWND topOwner = detail::RootOf(owner);
    model.shownBoxes.push_back({topOwner, text != nullptr ? text : "",
                                caption != nullptr ? caption : winmodel::ApplicationName(), type});
    const HWND box = detail::CreateBoxWindow(topOwner, model.shownBoxes.size() - 1);

    const HWND previousFocus = model.focus;
    detail::MoveFocus(GetDlgItem(box, IDOK));
    const bool disabledOwner = topOwner != nullptr && IsWindowEnabled(topOwner);
    if (disabledOwner) EnableWindow(topOwner, FALSE);

    model.openBoxes.push_back(box);
    std::optional<int> answer = winmodel::CurrentFrontEnd().OnMessageBox(box);
    if (!answer) {
        detail::RunBoxLoop(box);
        const detail::Window* window = detail::Find(box);
        answer = window != nullptr && window->boxAnswer ? *window->boxAnswer : IDOK;
    }
    std::erase(model.openBoxes, box);

    if (disabledOwner) EnableWindow(topOwner, TRUE);
    DestroyWindow(box);
    if (IsWindow(previousFocus)) detail::MoveFocus(previousFocus);
    return *answer;
}

}  // namespace win

namespace winmodel {

const std::vector<BoxRecord>& ShownBoxes() {
    return detail::State().shownBoxes;
}

HWND OpenMessageBox() {
    const auto& open = detail::State().openBoxes;
    return open.empty() ? nullptr : open.back();
}

const BoxRecord* BoxOf(HWND box) {
    const detail::Window* window = detail::Find(box);
    if (window == nullptr || !window->boxRecord) return nullptr;
    return &detail::State().shownBoxes[*window->boxRecord];
}

void AnswerBox(HWND box) {
    const detail::Window* window = detail::Find(box);
    if (window == nullptr || window->kind != detail::WindowKind::MessageBox) return;
    win::SendMessage(box, win::WM_COMMAND, win::MAKEWPARAM(win::IDOK, win::BN_CLICKED),
                     reinterpret_cast<win::LPARAM>(win::GetDlgItem(box, win::IDOK)));
}

}  // namespace winmodel
