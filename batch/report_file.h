// Appending to the report file: the one part of the report that depends on
// the system's files. Each system has its own report_file_<system>.cpp.
#ifndef KORVAN_BATCH_REPORT_FILE_H
#define KORVAN_BATCH_REPORT_FILE_H

#include <string>

/// The end-of-file mark of old text files, which an append writes over.
constexpr char kCtrlZ = 26;

/// Appends `bytes` to the file at `path`, creating it when missing. A Ctrl-Z
/// that ends the existing file is written over; a failed write leaves the
/// file as it was. Returns an empty string on success, else the system's
/// reason.
std::string AppendBytesToFile(const std::string& path, const std::string& bytes);

#endif  // KORVAN_BATCH_REPORT_FILE_H
