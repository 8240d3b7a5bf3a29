// The five modal settings dialogs as plain data: each object is one opening
// of its dialog. The constructor is the form load; the views copy the text
// fields and boxes in before a command and out after it.
#pragma once
#include <array>
#include <functional>
#include <vector>

#include "platform/context.h"
#include "shell/dialogs/dialog_texts.h"
#include "store/app_settings.h"
#include "store/scan_targets.h"

namespace morvane {

// Number texts of the up/down boxes and the scheduler's interval: blanks
// around, an optional sign, digits with an optional fraction.
bool ReadNumber(const Text& text, double& value);
// The shortest decimal form ("28", "0.5").
Text NumberText(double value);
// One arrow click on a number box: a text that is not a number becomes "0"
// first; then up adds 1 while the value is below high, down takes 1 while
// it is above 0.
Text UpDownClick(const Text& text, bool up, double high);

class ModalDialog {
 public:
  bool IsOpen() const { return open_; }

 protected:
  explicit ModalDialog(Context& ctx) : ctx_(ctx) {}
  void Close() { open_ = false; }
  Context& ctx_;

 private:
  bool open_ = true;
};

// Home page protection values: settings lines 6 and 7.
class frmHomePageInfo : public ModalDialog {
 public:
  frmHomePageInfo(Context& ctx, AppState& app);
  Text txtIEHomePage;
  Text txtIETitle;
  void cmdOk_Click();
  void cmdUseBlank_Click();
  void cmdCancel_Click();

 private:
  AppState& app_;
};

// A dialog around one number line of the settings table with an up/down control.
class NumberLineDialog : public ModalDialog {
 public:
  Text txtInterval;
  void UpDown_UpClick() { txtInterval = UpDownClick(txtInterval, true, high_); }
  void UpDown_DownClick() { txtInterval = UpDownClick(txtInterval, false, high_); }
  // The line takes the text as typed, unchecked.
  void cmdOk_Click();
  void cmdCancel_Click();

 protected:
  NumberLineDialog(Context& ctx, AppState& app, SettingsLine line, double high);

 private:
  AppState& app_;
  SettingsLine line_;
  double high_;
};

// Auto-scan interval in minutes, arrows within 0 to 90000.
class frmActiveProtection : public NumberLineDialog {
 public:
  static constexpr double kHighest = 90000;
  frmActiveProtection(Context& ctx, AppState& app) : NumberLineDialog(ctx, app, SettingsLine::AutoScanMinutes, kHighest) {}
};

// Number of registry backups to keep, arrows within 0 to 99.
class frmRegBackUp : public NumberLineDialog {
 public:
  static constexpr double kHighest = 99;
  frmRegBackUp(Context& ctx, AppState& app) : NumberLineDialog(ctx, app, SettingsLine::BackupsKept, kHighest) {}
};

inline constexpr std::array<const char*, kCustomOptionCount> kCustomOptionCaptions{
    TXT_CUSTOM_OPTION_0, TXT_CUSTOM_OPTION_1, TXT_CUSTOM_OPTION_2, TXT_CUSTOM_OPTION_3,
    TXT_CUSTOM_OPTION_4, TXT_CUSTOM_OPTION_5, TXT_CUSTOM_OPTION_6};

// The seven custom scan options.
class frmCustomScanSettings : public ModalDialog {
 public:
  frmCustomScanSettings(Context& ctx, AppState& app, std::function<void()> applySettings);
  std::array<bool, kCustomOptionCount> chkCustomScanSettings{};
  // Always writes seven lines, then applies the settings.
  void cmdOk_Click();
  void cmdCancel_Click();

 private:
  AppState& app_;
  std::function<void()> applySettings_;
};

// The classic folder list box: the components of the current path, then the
// current folder's sub-folders, each entry a full path.
class FolderList {
 public:
  struct Entry {
    Text path;   // "C:\", "C:\Program Files"
    Text name;   // what the line shows: "C:\", "Program Files"
    int depth;   // indent level
    bool open;   // a component of the current path
  };
  enum class SetResult { Ok, DeviceUnavailable, PathNotFound };

  explicit FolderList(IFileSystem& files) : files_(files) {}
  // "C:" means the drive's root. Nothing changes unless the result is Ok.
  SetResult SetPath(const Text& path);
  const Text& Path() const { return path_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  // The marked entry; the current folder after every SetPath.
  size_t marked = 0;
  Text MarkedPath() const { return marked < entries_.size() ? entries_[marked].path : path_; }

 private:
  IFileSystem& files_;
  Text path_;
  std::vector<Entry> entries_;
};

// Folders for the File/Folder Scan; the main table changes only on OK.
class frmAddDir : public ModalDialog {
 public:
  static constexpr int kKeySpace = 32;
  static constexpr int kKeyDelete = 46;
  static constexpr int kCharEnter = 13;

  // drives: the machine's drives as "C:", in drive-list order.
  frmAddDir(Context& ctx, AppState& app, std::vector<Text> drives, std::function<void()> applySettings);

  std::vector<Text> drvListDrives;
  Text drvListDrive;
  FolderList dirList;
  ListBox lstSelectedFolders;   // sorted, the dialog's working copy
  int lstSelectedIndex = -1;    // -1 when nothing is selected

  // A new drive picked in the drive list.
  void drvList_Change(const Text& drive);
  void dirList_Click(size_t index) { dirList.marked = index; }
  // A double click, or Space on the marked entry, opens it.
  void dirList_DblClick();
  void dirList_KeyDown(int keyCode);
  void dirList_KeyPress(int keyAscii);
  void lstSelectedFolders_Click(int index) { lstSelectedIndex = index; }
  void lstSelectedFolders_DblClick() { cmdRemove_Click(); }
  void lstSelectedFolders_KeyDown(int keyCode);
  void cmdAdd_Click();
  void cmdRemove_Click();
  void cmdOk_Click();
  void cmdCancel_Click();

 private:
  AppState& app_;
  std::function<void()> applySettings_;
};

}  // namespace morvane
