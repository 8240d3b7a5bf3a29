#include "platform/offline/offline_basics.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace morvane::offline {

namespace {
Text Trimmed(Text p) {
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}
Text LeafOf(const Text& p) { return p.substr(p.find_last_of('\\') + 1); }
Text ParentOf(const Text& p) {
  size_t s = p.find_last_of('\\');
  return s == Text::npos ? Text() : p.substr(0, s);
}
bool IsFolder(IFileSystem& files, const Text& path) {
  uint32_t a = files.GetAttributes(path);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory);
}
// The entries of a folder but "." and "..".
std::vector<FindData> Entries(IFileSystem& files, const Text& folder) {
  std::vector<FindData> out;
  FindData fd;
  auto h = files.FindFirst(folder + "\\*", fd);
  if (h == IFileSystem::kInvalidFind) return out;
  do
    if (fd.name != "." && fd.name != "..") out.push_back(fd);
  while (files.FindNext(h, fd));
  files.FindClose(h);
  return out;
}
}  // namespace

win::Handle OfflineProcesses::CreateSnapshot(uint32_t, uint32_t) {
  snapshots_.push_back(next_);
  return next_++;
}

win::Handle OfflineProcesses::Launch(const Text& commandLine, uint16_t) {
  if (!run) return 0;
  run(commandLine);
  snapshots_.push_back(next_);
  return next_++;
}

uint32_t OfflineProcesses::Wait(win::Handle h, uint32_t) {
  return std::find(snapshots_.begin(), snapshots_.end(), h) == snapshots_.end() ? win::kWaitFailed
                                                                                 : win::kWaitObject0;
}

bool OfflineProcesses::CloseHandle(win::Handle h) {
  auto it = std::find(snapshots_.begin(), snapshots_.end(), h);
  if (it == snapshots_.end()) return false;
  snapshots_.erase(it);
  return true;
}

bool OfflineShell::CopyTree(const Text& from, const Text& to) {
  if (!IsFolder(files_, from)) return files_.CopyTo(from, to, false);
  if (!IsFolder(files_, to) && !files_.MakeFolder(to)) return false;
  bool ok = true;
  for (const FindData& e : Entries(files_, from))
    if (!(e.attributes & win::kAttrReparsePoint)) ok = CopyTree(from + "\\" + e.name, to + "\\" + e.name) && ok;
  return ok;
}

bool OfflineShell::RemoveTree(const Text& path) {
  uint32_t a = files_.GetAttributes(path);
  if (a == win::kInvalidAttributes) return true;
  if ((a & win::kAttrDirectory) && !(a & win::kAttrReparsePoint))
    for (const FindData& e : Entries(files_, path)) RemoveTree(path + "\\" + e.name);
  files_.SetAttributes(path, win::kAttrNormal);
  return files_.RemoveFile(path) || files_.RemoveFolder(path);
}

int32_t OfflineShell::FileOperation(uint32_t operation, const Text& fromIn, const Text& toIn, uint16_t) {
  Text from = Trimmed(fromIn), to = Trimmed(toIn);
  if (files_.GetAttributes(from) == win::kInvalidAttributes) return kMissingSource;
  if (operation == win::kFoDelete) return RemoveTree(from) ? 0 : kFailed;
  if (operation != win::kFoCopy && operation != win::kFoMove) return kFailed;
  // Into an existing folder under the source's own name; else to the named path.
  Text target = IsFolder(files_, to) ? to + "\\" + LeafOf(from) : to;
  if (target == from) return kFailed;
  Text parent = ParentOf(target);
  if (!IsFolder(files_, parent) && !files_.MakeFolder(parent)) return kFailed;
  if (!CopyTree(from, target)) return kFailed;
  if (operation == win::kFoMove && !RemoveTree(from)) return kFailed;
  return 0;
}

uint32_t OfflineSystemInfo::Put(const Text& value, char* buffer, uint32_t size) {
  if (value.size() + 1 > size) return uint32_t(value.size() + 1);
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return uint32_t(value.size());
}

DateTime OfflineClock::Now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

Text OfflineClock::ShortDate(const DateTime& when) {
  return std::to_string(when.month) + "/" + std::to_string(when.day) + "/" + std::to_string(when.year);
}

MsgResult OfflineMessages::Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon) {
  shown.push_back({text, title});
  if (answer) return answer(text, buttons);
  switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::OkCancel: return MsgResult::Cancel;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::YesNoCancel: return MsgResult::Cancel;
  }
  return MsgResult::Ok;
}

}  // namespace morvane::offline
