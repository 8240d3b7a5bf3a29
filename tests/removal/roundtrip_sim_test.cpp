// The same round trip on the simulated machine through the real modules:
// scan, quarantine, remove, restore byte for byte, purge.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/simulated/machine.h"
#include "platform/simulated/sim_regedit.h"
#include "removal/removal_engine.h"
#include "removal/store_hooks.h"
#include "scanner/scan_engine.h"
#include "store/scan_log.h"

namespace morvane {
namespace {

const Text kBase = "C:\\MorvaneE2E";
const Text kHkcu = "HKEY_CURRENT_USER\\";
const Text kRegBase = "Software\\MorvaneE2E";

class SimRoundTrip : public testing::Test {
 protected:
  SimRoundTrip()
      : ctx(m.os()), store(ctx, app), engine(ctx, app, Hooks()),
        scan(ctx, app, scanView) {}

  RemovalHooks Hooks() {
    RemovalHooks h = StoreHooks(ctx, store, app, [this] { scan.ResetUsedValues(); });
    h.flushScanLog = [this] {
      flushed = app.lstLog;
      FlushScanLog(ctx, app);
    };
    return h;
  }
  // Every file under the base with its bytes, folders marked.
  std::map<Text, std::string> Files() {
    std::map<Text, std::string> out;
    for (const Text& p : m.files.ListTree(kBase)) {
      if (p.rfind(kBase + "\\Prog", 0) == 0) continue;
      std::string d = "<dir>";
      if (!m.files.IsFolder(p)) m.files.ReadAll(p, d);
      out[p] = d;
    }
    return out;
  }
  // The export's lines, sorted: values come back in another order after a restore.
  std::vector<std::string> Registry() {
    std::string e;
    sim::ExportRegistry(m.registry, kHkcu + kRegBase, e);
    std::vector<std::string> lines;
    const std::string end("\r\0\n\0", 4);
    for (size_t start = 0; start < e.size();) {
      size_t at = e.find(end, start);
      if (at == std::string::npos) at = e.size();
      lines.push_back(e.substr(start, at - start));
      start = at + end.size();
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  sim::SimulatedMachine m;
  Context ctx;
  AppState app;
  SettingsStore store;
  RemovalEngine engine;
  NullScanView scanView;
  ScanEngine scan;
  std::vector<Text> flushed;
};

TEST_F(SimRoundTrip, QuarantineRemoveRestorePurge) {
  for (const char* f : {"\\Prog\\Quarantine", "\\Prog\\Settings", "\\Cookies", "\\SpyTree\\sub\\deep"})
    m.files.AddFolder(kBase + f);
  app.programFolder = kBase + "\\Prog";
  app.folders.txtCookies = kBase + "\\Cookies";
  app.folders.strWinDir = "C:\\WINDOWS";
  app.folders.strTempDir = "C:\\WINDOWS\\TEMP";
  m.files.AddFolder("C:\\WINDOWS\\TEMP");
  app.lstSettingsFile = {"0", "0", "1", "1", "0", "0", "about:blank", "Browser", "0", "0", "10"};
  app.lstCustomScanSettings = {"1", "1", "1", "0", "0", "1", "1"};
  app.lstScanInfoFile = {"", "0", "0"};

  const Text exe = kBase + "\\Spy Files\\spyproc.exe", dll = kBase + "\\Spy Files\\spyhook.dll";
  m.files.AddFile(exe, std::string("MZ\x90\0exe", 7));
  m.files.AddFile(dll, std::string("MZ\0\0dll\xff", 8));
  m.files.AddFile(kBase + "\\SpyTree\\a.txt", "a");
  m.files.AddFile(kBase + "\\SpyTree\\sub\\b.bin", std::string("\0b\0", 3), win::kAttrHidden);
  m.files.AddFile(kBase + "\\SpyTree\\sub\\deep\\c.txt", "deep");
  m.files.AddFile(kBase + "\\Cookies\\user@spy[1].txt", "id=42\n");
  uint32_t pid = m.processes.AddProcess(exe, false);
  // A program of the same name in another folder keeps running.
  uint32_t namesake = m.processes.AddProcess("C:\\Tools\\spyproc.exe");
  Text regsvr;
  m.processes.RegisterProgram("regsvr32.exe", [&](const Text& cmd) {
    regsvr = cmd;
    return 0u;
  });
  const Text key = kRegBase + "\\Spy Key", run = kRegBase + "\\Run";
  m.registry.SetStringValue(win::kCurrentUser, key, "", "default");
  m.registry.SetDwordValue(win::kCurrentUser, key, "Count", 3);
  m.registry.SetRawValue(win::kCurrentUser, key + "\\Sub\\Deep", "Blob", win::kRegBinary, std::string("\x01\x00\xff", 3));
  m.registry.SetStringValue(win::kCurrentUser, run, "Spy String", "c:\\spy.exe -x");
  m.registry.SetDwordValue(win::kCurrentUser, run, "SpyDword", 0xFFFFFFFEu);
  m.registry.SetStringValue(win::kCurrentUser, run, "Keep", "c:\\good.exe");
  auto filesBefore = Files();
  auto regBefore = Registry();

  app.lstDBaseFile.Add("header");
  for (const Text& r : {"path|" + exe + "|Proc|", "path|" + dll + "|Hook|", "folder|" + kBase + "\\SpyTree|Tree|",
                        "regkey|" + kHkcu + key + "|Key|", "regval|" + kHkcu + run + ",Spy String|Str|",
                        "regval|" + kHkcu + run + ",SpyDword|Dw|", Text("cookie|user@spy|Cookie|")})
    app.lstDBaseFile.Add(r);
  app.lstSettingsFile[9] = "0";
  scan.StartScan();
  ASSERT_EQ(app.lstScanResult.Count(), 7u);
  EXPECT_EQ(app.counter(Counter::lblProcessesIdentified), "1");
  engine.SelectAllResults();
  app.QuarantineSession = "7-12-2026-14-5-9";
  EXPECT_EQ(engine.QuarantineChecked()->stored, 7u);
  const Text s = app.programFolder + "\\Quarantine\\" + app.QuarantineSession + "\\";
  std::string line;
  m.files.ReadAll(s + "10004.qit", line);
  EXPECT_EQ(line, "String|c:\\spy.exe -x");
  m.files.ReadAll(s + "10003.qit", line);
  EXPECT_EQ(line.substr(0, 2), "\xff\xfe");  // the editor's export

  app.lstLog.clear();
  m.messages.answers = {MsgResult::Yes};
  engine.RemoveChecked();
  EXPECT_FALSE(m.processes.IsRunning(pid));
  EXPECT_TRUE(m.processes.IsRunning(namesake));
  EXPECT_EQ(regsvr, "regsvr32.exe /s /u \"" + dll + "\"");
  for (const Text& p : {exe, dll, kBase + "\\SpyTree", kBase + "\\Cookies\\user@spy[1].txt"})
    EXPECT_FALSE(m.files.Exists(p)) << p;
  EXPECT_FALSE(m.registry.KeyExists(win::kCurrentUser, key));
  EXPECT_FALSE(m.registry.GetValue(win::kCurrentUser, run, "SpyDword"));
  EXPECT_TRUE(m.registry.GetValue(win::kCurrentUser, run, "Keep"));
  EXPECT_EQ(flushed.front(), "Process Killed=" + exe);
  EXPECT_EQ(app.lstScanInfoFile[1], "1");

  engine.ListQuarantine();
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 1u);
  engine.SelectAllPackages();
  engine.RestoreSelected();
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());
  EXPECT_EQ(Files(), filesBefore);
  EXPECT_EQ(Registry(), regBefore);

  // Purge a second package.
  app.QuarantineSession = "8-12-2026-9-0-0";
  app.QuarantineCounter = 10000;
  app.lstScanResult.Clear();
  ListItem& row = app.lstScanResult.Add("folder");
  row.SubItems(2) = kBase + "\\SpyTree";
  row.checked = true;
  engine.QuarantineChecked();
  engine.ListQuarantine();
  engine.SelectAllPackages();
  engine.PurgeSelected();
  EXPECT_TRUE(m.files.ListTree(app.programFolder + "\\Quarantine").empty());
  EXPECT_TRUE(m.files.Exists(kBase + "\\SpyTree\\sub\\deep\\c.txt"));
}

// Stored texts with leading blanks or NULs are written back whole and leave the quarantine.
TEST_F(SimRoundTrip, RestoredTextsWithBlanksOrNulsLeaveTheQuarantine) {
  app.programFolder = kBase + "\\Prog";
  const Text package = app.programFolder + "\\Quarantine\\1-1-2026-0-0-0\\";
  const std::pair<Text, std::string> cases[] = {{"Padded", "  two blanks "}, {"Multi", std::string("a\0b\0", 4)},
                                                {"Blank", " "}};
  int n = 10000;
  for (const auto& [name, text] : cases) {
    const Text item = std::to_string(n++);
    m.files.AddFile(package + item + ".qnf", "regval|" + item + ".qit|" + kHkcu + kRegBase + "," + name);
    m.files.AddFile(package + item + ".qit", "String|" + text);
  }
  m.registry.CreateKeyPath(win::kCurrentUser, kRegBase);
  engine.ListQuarantine();
  engine.SelectAllPackages();
  engine.RestoreSelected();
  for (const auto& [name, text] : cases) {
    const auto v = m.registry.GetValue(win::kCurrentUser, kRegBase, name);
    ASSERT_TRUE(v) << name;
    EXPECT_EQ(v->data.substr(0, text.size()), text) << name;
  }
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());
}

}  // namespace
}  // namespace morvane
