// The quarantine store: one numbered item line (".qnf") and data file
// (".qit") per stored object, or a folder copy, in the session folder.
#include "platform/handles.h"
#include "removal/text_util.h"
#include "removal/removal_engine.h"
#include "store/reg_backups.h"

namespace morvane {

using namespace removal_text;

Text RemovalEngine::TemporaryRegFile(const char* name) const {
  const Text& temp = app_.folders.strTempDir;
  if (!temp.empty()) return temp + (temp.back() == '\\' ? "" : "\\") + name;
  return app_.folders.strWinDir.substr(0, 3) + name;
}

RemovalEngine::StoreResult RemovalEngine::StoreRow(const ListItem& row) {
  const Text type = Lower(row.text);
  const Text& location = row.SubItems(2);
  const Text session = SessionFolder();
  const Text s = session + "\\";

  // A copy of the Windows folder or a drive would only fill the disk.
  if (Protected(row)) return StoreResult::Failed;
  if (!ops_.FolderExists(session)) ops_.MakeFolder(session);

  int32_t& counter = app_.QuarantineCounter;
  if (counter < kFirstQuarantineNumber) counter = kFirstQuarantineNumber;
  while (counter <= kLastQuarantineNumber && ops_.Exists(s + std::to_string(counter) + ".qnf")) ++counter;
  if (counter > kLastQuarantineNumber) {
    counter = kLastQuarantineNumber;
    return StoreResult::NoFreeNumber;
  }
  const Text n = std::to_string(counter);
  const Text dataName = n + ".qit";
  const Text dataPath = s + dataName;

  Text storedName = dataName;
  Text origin = location;
  bool ok = false;
  if (type == "cookie") origin = app_.folders.txtCookies + "\\" + location;
  // A file row that names a folder or a folder link is not copied: the shell
  // would copy the whole tree, or whatever the link points at.
  if ((type == "cookie" || type == "file" || type == "path") && ops_.FolderExists(origin))
    return HoldsLink(origin) ? StoreResult::HoldsLink : StoreResult::Failed;
  // Every copy is flushed before the item line is written: the original
  // goes after it, and a power cut must not leave a copy that never reached
  // the disk in its place. The shell is never handed a source that is gone:
  // it would show an error and hold an unattended scan there.
  if (type == "cookie" || type == "file" || type == "path") {
    ok = ops_.Exists(origin) && ops_.ShellCopyFile(origin, dataPath) == 0 && ops_.Exists(dataPath) &&
         ops_.FlushFile(dataPath);
  } else if (type == "folder") {
    // A closing backslash ("C:\Spy\") is dropped: the copy and the item line need the name.
    while (origin.size() > 3 && origin.back() == '\\') origin.pop_back();
    size_t slash = origin.rfind('\\');
    storedName = slash == Text::npos ? origin : origin.substr(slash + 1);
    // The copy keeps the folder's name: another folder's copy of that name
    // would be merged into, and neither could come back whole.
    if (ops_.Exists(s + storedName)) return StoreResult::Failed;
    if (HoldsLink(origin)) return StoreResult::HoldsLink;
    ok = ops_.FolderExists(origin) && ops_.CopyFolder(origin, session) && ops_.FolderExists(s + storedName) &&
         FlushTree(s + storedName);
  } else if (type == "regkey") {
    const Text temp = TemporaryRegFile();
    // A stale export must not pass for this key's.
    ops_.SetNormal(temp);
    ops_.RemoveFile(temp);
    // Quoted: key names and the temporary folder may hold blanks.
    ops_.ShellAndWait(app_.folders.strWinDir + "\\regedit.exe /e " + QuoteArgument(temp) + " " +
                      QuoteArgument(location));
    ok = ops_.Exists(temp) && ops_.ShellMoveFile(temp, dataPath) == 0 && ops_.Exists(dataPath) &&
         ops_.FlushFile(dataPath);
    // The editor's export must be whole (a full disk tears it) or the key could not come back.
    Text exported;
    ok = ok && ops_.LoadLineFromFile(app_.QuarantineSession + "\\" + dataName, exported) && IsWholeRegExport(exported);
  } else if (type == "regval") {
    size_t comma = location.find(',');
    const Text key = Before(location, comma);
    const Text name = After(location, comma);
    Text record;
    // Text values stay text however short they are; a value of another type
    // than text or a number is kept as its type and bytes, so that it comes
    // back as it was.
    const int64_t valueType = ops_.ValueType(key, name);
    const bool isText = valueType == win::kRegSz;
    const bool isRaw = valueType >= 0 && !isText && valueType != win::kRegDword;
    const std::optional<int32_t> number = isText || isRaw ? std::nullopt : ops_.GetRegistryDword(key, name);
    if (isRaw) {
      uint32_t rawType = 0;
      std::string raw;
      ok = ops_.ReadValue(key, name, rawType, raw);
      record = "Raw|" + std::to_string(rawType) + "|" + HexBytes(raw);
    } else if (number) {
      record = "DWORD|" + std::to_string(*number);
      ok = true;
    } else {
      const std::optional<Text> text = ops_.GetRegistryString(key, name);
      // A value that cannot be read at all is not stored as an empty text;
      // one whose type is known but whose text is not is stored as "Error".
      record = "String|" + text.value_or("Error");
      ok = text || valueType >= 0;
    }
    ok = ok && ops_.SaveLineToFile(dataName, record);
  } else {
    return StoreResult::Failed;
  }
  // The item line goes last: it is written only for whole data, and a
  // failed store leaves no partial data file behind.
  if (ok && ops_.SaveLineToFile(n + ".qnf", row.text + "|" + storedName + "|" + origin)) {
    storedItem_ = counter;
    return StoreResult::Stored;
  }
  if (type != "folder") {
    ops_.SetNormal(dataPath);
    ops_.RemoveFile(dataPath);
  }
  return StoreResult::Failed;
}

bool RemovalEngine::FlushTree(const Text& folder) {
  return WalkBelow(folder, [&](const Text& rel, const FindData& fd) {
    if (fd.attributes & win::kAttrReparsePoint) return Walk::Pass;
    if (fd.attributes & win::kAttrDirectory) return Walk::Enter;
    return ops_.FlushFile(folder + rel) ? Walk::Pass : Walk::End;
  });
}

bool RemovalEngine::WalkBelow(const Text& folder,
                              const std::function<Walk(const Text& rel, const FindData& entry)>& visit) {
  std::vector<Text> pending{Text()};
  while (!pending.empty()) {
    const Text at = std::move(pending.back());
    pending.pop_back();
    FindHandleOwner find(ctx_.files());
    FindData fd;
    for (bool more = find.First(folder + at + "\\*", fd); more; more = find.Next(fd)) {
      if (fd.name == "." || fd.name == "..") continue;
      const Text rel = at + "\\" + fd.name;
      switch (visit(rel, fd)) {
        case Walk::End: return false;
        case Walk::Enter: pending.push_back(rel); break;
        case Walk::Pass: break;
      }
    }
    ctx_.YieldToHost();
  }
  return true;
}

bool RemovalEngine::HoldsLink(const Text& folder) {
  const uint32_t attributes = ctx_.files().GetAttributes(folder);
  if (attributes != win::kInvalidAttributes && (attributes & win::kAttrReparsePoint)) return true;
  return !WalkBelow(folder, [](const Text&, const FindData& fd) {
    if (fd.attributes & win::kAttrReparsePoint) return Walk::End;
    return (fd.attributes & win::kAttrDirectory) ? Walk::Enter : Walk::Pass;
  });
}

std::optional<QuarantineReport> RemovalEngine::QuarantineChecked() {
  ListView& results = app_.lstScanResult;
  if (results.Empty()) return std::nullopt;
  const Text session = SessionFolder();
  if (!ops_.FolderExists(session)) ops_.MakeFolder(session);

  Log("");
  Log(" Following items Quarantined:");
  QuarantineReport report;
  const size_t n = results.Count();
  for (size_t i = 1; i <= n && i <= results.Count() && !report.noFreeNumber; ++i) {
    const ListItem row = results.Item(i);
    const Text type = Lower(row.text);
    const bool known = type == "cookie" || type == "file" || type == "path" || type == "folder" ||
                       type == "regkey" || type == "regval";
    if (row.checked && known) {
      StoreResult r = StoreRow(row);
      if (r == StoreResult::Stored) {
        ++report.stored;
        Log("     " + row.text + ":" + row.SubItems(2) + "   |" + row.SubItems(1));
      } else if (r == StoreResult::Failed || r == StoreResult::HoldsLink) {
        ++report.failed;
        Log("     Not quarantined=" + row.SubItems(2));
      } else {
        report.noFreeNumber = true;
      }
    }
    ctx_.YieldToHost();
  }
  return report;
}

}  // namespace morvane
