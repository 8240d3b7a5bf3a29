// A list-view table of full paths held compactly: each row is its folder
// (the text up to and including the last "\") and its name; every folder is
// kept once, the names one after another in one block. Rows are numbered
// from 1 in the order added, and a row's text is folder + name.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

class PathTable {
 public:
  static constexpr uint32_t kNoFolder = UINT32_MAX;

  size_t Count() const { return folderOf_.size(); }
  bool Empty() const { return folderOf_.empty(); }
  void Clear() { *this = PathTable(); }
  // Adds the row folder + name.
  void Add(std::string_view folder, std::string_view name);
  void Add(std::string_view path) { Add({}, path); }

  // Rows are numbered from 1.
  Text RowText(size_t index) const;
  // A row as a list view hands it out: its text.
  struct Row {
    Text text;
  };
  Row Item(size_t index) const { return {RowText(index)}; }
  std::string_view Name(size_t index) const {
    return std::string_view(names_).substr(nameAt_[index - 1], NameEnd(index) - nameAt_[index - 1]);
  }
  uint32_t FolderOf(size_t index) const { return folderOf_[index - 1]; }

  size_t FolderCount() const { return folderAt_.size(); }
  std::string_view Folder(uint32_t folder) const {
    const size_t end = folder + 1 < folderAt_.size() ? folderAt_[folder + 1] : folders_.size();
    return std::string_view(folders_).substr(folderAt_[folder], end - folderAt_[folder]);
  }
  // The folder with this exact text, or kNoFolder.
  uint32_t FindFolder(std::string_view folder) const;

  bool operator==(const PathTable& o) const;

 private:
  size_t NameEnd(size_t index) const { return index < nameAt_.size() ? nameAt_[index] : names_.size(); }
  uint32_t AddFolder(std::string_view folder);
  void Grow();

  std::vector<uint32_t> folderOf_, nameAt_;  // per row
  std::string names_;
  std::vector<uint32_t> folderAt_;  // per folder, into folders_
  std::string folders_;
  std::vector<uint32_t> slots_;  // folder ids by hash, open addressing
  uint32_t last_ = kNoFolder;    // the folder of the row added last
};

}  // namespace morvane
