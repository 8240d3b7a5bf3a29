// The update server named in "Tessarin.ini" beside the program.
#pragma once
#include "platform/services.h"

namespace morvane {

// The server address from "Tessarin.ini" beside the program: a line
// "Server=http://HOST[:PORT]". On failure, error holds the status text to show.
bool ReadServerAddress(IFileSystem& fs, const Text& programFolder, Text& url, Text& error);

}  // namespace morvane
