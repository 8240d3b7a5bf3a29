#include "platform/simulated/sim_shell.h"

#include <cctype>

#include "platform/simulated/sim_files.h"

namespace morvane::sim {

namespace {
Text Trimmed(Text p) {
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}
Text LeafOf(const Text& p) {
  size_t s = p.find_last_of('\\');
  return s == Text::npos ? p : p.substr(s + 1);
}
Text ParentOf(const Text& p) {
  size_t s = p.find_last_of('\\');
  return s == Text::npos ? Text() : p.substr(0, s);
}
}  // namespace

// Every missing level, one at a time, as the shell makes them.
bool SimShell::MakeFolders(const Text& path) {
  if (files_.IsFolder(path)) return true;
  const Text parent = ParentOf(path);
  if (parent.size() < 2 || parent == path) return false;
  if (parent.size() > 2 && !MakeFolders(parent)) return false;
  return files_.MakeFolder(path);
}

bool SimShell::CopyTree(const Text& from, const Text& to) {
  if (!files_.IsFolder(from)) return files_.CopyTo(from, to, false);
  if (!MakeFolders(to)) return false;
  bool ok = true;
  for (const Text& entry : files_.ListTree(from)) {
    Text target = to + entry.substr(from.size());
    if (files_.IsFolder(entry))
      ok = MakeFolders(target) && ok;
    else
      ok = files_.CopyTo(entry, target, false) && ok;
  }
  return ok;
}

int32_t SimShell::FileOperation(uint32_t operation, const Text& fromIn, const Text& toIn, uint16_t flags) {
  Text from = Trimmed(fromIn), to = Trimmed(toIn);
  operations.push_back((operation == win::kFoMove ? "move " : "copy ") + from + " -> " + to);
  if (operation != win::kFoCopy && operation != win::kFoMove) return kFailed;
  if (files_.GetAttributes(from) == win::kInvalidAttributes) return kMissingSource;
  // Into an existing folder under the source's own name; else to the named path.
  Text target = files_.IsFolder(to) ? to + "\\" + LeafOf(from) : to;
  if (target == from) return kFailed;
  Text parent = ParentOf(target);
  if (declineReplace && !(flags & win::kFofNoConfirmation) && files_.Exists(target) && !files_.IsFolder(target))
    return kCancelled;
  if (!MakeFolders(parent)) return kFailed;
  // On one drive a move renames: the bytes stay where they are on the disk.
  if (operation == win::kFoMove && std::tolower(static_cast<unsigned char>(from[0])) ==
                                       std::tolower(static_cast<unsigned char>(target[0])) &&
      !files_.Exists(target) && files_.MoveReplace(from, target))
    return 0;
  if (!CopyTree(from, target)) return kFailed;
  if (operation == win::kFoMove) {
    std::vector<Text> tree = files_.ListTree(from);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
      files_.SetAttributes(*it, win::kAttrNormal);
      if (!files_.RemoveFile(*it)) files_.RemoveFolder(*it);
    }
    files_.SetAttributes(from, win::kAttrNormal);
    if (!files_.RemoveFile(from) && !files_.RemoveFolder(from)) return kFailed;
  }
  return 0;
}

intptr_t SimShell::Execute(win::HWnd, const Text& verb, const Text& file, const Text& parameters,
                           const Text& directory, int show) {
  executed.push_back({verb, file, parameters, directory, show});
  return files_.Exists(file) ? 42 : 2;
}

}  // namespace morvane::sim
