// Build step: converts the program's icon resource (a .ico file) to the PNG
// that the desktop's icon theme takes.
//   ico_to_png INPUT.ico OUTPUT.png
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ico_to_png INPUT.ico OUTPUT.png\n");
        return 2;
    }
    GError* error = nullptr;
    GdkPixbuf* icon = gdk_pixbuf_new_from_file(argv[1], &error);
    if (icon == nullptr || !gdk_pixbuf_save(icon, argv[2], "png", &error, nullptr)) {
        std::fprintf(stderr, "ico_to_png: %s\n", error != nullptr ? error->message : argv[1]);
        return 1;
    }
    g_object_unref(icon);
    return 0;
}
