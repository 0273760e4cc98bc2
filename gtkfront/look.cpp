// The front end's look: the dialog font and its base units, the style sheet,
// the program's pictures and mnemonics.
#include <cmath>

#include "framework/resources.h"
#include "gtkfront/gtk_front_end.h"

namespace gtkfront {
namespace {

// Stands in for the templates' 8-point "MS Sans Serif".
constexpr const char* kDialogFont = "Sans 8";

// Dialog units leave no room for the theme's minimum sizes and paddings: an
// arrow button would grow to 34 x 30 pixels and cover its neighbours.
constexpr const char* kStyleSheet = R"css(
* {
    font-family: Sans;
    font-size: 8pt;
}
button, entry, combobox, combobox box, scale, check, radio, frame, label {
    min-height: 0;
    min-width: 0;
}
button {
    padding: 0 2px;
}
button.korvan-arrow {
    padding: 0;
    border-radius: 2px;
}
entry {
    padding: 0 3px;
}
combobox entry {
    padding: 0 3px;
}
combobox button {
    padding: 0 2px;
}
check, radio {
    min-width: 11px;
    min-height: 11px;
    margin: 0 4px 0 0;
    padding: 0;
}
checkbutton, radiobutton {
    padding: 0;
}
scale {
    padding: 0 6px;
}
scale trough {
    min-height: 4px;
}
scale slider {
    min-width: 10px;
    min-height: 14px;
    margin: -6px 0;
}
scale marks.top, scale marks.bottom {
    margin: 0;
}
scale mark indicator {
    min-height: 3px;
    min-width: 1px;
}
frame > border {
    border-radius: 2px;
}
menuitem {
    padding: 3px 12px;
}
)css";

GdkPixbuf* LoadPicture(const win::ImageResource* image) {
    if (image == nullptr || image->fileBytes.empty()) return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool loaded = gdk_pixbuf_loader_write(loader, image->fileBytes.data(),
                                                image->fileBytes.size(), nullptr) != FALSE &&
                        gdk_pixbuf_loader_close(loader, nullptr) != FALSE;
    if (!loaded) gdk_pixbuf_loader_close(loader, nullptr);
    GdkPixbuf* picture = loaded ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (picture != nullptr) g_object_ref(picture);
    g_object_unref(loader);
    return picture;
}

}  // namespace

BaseUnits MeasureBaseUnits() {
    PangoContext* context = gdk_pango_context_get();
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* font = pango_font_description_from_string(kDialogFont);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    pango_font_description_free(font);
    g_object_unref(layout);
    g_object_unref(context);
    // A font that measures nothing still leaves a usable grid.
    return {width > 0 ? width / 52.0 : 6.0, height > 0 ? static_cast<double>(height) : 13.0};
}

GdkRectangle ToPixels(const winmodel::Rect& dialogUnits, BaseUnits units) {
    const auto across = [&units](int du) {
        return static_cast<int>(std::lround(du * units.x / 4.0));
    };
    const auto down = [&units](int du) {
        return static_cast<int>(std::lround(du * units.y / 8.0));
    };
    // Both edges are converted, so that neighbours meet as in dialog units.
    const int left = across(dialogUnits.x);
    const int top = down(dialogUnits.y);
    return {left, top, across(dialogUnits.x + dialogUnits.cx) - left,
            down(dialogUnits.y + dialogUnits.cy) - top};
}

void InstallStyle() {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kStyleSheet, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

GdkPixbuf* LoadIconPicture(int id) {
    return LoadPicture(win::ProgramResources().FindIcon(id));
}

GdkPixbuf* LoadBitmapPicture(int id) {
    return LoadPicture(win::ProgramResources().FindBitmap(id));
}

std::string ToMnemonic(const std::string& text) {
    std::string mnemonic;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            // "&&" is a literal ampersand; a single one marks the next letter.
            if (i + 1 < text.size() && text[i + 1] == '&') {
                mnemonic += '&';
                ++i;
            } else {
                mnemonic += '_';
            }
        } else if (text[i] == '_') {
            mnemonic += "__";
        } else {
            mnemonic += text[i];
        }
    }
    return mnemonic;
}

}  // namespace gtkfront
