// The settings tables read and written by name. The line numbers of
// "Settings.stg", "ScanInfo.stg" and "CustomScan.stg" are written here and
// nowhere else; the files keep their line-per-value format. A missing line
// reads as empty, and a flag is on only when its line reads exactly "1".
#pragma once
#include "store/app_state.h"

namespace morvane {

// Lines of "Settings.stg". The six settings boxes show the first six.
enum class SettingsLine : size_t {
  StartMinimized = 0,
  ScanAtStart = 1,
  HomePageProtection = 2,
  ScanLog = 3,
  AutoScan = 4,
  RegistryBackup = 5,
  HomePage = 6,
  WindowTitle = 7,
  AutoScanMinutes = 8,
  ScanMode = 9,
  BackupsKept = 10,
};
inline constexpr int kSettingsBoxCount = 6;

// Lines of "ScanInfo.stg": the status screen's figures.
enum class ScanInfoLine : size_t { LastScan = 0, ScansDone = 1, ObjectsRemoved = 2 };

// Lines of "CustomScan.stg": the options of the custom scan.
enum class CustomScanLine : size_t {
  FullDiskScan = 0,
  ActiveProcesses = 1,
  Registry = 2,
  QuarantineFirst = 3,
  EraseAll = 4,
  FullRegistryScan = 5,
  Cookies = 6,
};

// The scan modes of line ScanMode.
enum class ScanMode { Smart = 0, Custom = 1, Folders = 2 };
inline constexpr int kScanModeCount = 3;

class Settings {
 public:
  explicit Settings(AppState& app) : app_(app) {}

  static bool IsOn(const Text& line) { return line == "1"; }
  static SettingsLine BoxLine(int box) { return SettingsLine(size_t(box)); }

  Text Line(SettingsLine l) const { return Get(app_.lstSettingsFile, size_t(l)); }
  bool On(SettingsLine l) const { return IsOn(Line(l)); }
  // Pads the table with empty lines up to l.
  void Set(SettingsLine l, const Text& value) { Put(app_.lstSettingsFile, size_t(l), value); }
  void SetOn(SettingsLine l, bool on) { Set(l, on ? "1" : "0"); }

  bool StartMinimized() const { return On(SettingsLine::StartMinimized); }
  bool ScanAtStart() const { return On(SettingsLine::ScanAtStart); }
  bool HomePageProtected() const { return On(SettingsLine::HomePageProtection); }
  // Protection explicitly off ("0"): the removal step offers to reset the home page.
  bool HomePageProtectionOff() const { return Line(SettingsLine::HomePageProtection) == "0"; }
  bool ScanLogOn() const { return On(SettingsLine::ScanLog); }
  bool AutoScanOn() const { return On(SettingsLine::AutoScan); }
  bool RegistryBackupOn() const { return On(SettingsLine::RegistryBackup); }
  Text HomePage() const { return Line(SettingsLine::HomePage); }
  Text WindowTitle() const { return Line(SettingsLine::WindowTitle); }
  Text AutoScanMinutes() const { return Line(SettingsLine::AutoScanMinutes); }
  Text BackupsKept() const { return Line(SettingsLine::BackupsKept); }
  // The mode line as written ("0" to "2" when valid).
  Text ScanModeLine() const { return Line(SettingsLine::ScanMode); }
  // What the line selects, on the screen and for the scan alike: its leading
  // whole number (" 1", "01", "2.0"); a line that names none of the three
  // modes is the Smart Scan, never no scan at all.
  ScanMode Mode() const {
    const Text line = ScanModeLine();
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
    long value = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && value < kScanModeCount; ++i)
      value = value * 10 + (line[i] - '0');
    return (value == 0 || !negative) && value < kScanModeCount ? ScanMode(value) : ScanMode::Smart;
  }
  bool ScanModeIs(ScanMode mode) const { return Mode() == mode; }
  void SetScanMode(int mode) { Set(SettingsLine::ScanMode, std::to_string(mode)); }

  Text Info(ScanInfoLine l) const { return Get(app_.lstScanInfoFile, size_t(l)); }
  void SetInfo(ScanInfoLine l, const Text& value) { Put(app_.lstScanInfoFile, size_t(l), value); }
  Text& InfoLine(ScanInfoLine l) {
    Put(app_.lstScanInfoFile, size_t(l), Info(l));
    return app_.lstScanInfoFile[size_t(l)];
  }

  bool Custom(CustomScanLine l) const { return IsOn(Get(app_.lstCustomScanSettings, size_t(l))); }

 private:
  static Text Get(const ListBox& table, size_t i) { return i < table.size() ? table[i] : Text(); }
  static void Put(ListBox& table, size_t i, const Text& value) {
    if (table.size() <= i) table.resize(i + 1);
    table[i] = value;
  }
  AppState& app_;
};

}  // namespace morvane
