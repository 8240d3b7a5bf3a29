// Command storms: every command and timer of the main window fired at random
// yields of start-up, scans, removals, restores and purges on a planted
// machine, with the invariants checked after every event.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <deque>
#include <set>
#include <sstream>

#include "background/parts_view.h"
#include "platform/simulated/machine.h"

namespace morvane {
namespace {

using testing::PartsView;
using C = Command;

const Text kPf = "C:\\Program Files\\Morvane";
const Text kCookies = Text(sim::kDefaultProfile) + "\\Cookies";
const Text kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct Rng {  // splitmix64
  uint64_t s;
  uint64_t Next() {
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return n ? size_t(Next() % n) : 0; }
  bool OneIn(size_t n) { return Below(n) == 0; }
};

std::vector<Text> Lines(const std::string& text) {
  std::vector<Text> lines;
  size_t at = 0;
  for (size_t crlf; (crlf = text.find("\r\n", at)) != std::string::npos; at = crlf + 2)
    lines.push_back(text.substr(at, crlf - at));
  lines.push_back(text.substr(at));
  return lines;
}

bool Below(const Text& path, const Text& folder) {
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '\\');
}

// What the planted machine holds that no one may lose: paths of files and
// folders, "HKCU\key" and "HKLM\key,value" for the registry.
const std::vector<Text> kPlanted = {"C:\\Spy\\spy.exe", "C:\\Spy\\hook.dll", "C:\\Spy\\Data", "C:\\Spy\\Data\\x.dat",
                                    "HKEY_CURRENT_USER\\Software\\SpyCo",
                                    "HKEY_LOCAL_MACHINE\\" + kRunKey + ",SpyRun", kCookies + "\\user@spy[1].txt",
                                    "C:\\Old\\kept.exe"};

// For the event trail, in the order of Command.
std::vector<Text> CommandNames() {
  std::istringstream words(
      "lblCmdStatus lblCmdScan lblCmdSettings lblCmdHelp lblCmdCheckForUpdates lblCmdDBaseUpdate "
      "lblCmdOpenIgnoreList lblCmdOpenQuarList chkSettings chkStartWithWindows lblCmdActiveProtectionSett "
      "lblCmdHomepageProtectSett lblCmdAdvancedRegBackup optScanMode lblCmdCustomizeScan "
      "lblCmdSelectDrvFolderScan cmdNextScan cmdAbortNextResults cmdIgnoreSelected cmdQuarantineSelected "
      "cmdNextDelete mnuResultListAll mnuResultListNone mnuResultListInverse cmdIgnoreIremovable cmdFinish "
      "cmdDeleteSelected mnuIgnoreListAll mnuIgnoreListNone mnuIgnoreListInverse cmdViewData "
      "cmdRestoreQuarantined cmdDeleteQuarantined mnuQuarantineListAll mnuQuarantineListNone "
      "mnuQuarantineListInverse cmdBack Exit AutoScan ");
  std::vector<Text> names;
  for (Text w; words >> w;) names.push_back(w);
  return names;
}
const std::vector<Text> kCommandNames = CommandNames();

// The last events of a seed, for the failure message ("|" starts a top-level one).
struct Trail {
  std::deque<Text> tokens;
  Trail& operator<<(const Text& token) {
    tokens.push_back(token);
    if (tokens.size() > 80) tokens.pop_front();
    return *this;
  }
  Text All() const {
    Text all;
    for (const auto& t : tokens) all += t;
    return all;
  }
};

// What the seeds reached, summed: a storm that never gets there tests nothing.
struct Reached {
  size_t events = 0, nested = 0, scans = 0, aborts = 0, removals = 0, restores = 0, purges = 0, closes = 0;
};

// The planted machine and the main window with its full parts, not loaded yet.
struct PlantedWindow {
  PlantedWindow() : m(sim::SimulatedMachine::WindowsLayout{}), ctx(m.os()) {
    m.system.programFolder = kPf;
    m.files.AddFolder(kPf);
    m.files.AddFile("C:\\Spy\\spy.exe", "MZ spy");
    m.files.AddFile("C:\\Spy\\hook.dll", "MZ hook");
    m.files.AddFile("C:\\Spy\\Data\\x.dat", "data");
    m.files.AddFile("C:\\Spy\\manual.exe", "MZ manual");
    m.files.AddFolder("C:\\Old");
    m.files.AddFile(kCookies + "\\user@spy[1].txt", "cookie");
    m.processes.AddProcess("C:\\Spy\\spy.exe");
    m.registry.SetStringValue(win::kCurrentUser, "Software\\SpyCo", "id", "1");
    m.registry.SetDwordValue(win::kCurrentUser, "Software\\SpyCo\\Sub", "n", 7);
    m.registry.SetStringValue(win::kLocalMachine, kRunKey, "SpyRun", "C:\\Spy\\spy.exe");
    m.files.AddFile(kPf + "\\DataBase.ref",
                    testing::EncipheredDatabase(
                        "Version 7", {"path|C:\\Spy\\spy.exe|Spy Exe|", "path|C:\\Spy\\hook.dll|Spy Hook|",
                                      "folder|C:\\Spy\\Data|Spy Data|", "regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|",
                                      "regval|HKEY_LOCAL_MACHINE\\" + kRunKey + ",SpyRun|Spy Run|",
                                      "cookie|spy|Spy Cookie|", "path|C:\\Old\\kept.exe|Old Spy|",
                                      "path|C:\\Spy\\manual.exe|Manual|http://help.example/manual"}));
    // An older package holds the only copy of kept.exe.
    const Text old = kPf + "\\Quarantine\\1-12-2026-10-0-0\\";
    m.files.AddFile(old + "10000.qnf", "file|10000.qit|C:\\Old\\kept.exe");
    m.files.AddFile(old + "10000.qit", "MZ kept");
    form = std::make_unique<frmMain>(ctx, view, "1.2.3");
    view.form = form.get();
    parts = std::make_unique<MainWindowParts>(form->Host(), view, "Morvane");
    form->SetParts(parts.get());
  }
  // Settings.stg (pairs of line index and text over the defaults) and CustomScan.stg.
  void Settings(const std::vector<Text>& changes, const std::vector<Text>& custom = {"0", "1", "1", "0", "0", "0", "1"}) {
    std::vector<Text> lines = {"0", "0", "0", "1", "0", "0", "about:blank", "Microsoft Internet Explorer", "1", "0", "10"};
    for (size_t i = 0; i + 1 < changes.size(); i += 2) lines[std::stoul(changes[i])] = changes[i + 1];
    m.files.AddFile(kPf + "\\Settings\\Settings.stg", Join(lines));
    m.files.AddFile(kPf + "\\Settings\\CustomScan.stg", Join(custom));
  }
  static std::string Join(const std::vector<Text>& lines) {
    std::string s;
    for (size_t i = 0; i < lines.size(); ++i) s += (i ? "\r\n" : "") + lines[i];
    return s;
  }
  std::string Read(const Text& path) {
    std::string d;
    m.files.ReadAll(path, d);
    return d;
  }
  bool Load(const std::vector<Text>& settings = {}) {
    Settings(settings);
    return form->Form_Load();
  }
  void Do(std::initializer_list<Command> commands) { for (Command c : commands) form->Run(c); }
  // One second on the clock; the timer fires if it is on.
  void Tick() {
    DateTime& now = m.clock.now;
    if (++now.second == 60) now.second = 0, now.minute = (now.minute + 1) % 60;
    if (view.timers[Timer::tmrTimer]) form->tmrTimer_Timer();
  }

  sim::SimulatedMachine m;
  Context ctx;
  PartsView view;
  std::unique_ptr<frmMain> form;
  std::unique_ptr<MainWindowParts> parts;
};

class Storm : public PlantedWindow {
 public:
  Storm(uint64_t seed, Trail& trail, Reached& reached) : reached(reached), rng{seed * 0x2545F4914F6CDD1Dull + 7}, trail_(trail) {
    // Start minimized, scan at start, home page guard, logging, automatic
    // scanning every minute, registry backup, scan mode and custom options by chance.
    auto bit = [this] { return Text(rng.OneIn(2) ? "1" : "0"); };
    Settings({"0", bit(), "1", rng.OneIn(4) ? "1" : "0", "2", bit(), "3", rng.OneIn(5) ? "0" : "1", "4", bit(), "5",
              bit(), "9", std::to_string(rng.Below(3))},
             {"0", "1", "1", bit(), bit(), "0", "1"});
    m.files.AddFile(kPf + "\\Settings\\SelectedFolders.stg", "C:\\Spy");
    Observe();
    yieldRate_ = size_t(1) << rng.Below(13);
  }

  // One whole life: start-up, top-level events, then removal of what waits and exit.
  void Run(int events) {
    Answer();
    if (!form->Form_Load()) Fail("start-up ended");
    Check(true);
    for (int i = 0; i < events && Going(); ++i) {
      Answer();
      trail_ << "| ";
      Fire(false);
      Check(true);
    }
    // Wind down without storms: results removed, then the window closes.
    ctx.onYield = nullptr;
    m.messages.whileOpen = nullptr;
    if (Going() && ctx.OperationInProgress) {
      if (form->State().scanPhase == ScanPhase::Ended) form->Run(Command::cmdAbortNextResults);
      m.messages.answers = {MsgResult::Yes, MsgResult::No};
      form->Run(Command::cmdNextDelete);
      Check(true);
      if (ctx.OperationInProgress) Fail("results still wait after their removal step");
    }
    if (Going()) {
      parts->mnuPopUpExit_Click();
      if (!view.closed) Fail("exit refused with nothing running");
      Check(true);
    }
  }

  bool failed = false;
  Reached& reached;

 private:
  // ---- observing the logic --------------------------------------------------------
  void Observe() {
    ctx.onYield = [this] { StormAt("yield"); };
    m.messages.whileOpen = [this] {
      ++modal_;
      StormAt("message box");
      --modal_;
      m.messages.answers.push_front(rng.OneIn(3) ? MsgResult::No : MsgResult::Yes);
    };
    view.onTimer = [this](Timer t, bool on) {
      if (t != Timer::tmrScrollingBar) return;
      if (on) {
        if (scanRunning_) Fail("a scan started inside a running scan");
        scanRunning_ = true;
        aborted_ = false;
        ++scans_;
        ++reached.scans;
      } else if (scanRunning_) {
        scanRunning_ = false;
        pending_ = !aborted_;
        scansAtScanEnd_ = ScanInfo(1);
      }
    };
    view.onCommandsEnabled = [this](const CommandSet&) {
      // The removal step begins (it switches the result buttons off): what
      // it may remove is no longer owed.
      const bool on = form->State().resultButtonsEnabled;
      const bool began = resultButtons_ && !on;
      resultButtons_ = on;
      if (!began) return;
      ++reached.removals;
      const bool all = form->Removal().AutoEraseMode() || form->App().AutoScan;
      for (const auto& row : form->App().lstScanResult.Rows())
        if (all || row.checked) Release(row.text == "cookie" ? kCookies + "\\" + row.SubItems(2) : row.SubItems(2));
    };
    auto modalScript = [this](auto& d) {
      ++modal_;
      for (size_t n = rng.Below(4); n > 0; --n) Fire(true);
      --modal_;
      if (rng.OneIn(3)) d.cmdCancel_Click();
      else d.cmdOk_Click();
    };
    view.onHomePage = modalScript;
    view.onRegBackup = modalScript;
    view.onActiveProtection = [this, modalScript](frmActiveProtection& d) {
      if (rng.OneIn(2)) d.UpDown_DownClick();
      modalScript(d);
    };
    view.onCustomScan = [this, modalScript](frmCustomScanSettings& d) {
      d.chkCustomScanSettings[rng.Below(d.chkCustomScanSettings.size())] ^= true;
      modalScript(d);
    };
    view.onAddDir = [this, modalScript](frmAddDir& d) {
      d.dirList_Click(0);
      d.cmdAdd_Click();
      modalScript(d);
    };
  }

  void Answer() {
    while (m.messages.answers.size() < 4) m.messages.answers.push_back(rng.OneIn(3) ? MsgResult::No : MsgResult::Yes);
  }

  void StormAt(const char* where) {
    if (!Going() || depth_ >= 2 || budget_ == 0 || !rng.OneIn(yieldRate_)) return;
    --budget_;
    ++depth_;
    ++reached.nested;
    trail_ << "[" + Text(where) + " " + std::to_string(depth_) + "] ";
    Fire(modal_ > 0);
    Check(false);
    --depth_;
  }

  bool Going() const { return !failed && !view.closed; }

  // ---- the events -------------------------------------------------------------------
  struct Event {
    Text name;
    std::function<void(Storm&)> fire;
    bool whileModal;                 // a timer or the tray: delivered while a modal box is open
    int rule = -1;                    // the command the event is, for picking what may run
    bool closes = false;              // closing the window
  };
  static const std::vector<Event>& Events();

  void Fire(bool modalOnly) {
    const auto& events = Events();
    // Mostly what may run now, sometimes anything.
    std::vector<size_t> pick;
    const bool any = rng.OneIn(4);
    for (size_t i = 0; i < events.size(); ++i) {
      const Event& e = events[i];
      if (modalOnly && !e.whileModal) continue;
      if (!any && e.rule >= 0 && !form->Allowed(Command(e.rule))) continue;
      pick.push_back(i);
    }
    const Event* e = &events[pick[rng.Below(pick.size())]];
    // Closing ends the seed: mostly pick again.
    if (e->closes && !rng.OneIn(8)) e = &events[pick[rng.Below(pick.size())]];
    ++reached.events;
    if (e->rule >= 0 && form->Allowed(Command(e->rule))) {
      reached.restores += e->rule == int(C::cmdRestoreQuarantined);
      reached.purges += e->rule == int(C::cmdDeleteQuarantined);
      reached.aborts += e->rule == int(C::cmdAbortNextResults) && form->State().scanPhase == ScanPhase::Running;
    }
    trail_ << e->name + " ";
    e->fire(*this);
  }

  void Second() {
    if (view.timers[Timer::tmrTimer]) Tick();  // a stopped timer stops the clock too
  }

  void RowClick() {
    static const ListId lists[] = {ListId::lstScanResult, ListId::lstIremovable, ListId::lstIgnoreList,
                                   ListId::lstQuarantinedList};
    const ListId list = lists[rng.Below(4)];
    form->SetRowChecked(list, 1 + rng.Below(form->Table(list).Count() + 1), !rng.OneIn(3));
  }

  void Abort() {
    if (form->State().scanPhase == ScanPhase::Running && form->Allowed(C::cmdAbortNextResults) && scanRunning_) aborted_ = true;
    form->Run(Command::cmdAbortNextResults);
  }

  void Purge() {
    // What the checked packages hold is given up by the user.
    if (form->Allowed(C::cmdDeleteQuarantined))
      for (const auto& row : form->Removal().lstQuarantinedList.Rows())
        if (row.checked)
          for (const auto& [location, data] : QuarantineItems())
            if (Below(data, kPf + "\\Quarantine\\" + row.text)) Release(location);
    Wiping([this] { form->Run(Command::cmdDeleteQuarantined); });
  }

  // Restore and purge raise OperationInProgress around their folder wipes,
  // which list only while it is True.
  void Wiping(const std::function<void()>& command) {
    ++wiping_;
    command();
    --wiping_;
  }

  void Close() {
    if (!form->Form_Unload()) view.CloseProgram();
  }

  // ---- invariants ---------------------------------------------------------------------
  void Fail(const Text& what) {
    if (failed) return;
    failed = true;
    ADD_FAILURE() << what << "\n  last events: " << trail_.All();
  }

  Text ScanInfo(size_t line) const {
    return line < form->App().lstScanInfoFile.size() ? form->App().lstScanInfoFile[line] : Text();
  }

  void Release(const Text& location) { released_.insert(location); }
  bool Released(const Text& path) const {
    for (const Text& r : released_)
      if (Below(path, r)) return true;
    return false;
  }

  // Original location to data path of every quarantine item whose data is there.
  std::vector<std::pair<Text, Text>> QuarantineItems() {
    std::vector<std::pair<Text, Text>> items;
    for (const Text& file : m.files.ListTree(kPf + "\\Quarantine")) {
      if (file.size() < 4 || file.compare(file.size() - 4, 4, ".qnf") != 0) continue;
      std::string line;
      m.files.ReadAll(file, line);
      size_t a = line.find('|'), b = line.find('|', a == Text::npos ? a : a + 1);
      if (b == Text::npos) continue;
      const Text data = file.substr(0, file.rfind('\\') + 1) + line.substr(a + 1, b - a - 1);
      if (m.files.Exists(data)) items.emplace_back(line.substr(b + 1), data);
    }
    return items;
  }

  bool Present(const Text& object) {
    if (object.rfind("HKEY_CURRENT_USER\\", 0) == 0) return m.registry.KeyExists(win::kCurrentUser, object.substr(18));
    if (object.rfind("HKEY_LOCAL_MACHINE\\", 0) == 0) {
      const size_t comma = object.find(',');
      return m.registry.GetValue(win::kLocalMachine, object.substr(19, comma - 19), object.substr(comma + 1)).has_value();
    }
    return m.files.Exists(object);
  }

  void CheckNothingLost() {
    const auto items = QuarantineItems();
    for (const Text& object : kPlanted) {
      if (Present(object) || Released(object)) continue;
      bool kept = false;
      for (const auto& [location, data] : items)
        kept = kept || (Below(object, location) && m.files.Exists(data + object.substr(location.size())));
      if (!kept) Fail(object + " is neither in place nor in the quarantine");
    }
  }

  void CheckSettingsFiles() {
    const std::pair<const char*, size_t> files[] = {{"Settings.stg", 11}, {"ScanInfo.stg", 3}, {"CustomScan.stg", 7}};
    for (const auto& [name, count] : files) {
      std::string text;
      if (!m.files.ReadAll(kPf + "\\Settings\\" + name, text)) continue;  // created at start-up
      if (Lines(text).size() != count) Fail(Text(name) + " has " + std::to_string(Lines(text).size()) + " lines");
    }
    std::string ignore;
    m.files.ReadAll(kPf + "\\Settings\\IgnoreList.stg", ignore);
    if (!ignore.empty())
      for (const Text& line : Lines(ignore))
        if (std::count(line.begin(), line.end(), '|') < 2) Fail("IgnoreList.stg line \"" + line + "\"");
  }

  // Every block of the log opens with its start line, has its summary inside
  // and ends with its completion line; blocks never interleave.
  void CheckLog() {
    std::string text;
    m.files.ReadAll(kPf + "\\SpyLog.txt", text);
    bool open = false;
    size_t blocks = 0;
    for (const Text& line : Lines(text)) {
      if (line.rfind("Scan process started on ", 0) == 0) {
        if (open) Fail("a log block opens inside another");
        open = true;
      } else if (line.rfind("Scanning completed on ", 0) == 0) {
        if (!open) Fail("a log block closes that never opened");
        open = false, ++blocks;
      } else if (line.rfind(" Scan uncovered following ", 0) == 0) {
        if (!open) Fail("a scan summary outside its block");
      } else if (!line.empty() && !open) {
        Fail("log line outside a block: " + line);
      }
    }
    if (open) Fail("a log block is left open");
    if (blocks > scans_) Fail("more log blocks than scans");
  }

  void CheckState(bool topLevel) {
    const bool removed = ScanInfo(1) != scansAtScanEnd_;
    if (scanRunning_ && !aborted_ && !ctx.OperationInProgress) Fail("OperationInProgress False while a scan runs");
    if (!scanRunning_ && !(pending_ && !removed) && wiping_ == 0 && ctx.OperationInProgress)
      Fail("OperationInProgress True with nothing running");
    if (view.closed && (ctx.OperationInProgress || scanRunning_)) Fail("the window closed while a scan ran or its results waited");
    if (std::atoi(ScanInfo(1).c_str()) > int(scans_)) Fail("more removal steps ended than scans ran");
    if (!topLevel) return;
    if (scanRunning_) Fail("a scan outlived its command");
    if (ctx.OperationInProgress != (pending_ && !removed))
      Fail(Text("OperationInProgress ") + (ctx.OperationInProgress ? "True" : "False") + " with " +
           (pending_ && !removed ? "results waiting" : "nothing running"));
    if (form->State().longOperation) Fail("a long operation marker left behind");
    const AppState& app = form->App();
    const bool scanTables = form->State().screen == Screen::ScanProc || form->State().screen == Screen::ScanResult;
    if (scanTables && app.counters[size_t(Counter::lblNewObjects)] != std::to_string(app.lstScanResult.Count() + app.lstIremovable.Count()))
      Fail("new objects counter " + app.counters[size_t(Counter::lblNewObjects)] + " against the result tables");
    if (view.screen != form->State().screen) Fail("the view shows another screen");
    if (view.enabled != AllowedCommands(form->State())) Fail("the view enables other commands than the rule allows");
    const std::pair<Screen, ListId> shown[] = {{Screen::ScanResult, ListId::lstScanResult},
                                               {Screen::Iremovable, ListId::lstIremovable},
                                               {Screen::IgnoreList, ListId::lstIgnoreList},
                                               {Screen::Quarantined, ListId::lstQuarantinedList}};
    for (const auto& [s, list] : shown)
      if (form->State().screen == s && view.rows[list] != form->Table(list).Count())
        Fail("the shown list has " + std::to_string(view.rows[list]) + " rows, its table " +
             std::to_string(form->Table(list).Count()));
    CheckLog();
  }

  void Check(bool topLevel) {
    if (!failed) CheckNothingLost();
    if (!failed) CheckSettingsFiles();
    if (!failed) CheckState(topLevel);
  }

 public:
  Rng rng;

 private:
  Trail& trail_;
  size_t yieldRate_ = 1;
  int budget_ = 120;
  int depth_ = 0;
  int modal_ = 0;
  int wiping_ = 0;
  bool scanRunning_ = false, aborted_ = false, pending_ = false, resultButtons_ = true;
  size_t scans_ = 0;
  Text scansAtScanEnd_;
  std::set<Text> released_;
};

const std::vector<Storm::Event>& Storm::Events() {
  static const std::vector<Event> events = [] {
    std::vector<Event> e;
    for (size_t c = 0; c < kCommandCount; ++c) {
      const Command command = Command(c);
      if (command == C::chkSettings || command == C::chkStartWithWindows || command == C::optScanMode) continue;
      std::function<void(Storm&)> fire = [command](Storm& s) { s.form->Run(command); };
      if (command == C::cmdAbortNextResults) fire = [](Storm& s) { s.Abort(); };
      if (command == C::cmdDeleteQuarantined) fire = [](Storm& s) { s.Purge(); };
      if (command == C::cmdRestoreQuarantined) fire = [](Storm& s) { s.Wiping([&s] { s.form->Run(Command::cmdRestoreQuarantined); }); };
      e.push_back({kCommandNames[c], fire, command == C::Exit, int(c), command == C::Exit});
    }
    e.push_back({"chkSettings", [](Storm& s) { s.form->Run(Command::chkSettings, int(s.rng.Below(6)), s.rng.OneIn(2)); },
                 false, int(C::chkSettings)});
    e.push_back({"chkStartWithWindows", [](Storm& s) { s.form->Run(Command::chkStartWithWindows, 0, s.rng.OneIn(2)); }, false,
                 int(C::chkStartWithWindows)});
    e.push_back({"optScanMode", [](Storm& s) { s.form->Run(Command::optScanMode, int(s.rng.Below(3))); }, false,
                 int(C::optScanMode)});
    e.push_back({"row click", [](Storm& s) { s.RowClick(); }, false});
    e.push_back({"row select", [](Storm& s) {
                   s.form->SelectRow(ListId::lstQuarantinedList, s.rng.Below(s.form->Removal().lstQuarantinedList.Count() + 1));
                 }, false});
    e.push_back({"double click", [](Storm& s) { s.form->lstQuarantinedList_DblClick(); }, false});
    e.push_back({"right click", [](Storm& s) { s.form->lstScanResult_MouseUp(2); s.form->lstQuarantinedList_MouseUp(2); },
                 false});
    e.push_back({"tmrTimer", [](Storm& s) { s.Second(); }, true});
    e.push_back({"tmrTimer minute", [](Storm& s) { for (int i = 0; i < 60 && s.Going(); ++i) s.Second(); }, true});
    e.push_back({"tmrHomePageCheck", [](Storm& s) {
                   if (s.view.timers[Timer::tmrHomePageCheck]) s.form->tmrHomePageCheck_Timer();
                 }, true});
    e.push_back({"tmrScrollingBar", [](Storm& s) { s.form->tmrScrollingBar_Timer(); }, true});
    e.push_back({"minimize", [](Storm& s) {
                   s.view.state = FrameState::Minimized;
                   s.form->Form_Resize(WindowState::Minimized);
                 }, false});
    e.push_back({"tray restore", [](Storm& s) {
                   const bool hidden = s.view.state == FrameState::Minimized;
                   s.parts->OnTrayMessage(kTrayLeftButtonUp);
                   if (hidden) s.form->Form_Resize(WindowState::Normal);
                 }, true});
    e.push_back({"tray Exit", [](Storm& s) { s.parts->mnuPopUpExit_Click(); }, true, -1, true});
    e.push_back({"close", [](Storm& s) { s.Close(); }, false, -1, true});
    return e;
  }();
  return events;
}

TEST(CommandStorm, EveryCommandAndTimerAtRandomYields) {
  int seeds = 500;
  if (const char* env = std::getenv("MORVANE_STORM_SEEDS")) seeds = std::atoi(env);
  ASSERT_EQ(kCommandNames.size(), kCommandCount);
  int failures = 0;
  Reached r;
  for (int seed = 1; seed <= seeds && failures < 3; ++seed) {
    Trail trail;
    Storm storm(uint64_t(seed), trail, r);
    storm.Run(80);
    r.closes += storm.view.closed;
    if (storm.failed) {
      ++failures;
      ADD_FAILURE() << "seed " << seed;
    }
  }
  std::printf("%d seeds: %zu events (%zu nested), %zu scans, %zu aborts, %zu removal steps, %zu restores, "
              "%zu purges, %zu closed\n",
              seeds, r.events, r.nested, r.scans, r.aborts, r.removals, r.restores, r.purges, r.closes);
  if (seeds >= 100) {
    for (size_t n : {r.nested, r.scans, r.aborts, r.removals, r.restores, r.purges, r.closes}) EXPECT_GT(n, 0u);
  }
}

// What the storm found, each kept as a small case.
class StormFindings : public ::testing::Test, protected PlantedWindow {
 protected:
  StormFindings() {
    view.onTimer = [this](Timer t, bool on) { scans += t == Timer::tmrScrollingBar && on; };
  }
  int scans = 0;
};

TEST_F(StormFindings, MinimizeWhileStartUpLoadsKeepsTheFiles) {
  const std::string info = "12-01-2026  10:00:00\r\n5\r\n9", ignore = "path|C:\\a|b";
  m.files.AddFile(kPf + "\\Settings\\ScanInfo.stg", info);
  m.files.AddFile(kPf + "\\Settings\\IgnoreList.stg", ignore);
  bool minimizing = false;
  ctx.onYield = [&] {
    if (minimizing) return;
    minimizing = true;
    form->Form_Resize(WindowState::Minimized);
    minimizing = false;
  };
  ASSERT_TRUE(Load());
  EXPECT_EQ(Read(kPf + "\\Settings\\ScanInfo.stg"), info);
  EXPECT_EQ(Read(kPf + "\\Settings\\IgnoreList.stg"), ignore);
  EXPECT_EQ(form->App().lstScanInfoFile, (ListBox{"12-01-2026  10:00:00", "5", "9"}));
}

TEST_F(StormFindings, AbortInTheFirstYieldOfAScanStopsIt) {
  ASSERT_TRUE(Load());
  form->Run(Command::lblCmdScan);
  ctx.onYield = [this] {
    if (ctx.yieldCount == 1) form->Run(Command::cmdAbortNextResults);
  };
  ctx.yieldCount = 0;
  form->Run(Command::cmdNextScan);
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_LE(form->Scan().entriesDone, 1u);
  EXPECT_EQ(form->State().scanPhase, ScanPhase::Ended);
}

// A due scan, a new scan or a second close must wait for the command whose yield they arrive in.
TEST_F(StormFindings, NothingStartsInsideAbortedScansRestoresAndClosing) {
  ASSERT_TRUE(Load({"4", "1"}));
  auto storm = [this] {
    for (int i = 0; i < 60; ++i) Tick();
    Do({C::lblCmdScan, C::cmdNextScan});
  };
  // The tail of an aborted scan.
  form->Run(Command::lblCmdScan);
  ctx.onYield = [&] {
    if (ctx.OperationInProgress) form->Run(Command::cmdAbortNextResults);
    else storm();
  };
  form->Run(Command::cmdNextScan);
  // A restore.
  ctx.onYield = nullptr;
  Do({C::lblCmdStatus, C::lblCmdOpenQuarList, C::mnuQuarantineListAll});
  ctx.onYield = storm;
  form->Run(Command::cmdRestoreQuarantined);
  EXPECT_TRUE(m.files.Exists("C:\\Old\\kept.exe"));
  // Closing.
  EXPECT_FALSE(form->Form_Unload());
  EXPECT_EQ(scans, 1);
  EXPECT_FALSE(ctx.OperationInProgress);
}

TEST_F(StormFindings, ManualRemovalRowsOutliveTheRemovalStepUntilFinish) {
  ASSERT_TRUE(Load());
  // Nothing ticked: no removal, the report only.
  Do({C::lblCmdScan, C::cmdNextScan, C::cmdAbortNextResults, C::cmdNextDelete});
  ASSERT_EQ(view.screen, Screen::Iremovable);
  ASSERT_EQ(form->App().lstIremovable.Count(), 1u);
  EXPECT_EQ(view.rows[ListId::lstIremovable], 1u);
  form->SetRowChecked(ListId::lstIremovable, 1, true);
  form->Run(Command::cmdIgnoreIremovable);
  EXPECT_NE(Read(kPf + "\\Settings\\IgnoreList.stg").find("C:\\Spy\\manual.exe"), std::string::npos);
  form->Run(Command::cmdFinish);
  EXPECT_TRUE(form->App().lstIremovable.Empty());
}

}  // namespace
}  // namespace morvane
