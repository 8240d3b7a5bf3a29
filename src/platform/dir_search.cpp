#include "platform/dir_search.h"

#include "platform/handles.h"

namespace morvane {

bool DirFinds(IFileSystem& fs, const Text& pattern, uint32_t allowed) {
  if (pattern.empty()) return false;
  Text namePattern = pattern.back() == '\\' ? pattern + "*" : pattern;
  // The attributes a search asks for; every other one is no reason to skip an entry.
  constexpr uint32_t kFiltered = win::kAttrHidden | win::kAttrSystem | win::kAttrDirectory;
  FindHandleOwner find(fs);
  FindData fd;
  for (bool more = find.First(namePattern, fd); more; more = find.Next(fd)) {
    if ((fd.attributes & kFiltered & ~allowed) == 0) return true;
  }
  return false;
}

}  // namespace morvane
