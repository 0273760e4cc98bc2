#include "framework/resources.h"

#include <algorithm>

namespace win {
namespace {

template <typename Item, typename Key>
const Item* FindById(std::span<const Item> items, Key id) {
    const auto found =
        std::find_if(items.begin(), items.end(), [id](const Item& item) { return item.id == id; });
    return found == items.end() ? nullptr : &*found;
}

}  // namespace

const DialogTemplate* ResourceTable::FindDialog(int id) const {
    return FindById(dialogs, id);
}

const char* ResourceTable::FindString(UINT id) const {
    const StringResource* found = FindById(strings, id);
    return found ? found->text : nullptr;
}

const ImageResource* ResourceTable::FindIcon(int id) const {
    return FindById(icons, id);
}

const ImageResource* ResourceTable::FindBitmap(int id) const {
    return FindById(bitmaps, id);
}

}  // namespace win
