#include <vector>

#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane {

namespace {

// One folder's listing, shared by both variants. Add(name) puts an entry into
// the caller's list; abortable variants stop once OperationInProgress is false.
template <typename AddFn>
uint64_t ListFolder(Context& ctx, Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                    bool Recurse, bool abortable, AddFn&& add) {
  if (Path.empty() || Path.back() != '\\') Path += "\\";
  IFileSystem& fs = ctx.files();
  uint64_t total = 0;
  std::vector<Text> folders;
  auto aborted = [&] { return abortable && !ctx.OperationInProgress; };

  // Folder pass: sub-folders are found with "*" whatever the pattern.
  {
    FindHandleOwner find(fs);
    FindData fd;
    bool more = find.First(Path + "*", fd);
    while (more) {
      modFindFiles::CutAtNull(fd.name);
      if (fd.name != "." && fd.name != "..") {
        uint32_t attrs = fs.GetAttributes(Path + fd.name);
        if (attrs != win::kInvalidAttributes && (attrs & win::kAttrDirectory)) {
          ++DirCount;
          // Junctions and symbolic links are counted but never followed: a
          // link loop or a link off the drive would make the walk endless.
          if (!(attrs & win::kAttrReparsePoint)) folders.push_back(fd.name);
        }
      }
      more = find.Next(fd);
      ctx.YieldToHost();
      if (aborted()) return total;
    }
  }

  // File pass: the pattern's matches, attributes untested.
  {
    FindHandleOwner find(fs);
    FindData fd;
    bool more = find.First(Path + Pattern, fd);
    while (more) {
      modFindFiles::CutAtNull(fd.name);
      if (fd.name != "." && fd.name != "..") {
        total += fd.Size();
        ++FileCount;
        if (fd.name != "desktop.ini") add(Path, fd.name);
      }
      more = find.Next(fd);
      ctx.YieldToHost();
      if (aborted()) return total;
    }
  }

  if (Recurse) {
    for (const Text& name : folders) {
      Text sub = Path + name + "\\";
      total += ListFolder(ctx, sub, Pattern, FileCount, DirCount, Recurse, abortable, add);
      ctx.YieldToHost();
    }
  }
  ctx.YieldToHost();
  return total;
}

}  // namespace

void modFindFiles::CutAtNull(Text& text) {
  size_t p = text.find('\0');
  if (p != Text::npos) text.resize(p);
}

uint64_t modFindFiles::FindFilesToList(Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                                       ListBox& TargetList, bool& Recurse) {
  return ListFolder(ctx_, Path, Pattern, FileCount, DirCount, Recurse, false,
                    [&](const Text&, const Text& name) { TargetList.push_back(name); });
}

uint64_t modFindFiles::FindFilesToListView(Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                                           ListView& TargetList, bool& Recurse) {
  return ListFolder(ctx_, Path, Pattern, FileCount, DirCount, Recurse, true,
                    [&](const Text& folder, const Text& name) { TargetList.Add(folder + name); });
}

}  // namespace morvane
