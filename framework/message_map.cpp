#include "framework/afx.h"

const MessageMapEntry* MessageMap::Find(UINT message, UINT code, int id) const {
    for (const MessageMap* map = this; map != nullptr; map = map->base) {
        for (const MessageMapEntry& entry : map->entries) {
            if (entry.message != message) continue;
            const bool carriesControl = message == WM_COMMAND || message == WM_NOTIFY;
            if (!carriesControl || (entry.code == code && entry.id == id)) return &entry;
        }
    }
    return nullptr;
}

const MessageMap* CCmdTarget::GetMessageMap() const {
    static const MessageMap map{nullptr, {}};
    return &map;
}

bool CCmdTarget::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    UINT code = 0;
    int id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == nullptr) return false;
        code = header->code;
        id = static_cast<int>(header->idFrom);
    }
    const MessageMapEntry* entry = GetMessageMap()->Find(message, code, id);
    if (entry == nullptr) return false;
    entry->invoke(*this, wParam, lParam, result);
    return true;
}
