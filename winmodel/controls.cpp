// The common controls: their window procedures (the messages a program sends
// them) and the input a user gives them.
#include <algorithm>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

using win::LOWORD;
using win::MAKEWPARAM;
using win::WORD;

DWORD ButtonType(const Window& button) {
    return button.style & win::BS_TYPEMASK;
}

bool IsAutoRadio(const Window* window) {
    return window != nullptr && window->kind == WindowKind::Button &&
           ButtonType(*window) == win::BS_AUTORADIOBUTTON;
}

void SetCheck(Window& button, int state) {
    if (button.check == state) return;
    button.check = state;
    NotifyChanged(button.handle);
}

LRESULT EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(edit);
    if (window == nullptr) return 0;
    switch (message) {
        case win::EM_LIMITTEXT:
            window->textLimit = wParam != 0 ? wParam : kLargestEditTextLimit;
            return 0;
        case win::EM_SETREADONLY:
            if (wParam != 0) {
                window->style |= win::ES_READONLY;
            } else {
                window->style &= ~win::ES_READONLY;
            }
            NotifyChanged(edit);
            return win::TRUE;
        case win::WM_SETTEXT: {
            // A single-line edit reports a program's change like a user's.
            const LRESULT result = win::DefWindowProc(edit, message, wParam, lParam);
            NotifyParent(edit, win::EN_CHANGE);
            return result;
        }
        default:
            return win::DefWindowProc(edit, message, wParam, lParam);
    }
}

LRESULT ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(button);
    if (window == nullptr) return 0;
    switch (message) {
        case win::BM_GETCHECK:
            return window->check;
        case win::BM_SETCHECK:
            SetCheck(*window, static_cast<int>(std::min<WPARAM>(wParam, 2)));
            return 0;
        case win::BM_CLICK:
            PressButton(button);
            return 0;
        default:
            return win::DefWindowProc(button, message, wParam, lParam);
    }
}

void SelectComboItem(Window& combo, int index) {
    combo.comboSelection = index;
    if (index >= 0) combo.text = combo.comboItems[static_cast<size_t>(index)];
    NotifyChanged(combo.handle);
}

LRESULT ComboBoxProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(combo);
    if (window == nullptr) return 0;
    auto& items = window->comboItems;
    // Indexes travel as WPARAM; -1 and other huge values mean none.
    const auto itemAt = [&items](WPARAM index) -> const std::string* {
        return index < items.size() ? &items[index] : nullptr;
    };
    switch (message) {
        case win::CB_ADDSTRING:
            if (lParam == 0) return win::CB_ERR;
            items.emplace_back(reinterpret_cast<const char*>(lParam));
            NotifyChanged(combo);
            return static_cast<LRESULT>(items.size() - 1);
        case win::CB_GETCOUNT:
            return static_cast<LRESULT>(items.size());
        case win::CB_GETCURSEL:
            return window->comboSelection;
        case win::CB_GETLBTEXT: {
            const std::string* item = itemAt(wParam);
            if (item == nullptr || lParam == 0) return win::CB_ERR;
            // The caller sized the buffer from CB_GETLBTEXTLEN.
            return static_cast<LRESULT>(
                CopyText(*item, reinterpret_cast<char*>(lParam), item->size() + 1));
        }
        case win::CB_GETLBTEXTLEN: {
            const std::string* item = itemAt(wParam);
            return item != nullptr ? static_cast<LRESULT>(item->size()) : win::CB_ERR;
        }
        case win::CB_RESETCONTENT:
            items.clear();
            window->comboSelection = -1;
            window->text.clear();
            NotifyChanged(combo);
            return 0;
        case win::CB_SETCURSEL:
            if (itemAt(wParam) == nullptr) {
                // -1 also empties the edit field; any other bad index only
                // drops the selection.
                if (static_cast<LPARAM>(wParam) == -1) window->text.clear();
                SelectComboItem(*window, -1);
                return win::CB_ERR;
            }
            SelectComboItem(*window, static_cast<int>(wParam));
            return static_cast<LRESULT>(wParam);
        default:
            return win::DefWindowProc(combo, message, wParam, lParam);
    }
}

LRESULT UpDownProc(HWND upDown, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(upDown);
    if (window == nullptr) return 0;
    UpDownState& state = window->upDown;
    const auto asShort = [](WORD value) { return static_cast<int>(static_cast<int16_t>(value)); };
    switch (message) {
        case win::UDM_SETRANGE:
            state.upper = asShort(LOWORD(static_cast<uintptr_t>(lParam)));
            state.lower = asShort(win::HIWORD(static_cast<uintptr_t>(lParam)));
            NotifyChanged(upDown);
            return 0;
        case win::UDM_GETRANGE:
            return static_cast<LRESULT>(
                MAKEWPARAM(static_cast<WORD>(state.upper), static_cast<WORD>(state.lower)));
        case win::UDM_SETPOS: {
            const int previous = state.position;
            state.position = ClampBetween(asShort(LOWORD(static_cast<uintptr_t>(lParam))),
                                          state.lower, state.upper);
            NotifyChanged(upDown);
            return previous;
        }
        case win::UDM_GETPOS:
            // A zero high word tells the caller the position is valid.
            return static_cast<LRESULT>(MAKEWPARAM(static_cast<WORD>(state.position), 0));
        default:
            return win::DefWindowProc(upDown, message, wParam, lParam);
    }
}

int TickCount(const Window& trackbar) {
    const TrackbarState& state = trackbar.trackbar;
    const int span = state.rangeMax - state.rangeMin;
    if (span <= 0) return 1;
    // Without automatic ticks only the two ends carry one.
    if ((trackbar.style & win::TBS_AUTOTICKS) == 0) return 2;
    const int frequency = std::max(state.tickFrequency, 1);
    return span / frequency + 1 + (span % frequency != 0 ? 1 : 0);
}

LRESULT TrackbarProc(HWND trackbar, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(trackbar);
    if (window == nullptr) return 0;
    TrackbarState& state = window->trackbar;
    const auto keepPositionInRange = [&state] {
        state.position = ClampBetween(state.position, state.rangeMin, state.rangeMax);
    };
    switch (message) {
        case win::TBM_GETPOS:
            return state.position;
        case win::TBM_GETRANGEMIN:
            return state.rangeMin;
        case win::TBM_GETRANGEMAX:
            return state.rangeMax;
        case win::TBM_SETPOS:
            state.position = static_cast<int>(lParam);
            break;
        case win::TBM_SETRANGEMIN:
            state.rangeMin = static_cast<int>(lParam);
            break;
        case win::TBM_SETRANGEMAX:
            state.rangeMax = static_cast<int>(lParam);
            break;
        case win::TBM_SETTICFREQ:
            state.tickFrequency = std::max(static_cast<int>(wParam), 1);
            break;
        case win::TBM_GETNUMTICS:
            return TickCount(*window);
        default:
            return win::DefWindowProc(trackbar, message, wParam, lParam);
    }
    keepPositionInRange();
    NotifyChanged(trackbar);
    return 0;
}

}  // namespace

win::WNDPROC ClassProcedure(WindowKind kind) {
    switch (kind) {
        case WindowKind::Button:
            return &ButtonProc;
        case WindowKind::Edit:
            return &EditProc;
        case WindowKind::ComboBox:
            return &ComboBoxProc;
        case WindowKind::UpDown:
            return &UpDownProc;
        case WindowKind::Trackbar:
            return &TrackbarProc;
        case WindowKind::Dialog:
        case WindowKind::MessageBox:
            return &win::DefDlgProc;
        case WindowKind::Generic:
        case WindowKind::Static:
            break;
    }
    return &win::DefWindowProc;
}

std::vector<HWND> GroupOf(HWND control) {
    const Window* window = Find(control);
    const Window* parent = window != nullptr ? Find(window->parent) : nullptr;
    if (parent == nullptr) return {};
    const auto& siblings = parent->children;
    const auto at = std::find(siblings.begin(), siblings.end(), control);
    if (at == siblings.end()) return {};
    const auto hasGroupStyle = [](HWND sibling) {
        const Window* found = Find(sibling);
        return found != nullptr && (found->style & win::WS_GROUP) != 0;
    };
    // A group runs from a WS_GROUP control up to the next one.
    auto first = at;
    while (first != siblings.begin() && !hasGroupStyle(*first)) --first;
    auto last = std::find_if(first + 1, siblings.end(), hasGroupStyle);
    return {first, last};
}

void CheckRadioInGroup(HWND radio) {
    for (HWND member : GroupOf(radio)) {
        Window* window = Find(member);
        if (IsAutoRadio(window)) SetCheck(*window, member == radio ? 1 : 0);
    }
}

void MoveInRadioGroup(HWND focus, bool forward) {
    std::vector<HWND> candidates;
    for (HWND member : GroupOf(focus)) {
        const Window* window = Find(member);
        if (member == focus || (IsAutoRadio(window) && IsNavigable(*window))) {
            candidates.push_back(member);
        }
    }
    const auto at = std::find(candidates.begin(), candidates.end(), focus);
    if (candidates.size() < 2 || at == candidates.end()) return;
    const size_t index = static_cast<size_t>(at - candidates.begin());
    const size_t next = forward ? (index + 1) % candidates.size()
                                : (index + candidates.size() - 1) % candidates.size();
    const HWND target = candidates[next];
    MoveFocus(target);
    CheckRadioInGroup(target);
    NotifyParent(target, win::BN_CLICKED);
}

bool IsRadioButton(HWND window) {
    return IsAutoRadio(Find(window));
}

void PressButton(HWND button) {
    Window* window = Find(button);
    if (window == nullptr || window->kind != WindowKind::Button || !AcceptsInput(button)) return;
    switch (ButtonType(*window)) {
        case win::BS_GROUPBOX:
            return;
        case win::BS_AUTOCHECKBOX:
            // The handler of BN_CLICKED reads the new state.
            SetCheck(*window, window->check == win::BST_CHECKED ? 0 : 1);
            break;
        case win::BS_AUTORADIOBUTTON:
            CheckRadioInGroup(button);
            break;
        default:
            break;
    }
    MoveFocus(button);
    NotifyParent(button, win::BN_CLICKED);
}

}  // namespace winmodel::detail

namespace winmodel {

using detail::AcceptsInput;
using detail::Find;
using detail::Window;
using detail::WindowKind;
using win::LPARAM;
using win::LRESULT;
using win::WPARAM;

void Click(HWND control) {
    const Window* window = Find(control);
    if (window == nullptr || !AcceptsInput(control)) return;
    if (window->kind == WindowKind::Button) {
        detail::PressButton(control);
    } else if (window->kind == WindowKind::Edit || window->kind == WindowKind::ComboBox) {
        detail::MoveFocus(control);
    }
}

void TypeText(HWND control, const std::string& text) {
    Window* window = Find(control);
    if (window == nullptr || !AcceptsInput(control)) return;
    if (window->kind == WindowKind::Edit) {
        if (window->style & win::ES_READONLY) return;
        detail::MoveFocus(control);
        window->text = text.substr(0, window->textLimit);
        detail::NotifyChanged(control);
        detail::NotifyParent(control, win::EN_CHANGE);
    } else if (window->kind == WindowKind::ComboBox) {
        detail::MoveFocus(control);
        window->text = text;
        window->comboSelection = -1;
        detail::NotifyChanged(control);
        detail::NotifyParent(control, win::CBN_EDITCHANGE);
    }
}

void PressKey(HWND focus, win::WPARAM virtualKey) {
    const Window* window = Find(focus);
    if (window == nullptr || !AcceptsInput(focus)) return;
    if (window->parent != nullptr) detail::MoveFocus(focus);
    win::PostMessage(focus, win::WM_KEYDOWN, virtualKey, 0);
}

void ChooseComboItem(HWND combo, int index) {
    Window* window = Find(combo);
    if (window == nullptr || window->kind != WindowKind::ComboBox || !AcceptsInput(combo)) return;
    if (index < 0 || static_cast<size_t>(index) >= window->comboItems.size()) return;
    detail::MoveFocus(combo);
    detail::SelectComboItem(*window, index);
    detail::NotifyParent(combo, win::CBN_SELCHANGE);
}

void ClickUpDownArrow(HWND upDown, bool upArrow) {
    const Window* window = Find(upDown);
    if (window == nullptr || window->kind != WindowKind::UpDown || !AcceptsInput(upDown)) return;
    const UpDownState state = window->upDown;
    // The up arrow moves toward `upper`: with the default range (upper 0,
    // lower 100) that is downward.
    const int towardUpper = state.upper >= state.lower ? 1 : -1;
    win::NMUPDOWN change{{upDown, static_cast<win::UINT_PTR>(window->controlId), win::UDN_DELTAPOS},
                         state.position,
                         upArrow ? towardUpper : -towardUpper};
    const LRESULT refused =
        win::SendMessage(window->parent, win::WM_NOTIFY, static_cast<WPARAM>(window->controlId),
                         reinterpret_cast<LPARAM>(&change));
    Window* after = Find(upDown);
    if (refused != 0 || after == nullptr) return;
    after->upDown.position =
        detail::ClampBetween(after->upDown.position + change.iDelta, state.lower, state.upper);
    detail::NotifyChanged(upDown);
}

void MoveTrackbar(HWND trackbar, int position) {
    Window* window = Find(trackbar);
    if (window == nullptr || window->kind != WindowKind::Trackbar || !AcceptsInput(trackbar)) {
        return;
    }
    detail::MoveFocus(trackbar);
    TrackbarState& state = window->trackbar;
    state.position = detail::ClampBetween(position, state.rangeMin, state.rangeMax);
    const int reached = state.position;
    const HWND parent = window->parent;
    const int id = window->controlId;
    detail::NotifyChanged(trackbar);
    const LPARAM from = reinterpret_cast<LPARAM>(trackbar);
    win::SendMessage(parent, win::WM_HSCROLL,
                     win::MAKEWPARAM(static_cast<win::WORD>(win::TB_THUMBPOSITION),
                                     static_cast<win::WORD>(reached)),
                     from);
    win::SendMessage(parent, win::WM_HSCROLL, win::TB_ENDTRACK, from);
    win::NMHDR released{trackbar, static_cast<win::UINT_PTR>(id), win::NM_RELEASEDCAPTURE};
    win::SendMessage(parent, win::WM_NOTIFY, static_cast<WPARAM>(id),
                     reinterpret_cast<LPARAM>(&released));
}

void ChooseSystemCommand(HWND window, UINT command) {
    const Window* target = Find(window);
    // The system menu belongs to top-level windows that a user can reach.
    if (target == nullptr || target->parent != nullptr || !AcceptsInput(window)) return;
    win::PostMessage(window, win::WM_SYSCOMMAND, command, 0);
}

void CloseWindow(HWND window) {
    ChooseSystemCommand(window, win::SC_CLOSE);
}

}  // namespace winmodel
