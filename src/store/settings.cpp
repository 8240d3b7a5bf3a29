#include "store/settings.h"

#include <algorithm>
#include <cstring>

#include "platform/ansi_text.h"
#include "platform/line_file.h"
#include "platform/modules.h"

namespace morvane {

namespace {

constexpr const char* kSettingsFolder = "\\Settings\\";
constexpr const char* kStartPageKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main";

// A line break inside a value (a start page planted with one) would split
// its line and shift every later one: it is written as a blank.
std::string JoinLines(const ListBox& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    const size_t at = out.size();
    out += lines[i];
    std::replace_if(out.begin() + ptrdiff_t(at), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  }
  return out;
}

// Defaults for a table that is shorter than its line table.
void PadWithDefaults(ListBox& table, const ListBox& defaults) {
  for (size_t i = table.size(); i < defaults.size(); ++i) table.push_back(defaults[i]);
}

}  // namespace

bool ReplaceFileContent(IFileSystem& fs, const Text& path, const std::string& data) {
  const Text temp = path + ".tmp";
  if (fs.GetAttributes(temp) != win::kInvalidAttributes) fs.SetAttributes(temp, win::kAttrNormal);
  if (!fs.WriteAll(temp, data)) {
    fs.RemoveFile(temp);
    return false;
  }
  const uint32_t attributes = fs.GetAttributes(path);
  if (attributes != win::kInvalidAttributes && (attributes & win::kAttrDirectory) == 0)
    fs.SetAttributes(path, win::kAttrNormal);
  if (!fs.MoveReplace(temp, path)) {
    fs.SetAttributes(temp, win::kAttrNormal);
    fs.RemoveFile(temp);
    return false;
  }
  return true;
}

void RaiseByOne(Text& line) {
  // Leading blanks, a sign, digits and an ignored fraction; anything else ends the number.
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
  long long value = 0;
  bool fraction = false;
  constexpr long long kLimit = 900000000000000000LL;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
    if (value < kLimit) value = value * 10 + (line[i] - '0');
  if (i < line.size() && line[i] == '.')
    for (++i; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
      if (line[i] != '0') fraction = true;
  // The integer part rounds down, also below zero.
  if (negative) value = fraction ? -value - 1 : -value;
  line = std::to_string(value + 1);
}

ListBox DefaultSettingsLines(const Text& startPage) {
  return {"0", "0", "0", "1", "0", "0", startPage, "Microsoft Internet Explorer", "30", "0", "10"};
}
ListBox DefaultScanInfoLines() { return {"{never}", "0", "0"}; }
ListBox DefaultCustomScanLines() { return {"0", "1", "1", "0", "0", "0", "1"}; }

Text SettingsStore::Full(const Text& relative) const {
  const Text folder = state_.programFolder.empty() ? ctx_.system().ProgramFolder() : state_.programFolder;
  return folder + relative;
}

bool SettingsStore::FileExists(const Text& fullPath) {
  const uint32_t a = ctx_.files().GetAttributes(fullPath);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory) == 0;
}

bool SettingsStore::FolderExists(const Text& fullPath) {
  const uint32_t a = ctx_.files().GetAttributes(fullPath);
  return a != win::kInvalidAttributes && (a & win::kAttrDirectory) != 0;
}

Text SettingsStore::ReadStartPage() {
  modRegistry reg(ctx_);
  const std::optional<Text> page = reg.GetRegistryString(kStartPageKey, "Start Page");
  return HasRegistryText(page) ? *page : Text("about:blank");
}

void SettingsStore::CheckSettings() {
  for (const char* folder : {"\\Settings", "\\Quarantine", "\\Registry Backups"})
    if (!FolderExists(Full(folder))) ctx_.files().MakeFolder(Full(folder));

  if (!FileExists(Full("\\Settings\\ScanInfo.stg")))
    SaveSettingsToFile(kSettingsFolder, "ScanInfo.stg", DefaultScanInfoLines());
  const Text startPage = ReadStartPage();
  if (!FileExists(Full("\\Settings\\Settings.stg")))
    SaveSettingsToFile(kSettingsFolder, "Settings.stg", DefaultSettingsLines(startPage));
  if (!FileExists(Full("\\Settings\\CustomScan.stg")))
    SaveSettingsToFile(kSettingsFolder, "CustomScan.stg", DefaultCustomScanLines());
  if (!FileExists(Full("\\Settings\\IgnoreList.stg"))) CreateBlankFile(kSettingsFolder, "IgnoreList.stg");
  if (!FileExists(Full("\\Settings\\SelectedFolders.stg"))) CreateBlankFile(kSettingsFolder, "SelectedFolders.stg");
  if (!FileExists(Full("\\SpyLog.txt"))) CreateBlankFile("\\", "SpyLog.txt");
}

void SettingsStore::LoadFiles(const Text& strPath, const Text& strFileName, ListBox& SettingsList) {
  SettingsList.clear();
  const Text path = Full(strPath + strFileName);
  std::string buffer;
  state_.unreadSettingsFiles.erase(AsciiLower(path));
  if (!ctx_.files().ReadAll(path, buffer)) {
    buffer.clear();
    if (ctx_.files().GetAttributes(path) == win::kInvalidAttributes) ctx_.files().WriteAll(path, "");
    else state_.unreadSettingsFiles.insert(AsciiLower(path));
  }
  // Lines end at CR LF, or at a lone CR or LF (a file edited by hand); a
  // lone CR at the very end is no line.
  size_t pos = 0;
  while (pos < buffer.size() && !(buffer.size() - pos == 1 && buffer[pos] == '\r')) {
    const size_t end = buffer.find_first_of("\r\n", pos);
    if (end == std::string::npos) {
      SettingsList.push_back(buffer.substr(pos));
      break;
    }
    SettingsList.push_back(buffer.substr(pos, end - pos));
    pos = end + (buffer.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }

  // A hand-edited or truncated file: the missing lines take their defaults.
  const Text name = AsciiLower(strFileName);
  if (AsciiLower(strPath) == AsciiLower(kSettingsFolder)) {
    if (name == "settings.stg")
      PadWithDefaults(SettingsList, DefaultSettingsLines(SettingsList.size() <= 6 ? ReadStartPage() : Text()));
    else if (name == "scaninfo.stg")
      PadWithDefaults(SettingsList, DefaultScanInfoLines());
    else if (name == "customscan.stg")
      PadWithDefaults(SettingsList, DefaultCustomScanLines());
  }
}

void SettingsStore::LoadAllFiles() {
  LoadFiles(kSettingsFolder, "Settings.stg", state_.lstSettingsFile);
  ctx_.YieldToHost();
  LoadFiles(kSettingsFolder, "ScanInfo.stg", state_.lstScanInfoFile);
  ctx_.YieldToHost();
  LoadFiles(kSettingsFolder, "IgnoreList.stg", state_.lstIgnoreListFile);
  ctx_.YieldToHost();
  LoadFiles(kSettingsFolder, "SelectedFolders.stg", state_.lstSelectedFolders);
  ctx_.YieldToHost();
  LoadFiles(kSettingsFolder, "CustomScan.stg", state_.lstCustomScanSettings);
  ctx_.YieldToHost();
}

void SettingsStore::LoadListView(const Text& strPath, const Text& strFileName, ListView& SettingsList,
                                 const std::function<void(Text&)>& eachRow) {
  ReadLines(ctx_.files(), Full(strPath + strFileName), SettingsList, eachRow);
}

void SettingsStore::SaveSettingsToFile(const Text& strPath, const Text& strFileName, const ListBox& lstSettingsList) {
  const Text path = Full(strPath + strFileName);
  if (state_.unreadSettingsFiles.count(AsciiLower(path))) return;  // the user's lines are still in it
  ReplaceFileContent(ctx_.files(), path, JoinLines(lstSettingsList));
}

void SettingsStore::SaveData() {
  SaveSettingsToFile(kSettingsFolder, "Settings.stg", state_.lstSettingsFile);
  ctx_.YieldToHost();
  SaveSettingsToFile(kSettingsFolder, "ScanInfo.stg", state_.lstScanInfoFile);
  ctx_.YieldToHost();
  SaveSettingsToFile(kSettingsFolder, "IgnoreList.stg", state_.lstIgnoreListFile);
  ctx_.YieldToHost();
  SaveSettingsToFile(kSettingsFolder, "SelectedFolders.stg", state_.lstSelectedFolders);
  ctx_.YieldToHost();
  SaveSettingsToFile(kSettingsFolder, "CustomScan.stg", state_.lstCustomScanSettings);
  ctx_.YieldToHost();
}

void SettingsStore::CreateBlankFile(const Text& strPath, const Text& strFileName) {
  const Text path = Full(strPath + strFileName);
  if (ctx_.files().GetAttributes(path) == win::kInvalidAttributes) ctx_.files().WriteAll(path, "");
}

void SettingsStore::SaveLineToFile(const Text& strFileName, const Text& Data) {
  ReplaceFileContent(ctx_.files(), Full("\\Quarantine\\" + state_.QuarantineSession + "\\" + strFileName), Data);
}

void SettingsStore::LoadLineFromFile(const Text& strFileName, Text& Data) {
  Data.clear();
  if (!ctx_.files().ReadAll(Full("\\Quarantine\\" + strFileName), Data)) Data.clear();
}

}  // namespace morvane
