// The GTK 3 front end: a view of the window model. Each model window gets a
// native widget that follows the model's state; what the user does to a
// widget goes back to the model as the same input a test would give it.
// Loaded at run time (libkorvan-gtk.so) only when a display is there.
#ifndef KORVAN_GTKFRONT_GTK_FRONT_END_H
#define KORVAN_GTKFRONT_GTK_FRONT_END_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// clang-format off
// Before GTK: GLib's TRUE and FALSE macros would rewrite win.h's constants.
#include "winmodel/model.h"
#include <gtk/gtk.h>
// clang-format on

namespace gtkfront {

using win::HWND;

/// The dialog font's average character width and height in pixels; a dialog
/// unit is a quarter of the one across and an eighth of the other down.
struct BaseUnits {
    double x;
    double y;
};
/// Measures the 8-point sans-serif font that the front end's style sets.
BaseUnits MeasureBaseUnits();
GdkRectangle ToPixels(const winmodel::Rect& dialogUnits, BaseUnits units);

/// Gives every widget of the process the front end's look: the dialog font,
/// and no theme minimum sizes that would break a layout in dialog units.
void InstallStyle();

/// A picture from the program's resources, or nullptr when there is none or
/// its bytes do not load. The caller owns the reference.
GdkPixbuf* LoadIconPicture(int id);
GdkPixbuf* LoadBitmapPicture(int id);

/// "&About" as GTK writes a mnemonic: "_About".
std::string ToMnemonic(const std::string& text);

enum class ViewKind {
    Dialog,
    MessageBox,
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Label,
    Picture,
    Edit,
    ComboBox,
    UpDown,
    Trackbar,
    Unknown
};

class GtkFrontEnd;

/// The widgets that show one model window.
struct View {
    GtkFrontEnd* frontEnd = nullptr;
    HWND handle = nullptr;
    ViewKind kind = ViewKind::Unknown;
    GtkWidget* widget = nullptr;      // the GtkWindow of a top-level, else the control
    GtkWidget* fixed = nullptr;       // top-level: where its controls are placed
    GtkWidget* text = nullptr;        // the label inside a button-like control
    GtkWidget* offPartner = nullptr;  // radio button: takes the group's "on" when it is off
    GtkWidget* upArrow = nullptr;
    GtkWidget* downArrow = nullptr;
    GtkWidget* systemMenu = nullptr;
    GdkPixbuf* picture = nullptr;
    int iconId = 0;                       // dialog: the window icon shown
    std::vector<std::string> comboItems;  // as last shown
    winmodel::TrackbarState trackbar{0, 0, 0, 0};
    bool trackbarShown = false;
    bool dragging = false;
};

class GtkFrontEnd final : public winmodel::FrontEnd {
  public:
    GtkFrontEnd();
    ~GtkFrontEnd() override;
    GtkFrontEnd(const GtkFrontEnd&) = delete;
    GtkFrontEnd& operator=(const GtkFrontEnd&) = delete;

    uint64_t NowMs() override;
    bool WaitForInput(std::optional<uint64_t> deadlineMs) override;
    std::optional<int> OnMessageBox(HWND box) override;
    void OnWindowCreated(HWND window) override;
    void OnWindowChanged(HWND window) override;
    void OnWindowDestroyed(HWND window) override;
    bool HasDisplay() const override { return true; }

    /// Queues what the user did; it reaches the model from WaitForInput,
    /// outside any GTK signal, so that a modal loop it starts never runs
    /// inside a handler. Ignored while the view is being updated from the
    /// model, so a widget update is never reported back as input.
    void QueueInput(HWND window, std::function<void()> input);
    bool Updating() const { return m_updating > 0; }
    /// The user's input for `window` is still on its way to the model: the
    /// widget is ahead of the model and keeps what the user gave it.
    bool InputPendingFor(HWND window) const;

    View* FindView(HWND window);
    BaseUnits Units() const { return m_units; }

    gboolean HandleDialogKey(View& view, const GdkEventKey& event);
    gboolean HandleBoxKey(View& view, const GdkEventKey& event);
    void PopUpSystemMenu(View& view, const GdkEvent* trigger);
    void OnDrawn(View& view, cairo_t* cr);

  private:
    struct PendingInput {
        HWND window;
        std::function<void()> apply;
    };

    void CreateDialogView(View& view);
    void CreateMessageBoxView(View& view);
    void CreateControlView(View& view, View& parent);
    void Sync(View& view);
    void SyncDialog(View& view);
    void SyncControl(View& view);
    void SyncFocus(View& view);
    void DestroyView(View& view);
    /// The model window of the widget that has GTK's focus in `view`'s window.
    HWND FocusedWindow(const View& view) const;

    std::map<HWND, std::unique_ptr<View>> m_views;
    std::deque<PendingInput> m_pending;
    BaseUnits m_units{};
    int m_updating = 0;
    bool m_displayGone = false;
    bool m_firstDrawReported = false;
};

}  // namespace gtkfront

#endif  // KORVAN_GTKFRONT_GTK_FRONT_END_H
