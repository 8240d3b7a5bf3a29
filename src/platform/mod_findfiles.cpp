#include <vector>

#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane {

namespace {

// The attributes of a folder entry: those the search returned. A name the
// code page could not hold comes back with "?" in it, which the attribute
// query refuses as a wildcard: asked by path, as such a name always was.
uint32_t EntryAttributes(IFileSystem& fs, const Text& folder, const FindData& fd) {
  if (fd.name.find_first_of("?*") != Text::npos) return fs.GetAttributes(folder + fd.name);
  return fd.attributes;
}

// A pattern that every entry matches: the folder pass already returns the
// file pass's entries, in the same order.
bool MatchesEverything(const Text& pattern) { return pattern == "*" || pattern == "*.*"; }

// One folder's listing, shared by both variants. Add(folder, name) puts an
// entry into the caller's list; abortable variants stop once
// OperationInProgress is false. The folder is read once when the pattern
// takes every entry; the file pass then walks the entries kept from the
// folder pass, with the same yields and abort tests.
template <typename AddFn>
uint64_t ListFolder(Context& ctx, Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                    bool Recurse, bool abortable, AddFn&& add) {
  if (Path.empty() || Path.back() != '\\') Path += "\\";
  IFileSystem& fs = ctx.files();
  uint64_t total = 0;
  std::vector<Text> folders;
  auto aborted = [&] { return abortable && !ctx.OperationInProgress; };
  const bool onePass = MatchesEverything(Pattern);
  struct Kept {
    size_t at, length;
    uint64_t size;
  };
  std::vector<Kept> kept;
  Text names;  // the kept names, one after another

  // Folder pass: sub-folders are found with "*" whatever the pattern.
  {
    FindHandleOwner find(fs);
    FindData fd;
    bool more = find.First(Path + "*", fd);
    while (more) {
      modFindFiles::CutAtNull(fd.name);
      if (fd.name != "." && fd.name != "..") {
        uint32_t attrs = EntryAttributes(fs, Path, fd);
        if (attrs != win::kInvalidAttributes && (attrs & win::kAttrDirectory)) {
          ++DirCount;
          // Junctions and symbolic links are counted but never followed: a
          // link loop or a link off the drive would make the walk endless.
          if (!(attrs & win::kAttrReparsePoint)) folders.push_back(fd.name);
        }
        if (onePass) {
          kept.push_back({names.size(), fd.name.size(), fd.Size()});
          names += fd.name;
        }
      } else if (onePass) {
        kept.push_back({0, 0, 0});  // stands for "." or "..": a yield, no entry
      }
      more = find.Next(fd);
      ctx.YieldToHost();
      if (aborted()) return total;
    }
  }

  // File pass: the pattern's matches, attributes untested.
  if (onePass) {
    Text name;
    for (const Kept& k : kept) {
      if (k.length != 0) {
        total += k.size;
        ++FileCount;
        name.assign(names, k.at, k.length);
        if (name != "desktop.ini") add(Path, name);
      }
      ctx.YieldToHost();
      if (aborted()) return total;
    }
  } else {
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
  kept = {};
  names = {};

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
                    [&](const Text& folder, const Text& name) {
                      Text full;
                      full.reserve(folder.size() + name.size());
                      full += folder;
                      full += name;
                      TargetList.Add(std::move(full));
                    });
}

uint64_t modFindFiles::FindFilesToListView(Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                                           PathTable& TargetList, bool& Recurse) {
  return ListFolder(ctx_, Path, Pattern, FileCount, DirCount, Recurse, true,
                    [&](const Text& folder, const Text& name) { TargetList.Add(folder, name); });
}

}  // namespace morvane
