// Copy and release of TextItems lists.
#include "host/text_items.h"

#include "host/call_layer.h"

#include <cstring>

int TextItemsCopy(TextItems* destination, const TextItems* source, PropAllocFn alloc) {
    *destination = TextItems{0, nullptr};
    uint32_t count = source->items ? source->count : 0;
    if (count == 0) return 0;
    uint64_t bytes = static_cast<uint64_t>(count) * sizeof(TextItem);
    if (bytes > UINT32_MAX) return -1;
    auto* items = static_cast<TextItem*>(alloc(static_cast<uint32_t>(bytes)));
    if (!items) return -1;
    std::memcpy(items, source->items, bytes);
    destination->items = items;
    destination->count = count;
    // Strings not yet copied are cleared, so a failed copy frees only its own.
    for (uint32_t i = 0; i < count; ++i)
        if (items[i].kind == TextItemString) items[i].value.text = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        const char* text = source->items[i].kind == TextItemString ? source->items[i].value.text
                                                                   : nullptr;
        if (!text) continue;
        size_t length = std::strlen(text) + 1;
        char* copy = length <= UINT32_MAX ? static_cast<char*>(alloc(static_cast<uint32_t>(length)))
                                          : nullptr;
        if (!copy) {
            TextItemsFree(destination);
            return -1;
        }
        std::memcpy(copy, text, length);
        items[i].value.text = copy;
    }
    return 0;
}

void TextItemsRelease(TextItems* items, PropReleaseFn release) {
    if (!items) return;
    if (items->items) {
        for (uint32_t i = 0; i < items->count; ++i) {
            TextItem& item = items->items[i];
            if (item.kind == TextItemString) {
                release(item.value.text);
                item.value.text = nullptr;
            }
        }
    }
    release(items->items);
    items->items = nullptr;
    items->count = 0;
}

void TextItemsFree(TextItems* items) { TextItemsRelease(items, PropReleaseLibrary); }
