#include "platform/dir_search.h"

#include "platform/handles.h"

namespace morvane {

namespace {

// A full path ("C:\...\name") without wildcards, "." or ".." as its name, or a
// stream: a search for it can only return that one entry.
bool NamesOneEntry(const Text& path) {
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
  if (path.find_first_of("*?/", 0) != Text::npos || path.find(':', 2) != Text::npos) return false;
  const Text name = path.substr(path.rfind('\\') + 1);
  return !name.empty() && name != "." && name != "..";
}

}  // namespace

bool DirFinds(IFileSystem& fs, const Text& pattern, uint32_t allowed) {
  if (pattern.empty()) return false;
  // The attributes a search asks for; every other one is no reason to skip an entry.
  constexpr uint32_t kFiltered = win::kAttrHidden | win::kAttrSystem | win::kAttrDirectory;
  // One entry's attributes are asked for directly: the same answer, and under
  // Wine a search for one name reads its whole folder.
  if (NamesOneEntry(pattern)) {
    const uint32_t attributes = fs.GetAttributes(pattern);
    return attributes != win::kInvalidAttributes && (attributes & kFiltered & ~allowed) == 0;
  }
  Text namePattern = pattern.back() == '\\' ? pattern + "*" : pattern;
  FindHandleOwner find(fs);
  FindData fd;
  for (bool more = find.First(namePattern, fd); more; more = find.Next(fd)) {
    if ((fd.attributes & kFiltered & ~allowed) == 0) return true;
  }
  return false;
}

}  // namespace morvane
