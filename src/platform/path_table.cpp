#include "platform/path_table.h"

#include <functional>
#include <stdexcept>

namespace morvane {

namespace {
size_t HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }
uint32_t Offset(size_t at) {
  if (at > UINT32_MAX) throw std::length_error("PathTable");
  return uint32_t(at);
}
}  // namespace

void PathTable::Add(std::string_view folder, std::string_view name) {
  // The row's folder is its text up to the last "\": a name that holds one
  // moves that part into the folder.
  Text joined;
  const size_t slash = name.rfind('\\');
  if (slash != std::string_view::npos || (!folder.empty() && folder.back() != '\\')) {
    joined.reserve(folder.size() + name.size());
    joined.append(folder).append(name);
    const size_t at = joined.rfind('\\');
    const size_t cut = at == Text::npos ? 0 : at + 1;
    folder = std::string_view(joined).substr(0, cut);
    name = std::string_view(joined).substr(cut);
  }
  if (last_ == kNoFolder || Folder(last_) != folder) last_ = AddFolder(folder);
  folderOf_.push_back(last_);
  nameAt_.push_back(Offset(names_.size()));
  names_.append(name);
  Offset(names_.size());
}

Text PathTable::RowText(size_t index) const {
  if (index < 1 || index > Count()) throw std::out_of_range("PathTable::RowText");
  const std::string_view folder = Folder(FolderOf(index)), name = Name(index);
  Text text;
  text.reserve(folder.size() + name.size());
  text.append(folder).append(name);
  return text;
}

uint32_t PathTable::FindFolder(std::string_view folder) const {
  if (slots_.empty()) return kNoFolder;
  const size_t mask = slots_.size() - 1;
  for (size_t at = HashOf(folder) & mask; slots_[at] != kNoFolder; at = (at + 1) & mask)
    if (Folder(slots_[at]) == folder) return slots_[at];
  return kNoFolder;
}

uint32_t PathTable::AddFolder(std::string_view folder) {
  if (uint32_t id = FindFolder(folder); id != kNoFolder) return id;
  const uint32_t id = Offset(folderAt_.size());
  folderAt_.push_back(Offset(folders_.size()));
  folders_.append(folder);
  Offset(folders_.size());
  if (folderAt_.size() * 2 > slots_.size()) {
    Grow();
  } else {
    const size_t mask = slots_.size() - 1;
    size_t at = HashOf(folder) & mask;
    while (slots_[at] != kNoFolder) at = (at + 1) & mask;
    slots_[at] = id;
  }
  return id;
}

void PathTable::Grow() {
  slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, kNoFolder);
  const size_t mask = slots_.size() - 1;
  for (uint32_t id = 0; id < folderAt_.size(); ++id) {
    size_t at = HashOf(Folder(id)) & mask;
    while (slots_[at] != kNoFolder) at = (at + 1) & mask;
    slots_[at] = id;
  }
}

bool PathTable::operator==(const PathTable& o) const {
  if (Count() != o.Count()) return false;
  for (size_t i = 1; i <= Count(); ++i)
    if (Name(i) != o.Name(i) || Folder(FolderOf(i)) != o.Folder(o.FolderOf(i))) return false;
  return true;
}

}  // namespace morvane
