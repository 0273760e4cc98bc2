// How a program is named after its executable, the same for the application
// object and for the provider's own captions.
#ifndef KORVAN_FRAMEWORK_MODULE_NAME_H
#define KORVAN_FRAMEWORK_MODULE_NAME_H

#include <string>

/// The file name of `path` without its directory and its last extension:
/// "/opt/tools/my.clock.exe" gives "my.clock".
std::string NameFromModulePath(const std::string& path);

#endif  // KORVAN_FRAMEWORK_MODULE_NAME_H
