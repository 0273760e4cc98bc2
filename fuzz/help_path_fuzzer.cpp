// The help file's path from the executable's, in the 260-byte buffer the
// program uses. The input fills the buffer; when it is 260 bytes or more the
// buffer holds no terminator.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/help_file.h"

namespace {

constexpr std::size_t kPathBufferSize = 260;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "help path: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Exactly the buffer's size on the heap, so a write past it is caught.
    const auto buffer = std::make_unique<char[]>(kPathBufferSize);
    std::memset(buffer.get(), 0, kPathBufferSize);
    std::memcpy(buffer.get(), data, std::min(size, kPathBufferSize));
    char before[kPathBufferSize];
    std::memcpy(before, buffer.get(), kPathBufferSize);

    const bool replaced = ReplaceExtensionWithChm(buffer.get(), kPathBufferSize);

    const std::size_t length = strnlen(before, kPathBufferSize);
    std::string expected;
    if (length < kPathBufferSize) {
        const std::string path(before, length);
        const std::size_t separator = path.find_last_of("/\\");
        const std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
        const std::size_t dot = path.rfind('.');
        const std::size_t stem = dot != std::string::npos && dot >= nameStart ? dot : length;
        expected = path.substr(0, stem) + ".chm";
    }
    const bool fits = !expected.empty() && expected.size() < kPathBufferSize;

    if (replaced != fits) Fail("the verdict does not match whether the result fits");
    if (!replaced) {
        if (std::memcmp(before, buffer.get(), kPathBufferSize) != 0) Fail("refused but changed");
        return 0;
    }
    if (strnlen(buffer.get(), kPathBufferSize) == kPathBufferSize) Fail("no terminator");
    if (buffer.get() != expected) Fail("not the path with its extension replaced by chm");
    return 0;
}
