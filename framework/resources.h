// Resources as data: the dialog templates, strings, icons and bitmaps that a
// program carries. One table, written once in the program's res/ folder, is
// what every provider builds its windows from (the Windows build compiles the
// same data into its resource script).
#ifndef KORVAN_FRAMEWORK_RESOURCES_H
#define KORVAN_FRAMEWORK_RESOURCES_H

#include <cstdint>
#include <span>

#include "framework/win.h"

namespace win {

/// One control of a dialog template. Positions and sizes are in dialog units;
/// `className` is one of the k*Class names of win.h and `style` carries the
/// platform's style bits (WS_VISIBLE and WS_CHILD included).
struct ControlTemplate {
    int id;  // -1 for a control without one
    const char* className;
    const char* text;  // nullptr when the control has no text of its own
    int x, y, cx, cy;
    DWORD style;
    int imageId;  // icon or bitmap resource of a static picture, else 0
};

struct DialogTemplate {
    int id;
    const char* caption;
    int x, y, cx, cy;
    DWORD style;
    int fontPointSize;
    const char* fontName;
    std::span<const ControlTemplate> controls;
};

struct StringResource {
    UINT id;
    const char* text;
};

/// An image as the program ships it: the bytes of a .ico or .bmp file.
struct ImageResource {
    int id;
    std::span<const unsigned char> fileBytes;
};

struct ResourceTable {
    std::span<const DialogTemplate> dialogs;
    std::span<const StringResource> strings;
    std::span<const ImageResource> icons;
    std::span<const ImageResource> bitmaps;

    const DialogTemplate* FindDialog(int id) const;
    const char* FindString(UINT id) const;  // nullptr when missing
    const ImageResource* FindIcon(int id) const;
    const ImageResource* FindBitmap(int id) const;
};

/// The program's resources; defined by the program, read by the provider.
const ResourceTable& ProgramResources();

}  // namespace win

#endif  // KORVAN_FRAMEWORK_RESOURCES_H
