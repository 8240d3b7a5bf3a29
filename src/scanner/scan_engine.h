// The scan driver: StartScan with its three modes, the record loop, the match
// tests and the found-object steps. Listing tests use indexes over the
// inventories; the finds, their order and the counters are those of walking
// every listed entry.
#pragma once
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/context.h"
#include "platform/modules.h"
#include "scanner/scan_view.h"
#include "store/app_settings.h"
#include "store/app_state.h"
#include "store/ignore_list.h"

namespace morvane {

class PathIndex;
class PatternIndex;
class SubstringIndex;

// The selected folders a File/Folder Scan lists, in order: those inside
// another selected folder, and repeats, are left out.
ListBox FoldersToList(const ListBox& selected);

class ScanEngine {
 public:
  // hooks may be null: then only the process snapshot is taken before the
  // scan and nothing is logged after it.
  ScanEngine(Context& ctx, AppState& app, IScanView& view, IScanHooks* hooks = nullptr);
  ~ScanEngine();

  void StartScan();
  void ResetUsedValues();

  // Database entries whose end has been reached in the running scan (the
  // point where the record loop checks OperationInProgress).
  size_t entriesDone = 0;

 private:
  enum class Mode { Smart, Custom, Folders };
  bool Option(CustomScanLine option) const;
  void Raise(Counter c);
  void Caption(const Text& text) { view_.SetCurrentOperation(text); }
  // "Scanning_item:_" and the item, in one buffer kept between calls.
  void ScanningCaption(std::string_view item);
  bool Stopped() const { return !ctx_.OperationInProgress; }

  void RunSmart();
  void RunCustom();
  void RunFolders();
  void RecordLoop(Mode mode);
  // False when the record loop must end at once.
  bool HandleRecord(Mode mode, const Text& type);

  bool FileTest();
  bool FolderTest();
  bool ValueTest();
  bool KeyTest();  // sets stop_ when aborted inside
  void CookieTest();
  void ListedPathTest();
  void ListedFolderTest();
  void PatternTest();
  void ListedKeyTest();
  bool AbortedAfterRow();

  void Found(std::string_view type, Text object, int icon, Counter typeCounter, bool processTest,
             const Text* category = nullptr);
  bool Ignored(const Text& object);
  // More than one key record has parent as its parent, under a known root.
  bool SharedParent(const Text& parent);
  void ProcessTest();

  PathIndex& Paths();
  PatternIndex& Patterns();
  SubstringIndex& Cookies();
  SubstringIndex& RegRows();

  Context& ctx_;
  AppState& app_;
  IScanView& view_;
  IScanHooks* hooks_;
  modRegistry reg_;
  bool stop_ = false;   // an inner walk ended the record loop
  bool customProcessTest_ = true;
  std::unique_ptr<PathIndex> paths_;
  std::unique_ptr<PatternIndex> patterns_;
  std::unique_ptr<SubstringIndex> cookies_, regRows_;
  std::unique_ptr<IgnoreIndex> ignored_;  // of the running scan
  // Sub-key names, lower-cased, of the parents more than one key record names.
  struct SubKeys {
    Text first;  // in listing order
    std::unordered_set<Text> all;
  };
  std::unordered_map<Text, SubKeys> subKeys_;
  std::optional<std::vector<size_t>> keyParents_;
  Text caption_;
};

}  // namespace morvane
