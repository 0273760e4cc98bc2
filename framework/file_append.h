// Appending to a file, the one file operation the program needs: the report
// file. It depends on the system's files, so each provider implements it
// (winmodel/ on Linux, winnative/ on Windows).
#ifndef KORVAN_FRAMEWORK_FILE_APPEND_H
#define KORVAN_FRAMEWORK_FILE_APPEND_H

#include <string>

/// The end-of-file mark of old text files, which an append writes over.
constexpr char kCtrlZ = 26;

/// Appends `bytes` to the file at `path`, creating it when missing. A Ctrl-Z
/// that ends the existing file is written over; a failed write leaves the
/// file as it was. Returns an empty string on success, else the system's
/// reason.
std::string AppendBytesToFile(const std::string& path, const std::string& bytes);

#endif  // KORVAN_FRAMEWORK_FILE_APPEND_H
