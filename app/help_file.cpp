#include "app/help_file.h"

#include <cstring>

bool ReplaceExtensionWithChm(char* path, std::size_t size) {
    const std::size_t length = strnlen(path, size);
    if (length == size) return false;  // no terminator: not a path we can trust

    // Only the file name's dot counts: a directory such as "my.tools/" keeps its own.
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (path[i] == '/' || path[i] == '\\') nameStart = i + 1;
    }
    std::size_t stem = length;
    for (std::size_t i = length; i > nameStart; --i) {
        if (path[i - 1] == '.') {
            stem = i - 1;
            break;
        }
    }

    static constexpr char kExtension[] = "chm";
    if (stem + 1 + std::strlen(kExtension) + 1 > size) return false;
    path[stem] = '.';
    std::memcpy(path + stem + 1, kExtension, sizeof kExtension);
    return true;
}
