// The front end's loop, its top-level windows (dialogs and message boxes),
// the keyboard, the system menu and the queue of the user's input.
#include "gtkfront/gtk_front_end.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace gtkfront {
namespace {

View& ViewOf(gpointer data) {
    return *static_cast<View*>(data);
}

HWND WindowOfWidget(GtkWidget* widget) {
    for (; widget != nullptr; widget = gtk_widget_get_parent(widget)) {
        if (gpointer window = g_object_get_data(G_OBJECT(widget), "korvan-window")) {
            return static_cast<HWND>(window);
        }
    }
    return nullptr;
}

bool IsRadioButton(HWND window) {
    return (winmodel::Style(window) & win::BS_TYPEMASK) == win::BS_AUTORADIOBUTTON &&
           winmodel::ClassName(window) == win::kButtonClass;
}

gboolean OnDialogDelete(GtkWidget*, GdkEvent*, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    view.frontEnd->QueueInput(handle, [handle] { winmodel::CloseWindow(handle); });
    // The model decides whether the window goes.
    return TRUE;
}

gboolean OnDialogKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    View& view = ViewOf(data);
    return view.frontEnd->HandleDialogKey(view, *event);
}

gboolean OnDialogButton(GtkWidget*, GdkEventButton* event, gpointer data) {
    View& view = ViewOf(data);
    if (!gdk_event_triggers_context_menu(reinterpret_cast<GdkEvent*>(event))) return FALSE;
    view.frontEnd->PopUpSystemMenu(view, reinterpret_cast<GdkEvent*>(event));
    return TRUE;
}

gboolean OnDialogDrawn(GtkWidget*, cairo_t* cr, gpointer data) {
    View& view = ViewOf(data);
    view.frontEnd->OnDrawn(view, cr);
    return FALSE;
}

void OnSystemCommandChosen(GtkMenuItem* item, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    const auto command = static_cast<win::UINT>(
        GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "korvan-command")));
    view.frontEnd->QueueInput(
        handle, [handle, command] { winmodel::ChooseSystemCommand(handle, command); });
}

void OnBoxAnswered(GtkButton*, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    view.frontEnd->QueueInput(handle, [handle] { winmodel::AnswerBox(handle); });
}

gboolean OnBoxDelete(GtkWidget*, GdkEvent*, gpointer data) {
    OnBoxAnswered(nullptr, data);
    return TRUE;
}

gboolean OnBoxKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    View& view = ViewOf(data);
    return view.frontEnd->HandleBoxKey(view, *event);
}

void OnDisplayClosed(GdkDisplay*, gboolean, gpointer data) {
    *static_cast<bool*>(data) = true;
}

gboolean WakeUp(gpointer) {
    return G_SOURCE_REMOVE;
}

const char* BoxIconName(win::UINT type) {
    switch (type & win::MB_ICONMASK) {
        case win::MB_ICONERROR:
            return "dialog-error";
        case win::MB_ICONWARNING:
            return "dialog-warning";
        case win::MB_ICONINFORMATION:
            return "dialog-information";
        case win::MB_ICONQUESTION:
            return "dialog-question";
        default:
            return nullptr;
    }
}

}  // namespace

GtkFrontEnd::GtkFrontEnd() : m_units(MeasureBaseUnits()) {
    InstallStyle();
    g_signal_connect(gdk_display_get_default(), "closed", G_CALLBACK(OnDisplayClosed),
                     &m_displayGone);
}

// Widgets are left to the end of the process: GTK is not torn down.
GtkFrontEnd::~GtkFrontEnd() = default;

uint64_t GtkFrontEnd::NowMs() {
    return static_cast<uint64_t>(g_get_monotonic_time() / 1000);
}

bool GtkFrontEnd::WaitForInput(std::optional<uint64_t> deadlineMs) {
    if (m_pending.empty()) {
        // One iteration of GTK's loop, blocking only when nothing is due; a
        // timeout at the deadline wakes it for the model's next timer.
        GSource* wakeUp = nullptr;
        bool block = true;
        if (deadlineMs) {
            const uint64_t now = NowMs();
            if (*deadlineMs <= now) {
                block = false;
            } else {
                wakeUp = g_timeout_source_new(static_cast<guint>(*deadlineMs - now));
                g_source_set_callback(wakeUp, &WakeUp, nullptr, nullptr);
                g_source_attach(wakeUp, nullptr);
            }
        }
        g_main_context_iteration(nullptr, block ? TRUE : FALSE);
        if (wakeUp != nullptr) {
            g_source_destroy(wakeUp);
            g_source_unref(wakeUp);
        }
    }
    // One input at a time: what it queues in the model (a key) is handled
    // before the next one comes, as the user gave them.
    if (!m_pending.empty()) {
        PendingInput input = std::move(m_pending.front());
        m_pending.pop_front();
        input.apply();
        if (View* view = FindView(input.window)) Sync(*view);
    }
    return !m_displayGone;
}

std::optional<int> GtkFrontEnd::OnMessageBox(HWND box) {
    if (View* view = FindView(box)) {
        gtk_widget_show_all(view->widget);
        gtk_window_present(GTK_WINDOW(view->widget));
    }
    // The model runs the box's loop until the user answers it.
    return std::nullopt;
}

void GtkFrontEnd::QueueInput(HWND window, std::function<void()> input) {
    if (Updating()) return;
    m_pending.push_back({window, std::move(input)});
}

bool GtkFrontEnd::InputPendingFor(HWND window) const {
    return std::any_of(m_pending.begin(), m_pending.end(),
                       [window](const PendingInput& input) { return input.window == window; });
}

View* GtkFrontEnd::FindView(HWND window) {
    const auto found = m_views.find(window);
    return found == m_views.end() ? nullptr : found->second.get();
}

void GtkFrontEnd::OnWindowCreated(HWND window) {
    auto view = std::make_unique<View>();
    view->frontEnd = this;
    view->handle = window;
    View& created = *view;
    ++m_updating;
    if (winmodel::BoxOf(window) != nullptr) {
        CreateMessageBoxView(created);
    } else if ((winmodel::Style(window) & win::WS_CHILD) == 0) {
        CreateDialogView(created);
    } else if (View* parent = FindView(win::GetParent(window));
               parent != nullptr && parent->fixed != nullptr) {
        CreateControlView(created, *parent);
    } else {
        // A message box's text and OK button belong to the box's own layout.
        view.reset();
    }
    --m_updating;
    if (view) m_views.emplace(window, std::move(view));
}

void GtkFrontEnd::OnWindowChanged(HWND window) {
    if (View* view = FindView(window)) Sync(*view);
}

void GtkFrontEnd::OnWindowDestroyed(HWND window) {
    const auto found = m_views.find(window);
    if (found == m_views.end()) return;
    ++m_updating;
    DestroyView(*found->second);
    --m_updating;
    m_views.erase(found);
}

void GtkFrontEnd::DestroyView(View& view) {
    if (view.offPartner != nullptr) g_object_unref(view.offPartner);
    if (view.picture != nullptr) g_object_unref(view.picture);
    if (view.widget != nullptr) gtk_widget_destroy(view.widget);
}

void GtkFrontEnd::Sync(View& view) {
    ++m_updating;
    if (view.kind == ViewKind::Dialog) {
        SyncDialog(view);
    } else if (view.kind != ViewKind::MessageBox) {
        SyncControl(view);
    }
    --m_updating;
}

void GtkFrontEnd::CreateDialogView(View& view) {
    view.kind = ViewKind::Dialog;
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    view.widget = window;
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    g_object_set_data(G_OBJECT(window), "korvan-window", view.handle);
    view.fixed = gtk_fixed_new();
    const GdkRectangle size = ToPixels(winmodel::TemplateRect(view.handle), m_units);
    gtk_widget_set_size_request(view.fixed, size.width, size.height);
    gtk_container_add(GTK_CONTAINER(window), view.fixed);
    gtk_widget_show(view.fixed);

    // A dialog over another one is modal to it, as the model runs it.
    const HWND owner = win::GetParent(view.handle);
    if (View* ownerView = FindView(owner); ownerView != nullptr && ownerView->widget != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(ownerView->widget));
        gtk_window_set_modal(GTK_WINDOW(window), TRUE);
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
    }
    gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDialogDelete), &view);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnDialogKey), &view);
    g_signal_connect(window, "button-press-event", G_CALLBACK(OnDialogButton), &view);
    g_signal_connect(window, "draw", G_CALLBACK(OnDialogDrawn), &view);
    SyncDialog(view);
}

void GtkFrontEnd::SyncDialog(View& view) {
    GtkWindow* window = GTK_WINDOW(view.widget);
    const std::string title = winmodel::Text(view.handle);
    const char* shownTitle = gtk_window_get_title(window);
    if (shownTitle == nullptr || title != shownTitle) gtk_window_set_title(window, title.c_str());

    const int iconId = winmodel::IconId(winmodel::WindowIcon(view.handle, win::ICON_BIG));
    if (iconId != view.iconId) {
        view.iconId = iconId;
        GdkPixbuf* icon = LoadIconPicture(iconId);
        gtk_window_set_icon(window, icon);
        if (icon != nullptr) g_object_unref(icon);
    }
    const bool visible = (winmodel::Style(view.handle) & win::WS_VISIBLE) != 0;
    if (visible != gtk_widget_get_visible(view.widget)) {
        gtk_widget_set_visible(view.widget, visible);
        if (visible) SyncFocus(view);
    }
}

void GtkFrontEnd::CreateMessageBoxView(View& view) {
    view.kind = ViewKind::MessageBox;
    const winmodel::BoxRecord& record = *winmodel::BoxOf(view.handle);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    view.widget = window;
    gtk_window_set_title(GTK_WINDOW(window), record.caption.c_str());
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    atk_object_set_role(gtk_widget_get_accessible(window), ATK_ROLE_ALERT);
    const View* owner = FindView(record.owner);
    if (owner != nullptr && owner->kind == ViewKind::Dialog) {
        gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(owner->widget));
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    }

    GtkWidget* layout = gtk_grid_new();
    gtk_container_set_border_width(GTK_CONTAINER(layout), 12);
    gtk_grid_set_column_spacing(GTK_GRID(layout), 12);
    gtk_grid_set_row_spacing(GTK_GRID(layout), 12);
    if (const char* iconName = BoxIconName(record.type)) {
        GtkWidget* icon = gtk_image_new_from_icon_name(iconName, GTK_ICON_SIZE_DIALOG);
        gtk_widget_set_valign(icon, GTK_ALIGN_START);
        gtk_grid_attach(GTK_GRID(layout), icon, 0, 0, 1, 1);
    }
    GtkWidget* text = gtk_label_new(record.text.c_str());
    gtk_label_set_xalign(GTK_LABEL(text), 0.0f);
    gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(text), 70);
    gtk_label_set_selectable(GTK_LABEL(text), FALSE);
    gtk_grid_attach(GTK_GRID(layout), text, 1, 0, 1, 1);

    GtkWidget* ok = gtk_button_new_with_label("OK");
    const GdkRectangle buttonSize = ToPixels({0, 0, 50, 14}, m_units);
    gtk_widget_set_size_request(ok, buttonSize.width, buttonSize.height);
    gtk_widget_set_halign(ok, GTK_ALIGN_CENTER);
    gtk_grid_attach(GTK_GRID(layout), ok, 0, 1, 2, 1);
    gtk_container_add(GTK_CONTAINER(window), layout);
    gtk_widget_set_can_default(ok, TRUE);
    gtk_window_set_default(GTK_WINDOW(window), ok);
    gtk_window_set_focus(GTK_WINDOW(window), ok);

    g_signal_connect(ok, "clicked", G_CALLBACK(OnBoxAnswered), &view);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnBoxDelete), &view);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnBoxKey), &view);
}

void GtkFrontEnd::SyncFocus(View& view) {
    const HWND focus = winmodel::Focus();
    if (focus == nullptr) return;
    View* focused = FindView(focus);
    if (focused == nullptr || focused->kind == ViewKind::Dialog) return;
    GtkWidget* target = focused->kind == ViewKind::ComboBox
                            ? gtk_bin_get_child(GTK_BIN(focused->widget))
                            : focused->widget;
    GtkWidget* toplevel = gtk_widget_get_toplevel(target);
    if (toplevel != gtk_widget_get_toplevel(view.widget) || !GTK_IS_WINDOW(toplevel)) return;
    if (gtk_window_get_focus(GTK_WINDOW(toplevel)) != target && gtk_widget_get_can_focus(target)) {
        gtk_widget_grab_focus(target);
    }
}

HWND GtkFrontEnd::FocusedWindow(const View& view) const {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(view.widget));
    const HWND window = focus != nullptr ? WindowOfWidget(focus) : nullptr;
    return window != nullptr ? window : view.handle;
}

gboolean GtkFrontEnd::HandleDialogKey(View& view, const GdkEventKey& event) {
    const auto modifiers = event.state & gtk_accelerator_get_default_mod_mask();
    const HWND focus = FocusedWindow(view);
    const auto press = [this, focus](win::WPARAM key) {
        QueueInput(focus, [focus, key] { winmodel::PressKey(focus, key); });
        return TRUE;
    };
    switch (event.keyval) {
        case GDK_KEY_Escape:
            return press(win::VK_ESCAPE);
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            return press(win::VK_RETURN);
        case GDK_KEY_Tab:
            // Shift+Tab stays GTK's: the dialog manager only moves forward.
            return modifiers == 0 ? press(win::VK_TAB) : FALSE;
        case GDK_KEY_F1:
            return press(win::VK_F1);
        case GDK_KEY_Up:
            return IsRadioButton(focus) ? press(win::VK_UP) : FALSE;
        case GDK_KEY_Down:
            return IsRadioButton(focus) ? press(win::VK_DOWN) : FALSE;
        case GDK_KEY_Left:
            return IsRadioButton(focus) ? press(win::VK_LEFT) : FALSE;
        case GDK_KEY_Right:
            return IsRadioButton(focus) ? press(win::VK_RIGHT) : FALSE;
        case GDK_KEY_Menu:
            PopUpSystemMenu(view, nullptr);
            return TRUE;
        case GDK_KEY_F10:
            if (modifiers != GDK_SHIFT_MASK) return FALSE;
            PopUpSystemMenu(view, nullptr);
            return TRUE;
        case GDK_KEY_space:
            if (modifiers != GDK_MOD1_MASK) return FALSE;
            PopUpSystemMenu(view, nullptr);
            return TRUE;
        default:
            return FALSE;
    }
}

gboolean GtkFrontEnd::HandleBoxKey(View& view, const GdkEventKey& event) {
    switch (event.keyval) {
        case GDK_KEY_Escape:
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            OnBoxAnswered(nullptr, &view);
            return TRUE;
        default:
            return FALSE;
    }
}

// GTK cannot add entries to the window manager's menu, so the system menu's
// items are offered where GTK applications put such commands: a context
// menu of the dialog (right click, the Menu key, Shift+F10 or Alt+Space).
void GtkFrontEnd::PopUpSystemMenu(View& view, const GdkEvent* trigger) {
    if (view.systemMenu == nullptr) {
        view.systemMenu = gtk_menu_new();
        gtk_menu_attach_to_widget(GTK_MENU(view.systemMenu), view.widget, nullptr);
    }
    GtkContainer* menu = GTK_CONTAINER(view.systemMenu);
    GList* oldItems = gtk_container_get_children(menu);
    for (GList* item = oldItems; item != nullptr; item = item->next) {
        gtk_widget_destroy(GTK_WIDGET(item->data));
    }
    g_list_free(oldItems);

    bool separatorDue = false;
    bool anyItem = false;
    for (const winmodel::MenuItem& entry : winmodel::SystemMenuItems(view.handle)) {
        // Moving is the window manager's business; the model has nothing to do for it.
        if (entry.id == win::SC_MOVE) continue;
        if (entry.flags & win::MF_SEPARATOR) {
            separatorDue = anyItem;
            continue;
        }
        if (separatorDue)
            gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
        separatorDue = false;
        GtkWidget* item = gtk_menu_item_new_with_mnemonic(ToMnemonic(entry.text).c_str());
        g_object_set_data(G_OBJECT(item), "korvan-command",
                          GUINT_TO_POINTER(static_cast<guint>(entry.id)));
        g_signal_connect(item, "activate", G_CALLBACK(OnSystemCommandChosen), &view);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
        anyItem = true;
    }
    gtk_widget_show_all(view.systemMenu);
    if (trigger != nullptr) {
        gtk_menu_popup_at_pointer(GTK_MENU(view.systemMenu), trigger);
    } else {
        gtk_menu_popup_at_widget(GTK_MENU(view.systemMenu), view.fixed, GDK_GRAVITY_NORTH_WEST,
                                 GDK_GRAVITY_NORTH_WEST, nullptr);
        gtk_menu_shell_select_first(GTK_MENU_SHELL(menu), FALSE);
    }
}

void GtkFrontEnd::OnDrawn(View& view, cairo_t* cr) {
    if (!m_firstDrawReported) {
        m_firstDrawReported = true;
        if (std::getenv("KORVAN_TRACE_STARTUP") != nullptr) {
            // On the monotonic clock, which a benchmark reads too.
            std::fprintf(stderr, "korvan: first dialog drawn at %lld us\n",
                         static_cast<long long>(g_get_monotonic_time()));
            std::fflush(stderr);
        }
    }
    // Only a draw of the whole window means it was uncovered; a blinking
    // cursor or an updated field redraws a part of it.
    GdkRectangle clip;
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return;
    if (clip.x <= 0 && clip.y <= 0 && clip.width >= gtk_widget_get_allocated_width(view.widget) &&
        clip.height >= gtk_widget_get_allocated_height(view.widget)) {
        const HWND handle = view.handle;
        QueueInput(handle, [handle] { winmodel::Uncover(handle); });
    }
}

}  // namespace gtkfront

extern "C" __attribute__((visibility("default"))) winmodel::FrontEnd* KorvanCreateGtkFrontEnd() {
    // The program draws with GTK's software path; an OpenGL stack would cost
    // about 100 ms and 55 MB at start for nothing.
    setenv("GDK_GL", "disable", 0);
    // The name the desktop and its accessibility tools know the program by.
    g_set_prgname(winmodel::ApplicationName().c_str());
    if (!gtk_init_check(nullptr, nullptr)) return nullptr;
    static gtkfront::GtkFrontEnd frontEnd;
    return &frontEnd;
}
