// Where the program's help file lies: next to the executable, under the
// executable's own name, with the extension "chm".
#ifndef KORVAN_APP_HELP_FILE_H
#define KORVAN_APP_HELP_FILE_H

#include <cstddef>

/// Rewrites the executable path in `path` (NUL-terminated inside `size`
/// bytes) into its help file's path: what follows the last dot of the file
/// name gives way to "chm", or ".chm" is appended when the name has no dot.
/// Returns false, leaving `path` as it was, when the result would not fit.
bool ReplaceExtensionWithChm(char* path, std::size_t size);

#endif  // KORVAN_APP_HELP_FILE_H
