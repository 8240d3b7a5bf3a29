// Reading a text file into the rows of a table, one row per line.
#pragma once
#include <functional>

#include "platform/services.h"
#include "platform/tables.h"

namespace morvane {

// Replaces the rows of rows by the text lines of the file (CR LF or
// LF); a missing or unreadable file leaves it empty. eachRow, when given, is
// called with each row's text as soon as it is added.
void ReadLines(IFileSystem& files, const Text& path, ListView& rows,
               const std::function<void(Text&)>& eachRow = {});

}  // namespace morvane
