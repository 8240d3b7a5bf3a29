// The quarantine screens: package list, item view, restore and purge.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "database/protected.h"
#include "store/reg_backups.h"
#include "removal/removal_engine.h"
#include "removal/text_util.h"

namespace morvane {

using namespace removal_text;

Text UserDecimalSeparator(Context& ctx) {
  char buffer[16] = {};
  const int32_t n = ctx.system().LocaleInfo(win::kLocaleUserDefault, win::kLocaleSDecimal, buffer, sizeof buffer);
  return n > 1 ? Text(buffer, size_t(n - 1)) : Text(".");
}

Text QuarantineSizeText(uint64_t size, const Text& decimalSeparator) {
  struct Unit {
    uint64_t divisor;
    const char* name;
  };
  static constexpr Unit kUnits[] = {{1073741824ull, " GB"}, {1048576ull, " MB"}, {1024ull, " KB"}};
  if (size < 1024) return std::to_string(size) + " bytes";
  for (const Unit& u : kUnits) {
    if (size < u.divisor) continue;
    // Three decimals, ties to even, shortest form.
    const double thousandths = std::nearbyint(double(size) * 1000.0 / double(u.divisor));
    const uint64_t t = uint64_t(thousandths);
    Text text = std::to_string(t / 1000);
    uint64_t frac = t % 1000;
    if (frac != 0) {
      char digits[8];
      std::snprintf(digits, sizeof digits, "%03u", unsigned(frac));
      Text d = digits;
      while (!d.empty() && d.back() == '0') d.pop_back();
      text += decimalSeparator + d;
    }
    return text + u.name;
  }
  return std::to_string(size) + " bytes";
}

int QuarantineItemImage(const Text& typeWord) {
  const Text t = Lower(typeWord);
  if (t == "file") return 1;
  if (t == "folder") return 2;
  if (t == "path") return 3;
  if (t == "regkey") return 4;
  if (t == "regval") return 5;
  if (t == "cookie") return 6;
  return 0;
}

size_t RemovalEngine::ListQuarantine() {
  lstQuarantinedList.Clear();
  lstQuarantinedFiles.clear();
  selectedQuarantined = 0;
  int32_t files = 0;
  ops_.FindFilesToList(QuarantineRoot(), "*.*", false, lstQuarantinedFiles, files);
  ops_.ResetSearchTotals();

  const Text separator = UserDecimalSeparator(ctx_);
  for (const Text& name : lstQuarantinedFiles) {
    const Text folder = QuarantineRoot() + name + "\\";
    app_.lstQuarBuffer.clear();
    const uint64_t size = ops_.FindFilesToList(folder, "*.*", true, app_.lstQuarBuffer, files);
    ops_.ResetSearchTotals();
    app_.lstQuarBuffer.clear();
    int32_t items = 0;
    ops_.FindFilesToList(folder, "*.qnf", false, app_.lstQuarBuffer, items);
    ListItem& row = lstQuarantinedList.Add(name, 1);
    row.SubItems(1) = QuarantineSizeText(size, separator);
    row.SubItems(2) = std::to_string(items);
    ops_.ResetSearchTotals();
  }
  return lstQuarantinedFiles.size();
}

bool RemovalEngine::ViewPackage() {
  if (selectedQuarantined == 0 || selectedQuarantined > lstQuarantinedList.Count()) return false;
  const Text package = lstQuarantinedList.Item(selectedQuarantined).text;
  if (package.empty()) return false;
  lstQuarantinedItems.Clear();
  app_.lstQuarBuffer.clear();
  int32_t files = 0;
  ops_.FindFilesToList(QuarantineRoot() + package + "\\", "*.qnf", false, app_.lstQuarBuffer, files);
  ops_.ResetSearchTotals();
  for (const Text& name : app_.lstQuarBuffer) {
    Text line;
    ops_.LoadLineFromFile(package + "\\" + name, line);
    auto f = SplitFields(line, '|');
    int image = QuarantineItemImage(f[0]);
    if (image == 0) continue;
    ListItem& row = lstQuarantinedItems.Add(f[0], image);
    row.SubItems(1) = f[1];
    row.SubItems(2) = f[2];
  }
  return true;
}

// Puts one item back; its quarantine files go only when it is back in place.
bool RemovalEngine::RestoreItem(const Text& package, const Text& itemFile) {
  const Text p = QuarantineRoot() + package + "\\";
  Text line;
  if (!ops_.LoadLineFromFile(package + "\\" + itemFile, line)) return false;
  auto f = SplitFields(line, '|');
  const Text type = Lower(f[0]);
  const Text data = p + f[1];
  const Text itemLine = p + itemFile;
  // The item line goes first: a stop between the two leaves a data file no
  // line points at, never a line whose data is gone.
  auto dropItemFiles = [&] {
    ops_.SetNormal(itemLine);
    ops_.RemoveFile(itemLine);
    ops_.SetNormal(data);
    ops_.RemoveFile(data);
  };
  if (f[1].empty() || f[2].empty()) return false;
  // An item line (tampered, or written by another program) that names the
  // system or this program is kept, never put back over it.
  const ProtectedLocations rules(app_.folders, app_.programFolder);
  const bool isProtected = type == "regkey"   ? rules.Key(f[2])
                           : type == "regval" ? rules.Value(f[2])
                                              : rules.File(f[2]) || LeadsToProtected(f[2]);
  // The data file is a name in the package, never a path out of it, nor one
  // that Windows trims to another (". ", "x.": a closing dot or blank goes).
  if (isProtected || f[1].find_first_of("\\/:*?") != Text::npos || f[1].back() == '.' || f[1].back() == ' ')
    return false;

  if (type == "regkey") {
    const Text temp = TemporaryRegFile();
    ops_.SetNormal(temp);
    ops_.RemoveFile(temp);
    Text exported;
    // Only the key itself and what lies below it may come back.
    if (!ops_.LoadLineFromFile(package + "\\" + f[1], exported) || !ExportConfinedTo(exported, f[2])) return false;
    // Over a key of that name made since, the import would overwrite its
    // values: it goes ahead only where it changes none (a removal stopped
    // half way leaves the same data), else the item waits in quarantine.
    if (ops_.KeyExists(f[2]) && !ImportChangesNothing(exported, f[2])) return false;
    bool ok = ops_.ShellCopyFile(data, temp) == 0 && ops_.Exists(temp);
    if (ok) {
      // A silent merge ("/s"). On the Windows 9x family "/c" would build the
      // whole registry anew from this one key's file.
      ops_.ShellAndWait(app_.folders.strWinDir + "\\regedit.exe /s " + QuoteArgument(temp));
      // The stored copy goes only once the key is on the disk.
      ok = ops_.KeyExists(f[2]) && ops_.FlushKey(f[2]);
    }
    ops_.SetNormal(temp);
    ops_.RemoveFile(temp);
    if (ok) dropItemFiles();
    return ok;
  }
  if (type == "regval") {
    Text record;
    if (!ops_.LoadLineFromFile(package + "\\" + f[1], record)) return false;
    // Split as the store joined them: the key ends at the first comma and the
    // record's kind at the first "|", so names and texts keep theirs.
    size_t comma = f[2].find(',');
    if (comma == Text::npos) return false;
    const Text key = f[2].substr(0, comma);
    const Text name = f[2].substr(comma + 1);
    size_t bar = record.find('|');
    const Text value = After(record, bar);
    // A value of that name made since keeps its data: the stored one goes
    // back only where none is, or where it holds that data already (a
    // restore stopped before its item files went).
    const bool there = ops_.ValueType(key, name) >= 0;
    if (record.compare(0, 4, "Raw|") == 0) {
      // "Raw|type|hex": the value's own type and bytes, written and read back.
      const size_t typeEnd = value.find('|');
      const Text typeText = Before(value, typeEnd);
      const uint64_t typeNumber = typeText.empty() || typeText.size() > 10 ||
                                          typeText.find_first_not_of("0123456789") != Text::npos
                                      ? UINT64_MAX
                                      : std::stoull(typeText);
      std::string bytes;
      if (typeEnd == Text::npos || typeNumber > UINT32_MAX || !BytesOfHex(After(value, typeEnd), bytes)) return false;
      const uint32_t type = uint32_t(typeNumber);
      auto holds = [&] {
        uint32_t nowType = 0;
        std::string now;
        return ops_.ReadValue(key, name, nowType, now) && nowType == type && now == bytes;
      };
      if (there && !holds()) return false;
      if (!ops_.WriteValue(key, name, type, bytes) || !holds()) return false;
    } else if (record.compare(0, 6, "String") == 0) {
      // What reading the written text gives: it is stored with a closing NUL,
      // the read trims blanks from both ends and drops the last character.
      Text readBack = value;
      if (readBack.empty() || readBack.back() != '\0') readBack += '\0';
      const size_t b = readBack.find_first_not_of(' ');
      readBack = readBack.substr(b, readBack.find_last_not_of(' ') + 1 - b);
      readBack.pop_back();
      if (there && ops_.GetRegistryString(key, name) != readBack) return false;
      ops_.SetRegistryString(key, name, value);
      const int64_t t = ops_.ValueType(key, name);
      if (t < 0 || ops_.GetRegistryString(key, name) != readBack) return false;
    } else {
      errno = 0;
      char* end = nullptr;
      long long number = std::strtoll(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || number < INT32_MIN || number > INT32_MAX) return false;
      if (there && (ops_.ValueType(key, name) != win::kRegDword || ops_.GetRegistryDword(key, name) != number))
        return false;
      ops_.SetRegistryDword(key, name, int32_t(number));
      if (ops_.ValueType(key, name) != win::kRegDword) return false;
    }
    if (!ops_.FlushKey(key)) return false;
    dropItemFiles();
    return true;
  }
  if (type == "folder") {
    size_t slash = f[2].rfind('\\');
    // The copy keeps the stored folder's name: it must be the original's, or
    // the copy would land on (and overwrite) another folder of that parent.
    if (slash == Text::npos || Lower(f[1]) != Lower(f[2].substr(slash + 1))) return false;
    // The copy asks nothing, so it goes into a folder of that name only to
    // finish what a stopped removal or restore left: there it changes no
    // file, or this item's restore had begun (its mark, beside the item
    // line, stays until the copy is whole). Over a folder made since, the
    // stored files would overwrite newer ones: the item waits in quarantine.
    const Text mark = itemLine + ".restoring";
    const bool begun = ops_.FolderExists(mark);
    if (!begun && ops_.Exists(f[2]) && !CopyChangesNothing(data, f[2])) return false;
    if (!ops_.FolderExists(data) || (!begun && !ops_.MakeFolder(mark))) return false;
    Text destination = f[2].substr(0, slash);
    if (destination.size() == 2 && destination[1] == ':') destination += '\\';  // a drive root
    if (!ops_.CopyFolder(data, destination) || !ops_.FolderExists(f[2])) {
      if (!ops_.Exists(f[2])) ops_.RemoveFolder(mark);  // nothing of it is there
      return false;
    }
    // The stored files go only once the copy is on the disk.
    if (!FlushTree(f[2])) return false;
    ops_.RemoveFolder(mark);
    ops_.SetNormal(itemLine);
    ops_.RemoveFile(itemLine);
    const bool wasRunning = ctx_.OperationInProgress;
    ctx_.OperationInProgress = true;
    WipeFolder(data);
    ctx_.OperationInProgress = wasRunning;
    ops_.RemoveFolder(data);
    return true;
  }
  // "cookie", "file", "path" and any other word: the data file goes back,
  // never into a folder of that name.
  if (ops_.FolderExists(f[2]) || !ops_.Exists(data)) return false;
  ops_.SetNormal(data);
  ops_.SetNormal(itemLine);
  if (ops_.ShellCopyFile(data, f[2]) != 0 || !ops_.Exists(f[2]) || !ops_.FlushFile(f[2])) return false;
  dropItemFiles();
  return true;
}

bool RemovalEngine::ImportChangesNothing(const std::string& stored, const Text& key) {
  const Text present = TemporaryRegFile("Present.reg");
  auto drop = [&] {
    ops_.SetNormal(present);
    ops_.RemoveFile(present);
  };
  drop();
  ops_.ShellAndWait(app_.folders.strWinDir + "\\regedit.exe /e " + QuoteArgument(present) + " " + QuoteArgument(key));
  std::string now;
  // A key that cannot be read as it is now is not written over.
  const bool same = ctx_.files().ReadAll(present, now) && IsWholeRegExport(now) &&
                    morvane::ImportChangesNothing(stored, now);
  drop();
  return same;
}

bool RemovalEngine::CopyChangesNothing(const Text& stored, const Text& target) {
  // Files are compared whole in memory up to this size; a larger one that
  // is there already counts as changed. A link there would take the copy
  // elsewhere: that counts as a change too.
  constexpr uint64_t kCompared = 64ull << 20;
  const uint32_t top = ctx_.files().GetAttributes(target);
  if (top != win::kInvalidAttributes && (top & win::kAttrReparsePoint)) return false;
  return WalkBelow(stored, [&](const Text& rel, const FindData& fd) {
    const uint32_t there = ctx_.files().GetAttributes(target + rel);
    if (there == win::kInvalidAttributes) return Walk::Pass;
    if (there & win::kAttrReparsePoint) return Walk::End;
    const bool folder = (fd.attributes & win::kAttrDirectory) != 0;
    if (folder != ((there & win::kAttrDirectory) != 0)) return Walk::End;
    if (folder) return Walk::Enter;
    std::string mine, theirs;
    const bool same = fd.Size() <= kCompared && ctx_.files().ReadAll(stored + rel, mine) &&
                      ctx_.files().ReadAll(target + rel, theirs) && mine == theirs;
    return same ? Walk::Pass : Walk::End;
  });
}

RestoreReport RemovalEngine::RestoreSelected() {
  RestoreReport report;
  const size_t n = lstQuarantinedList.Count();
  for (size_t i = 1; i <= n && i <= lstQuarantinedList.Count(); ++i) {
    if (!lstQuarantinedList.Item(i).checked) continue;
    const Text package = lstQuarantinedList.Item(i).text;
    app_.lstQuarBuffer.clear();
    int32_t files = 0;
    ops_.FindFilesToList(QuarantineRoot() + package + "\\", "*.qnf", false, app_.lstQuarBuffer, files);
    ops_.ResetSearchTotals();
    const ListBox items = app_.lstQuarBuffer;
    for (const Text& item : items) {
      if (RestoreItem(package, item)) ++report.restored;
      else ++report.failed;
      ctx_.YieldToHost();
    }
    ops_.RemoveFolder(QuarantineRoot() + package);
  }
  report.packages = ListQuarantine();
  return report;
}

void RemovalEngine::PurgeFolder(const Text& folder) {
  const bool wasRunning = ctx_.OperationInProgress;
  ctx_.OperationInProgress = true;
  WipeFolder(folder);
  RemoveWipedTree(folder);
  ctx_.OperationInProgress = wasRunning;
}

PurgeReport RemovalEngine::PurgeSelected() {
  PurgeReport report;
  // Packages leave the quarantine folder in one step before they are
  // emptied, so a stop half way leaves each package whole or gone; what a
  // stopped purge left goes first.
  const Text aside = app_.programFolder + "\\Quarantine Purge";
  if (ops_.FolderExists(aside)) PurgeFolder(aside);
  const size_t n = lstQuarantinedList.Count();
  for (size_t i = 1; i <= n && i <= lstQuarantinedList.Count(); ++i) {
    if (!lstQuarantinedList.Item(i).checked) continue;
    const Text name = lstQuarantinedList.Item(i).text;
    if (name.empty()) continue;
    Text folder = QuarantineRoot() + name;
    if (ops_.FolderExists(folder) && (ops_.FolderExists(aside) || ops_.MakeFolder(aside)) &&
        ops_.MoveAside(folder, aside + "\\" + name))
      folder = aside + "\\" + name;
    PurgeFolder(folder);
    ++report.purged;
  }
  ops_.RemoveFolder(aside);
  report.packages = ListQuarantine();
  return report;
}

}  // namespace morvane
