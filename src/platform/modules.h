// The system access layer's modules, written once on top of the service
// interfaces. Each object holds only its module's private state.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/context.h"
#include "platform/path_table.h"
#include "platform/tables.h"

namespace morvane {

// Full-path registry access: "HKEY_...\sub\path", values by name.
class modRegistry {
 public:
  explicit modRegistry(Context& ctx) : ctx_(ctx) {}

  // Rewrites KeyPath to the sub-path; RootKey 0 when the path has no known root.
  void SplitRegistryPath(Text& KeyPath, win::HKey& RootKey);
  static win::HKey GetRootKeyHandle(const Text& RootName);
  // The value's text; none when it cannot be read; the empty text when the
  // root name is unknown.
  std::optional<Text> GetRegistryString(const Text& KeyPath, const Text& ValueName);
  // The value as a number; none when it cannot be read or the root name is unknown.
  std::optional<int32_t> GetRegistryDword(const Text& KeyPath, const Text& ValueName);
  void SetRegistryString(const Text& KeyPath, const Text& ValueName, const Text& Data);
  void SetRegistryDword(const Text& KeyPath, const Text& ValueName, int32_t& Value);
  // False when the key is not deleted (also when it still has subkeys).
  bool DeleteRegistryKey(const Text& KeyPath);
  void DeleteRegistryValue(const Text& KeyPath, const Text& ValueName);
  // Subkey names at 0..n-1 and one empty text at n.
  std::vector<Text> GetSubKeyNames(const Text& KeyPath);
  static Text TrimAtNull(const Text& text);

  int32_t LastRegResult = 0;

 private:
  Context& ctx_;
  win::HKey currentRoot_ = 0;
};

// A value that was read and is neither empty nor the text "Error": a value
// reading "Error" has always counted as one that cannot be read.
inline bool HasRegistryText(const std::optional<Text>& value) {
  return value && !value->empty() && *value != "Error";
}

// Recursive listing of a key tree into a table, pre-order.
class modRegScan {
 public:
  explicit modRegScan(Context& ctx) : ctx_(ctx) {}
  void EnumRegistryKeys(win::HKey RootKey, const Text& KeyPath, const Text& RootName, ListView& lstRegScan);
  void EnumRegistryKeys(win::HKey RootKey, const Text& KeyPath, const Text& RootName, PathTable& lstRegScan);
  void AddRegistryKeyToList(win::HKey RootKey, const Text& KeyPath, const Text& RootName, ListView& lstRegScan);

 private:
  template <class Table>
  void Walk(win::HKey RootKey, const Text& KeyPath, const Text& RootName, Table& rows);
  template <class Table>
  void Walk(win::HKey RootKey, const Text& KeyPath, win::HKey Parent, const Text& Name, const Text& RootName,
            Table& rows, uint32_t depth);
  Context& ctx_;
  int32_t lastResult_ = 0;
};

// The main window's file-search totals.
struct SearchTotals {
  int32_t FileCount = 0;
  int32_t DirCount = 0;
  int64_t Size = 0;
  void ResetSearchTotals() { *this = SearchTotals{}; }
};

// Folder listings into a list box (names) or a list view (full paths).
class modFindFiles {
 public:
  explicit modFindFiles(Context& ctx) : ctx_(ctx) {}
  uint64_t FindFilesToList(Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                           ListBox& TargetList, bool& Recurse);
  // Gives up as soon as OperationInProgress is false.
  uint64_t FindFilesToListView(Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                               ListView& TargetList, bool& Recurse);
  uint64_t FindFilesToListView(Text& Path, const Text& Pattern, int32_t& FileCount, int32_t& DirCount,
                               PathTable& TargetList, bool& Recurse);
  static void CutAtNull(Text& text);

 private:
  Context& ctx_;
};

// Ending a running program by its process identifier.
class modEndProcess {
 public:
  explicit modEndProcess(Context& ctx) : ctx_(ctx) {}
  // Image, when given, is the program's path as the process listing read it:
  // the process is asked and ended only while its id still belongs to it
  // (an id freed by one program may be handed to another); true then too
  // when it does not, as the one meant is gone.
  bool EndProcess(uint32_t ProcessId, uint32_t ExitCode, const Text& Image = {});
  bool PostToProcessWindows(uint32_t ProcessId, uint32_t Message, uintptr_t WParam);

  bool VersionKnown = false;
  bool IsWin9xFamily = false;

 private:
  Context& ctx_;
};

// One-file shell copy and move; the shell's status (0 = success).
class modFileOper {
 public:
  explicit modFileOper(Context& ctx) : ctx_(ctx) {}
  int32_t ShellCopyFile(const Text& Source, const Text& Destination);
  int32_t ShellMoveFile(const Text& Source, const Text& Destination);

 private:
  Context& ctx_;
};

// Shell copy of a whole folder into an existing destination folder.
class modCopyFolder {
 public:
  explicit modCopyFolder(Context& ctx) : ctx_(ctx) {}
  bool CopyFolder(Text& Source, const Text& Destination);

 private:
  Context& ctx_;
};

// Runs a command line hidden and waits for it to end; always true.
bool ShellAndWait(Context& ctx, const Text& sCmd, int32_t WindowStyle = 0);
// A path as one command-line argument: quoted when it holds a blank.
Text QuoteArgument(const Text& path);

}  // namespace morvane
