// Directory searches with an attribute filter: does a pattern name anything
// that is visible to a search admitting only these attributes?
#pragma once
#include "platform/services.h"

namespace morvane {

// Normal, read-only and archive files only (no hidden, system or folders).
constexpr uint32_t kDirFilesOnly = win::kAttrReadOnly | win::kAttrArchive | win::kAttrNormal;
// The same and folders too.
constexpr uint32_t kDirFilesAndFolders = kDirFilesOnly | win::kAttrDirectory;

// True when FindFirstFileA(pattern) returns an entry that a search admitting
// allowed sees: only the hidden, system and folder attributes can hide an
// entry; any other (offline, encrypted, sparse, cloud placeholders, reparse
// points) does not. "." and ".." count as folders. A pattern ending in "\"
// searches the folder's entries.
bool DirFinds(IFileSystem& fs, const Text& pattern, uint32_t allowed);

}  // namespace morvane
