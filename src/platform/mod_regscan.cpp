#include <vector>

#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane {

namespace {
// Query value, set value, create subkey, enumerate subkeys, notify, create link.
constexpr uint32_t kScanAccess = 0x3F;
// The subkey index is a 16-bit signed counter.
constexpr uint32_t kMaxSubkeys = 32767;
// Open parent handles a walk keeps at most.
constexpr uint32_t kHeldLevels = 64;
// Levels a registry tree has at most: a walk goes no deeper, whatever a
// backend answers.
constexpr uint32_t kMaxLevels = 512;
}  // namespace

void modRegScan::AddRegistryKeyToList(win::HKey RootKey, const Text& KeyPath, const Text& RootName,
                                      ListView& lstRegScan) {
  RegKey key(ctx_.registry());
  if (key.OpenEx(RootKey, KeyPath, kScanAccess) == win::kSuccess) lstRegScan.Add(RootName + "\\" + KeyPath);
}

void modRegScan::EnumRegistryKeys(win::HKey RootKey, const Text& KeyPath, const Text& RootName,
                                  ListView& lstRegScan) {
  Walk(RootKey, KeyPath, RootName, lstRegScan);
}

void modRegScan::EnumRegistryKeys(win::HKey RootKey, const Text& KeyPath, const Text& RootName,
                                  PathTable& lstRegScan) {
  Walk(RootKey, KeyPath, RootName, lstRegScan);
}

template <class Table>
void modRegScan::Walk(win::HKey RootKey, const Text& KeyPath, const Text& RootName, Table& rows) {
  Walk(RootKey, KeyPath, 0, KeyPath, RootName, rows, 0);
}

// Each sub-key opens by its name under its parent's open handle, so the
// registry resolves one name, not the whole path; the parents stay open down
// the descent, at most kHeldLevels of them. Deeper, and for a walk that starts
// at the root itself, a key opens by its full path as before.
template <class Table>
void modRegScan::Walk(win::HKey RootKey, const Text& KeyPath, win::HKey Parent, const Text& Name,
                      const Text& RootName, Table& rows, uint32_t depth) {
  RegKey key(ctx_.registry());
  // A link opens as itself: it is listed, with no sub-keys. What it points
  // at lies elsewhere, under its own name; a row through a link would name
  // another key than it seems to, and a removal of it would delete that key.
  int32_t opened = Parent ? key.OpenLink(Parent, Name, kScanAccess) : key.OpenLink(RootKey, KeyPath, kScanAccess);
  if (opened != win::kSuccess) return;
  // The key is open with the row's access: its row goes in without a
  // second open.
  rows.Add(RootName + "\\" + KeyPath);
  std::vector<Text> names;
  for (uint32_t index = 0; depth < kMaxLevels && index < kMaxSubkeys; ++index) {
    char name[257] = {};
    uint32_t nameSize = 256;
    // No class asked: a key with a class would only answer "more data" first.
    lastResult_ = ctx_.registry().EnumKey(key.get(), index, name, nameSize, nullptr, nullptr);
    if (lastResult_ != win::kSuccess) break;
    names.push_back(modRegistry::TrimAtNull(Text(name, nameSize)));
  }
  const bool hold = depth < kHeldLevels && !KeyPath.empty();
  if (!hold) key.Close();
  for (const Text& name : names) {
    ctx_.YieldToHost();
    if (!ctx_.OperationInProgress) return;
    Walk(RootKey, KeyPath + "\\" + name, hold ? key.get() : 0, name, RootName, rows, depth + 1);
  }
}

}  // namespace morvane
