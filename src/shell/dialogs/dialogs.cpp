#include "shell/dialogs/dialogs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace morvane {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
bool LessNoCase(const Text& a, const Text& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}
}  // namespace

bool ReadNumber(const Text& text, double& value) {
  size_t i = 0, end = text.size();
  while (i < end && Blank(text[i])) ++i;
  while (end > i && Blank(text[end - 1])) --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  double v = 0;
  bool digits = false;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, digits = true) v = v * 10 + (text[i] - '0');
  if (i < end && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < end && text[i] >= '0' && text[i] <= '9'; ++i, digits = true, scale /= 10) v += (text[i] - '0') * scale;
  }
  if (!digits || i != end || !std::isfinite(v)) return false;
  value = negative ? -v : v;
  return true;
}

Text NumberText(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

Text UpDownClick(const Text& text, bool up, double high) {
  Text result = text;
  double value = 0;
  if (!ReadNumber(result, value)) result = "0", value = 0;
  if (up && value < high) return NumberText(value + 1);
  if (!up && value > 0) return NumberText(value - 1);
  return result;
}

// --- frmHomePageInfo

frmHomePageInfo::frmHomePageInfo(Context& ctx, AppState& app)
    : ModalDialog(ctx),
      txtIEHomePage(Settings(app).HomePage()),
      txtIETitle(Settings(app).WindowTitle()),
      app_(app) {}

void frmHomePageInfo::cmdOk_Click() {
  Settings(app_).Set(SettingsLine::HomePage, txtIEHomePage);
  Settings(app_).Set(SettingsLine::WindowTitle, txtIETitle);
  ctx_.YieldToHost();
  Close();
  ctx_.YieldToHost();
}

void frmHomePageInfo::cmdUseBlank_Click() {
  txtIEHomePage = TXT_BLANK_PAGE;
  txtIETitle = TXT_BLANK_TITLE;
}

void frmHomePageInfo::cmdCancel_Click() {
  Close();
  ctx_.YieldToHost();
}

// --- number line dialogs

NumberLineDialog::NumberLineDialog(Context& ctx, AppState& app, SettingsLine line, double high)
    : ModalDialog(ctx), txtInterval(Settings(app).Line(line)), app_(app), line_(line), high_(high) {}

void NumberLineDialog::cmdOk_Click() {
  Settings(app_).Set(line_, txtInterval);
  Close();
  ctx_.YieldToHost();
}

void NumberLineDialog::cmdCancel_Click() {
  Close();
  ctx_.YieldToHost();
}

// --- frmCustomScanSettings

frmCustomScanSettings::frmCustomScanSettings(Context& ctx, AppState& app, std::function<void()> applySettings)
    : ModalDialog(ctx),
      chkCustomScanSettings(CustomOptionChecks(app.lstCustomScanSettings)),
      app_(app),
      applySettings_(std::move(applySettings)) {}

void frmCustomScanSettings::cmdOk_Click() {
  app_.lstCustomScanSettings = CustomOptionLines(chkCustomScanSettings);
  if (applySettings_) applySettings_();
  ctx_.YieldToHost();
  Close();
  ctx_.YieldToHost();
}

void frmCustomScanSettings::cmdCancel_Click() { Close(); }

// --- FolderList

FolderList::SetResult FolderList::SetPath(const Text& requested) {
  Text path = requested;
  if (path.size() < 2 || path[1] != ':') return SetResult::PathNotFound;
  const Text root = Text(1, char(std::toupper(static_cast<unsigned char>(path[0])))) + ":\\";
  const uint32_t rootAttributes = files_.GetAttributes(root);
  if (rootAttributes == win::kInvalidAttributes || (rootAttributes & win::kAttrDirectory) == 0)
    return SetResult::DeviceUnavailable;
  path = root + path.substr(std::min<size_t>(path.size(), path.size() > 2 && path[2] == '\\' ? 3 : 2));
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  const uint32_t attributes = files_.GetAttributes(path);
  if (attributes == win::kInvalidAttributes || (attributes & win::kAttrDirectory) == 0)
    return SetResult::PathNotFound;

  std::vector<Entry> entries{{root, root, 0, true}};
  for (size_t start = 3; start < path.size();) {
    size_t slash = path.find('\\', start);
    if (slash == Text::npos) slash = path.size();
    entries.push_back({path.substr(0, slash), path.substr(start, slash - start), int(entries.size()), true});
    start = slash + 1;
  }
  const size_t current = entries.size() - 1;

  std::vector<Text> subFolders;
  FindData found;
  const Text prefix = path.size() == 3 ? path : path + "\\";
  IFileSystem::FindHandle h = files_.FindFirst(prefix + "*", found);
  if (h != IFileSystem::kInvalidFind) {
    do {
      if ((found.attributes & win::kAttrDirectory) && found.name != "." && found.name != "..")
        subFolders.push_back(found.name);
    } while (files_.FindNext(h, found));
    files_.FindClose(h);
  }
  std::sort(subFolders.begin(), subFolders.end(), LessNoCase);
  for (const Text& name : subFolders) entries.push_back({prefix + name, name, int(current) + 1, false});

  path_ = path;
  entries_ = std::move(entries);
  marked = current;
  return SetResult::Ok;
}

// --- frmAddDir

frmAddDir::frmAddDir(Context& ctx, AppState& app, std::vector<Text> drives, std::function<void()> applySettings)
    : ModalDialog(ctx),
      drvListDrives(std::move(drives)),
      drvListDrive("C:"),
      dirList(ctx.files()),
      app_(app),
      applySettings_(std::move(applySettings)) {
  dirList.SetPath("C:");
  for (const Text& folder : app_.lstSelectedFolders) {
    AddSelectedFolder(lstSelectedFolders, folder);
    ctx_.YieldToHost();
  }
}

void frmAddDir::drvList_Change(const Text& drive) {
  drvListDrive = drive;
  if (dirList.SetPath(drive) == FolderList::SetResult::Ok) return;
  ctx_.messages().Show(TXT_DEVICE_UNAVAILABLE, "", MsgButtons::Ok, MsgIcon::Critical);
  dirList.SetPath("C:");
  drvListDrive = "C:";
}

void frmAddDir::dirList_DblClick() { dirList.SetPath(dirList.MarkedPath()); }

void frmAddDir::dirList_KeyDown(int keyCode) {
  if (keyCode == kKeySpace) dirList_DblClick();
}

void frmAddDir::dirList_KeyPress(int keyAscii) {
  if (keyAscii == kCharEnter) cmdAdd_Click();
}

void frmAddDir::lstSelectedFolders_KeyDown(int keyCode) {
  if (keyCode == kKeyDelete) cmdRemove_Click();
}

void frmAddDir::cmdAdd_Click() {
  const Text folder = dirList.MarkedPath();
  if (!folder.empty()) AddSelectedFolder(lstSelectedFolders, folder);
  lstSelectedIndex = -1;
  ctx_.YieldToHost();
}

void frmAddDir::cmdRemove_Click() {
  if (lstSelectedIndex < 0 || size_t(lstSelectedIndex) >= lstSelectedFolders.size()) return;
  lstSelectedFolders.erase(lstSelectedFolders.begin() + lstSelectedIndex);
  lstSelectedIndex = -1;
  ctx_.YieldToHost();
}

void frmAddDir::cmdOk_Click() {
  RemoveDuplicates(lstSelectedFolders);
  ctx_.YieldToHost();
  app_.lstSelectedFolders.clear();
  for (const Text& folder : lstSelectedFolders) {
    app_.lstSelectedFolders.push_back(folder);
    ctx_.YieldToHost();
  }
  if (applySettings_) applySettings_();
  ctx_.YieldToHost();
  Close();
}

void frmAddDir::cmdCancel_Click() { Close(); }

}  // namespace morvane
