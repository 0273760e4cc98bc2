#include "framework/resources.h"

#include <cstddef>

#include "res/dialogs.h"
#include "res/resource.h"

extern const unsigned char kIconImage[];
extern const std::size_t kIconImageSize;
extern const unsigned char kLogoImage[];
extern const std::size_t kLogoImageSize;

namespace {

// No title string: the application is named after its executable.
const win::StringResource kStrings[] = {
    {IDS_ABOUTBOX, "&About Korvan..."},
    {IDS_HELP, "&Help"},
};

}  // namespace

const win::ResourceTable& win::ProgramResources() {
    static const win::ImageResource icons[] = {{IDR_MAINFRAME, {kIconImage, kIconImageSize}}};
    static const win::ImageResource bitmaps[] = {{IDB_LOGO, {kLogoImage, kLogoImageSize}}};
    static const win::ResourceTable table{kDialogTemplates, kStrings, icons, bitmaps};
    return table;
}
