#include "platform/dir_search.h"

#include "platform/handles.h"

namespace morvane {

bool DirFinds(IFileSystem& fs, const Text& pattern, uint32_t allowed) {
  if (pattern.empty()) return false;
  Text namePattern = pattern.back() == '\\' ? pattern + "*" : pattern;
  // Attributes that never hide an entry.
  constexpr uint32_t kIgnored = win::kAttrReparsePoint | 0x800 /*compressed*/ | 0x2000 /*not indexed*/ | 0x100;
  FindHandleOwner find(fs);
  FindData fd;
  for (bool more = find.First(namePattern, fd); more; more = find.Next(fd)) {
    uint32_t a = fd.attributes & ~kIgnored;
    if ((a & ~allowed) == 0) return true;
  }
  return false;
}

}  // namespace morvane
