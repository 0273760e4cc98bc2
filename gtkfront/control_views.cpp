// The controls of a dialog as GTK widgets: made from the model's class and
// style, placed at their template rectangles, kept in step with the model,
// and wired so that what the user does becomes the model's input.
#include <strings.h>

#include <algorithm>
#include <cmath>

#include "gtkfront/gtk_front_end.h"

namespace gtkfront {
namespace {

using win::DWORD;

// Keeps a trackbar with a tick for every position of a huge range usable.
constexpr int kMostTickMarks = 200;
// A line of the dialog font, in dialog units.
constexpr int kLineHeightDu = 8;

bool IsClass(HWND window, const char* className) {
    return strcasecmp(winmodel::ClassName(window).c_str(), className) == 0;
}

ViewKind ControlKind(HWND control) {
    const DWORD style = winmodel::Style(control);
    if (IsClass(control, win::kButtonClass)) {
        switch (style & win::BS_TYPEMASK) {
            case win::BS_AUTOCHECKBOX:
                return ViewKind::CheckBox;
            case win::BS_AUTORADIOBUTTON:
                return ViewKind::RadioButton;
            case win::BS_GROUPBOX:
                return ViewKind::GroupBox;
            default:
                return ViewKind::PushButton;
        }
    }
    if (IsClass(control, win::kStaticClass)) {
        const DWORD type = style & win::SS_TYPEMASK;
        return type == win::SS_BITMAP || type == win::SS_ICON ? ViewKind::Picture : ViewKind::Label;
    }
    if (IsClass(control, win::kEditClass)) return ViewKind::Edit;
    if (IsClass(control, win::kComboBoxClass)) return ViewKind::ComboBox;
    if (IsClass(control, win::kUpDownClass)) return ViewKind::UpDown;
    if (IsClass(control, win::kTrackbarClass)) return ViewKind::Trackbar;
    return ViewKind::Unknown;
}

View& ViewOf(gpointer data) {
    return *static_cast<View*>(data);
}

void SetAccessibleName(GtkWidget* widget, const std::string& name) {
    atk_object_set_name(gtk_widget_get_accessible(widget), name.c_str());
}

// ---- What the user does ----

void OnClicked(GtkButton*, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    view.frontEnd->QueueInput(handle, [handle] { winmodel::Click(handle); });
}

void OnArrowClicked(GtkButton* arrow, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    const bool up = GTK_WIDGET(arrow) == view.upArrow;
    view.frontEnd->QueueInput(handle, [handle, up] { winmodel::ClickUpDownArrow(handle, up); });
}

void OnEditChanged(GtkEditable* editable, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    std::string text = gtk_entry_get_text(GTK_ENTRY(editable));
    view.frontEnd->QueueInput(handle, [handle, text] { winmodel::TypeText(handle, text); });
}

void OnComboChanged(GtkComboBox* combo, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    const int index = gtk_combo_box_get_active(combo);
    if (index >= 0) {
        view.frontEnd->QueueInput(handle,
                                  [handle, index] { winmodel::ChooseComboItem(handle, index); });
        return;
    }
    // Typed into the edit field: no item stays selected.
    std::string text = gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))));
    view.frontEnd->QueueInput(handle, [handle, text] { winmodel::TypeText(handle, text); });
}

// Clicking into an edit field gives it the model's focus as well.
gboolean OnFieldFocused(GtkWidget*, GdkEvent*, gpointer data) {
    View& view = ViewOf(data);
    const HWND handle = view.handle;
    if (winmodel::Focus() != handle) {
        view.frontEnd->QueueInput(handle, [handle] { winmodel::Click(handle); });
    }
    return FALSE;
}

void MoveTrackbarTo(View& view, double value) {
    const HWND handle = view.handle;
    const int position = static_cast<int>(std::lround(value));
    view.frontEnd->QueueInput(handle,
                              [handle, position] { winmodel::MoveTrackbar(handle, position); });
}

// A drag reaches the model once, where the thumb is released, as a
// trackbar's user ends a drag; keys and clicks on the trough move at once.
void OnTrackbarValueChanged(GtkRange* range, gpointer data) {
    View& view = ViewOf(data);
    if (!view.dragging) MoveTrackbarTo(view, gtk_range_get_value(range));
}

gboolean OnTrackbarPressed(GtkWidget*, GdkEventButton*, gpointer data) {
    ViewOf(data).dragging = true;
    return FALSE;
}

gboolean OnTrackbarReleased(GtkWidget* range, GdkEventButton*, gpointer data) {
    View& view = ViewOf(data);
    view.dragging = false;
    MoveTrackbarTo(view, gtk_range_get_value(GTK_RANGE(range)));
    return FALSE;
}

// ---- Drawing ----

gboolean DrawArrow(GtkWidget* area, cairo_t* cr, gpointer pointsUp) {
    const double width = gtk_widget_get_allocated_width(area);
    const double height = gtk_widget_get_allocated_height(area);
    const double size = std::max(2.0, std::min(width, height * 2.0) * 0.5);
    const double middleX = width / 2.0;
    const double middleY = height / 2.0;
    GdkRGBA colour;
    gtk_style_context_get_color(gtk_widget_get_style_context(area),
                                gtk_widget_get_state_flags(area), &colour);
    gdk_cairo_set_source_rgba(cr, &colour);
    const double half = size / 2.0;
    const double rise = pointsUp != nullptr ? -half / 2.0 : half / 2.0;
    cairo_move_to(cr, middleX - half, middleY - rise);
    cairo_line_to(cr, middleX + half, middleY - rise);
    cairo_line_to(cr, middleX, middleY + rise);
    cairo_close_path(cr);
    cairo_fill(cr);
    return FALSE;
}

// A picture is drawn centred in its frame (or at its corner), shrunk to fit
// rather than cut off where the font makes the frame smaller than the image.
gboolean DrawPicture(GtkWidget* area, cairo_t* cr, gpointer data) {
    View& view = ViewOf(data);
    if (view.picture == nullptr) return FALSE;
    const double width = gtk_widget_get_allocated_width(area);
    const double height = gtk_widget_get_allocated_height(area);
    const double imageWidth = gdk_pixbuf_get_width(view.picture);
    const double imageHeight = gdk_pixbuf_get_height(view.picture);
    const double scale = std::min({1.0, width / imageWidth, height / imageHeight});
    const bool centred = (winmodel::Style(view.handle) & win::SS_CENTERIMAGE) != 0 ||
                         (winmodel::Style(view.handle) & win::SS_TYPEMASK) == win::SS_ICON;
    const double left = centred ? (width - imageWidth * scale) / 2.0 : 0.0;
    const double top = centred ? (height - imageHeight * scale) / 2.0 : 0.0;
    cairo_translate(cr, left, top);
    cairo_scale(cr, scale, scale);
    gdk_cairo_set_source_pixbuf(cr, view.picture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    return FALSE;
}

// ---- Making the widgets ----

GtkWidget* MakeLabel(const std::string& text, bool mnemonic) {
    GtkWidget* label = mnemonic ? gtk_label_new_with_mnemonic(ToMnemonic(text).c_str())
                                : gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    return label;
}

GtkWidget* MakeArrow(View& view, bool up) {
    GtkWidget* button = gtk_button_new();
    GtkWidget* area = gtk_drawing_area_new();
    g_signal_connect(area, "draw", G_CALLBACK(DrawArrow), up ? area : nullptr);
    gtk_container_add(GTK_CONTAINER(button), area);
    gtk_style_context_add_class(gtk_widget_get_style_context(button), "korvan-arrow");
    // The arrows never take the focus: the field they step keeps it.
    gtk_widget_set_can_focus(button, FALSE);
    gtk_widget_set_focus_on_click(button, FALSE);
    g_signal_connect(button, "clicked", G_CALLBACK(OnArrowClicked), &view);
    SetAccessibleName(button,
                      std::to_string(winmodel::ControlId(view.handle)) + (up ? " up" : " down"));
    return button;
}

void MakeWidget(View& view) {
    const HWND handle = view.handle;
    const DWORD style = winmodel::Style(handle);
    const std::string text = winmodel::Text(handle);
    const std::string idName = std::to_string(winmodel::ControlId(handle));
    switch (view.kind) {
        case ViewKind::PushButton:
            view.widget = gtk_button_new_with_mnemonic(ToMnemonic(text).c_str());
            g_signal_connect(view.widget, "clicked", G_CALLBACK(OnClicked), &view);
            break;
        case ViewKind::CheckBox:
        case ViewKind::RadioButton:
            if (view.kind == ViewKind::CheckBox) {
                view.widget = gtk_check_button_new();
            } else {
                // The model decides which radio button of a group is on, so
                // each has a hidden partner to hand "on" to when it is off.
                view.widget = gtk_radio_button_new(nullptr);
                view.offPartner = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(view.widget));
                g_object_ref_sink(view.offPartner);
            }
            view.text = MakeLabel(text, true);
            if ((style & win::BS_MULTILINE) == 0) {
                gtk_label_set_line_wrap(GTK_LABEL(view.text), FALSE);
            }
            gtk_container_add(GTK_CONTAINER(view.widget), view.text);
            g_signal_connect(view.widget, "clicked", G_CALLBACK(OnClicked), &view);
            break;
        case ViewKind::GroupBox:
            view.widget = gtk_frame_new(nullptr);
            view.text = gtk_label_new_with_mnemonic(ToMnemonic(text).c_str());
            gtk_frame_set_label_widget(GTK_FRAME(view.widget), view.text);
            gtk_frame_set_label_align(GTK_FRAME(view.widget), 0.04f, 0.5f);
            break;
        case ViewKind::Label:
            view.widget = MakeLabel(text, (style & win::SS_NOPREFIX) == 0);
            // A label one line high shows its text whole: wrapping would put
            // the rest below its frame, where another control may be.
            if (winmodel::TemplateRect(handle).cy < 2 * kLineHeightDu) {
                gtk_label_set_line_wrap(GTK_LABEL(view.widget), FALSE);
            }
            break;
        case ViewKind::Picture:
            view.picture = (style & win::SS_TYPEMASK) == win::SS_ICON
                               ? LoadIconPicture(winmodel::ImageId(handle))
                               : LoadBitmapPicture(winmodel::ImageId(handle));
            view.widget = gtk_drawing_area_new();
            g_signal_connect(view.widget, "draw", G_CALLBACK(DrawPicture), &view);
            atk_object_set_role(gtk_widget_get_accessible(view.widget), ATK_ROLE_IMAGE);
            SetAccessibleName(view.widget,
                              ((style & win::SS_TYPEMASK) == win::SS_ICON ? "icon " : "bitmap ") +
                                  std::to_string(winmodel::ImageId(handle)));
            break;
        case ViewKind::Edit:
            view.widget = gtk_entry_new();
            gtk_entry_set_width_chars(GTK_ENTRY(view.widget), 1);
            gtk_entry_set_has_frame(GTK_ENTRY(view.widget), (style & win::WS_BORDER) != 0);
            if (style & win::ES_RIGHT) gtk_entry_set_alignment(GTK_ENTRY(view.widget), 1.0f);
            g_signal_connect(view.widget, "changed", G_CALLBACK(OnEditChanged), &view);
            g_signal_connect(view.widget, "focus-in-event", G_CALLBACK(OnFieldFocused), &view);
            SetAccessibleName(view.widget, idName);
            break;
        case ViewKind::ComboBox: {
            view.widget = gtk_combo_box_text_new_with_entry();
            GtkWidget* field = gtk_bin_get_child(GTK_BIN(view.widget));
            gtk_entry_set_width_chars(GTK_ENTRY(field), 1);
            g_signal_connect(view.widget, "changed", G_CALLBACK(OnComboChanged), &view);
            g_signal_connect(field, "focus-in-event", G_CALLBACK(OnFieldFocused), &view);
            g_object_set_data(G_OBJECT(field), "korvan-window", handle);
            SetAccessibleName(view.widget, idName);
            SetAccessibleName(field, idName);
            break;
        }
        case ViewKind::UpDown:
            view.widget = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
            gtk_box_set_homogeneous(GTK_BOX(view.widget), TRUE);
            view.upArrow = MakeArrow(view, true);
            view.downArrow = MakeArrow(view, false);
            gtk_box_pack_start(GTK_BOX(view.widget), view.upArrow, TRUE, TRUE, 0);
            gtk_box_pack_start(GTK_BOX(view.widget), view.downArrow, TRUE, TRUE, 0);
            atk_object_set_role(gtk_widget_get_accessible(view.widget), ATK_ROLE_PANEL);
            SetAccessibleName(view.widget, idName);
            break;
        case ViewKind::Trackbar:
            view.widget = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, nullptr);
            gtk_scale_set_draw_value(GTK_SCALE(view.widget), FALSE);
            gtk_scale_set_digits(GTK_SCALE(view.widget), 0);
            gtk_range_set_round_digits(GTK_RANGE(view.widget), 0);
            gtk_range_set_increments(GTK_RANGE(view.widget), 1.0, 1.0);
            g_signal_connect(view.widget, "value-changed", G_CALLBACK(OnTrackbarValueChanged),
                             &view);
            g_signal_connect(view.widget, "button-press-event", G_CALLBACK(OnTrackbarPressed),
                             &view);
            g_signal_connect_after(view.widget, "button-release-event",
                                   G_CALLBACK(OnTrackbarReleased), &view);
            SetAccessibleName(view.widget, idName);
            break;
        case ViewKind::Dialog:
        case ViewKind::MessageBox:
        case ViewKind::Unknown:
            // A class this front end does not know keeps its place, empty.
            view.widget = gtk_drawing_area_new();
            break;
    }
    g_object_set_data(G_OBJECT(view.widget), "korvan-window", handle);
}

void SetLabelText(GtkWidget* label, const std::string& text, bool mnemonic) {
    const std::string shown = mnemonic ? ToMnemonic(text) : text;
    const char* current =
        mnemonic ? gtk_label_get_label(GTK_LABEL(label)) : gtk_label_get_text(GTK_LABEL(label));
    if (shown == current) return;
    if (mnemonic) {
        gtk_label_set_text_with_mnemonic(GTK_LABEL(label), shown.c_str());
    } else {
        gtk_label_set_text(GTK_LABEL(label), shown.c_str());
    }
}

void SetEntryText(GtkEntry* entry, const std::string& text) {
    if (text != gtk_entry_get_text(entry)) gtk_entry_set_text(entry, text.c_str());
}

void SyncComboBox(View& view, bool userAhead) {
    const HWND handle = view.handle;
    GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(view.widget);
    const std::vector<std::string> items = winmodel::ComboItems(handle);
    if (items != view.comboItems) {
        gtk_combo_box_text_remove_all(combo);
        for (const std::string& item : items) gtk_combo_box_text_append_text(combo, item.c_str());
        view.comboItems = items;
    }
    if (userAhead) return;
    const int selection = winmodel::ComboSelection(handle);
    if (gtk_combo_box_get_active(GTK_COMBO_BOX(combo)) != selection) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), selection);
    }
    SetEntryText(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))), winmodel::Text(handle));
}

void SyncTrackbar(View& view, bool userAhead) {
    const winmodel::TrackbarState state = winmodel::Trackbar(view.handle);
    const winmodel::TrackbarState& shown = view.trackbar;
    GtkRange* range = GTK_RANGE(view.widget);
    const int lowest = std::min(state.rangeMin, state.rangeMax);
    const int highest = std::max(state.rangeMin, state.rangeMax);
    const bool rangeChanged = !view.trackbarShown || shown.rangeMin != state.rangeMin ||
                              shown.rangeMax != state.rangeMax ||
                              shown.tickFrequency != state.tickFrequency;
    if (rangeChanged) {
        gtk_range_set_range(range, lowest, highest);
        GtkScale* scale = GTK_SCALE(view.widget);
        gtk_scale_clear_marks(scale);
        const DWORD style = winmodel::Style(view.handle);
        const bool bothSides = (style & win::TBS_BOTH) != 0;
        const auto addTick = [scale, bothSides](int value) {
            gtk_scale_add_mark(scale, value, GTK_POS_BOTTOM, nullptr);
            if (bothSides) gtk_scale_add_mark(scale, value, GTK_POS_TOP, nullptr);
        };
        const int span = highest - lowest;
        const int frequency = std::max(state.tickFrequency, 1);
        if ((style & win::TBS_AUTOTICKS) != 0 && span / frequency <= kMostTickMarks) {
            for (int value = lowest; value < highest; value += frequency) addTick(value);
        } else {
            addTick(lowest);
        }
        addTick(highest);
    }
    if (!view.dragging && !userAhead && std::lround(gtk_range_get_value(range)) != state.position) {
        gtk_range_set_value(range, state.position);
    }
    view.trackbar = state;
    view.trackbarShown = true;
}

}  // namespace

void GtkFrontEnd::CreateControlView(View& view, View& parent) {
    view.kind = ControlKind(view.handle);
    MakeWidget(view);
    const GdkRectangle place = ToPixels(winmodel::TemplateRect(view.handle), m_units);
    int height = place.height;
    if (view.kind == ViewKind::ComboBox) {
        // The template's height includes the opened list; the closed box is
        // as tall as an edit field.
        height = ToPixels({0, 0, 0, 14}, m_units).height;
    }
    gtk_widget_set_size_request(view.widget, place.width, height);
    gtk_widget_show_all(view.widget);
    gtk_fixed_put(GTK_FIXED(parent.fixed), view.widget, place.x, place.y);
    if (view.kind == ViewKind::PushButton &&
        (winmodel::Style(view.handle) & win::BS_TYPEMASK) == win::BS_DEFPUSHBUTTON) {
        gtk_widget_set_can_default(view.widget, TRUE);
        gtk_widget_grab_default(view.widget);
    }
    SyncControl(view);
}

void GtkFrontEnd::SyncControl(View& view) {
    const HWND handle = view.handle;
    const DWORD style = winmodel::Style(handle);
    gtk_widget_set_visible(view.widget, (style & win::WS_VISIBLE) != 0);
    gtk_widget_set_sensitive(view.widget, (style & win::WS_DISABLED) == 0);
    const std::string text = winmodel::Text(handle);
    // What the user changes is left as the user has it until the model has
    // taken it: an older state would undo keys typed since.
    const bool userAhead = InputPendingFor(handle);
    switch (view.kind) {
        case ViewKind::PushButton:
            if (ToMnemonic(text) != gtk_button_get_label(GTK_BUTTON(view.widget))) {
                gtk_button_set_label(GTK_BUTTON(view.widget), ToMnemonic(text).c_str());
            }
            break;
        case ViewKind::CheckBox:
        case ViewKind::RadioButton: {
            SetLabelText(view.text, text, true);
            if (userAhead) break;
            const bool checked = winmodel::CheckState(handle) == static_cast<int>(win::BST_CHECKED);
            GtkWidget* on = checked || view.offPartner == nullptr ? view.widget : view.offPartner;
            if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(view.widget)) != checked) {
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(on), checked || on != view.widget);
            }
            break;
        }
        case ViewKind::GroupBox:
            SetLabelText(view.text, text, true);
            break;
        case ViewKind::Label:
            SetLabelText(view.widget, text, (style & win::SS_NOPREFIX) == 0);
            break;
        case ViewKind::Edit:
            if (!userAhead) SetEntryText(GTK_ENTRY(view.widget), text);
            gtk_editable_set_editable(GTK_EDITABLE(view.widget), (style & win::ES_READONLY) == 0);
            break;
        case ViewKind::ComboBox:
            SyncComboBox(view, userAhead);
            break;
        case ViewKind::Trackbar:
            SyncTrackbar(view, userAhead);
            break;
        case ViewKind::Picture:
        case ViewKind::UpDown:
        case ViewKind::Dialog:
        case ViewKind::MessageBox:
        case ViewKind::Unknown:
            break;
    }
    SyncFocus(view);
}

}  // namespace gtkfront
