// The main window on a simulated machine, seen through a recording view.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <tuple>

#include "platform/simulated/machine.h"
#include "background/parts_view.h"

namespace morvane {
namespace {

const Text kPf = "C:\\Program Files\\Morvane";

// The parts' recording view, with the events the start-up order is read from.
struct RecordingView : testing::PartsView {
  std::map<Label, Text> captions;
  float barLeft = 0;
  bool tray = false;

  void ShowScreen(Screen s) override {
    screen = s;
    events.push_back("screen " + Text(ScreenTitle(s)) + " " + std::to_string(int(s)));
  }
  void SetCaption(Label l, const Text& t) override {
    captions[l] = t;
    if (l == Label::lblLoading) events.push_back("splash " + t);
    if (l == Label::lblDBaseVer || l == Label::lblAppVersion || l == Label::lblCurrentIP)
      events.push_back("label " + std::to_string(int(l)));
  }
  void ShowPopupMenu(Menu m) override { events.push_back("menu " + std::to_string(int(m))); }
  std::function<void()> onButtonCaption;
  void SetButtonCaption(Button b, const Text& t) override {
    PartsView::SetButtonCaption(b, t);
    if (onButtonCaption) onButtonCaption();
  }
  void SetScrollingBarLeft(float twips) override { barLeft = twips; }
  void SetWindowState(WindowState s) override {
    events.push_back(s == WindowState::Minimized ? "minimized" : "normal");
  }
  void CenterWindow() override { events.push_back("centre"); }
  bool NotifyIcon(TrayCommand c, const NotifyIconRecord&) override {
    tray = c == TrayCommand::Add;
    events.push_back(tray ? "tray on" : "tray off");
    return true;
  }
  win::HWnd OwnerWindow() override { return 0x1234; }
  void CloseProgram() override {
    closed = true;
    events.push_back("close");
  }
  void UnloadSplash() override { events.push_back("splash gone"); }
  void PaintNow() override { events.push_back("paint " + captions[Label::lblCurrentOperation]); }
  size_t Pos(const Text& e) const {
    auto it = std::find(events.begin(), events.end(), e);
    return it == events.end() ? SIZE_MAX : size_t(it - events.begin());
  }
  size_t Screens() const {
    return size_t(std::count_if(events.begin(), events.end(), [](const Text& e) { return e.rfind("screen", 0) == 0; }));
  }
};

class MainWindow : public ::testing::Test {
 protected:
  MainWindow() : m(sim::SimulatedMachine::WindowsLayout{}), ctx(m.os()) {
    m.system.programFolder = kPf;
    form = std::make_unique<frmMain>(ctx, view, "1.2.3");
    view.form = form.get();
    parts = std::make_unique<MainWindowParts>(form->Host(), view, "Morvane");
    form->SetParts(parts.get());
  }
  void Write(const Text& rel, const std::string& content) { m.files.AddFile(kPf + rel, content); }
  std::string Read(const Text& rel) {
    std::string d;
    m.files.ReadAll(kPf + rel, d);
    return d;
  }
  bool Exists(const Text& path) { return m.files.GetAttributes(path) != win::kInvalidAttributes; }
  void Database(const std::vector<Text>& records) {
    Write("\\DataBase.ref", testing::EncipheredDatabase("Version 7", records));
  }
  void Settings(std::vector<Text> changes) {  // pairs of line index and text
    std::vector<Text> lines = {"0", "0", "0", "1", "0", "0", "about:blank", "Microsoft Internet Explorer", "30", "0", "10"};
    for (size_t i = 0; i + 1 < changes.size(); i += 2) lines[std::stoul(changes[i])] = changes[i + 1];
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    Write("\\Settings\\Settings.stg", text);
  }
  Text Caption(Label l) { return view.captions[l]; }
  void Do(std::initializer_list<Command> commands) { for (Command c : commands) form->Run(c); }
  void ExpectCaptions(const std::vector<std::pair<Label, Text>>& want) {
    for (const auto& [l, text] : want) EXPECT_EQ(Caption(l), text) << "label " << int(l);
  }
  void ExpectPresent(const std::vector<std::pair<Text, bool>>& paths) {
    for (const auto& [path, there] : paths) EXPECT_EQ(Exists(path), there) << path;
  }
  // Message box i as text, title and icon.
  using Told = std::tuple<Text, Text, MsgIcon>;
  Told Box(size_t i) {
    const auto& b = m.messages.shown.at(i);
    return {b.text, b.title, b.icon};
  }
  // Every shell execution as verb, file, parameters, directory and show.
  using Opened = std::tuple<Text, Text, Text, Text, int>;
  std::vector<Opened> Executed() {
    std::vector<Opened> all;
    for (const auto& e : m.shell.executed) all.emplace_back(e.verb, e.file, e.parameters, e.directory, e.show);
    return all;
  }

  sim::SimulatedMachine m;
  Context ctx;
  RecordingView view;
  std::unique_ptr<frmMain> form;
  std::unique_ptr<MainWindowParts> parts;
};

TEST_F(MainWindow, StartUpRunsInItsOrderAndFillsTheStatusScreen) {
  Database({"path|C:\\nothing.exe|Cat|"});
  Write("\\Settings\\IgnoreList.stg", "path|a|b\r\npath|c|d");
  for (const char* f : {"1-1-2026-0-0-0", "a.txt", "b.txt", "desktop.ini"}) Write(Text("\\Quarantine\\") + f, "x");
  m.sockets.addresses = {std::string("\x0A\x00\x00\x01", 4)};

  ASSERT_TRUE(form->Form_Load());
  auto label = [](Label l) { return "label " + std::to_string(int(l)); };
  const std::vector<Text> order = {"splash Initializing...", "splash Unlocking Data Base...",
                                   label(Label::lblDBaseVer), label(Label::lblCurrentIP), label(Label::lblAppVersion),
                                   "normal", "centre", "tray on", "screen Morvane - Status 0", "splash Finished."};
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    ASSERT_NE(view.Pos(order[i]), SIZE_MAX) << order[i];
    EXPECT_LT(view.Pos(order[i]), view.Pos(order[i + 1])) << order[i] << " before " << order[i + 1];
  }
  EXPECT_EQ(view.Screens(), 1u);
  ExpectCaptions({{Label::lblDBaseVer, "Version 7"}, {Label::lblAppVersion, "1.2.3"}, {Label::lblCurrentIP, "10.0.0.1"},
                  {Label::lblLastScan, "{never}"}, {Label::lblNoOfScans, "0"}, {Label::lblTotalItemsRemoved, "0"},
                  {Label::lblNoInIgnoreList, "2"}, {Label::lblNoQuarantined, "3"}});
  EXPECT_TRUE(m.messages.shown.empty());
  EXPECT_TRUE(Exists(kPf + "\\Settings\\CustomScan.stg"));
  EXPECT_EQ(form->App().folders.strWinDir, "C:\\WINDOWS");
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_TRUE(m.shell.executed.empty());

  // The session ends (no close comes): the settings changed since are saved.
  form->Run(Command::lblCmdSettings);
  form->Run(Command::chkSettings, 2, true);
  ASSERT_TRUE(form->QueryEndSession());
  form->EndSession();
  EXPECT_EQ(Read("\\Settings\\Settings.stg").rfind("0\r\n0\r\n1\r\n", 0), 0u);
  form->Run(Command::chkSettings, 2, false);

  // Exit: saved, tray icon gone, window may close.
  form->Run(Command::chkSettings, 3, false);  // the scan log, on by default
  EXPECT_FALSE(form->Form_Unload());
  EXPECT_EQ(Read("\\Settings\\Settings.stg").rfind("0\r\n0\r\n0\r\n0\r\n0\r\n", 0), 0u);
  EXPECT_FALSE(view.tray);
}

TEST_F(MainWindow, MissingDatabaseQuestion) {
  for (int i = 0; i < 12; ++i) Write("\\Registry Backups\\1-1-2026-10-0-" + std::to_string(10 + i) + ".reg", "x");
  m.messages.answers = {MsgResult::No};
  EXPECT_FALSE(form->Form_Load());
  ASSERT_EQ(m.messages.shown.size(), 1u);
  EXPECT_EQ(Box(0), Told("Missing reference Database.\r\nDo you want to download new reference Database?", "Error",
                         MsgIcon::Critical));
  EXPECT_EQ(m.messages.shown[0].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(view.closed);
  // The settings and the pruning before it ran; nothing after it: no updater, no database, no screen.
  EXPECT_TRUE(Exists(kPf + "\\Settings\\Settings.stg"));
  EXPECT_EQ(m.files.ListTree(kPf + "\\Registry Backups").size(), 10u);
  EXPECT_TRUE(form->App().lstDBaseFile.Empty());
  EXPECT_TRUE(m.shell.executed.empty());
  EXPECT_EQ(view.Screens(), 0u);

  // Yes: the updater starts from the program folder and start-up goes on.
  RecordingView view2;
  frmMain form2(ctx, view2, "1.2.3");
  m.messages.answers = {MsgResult::Yes};
  EXPECT_TRUE(form2.Form_Load());
  EXPECT_EQ(Executed(), (std::vector<Opened>{{"Open", kPf + "\\Tessarin.exe", "", kPf, 1}}));
  EXPECT_EQ(view2.screen, Screen::Status);
  EXPECT_NE(view2.Pos("splash Finished."), SIZE_MAX);
  EXPECT_EQ(m.files.ListTree(kPf + "\\Registry Backups").size(), 10u);

  // No database yet, or one without records: a scan is refused, not reported clean.
  MainWindowParts parts2(form2.Host(), view2, "Morvane");
  form2.SetParts(&parts2);
  view2.form = &form2;
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ");
  form2.Run(Command::lblCmdScan);
  for (bool empty : {true, false}) {
    if (!empty) Database({});
    form2.Run(Command::cmdNextScan);
    ASSERT_EQ(m.messages.shown.size(), empty ? 3u : 4u);
    EXPECT_EQ(m.messages.shown.back().text,
              "The reference database cannot be read: " + kPf + "\\DataBase.ref (" +
                  (empty ? "no version line" : "no records") + ").\r\nDownload a new one with the updater.");
    EXPECT_EQ(m.messages.shown.back().icon, MsgIcon::Critical);
    EXPECT_EQ(view2.screen, Screen::ScanPrep);
  }
  // The updater's database, once it is there, is read and scanned with;
  // a File/Folder Scan without folders is refused as well.
  Database({"path|C:\\Spy\\spy.exe|Spy|"});
  form2.Run(Command::optScanMode, 2);
  form2.Run(Command::cmdNextScan);
  ASSERT_EQ(m.messages.shown.size(), 5u);
  EXPECT_EQ(m.messages.shown.back().text, "No drives or folders are selected to scan.\r\nSelect them first.");
  EXPECT_EQ(view2.screen, Screen::ScanPrep);
  form2.Run(Command::optScanMode, 0);
  form2.Run(Command::AutoScan);  // the scheduler's scan removes what it finds
  EXPECT_EQ(m.messages.shown.size(), 5u);
  EXPECT_FALSE(Exists("C:\\Spy\\spy.exe"));
  // A newer database of the same size, put in place while the window is open, is the next scan's.
  m.files.AddFile("C:\\Spy\\spz.exe", "MZ");
  Database({"path|C:\\Spy\\spz.exe|Spy|"});
  form2.Run(Command::AutoScan);
  EXPECT_FALSE(Exists("C:\\Spy\\spz.exe"));
  EXPECT_EQ(m.messages.shown.size(), 5u);
}

TEST_F(MainWindow, StartUpPrunesBackupsToTheKeptNumber) {
  struct Case { Text keep; int files; size_t left; };
  Database({});
  for (Case c : {Case{"10", 12, 10}, Case{"0", 12, 0}, Case{"x", 12, 12}, Case{" ", 12, 12}, Case{"10", 10, 10}}) {
    for (const Text& f : m.files.ListTree(kPf + "\\Registry Backups")) m.files.RemoveFile(f);
    for (int i = 0; i < c.files; ++i)
      Write("\\Registry Backups\\1-1-2026-10-0-" + std::to_string(10 + i) + ".reg", "x");
    Settings({"10", c.keep});
    RecordingView v;
    frmMain f(ctx, v, "1");
    ASSERT_TRUE(f.Form_Load());
    auto left = m.files.ListTree(kPf + "\\Registry Backups");
    EXPECT_EQ(left.size(), c.left) << "keep " << c.keep;
    if (c.keep == "10" && c.files == 12) {
      EXPECT_EQ(left.front(), kPf + "\\Registry Backups\\1-1-2026-10-0-12.reg");
    }
  }
}

TEST_F(MainWindow, StartMinimizedWithAScanThenResultsWait) {
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ");
  Database({"path|C:\\Spy\\spy.exe|Spy|"});
  Settings({"0", "1", "1", "1", "5", "1"});
  m.processes.RegisterProgram("regedit.exe", [this](const Text&) -> uint32_t {
    view.events.push_back("regedit");
    return 0;
  });
  ASSERT_TRUE(form->Form_Load());
  EXPECT_NE(view.Pos("minimized"), SIZE_MAX);
  EXPECT_EQ(view.screen, Screen::ScanProc);
  // Minimized, the window is never activated: the splash goes after its last text, before the scan.
  EXPECT_LT(view.Pos("splash Finished."), view.Pos("splash gone"));
  EXPECT_LT(view.Pos("splash gone"), view.Pos("screen Morvane - System Scan 3"));
  // The backup's caption is painted before the export blocks the window.
  EXPECT_LT(view.Pos("paint Backing up Registry..."), view.Pos("regedit"));
  EXPECT_FALSE(form->App().AutoScan);
  EXPECT_EQ(form->App().lstScanResult.Count(), 1u);
  EXPECT_EQ(form->State().scanPhase, ScanPhase::Ended);
  EXPECT_EQ(Caption(Label::lblNewObjects), "1");
  EXPECT_TRUE(ctx.OperationInProgress);
  EXPECT_FALSE(view.timers[Timer::tmrScrollingBar]);
  EXPECT_FLOAT_EQ(view.barLeft, kBarRestLeft);

  // Results wait: navigation and exit are refused; "Next" leads to them.
  Do({Command::lblCmdStatus, Command::lblCmdSettings});
  EXPECT_EQ(view.screen, Screen::ScanProc);
  EXPECT_TRUE(form->Form_Unload());
  EXPECT_FALSE(form->QueryEndSession());
  form->Run(Command::cmdAbortNextResults);
  EXPECT_EQ(view.screen, Screen::ScanResult);
  EXPECT_EQ(form->State().scanPhase, ScanPhase::Running);
  EXPECT_EQ(view.rows[ListId::lstScanResult], 1u);
  form->Run(Command::lblCmdScan);
  form->mnuPopUpExit_Click();
  EXPECT_EQ(view.screen, Screen::ScanResult);
  EXPECT_FALSE(view.closed);
  form->lstScanResult_MouseUp(2);
  EXPECT_NE(view.Pos("menu 0"), SIZE_MAX);
}

// What the rule refuses reaches the view as disabled controls, in each state
// a scan and its removal pass through.
TEST_F(MainWindow, RefusedCommandsAreDisabledInTheView) {
  using C = Command;
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ");
  Database({"path|C:\\Spy\\spy.exe|Spy|"});
  const C watched[] = {C::lblCmdScan, C::lblCmdHelp, C::lblCmdOpenQuarList,
                       C::cmdNextScan, C::cmdAbortNextResults, C::cmdNextDelete};
  std::map<Text, Text> seen;
  auto see = [&](const Text& state) {
    Text s;
    for (C c : watched) s += view.enabled[size_t(c)] ? '1' : '0';
    seen.emplace(state, s);
  };
  // Abort/Next never shows a caption, enabled, that a click would not carry out.
  int captions = 0;
  view.onButtonCaption = [&] {
    ++captions;
    if (view.enabled[size_t(C::cmdAbortNextResults)]) {
      EXPECT_TRUE(IsCommandAllowed(C::cmdAbortNextResults, form->State()))
          << view.buttonCaptions[Button::cmdAbortNextResults];
    }
  };
  ASSERT_TRUE(form->Form_Load());
  see("status");
  form->Run(C::lblCmdScan);
  see("scan selection");
  ctx.onYield = [&] { if (view.screen == Screen::ScanProc) see("scanning"); };
  form->Run(C::cmdNextScan);
  see("scan ended");
  form->Run(C::cmdAbortNextResults);
  see("results wait");
  form->SetRowChecked(ListId::lstScanResult, 1, true);
  m.messages.answers = {MsgResult::Yes, MsgResult::No};
  ctx.onYield = [&] { if (!form->State().resultButtonsEnabled) see("removing"); };
  form->Run(C::cmdNextDelete);
  ctx.onYield = nullptr;
  see("removed");
  // Scan, help, quarantine list, Next (scan), Abort/Next, Next (removal).
  const std::map<Text, Text> expected = {
      {"status", "111000"},  {"scan selection", "110100"}, {"scanning", "010010"}, {"scan ended", "010010"},
      {"results wait", "010001"}, {"removing", "010000"}, {"removed", "111000"}};
  EXPECT_EQ(seen, expected);
  EXPECT_GE(captions, 3);
}

TEST_F(MainWindow, CommandsInsideARunningScanAndAbort) {
  using C = Command;
  std::vector<Text> records;
  for (int i = 0; i < 50; ++i) records.push_back("path|C:\\none\\" + std::to_string(i) + ".exe|Cat|");
  Database(records);
  ASSERT_TRUE(form->Form_Load());
  form->Run(C::lblCmdScan);
  ASSERT_EQ(view.screen, Screen::ScanPrep);

  int yields = 0;
  size_t screensBefore = 0;
  bool closeCancelled = false;
  float barDuringScan = 0;
  ctx.onYield = [&] {
    ++yields;
    if (yields == 3) {
      screensBefore = view.Screens();
      Do({C::lblCmdStatus, C::lblCmdScan, C::lblCmdSettings, C::lblCmdOpenQuarList, C::cmdNextScan, C::cmdFinish,
          C::AutoScan});
      form->Run(C::chkSettings, 0, true);
      closeCancelled = form->Form_Unload();
      EXPECT_FALSE(form->QueryEndSession());
      EXPECT_EQ(view.Screens(), screensBefore);
      form->tmrScrollingBar_Timer();
      form->tmrScrollingBar_Timer();
      barDuringScan = view.barLeft;
    } else if (yields == 12) {
      form->Run(C::cmdAbortNextResults);
      EXPECT_EQ(form->State().scanPhase, ScanPhase::Ended);
      EXPECT_FALSE(ctx.OperationInProgress);
      // The aborted scan has not returned yet: nothing may start inside it.
      Do({C::cmdAbortNextResults, C::lblCmdScan});
      EXPECT_EQ(view.screen, Screen::ScanProc);
    }
  };
  form->Run(C::cmdNextScan);
  ctx.onYield = nullptr;
  EXPECT_TRUE(closeCancelled);
  EXPECT_FLOAT_EQ(barDuringScan, kBarRestLeft + 2 * kBarStep);
  EXPECT_EQ(form->App().lstSettingsFile[0], "0");
  EXPECT_LT(form->Scan().entriesDone, 50u);
  EXPECT_EQ(form->State().scanPhase, ScanPhase::Ended);
  EXPECT_FLOAT_EQ(view.barLeft, kBarRestLeft);
  form->tmrScrollingBar_Timer();  // a tick queued before the stop
  EXPECT_FLOAT_EQ(view.barLeft, kBarRestLeft);

  form->Run(C::cmdAbortNextResults);
  EXPECT_EQ(view.screen, Screen::ScanResult);
  EXPECT_EQ(form->State().scanPhase, ScanPhase::Running);
  form->Run(C::lblCmdStatus);  // allowed after an abort
  EXPECT_EQ(view.screen, Screen::Status);
}

TEST_F(MainWindow, SmartScanToQuarantineIgnoreRemovalAndStatus) {
  using C = Command;
  m.files.AddFile("C:\\Spy\\spy.exe", "MZ spy");
  m.files.AddFile("C:\\Spy\\Data\\x.dat", "data");
  m.files.AddFile("C:\\Spy\\manual.exe", "MZ");
  m.registry.SetStringValue(win::kCurrentUser, "Software\\SpyCo", "id", "1");
  Database({"path|C:\\Spy\\spy.exe|Spy Exe|", "folder|C:\\Spy\\Data|Spy Data|",
            "regkey|HKEY_CURRENT_USER\\Software\\SpyCo|Spy Key|",
            "path|C:\\Spy\\manual.exe|Manual|http://help.example/manual"});
  ASSERT_TRUE(form->Form_Load());

  Do({C::lblCmdScan, C::cmdNextScan});
  EXPECT_EQ(view.screen, Screen::ScanProc);
  ExpectCaptions({{Label::lblCurrentOperation, "Finished."}, {Label::lblNewObjects, "4"}});
  form->Run(C::cmdAbortNextResults);
  ASSERT_EQ(view.rows[ListId::lstScanResult], 3u);
  ASSERT_EQ(form->App().lstIremovable.Count(), 1u);

  form->SetRowChecked(ListId::lstScanResult, 1, true);
  form->Run(C::cmdQuarantineSelected);
  EXPECT_TRUE(m.files.IsFolder(kPf + "\\Quarantine\\" + form->App().QuarantineSession));

  form->SetRowChecked(ListId::lstScanResult, 1, false);
  form->SetRowChecked(ListId::lstScanResult, 3, true);
  form->Run(C::cmdIgnoreSelected);
  ASSERT_EQ(form->App().lstIgnoreListFile.size(), 1u);
  EXPECT_NE(Read("\\Settings\\IgnoreList.stg").find("SpyCo"), std::string::npos);

  form->SetRowChecked(ListId::lstScanResult, 3, false);
  form->Run(C::mnuResultListInverse);  // rows 1, 2 and 3 ticked
  form->SetRowChecked(ListId::lstScanResult, 3, false);
  const size_t before = m.messages.shown.size();
  m.messages.answers = {MsgResult::Yes, MsgResult::No};
  // Once the step has cleared OperationInProgress it still saves and logs:
  // a new scan must not start inside it.
  int nestedTries = 0;
  ctx.onYield = [&] {
    if (ctx.OperationInProgress) return;
    ++nestedTries;
    Do({C::lblCmdScan, C::lblCmdSettings});
    EXPECT_NE(view.screen, Screen::ScanPrep);
    EXPECT_NE(view.screen, Screen::Settings);
  };
  form->Run(C::cmdNextDelete);
  ctx.onYield = nullptr;
  EXPECT_GT(nestedTries, 0);
  ASSERT_GE(m.messages.shown.size(), before + 3);
  EXPECT_EQ(m.messages.shown[before].text, "Are you sure you want to delete 2 items?");
  EXPECT_EQ(Box(m.messages.shown.size() - 1),
            Told("The following objects could not be removed. Please check their respective URLs \r\n"
                 "for information on how to manually remove them.",
                 "Not removed", MsgIcon::Information));
  ExpectPresent({{"C:\\Spy\\spy.exe", false}, {"C:\\Spy\\Data", false}, {"C:\\Spy\\manual.exe", true}});
  EXPECT_FALSE(ctx.OperationInProgress);
  EXPECT_EQ(view.screen, Screen::Iremovable);
  EXPECT_EQ(view.rows[ListId::lstIremovable], 1u);
  const std::string log = Read("\\SpyLog.txt");
  EXPECT_NE(log.find("C:\\Spy\\spy.exe"), std::string::npos);
  EXPECT_NE(log.find("SpyCo"), std::string::npos);  // added to the ignore list
  EXPECT_TRUE(form->App().lstLog.empty());

  form->Run(C::cmdFinish);
  EXPECT_EQ(view.screen, Screen::Status);
  EXPECT_TRUE(form->App().lstIremovable.Empty());
  ExpectCaptions({{Label::lblNoOfScans, "1"}, {Label::lblNoInIgnoreList, "1"}, {Label::lblNoQuarantined, "1"}});
  EXPECT_NE(Caption(Label::lblLastScan), "{never}");
  EXPECT_NE(Caption(Label::lblTotalItemsRemoved), "0");
  const std::string info = Read("\\Settings\\ScanInfo.stg");
  EXPECT_EQ(info.substr(info.find("\r\n")), "\r\n1\r\n" + Caption(Label::lblTotalItemsRemoved));

  form->Run(C::lblCmdOpenIgnoreList);
  EXPECT_EQ(view.screen, Screen::IgnoreList);
  EXPECT_EQ(view.rows[ListId::lstIgnoreList], 1u);
  Do({C::mnuIgnoreListAll, C::cmdDeleteSelected});
  EXPECT_TRUE(form->App().lstIgnoreListFile.empty());
  EXPECT_EQ(Read("\\Settings\\IgnoreList.stg"), "");

  Do({C::lblCmdStatus, C::lblCmdOpenQuarList});
  EXPECT_EQ(view.screen, Screen::Quarantined);
  ASSERT_EQ(view.rows[ListId::lstQuarantinedList], 1u);
  form->SelectRow(ListId::lstQuarantinedList, 1);
  form->lstQuarantinedList_DblClick();
  EXPECT_EQ(view.screen, Screen::QItems);
  EXPECT_EQ(view.rows[ListId::lstQuarantinedItems], 1u);
  form->Run(C::cmdBack);
  EXPECT_EQ(view.screen, Screen::Quarantined);
  EXPECT_EQ(view.rows[ListId::lstQuarantinedItems], 0u);
  form->SetRowChecked(ListId::lstQuarantinedList, 1, true);
  form->Run(C::cmdRestoreQuarantined);
  EXPECT_EQ(m.files.ListTree("C:\\Spy").size(), 2u);  // spy.exe back beside manual.exe
  EXPECT_FALSE(form->Form_Unload());
}

// Removal ends only the planted program of a common name, leaves the files
// in use for the restart and says so once; the running-process counter shows
// the snapshot from the start of the scan.
TEST_F(MainWindow, RemovalEndsOnlyThePlantedProgramAndLeavesFilesInUseForTheRestart) {
  const uint32_t spy = m.processes.AddProcess("C:\\Spy\\explorer.exe");
  const uint32_t shell = m.processes.AddProcess("C:\\WINDOWS\\explorer.exe");
  const uint32_t unreadable = m.processes.AddProcess("explorer.exe");
  m.files.AddFile("C:\\Spy\\explorer.exe", "MZ");
  m.files.AddFile("C:\\Spy\\hook.dll", "MZ");
  m.files.AddFile("C:\\Spy\\Data\\sub\\log.dat", "in use");
  m.files.AddFile("C:\\Spy\\Data\\free.dat", "x");
  m.files.SetLocked("C:\\Spy\\hook.dll", true);
  m.files.SetLocked("C:\\Spy\\Data\\sub\\log.dat", true);
  Database({"path|C:\\Spy\\explorer.exe|Spy|", "path|C:\\Spy\\hook.dll|Hook|", "folder|C:\\Spy\\Data|Data|"});
  ASSERT_TRUE(form->Form_Load());
  form->Run(Command::lblCmdScan);
  Text runningInScan;
  ctx.onYield = [&] {
    if (ctx.OperationInProgress) runningInScan = Caption(Label::lblRunningProcesses);
  };
  form->Run(Command::cmdNextScan);
  ctx.onYield = nullptr;
  const Text listed = std::to_string(form->App().lstProcesses.Count());
  EXPECT_EQ(runningInScan, listed);
  ExpectCaptions({{Label::lblRunningProcesses, listed}, {Label::lblProcessesIdentified, "1"}});

  form->Run(Command::cmdAbortNextResults);
  ASSERT_EQ(form->App().lstScanResult.Count(), 3u);
  form->Run(Command::mnuResultListAll);
  const size_t before = m.messages.shown.size();
  m.messages.answers = {MsgResult::Yes, MsgResult::No};
  form->Run(Command::cmdNextDelete);
  ASSERT_EQ(m.messages.shown.size(), before + 3);
  EXPECT_EQ(Box(before + 2), Told("2 objects will be removed when Windows restarts.", "Morvane", MsgIcon::Information));
  EXPECT_EQ(m.messages.shown.back().buttons, MsgButtons::Ok);

  EXPECT_FALSE(m.processes.IsRunning(spy));
  EXPECT_TRUE(m.processes.IsRunning(shell));
  EXPECT_TRUE(m.processes.IsRunning(unreadable));
  const std::string log = Read("\\SpyLog.txt");
  for (const char* line : {"Process Killed=C:\\Spy\\explorer.exe\r\nFile deleted=C:\\Spy\\explorer.exe\r\n",
                           "File will be deleted at restart=C:\\Spy\\hook.dll\r\n",
                           "File will be deleted at restart=C:\\Spy\\Data\\sub\\log.dat\r\n"
                           "Folder will be deleted at restart=C:\\Spy\\Data\r\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  // explorer.exe and free.dat went; nothing waiting for the restart counts.
  EXPECT_EQ(Caption(Label::lblTotalItemsRemoved), "2");
  ExpectPresent(
      {{"C:\\Spy\\hook.dll", true}, {"C:\\Spy\\Data\\sub\\log.dat", true}, {"C:\\Spy\\Data\\free.dat", false}});

  m.Restart();
  EXPECT_EQ(m.files.ListTree("C:\\Spy"), std::vector<Text>{});
  EXPECT_TRUE(m.files.PendingRemovals().empty());

  // A scheduler scan asks nothing: only its log tells.
  m.files.AddFile("C:\\Spy\\hook.dll", "MZ");
  m.files.SetLocked("C:\\Spy\\hook.dll", true);
  const size_t shown = m.messages.shown.size();
  form->Run(Command::AutoScan);
  EXPECT_EQ(m.messages.shown.size(), shown);
  EXPECT_EQ(m.files.PendingRemovals(), std::vector<Text>{"C:\\Spy\\hook.dll"});
}

// The scheduler's scan ticks every result row and runs the removal step, also
// when nothing was found; rows for removal by hand wait for no one.
TEST_F(MainWindow, SchedulerScanRemovesEveryRowEvenWithNothingFound) {
  Database({"path|C:\\nothing.exe|Cat|", "path|C:\\WINDOWS\\z.exe|c|", "path|C:\\WINDOWS\\y.exe|c|",
            "path|C:\\WINDOWS\\z.exe|c|http://u"});
  ASSERT_TRUE(form->Form_Load());
  form->Run(Command::AutoScan);
  EXPECT_EQ(view.screen, Screen::Status);
  EXPECT_EQ(Caption(Label::lblNoOfScans), "1");
  EXPECT_FALSE(ctx.OperationInProgress);

  m.files.AddFile("C:\\WINDOWS\\z.exe", "MZ");
  m.files.AddFile("C:\\WINDOWS\\y.exe", "MZ");
  form->Run(Command::AutoScan);
  ExpectPresent({{"C:\\WINDOWS\\z.exe", false}, {"C:\\WINDOWS\\y.exe", false}});
  EXPECT_EQ(view.screen, Screen::Status);
  EXPECT_TRUE(form->App().lstIremovable.Empty());
  EXPECT_EQ(Caption(Label::lblNoOfScans), "2");
  EXPECT_TRUE(m.messages.shown.empty());
}

// What quarantining and restoring did is told in the window's words.
TEST_F(MainWindow, QuarantineAndRestoreResultsAreTold) {
  using C = Command;
  m.files.AddFile("C:\\Spy\\a.exe", "A");
  m.files.AddFile("C:\\Spy\\b.exe", "B");
  Database({"path|C:\\Spy\\a.exe|Spy|", "path|C:\\Spy\\b.exe|Spy|"});
  ASSERT_TRUE(form->Form_Load());
  Do({C::lblCmdScan, C::cmdNextScan, C::cmdAbortNextResults, C::mnuResultListAll, C::cmdQuarantineSelected});
  // A package whose numbers are used up stops at once.
  const Text session = "\\Quarantine\\" + form->App().QuarantineSession;
  const int first = form->App().QuarantineCounter + 1;  // the last number used
  for (int n = first; n <= 32767; ++n)
    Write(session + "\\" + std::to_string(n) + ".qnf", "file|" + std::to_string(n) + ".qit|C:\\Spy\\c.exe");
  form->Run(C::cmdQuarantineSelected);
  // Nothing ticked: the removal step only closes the scan. The planted items
  // have no data and stay in quarantine.
  Do({C::mnuResultListNone, C::cmdNextDelete, C::lblCmdOpenQuarList});
  form->SetRowChecked(ListId::lstQuarantinedList, 1, true);
  form->Run(C::cmdRestoreQuarantined);

  const std::vector<Told> told = {
      {"2 items quarantined successfully.", "Morvane", MsgIcon::Information},
      {"No free quarantine item number is left in this package. Quarantining stopped; the remaining items were not "
       "quarantined.", "Morvane", MsgIcon::Exclamation},
      {"0 items quarantined successfully.", "Morvane", MsgIcon::Information},
      {std::to_string(32767 - first + 1) + " items could not be restored and were kept in quarantine.", "Morvane",
       MsgIcon::Exclamation}};
  ASSERT_EQ(m.messages.shown.size(), told.size());
  for (size_t i = 0; i < told.size(); ++i) EXPECT_EQ(Box(i), told[i]) << "box " << i;
  EXPECT_EQ(Caption(Label::lblNoQuarantined), "1");
  EXPECT_EQ(view.rows[ListId::lstQuarantinedList], 1u);
}

TEST_F(MainWindow, HelpUpdatePageAndUpdaterStarts) {
  Database({});
  ASSERT_TRUE(form->Form_Load());
  form->Run(Command::lblCmdHelp);
  ASSERT_EQ(m.messages.shown.size(), 1u);
  EXPECT_EQ(m.messages.shown[0].text, "Help file help.htm could not be found.");
  EXPECT_EQ(m.messages.shown[0].icon, MsgIcon::Critical);
  form->Run(Command::lblCmdCheckForUpdates);  // no Tessarin.ini: said so, nothing opened
  EXPECT_EQ(m.messages.shown.size(), 2u);
  EXPECT_TRUE(m.shell.executed.empty());

  Write("\\Help\\help.htm", "<html>");
  Write("\\Tessarin.ini", "Server=http://updates.example:8080/\r\n");
  Do({Command::lblCmdHelp, Command::lblCmdCheckForUpdates, Command::lblCmdDBaseUpdate});
  EXPECT_EQ(Executed(), (std::vector<Opened>{{"Open", kPf + "\\Help\\help.htm", "", kPf, 1},
                                             {"Open", "http://updates.example:8080/update/", "", "", 1},
                                             {"Open", kPf + "\\Tessarin.exe", "", kPf, 1}}));
  EXPECT_EQ(m.messages.shown.size(), 2u);
}

}  // namespace
}  // namespace morvane
