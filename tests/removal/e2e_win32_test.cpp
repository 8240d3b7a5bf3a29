// Round trip on the real API: plant traces of every kind, quarantine them,
// remove them, check the machine is clean, restore, check every byte and
// value is back, then purge.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/simulated/sim_basics.h"
#include "platform/win32/machine.h"
#include "removal/removal_engine.h"
#include "removal/store_hooks.h"
#include "store/scan_log.h"
#include "scanner/scan_engine.h"
#include "win32_tree.h"

namespace morvane {
namespace {

const char* kBase = "C:\\MorvaneE2E";
const char* kRegBase = "Software\\MorvaneE2E";

using testing_win32::RemoveTree;

void Write(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every file below a folder with its bytes, and every folder.
void Snapshot(const std::string& path, const std::string& rel, std::map<std::string, std::string>& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[rel + name + "\\"] = "<dir>";
      Snapshot(path + "\\" + name, rel + name + "\\", out);
    } else {
      std::ifstream in(path + "\\" + name, std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      out[rel + name] = ss.str();
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

// Every key below a registry path with its values as type and bytes.
using RegTree = std::map<std::string, std::map<std::string, std::pair<DWORD, std::string>>>;
void RegSnapshot(const std::string& sub, RegTree& out) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
  auto& values = out[sub];
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof name, type = 0, dataSize = 1024;
    BYTE data[1024];
    if (RegEnumValueA(k, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(k, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    RegSnapshot(sub + "\\" + name, out);
  }
  RegCloseKey(k);
}

void SetValue(const std::string& sub, const char* name, DWORD type, const std::string& data) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  RegCloseKey(k);
}

std::string Sz(const std::string& s) { return s + '\0'; }
std::string Dw(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

class RemovalRoundTrip : public ::testing::Test {
 protected:
  RemovalRoundTrip()
      : os{machine.registry, machine.files, machine.processes, machine.shell, machine.system, machine.clock, messages,
           machine.sockets, machine.signatures},
        ctx(os),
        store(ctx, app),
        engine(ctx, app, Hooks()),
        scan(ctx, app, scanView) {}

  void SetUp() override {
    RemoveTree(kBase);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRegBase);
    base = kBase;
    for (const char* f : {"", "\\Prog", "\\Prog\\Quarantine", "\\Prog\\Settings", "\\Spy Files", "\\Cookies", "\\SpyTree",
                          "\\SpyTree\\sub", "\\SpyTree\\sub\\deep"})
      CreateDirectoryA((base + f).c_str(), nullptr);
    app.programFolder = base + "\\Prog";
    app.folders.txtCookies = base + "\\Cookies";
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    app.folders.strWinDir = buf;
    GetTempPathA(MAX_PATH, buf);
    app.folders.strTempDir = buf;
    if (app.folders.strTempDir.back() == '\\') app.folders.strTempDir.pop_back();
    app.lstSettingsFile = {"0", "0", "1", "1", "0", "0", "about:blank", "Browser", "0", "0"};
    app.lstCustomScanSettings = {"1", "1", "1", "0", "0", "1", "1"};
    app.lstScanInfoFile = {"", "0", "0"};
    app.QuarantineSession = "7-12-2026-14-5-9";
    ctx.OperationInProgress = true;
  }
  void TearDown() override {
    if (child) {
      TerminateProcess(child, 0);
      CloseHandle(child);
    }
    for (HANDLE h : held) CloseHandle(h);
    for (HANDLE h : children) {
      TerminateProcess(h, 0);
      WaitForSingleObject(h, 5000);
      CloseHandle(h);
    }
    RemoveTree(kBase);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRegBase);
  }

  RemovalHooks Hooks() {
    RemovalHooks h = StoreHooks(ctx, store, app, [this] { scan.ResetUsedValues(); });
    h.flushScanLog = [this] {
      flushed = app.lstLog;
      FlushScanLog(ctx, app);
    };
    return h;
  }

  void ListProcesses() {
    app.lstProcesses.Clear();
    IProcesses& p = ctx.processes();
    win::Handle snap = p.CreateSnapshot(win::kTh32csSnapAll, 0);
    ProcessEntry e;
    for (bool ok = p.FirstProcess(snap, e); ok; ok = p.NextProcess(snap, e))
      app.lstProcesses.Add(e.exeFile).SubItems(1) = std::to_string(e.processId);
    p.CloseHandle(snap);
  }

  // A copy of this test at exe, started and lingering; its process handle.
  HANDLE StartLingering(const std::string& exe) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (!CopyFileA(self, exe.c_str(), FALSE)) return nullptr;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::string cmd = "\"" + exe + "\" --linger";
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    children.push_back(pi.hProcess);
    return pi.hProcess;
  }
  // The file written and held open without sharing: nobody can delete it.
  HANDLE Hold(const std::string& path) {
    Write(path, "in use");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) held.push_back(h);
    return h;
  }

  void AddRow(const Text& type, const Text& location, const Text& name) {
    ListItem& row = app.lstScanResult.Add(type);
    row.SubItems(1) = name;
    row.SubItems(2) = location;
    row.checked = true;
  }

  w32::Win32Machine machine;
  sim::ScriptedMessages messages;
  Platform os;
  Context ctx;
  AppState app;
  SettingsStore store;
  RemovalEngine engine;
  NullScanView scanView;
  ScanEngine scan;
  std::string base;
  HANDLE child = nullptr;
  std::vector<HANDLE> children, held;
  std::vector<Text> flushed;
};

TEST_F(RemovalRoundTrip, QuarantineRemoveRestorePurge) {
  // A running program whose file is found: a copy of this test, lingering.
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string exe = base + "\\Spy Files\\spyproc.exe";
  ASSERT_TRUE(CopyFileA(self, exe.c_str(), FALSE));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::string cmd = "\"" + exe + "\" --linger";
  ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  child = pi.hProcess;
  const std::string dll = base + "\\Spy Files\\spyhook.dll";
  Write(dll, std::string("MZ\0\0not a real library\xff", 24));
  const std::string hidden = base + "\\Spy Files\\hidden.dat";
  Write(hidden, "hidden bytes\r\n\x01\x02");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  Write(base + "\\SpyTree\\a.txt", "a");
  Write(base + "\\SpyTree\\sub\\b.bin", std::string("\0b\0", 3));
  Write(base + "\\SpyTree\\sub\\deep\\c.txt", "deep");
  Write(base + "\\Cookies\\user@spy[1].txt", "id=42\nspy.example/\n");
  const std::string key = std::string(kRegBase) + "\\Spy Key";
  SetValue(key, "", REG_SZ, Sz("default"));
  SetValue(key, "Count", REG_DWORD, Dw(3));
  SetValue(key + "\\Sub\\Deep", "Path", REG_EXPAND_SZ, Sz("%TEMP%\\spy"));
  SetValue(key + "\\Sub\\Deep", "Blob", REG_BINARY, std::string("\x01\x00\xff", 3));
  const std::string run = std::string(kRegBase) + "\\Run";
  SetValue(run, "Spy String", REG_SZ, Sz("c:\\spy.exe -x"));
  SetValue(run, "SpyDword", REG_DWORD, Dw(0xFFFFFFFEu));
  SetValue(run, "Keep", REG_SZ, Sz("c:\\good.exe"));
  SetValue(run, "SpyBlob", REG_BINARY, std::string("\x01\xff ", 3));

  std::map<std::string, std::string> filesBefore;
  Snapshot(base, "", filesBefore);
  RegTree regBefore;
  RegSnapshot(kRegBase, regBefore);

  const Text hkcu = "HKEY_CURRENT_USER\\";
  // A Smart Scan over a database of these traces finds them.
  app.lstSettingsFile[9] = "0";
  app.lstDBaseFile.Add("header");
  for (const Text& record : {"path|" + exe + "|Proc|", "path|" + dll + "|Hook|", "path|" + hidden + "|Hidden|",
                             "folder|" + base + "\\SpyTree|Tree|", "regkey|" + hkcu + key + "|Key|",
                             "regval|" + hkcu + run + ",Spy String|Str|", "regval|" + hkcu + run + ",SpyDword|Dw|",
                             Text("cookie|user@spy|Cookie|"), "regval|" + hkcu + run + ",SpyBlob|Bin|"})
    app.lstDBaseFile.Add(record);
  scan.StartScan();
  ASSERT_TRUE(ctx.OperationInProgress);
  std::vector<Text> found;
  for (const auto& row : app.lstScanResult.Rows()) found.push_back(row.text + ":" + row.SubItems(2));
  // Smart Scan does not see hidden files; a File/Folder Scan would list it.
  EXPECT_EQ(found, (std::vector<Text>{"path:" + exe, "path:" + dll, "folder:" + base + "\\SpyTree",
                                      "regkey:" + hkcu + key, "regval:" + hkcu + run + ",Spy String",
                                      "regval:" + hkcu + run + ",SpyDword", "cookie:user@spy[1].txt",
                                      "regval:" + hkcu + run + ",SpyBlob"}));
  ListItem hiddenRow;
  hiddenRow.text = "path";
  hiddenRow.SubItems(1) = "Hidden";
  hiddenRow.SubItems(2) = hidden;
  hiddenRow.icon = 3;
  app.lstScanResult.Rows().insert(app.lstScanResult.Rows().begin() + 2, hiddenRow);
  engine.SelectAllResults();
  app.QuarantineSession = "7-12-2026-14-5-9";
  app.lstLog.clear();

  const std::optional<QuarantineReport> quarantined = engine.QuarantineChecked();
  ASSERT_TRUE(quarantined);
  EXPECT_EQ(quarantined->stored, 9u);
  EXPECT_EQ(quarantined->failed, 0u);
  const std::string s = app.programFolder + "\\Quarantine\\" + app.QuarantineSession + "\\";
  std::map<std::string, std::string> stored;
  Snapshot(s, "", stored);
  EXPECT_EQ(stored["10000.qnf"], "path|10000.qit|" + exe);
  EXPECT_EQ(stored["10003.qnf"], "folder|SpyTree|" + base + "\\SpyTree");
  EXPECT_EQ(stored["SpyTree\\sub\\deep\\c.txt"], "deep");
  EXPECT_EQ(stored["10005.qit"], "String|c:\\spy.exe -x");
  EXPECT_EQ(stored["10006.qit"], "DWORD|-2");
  EXPECT_EQ(stored["10007.qnf"], "cookie|10007.qit|" + base + "\\Cookies\\user@spy[1].txt");
  EXPECT_EQ(stored["10008.qit"], "Raw|3|01FF20");
  // The editor's export (UTF-16 on current systems): read its ASCII letters.
  std::string exported;
  for (char c : stored["10004.qit"])
    if (c != '\0') exported += c;
  EXPECT_NE(exported.find("Spy Key\\Sub\\Deep]"), std::string::npos);

  app.lstLog.clear();
  messages.answers = {MsgResult::Yes};
  engine.RemoveChecked();
  EXPECT_EQ(WaitForSingleObject(child, 120000), WAIT_OBJECT_0);
  for (const auto& p : {exe, dll, hidden, base + "\\SpyTree", base + "\\Cookies\\user@spy[1].txt"})
    EXPECT_FALSE(Exists(p)) << p;
  RegTree regAfter;
  RegSnapshot(kRegBase, regAfter);
  EXPECT_FALSE(regAfter.count(key));
  ASSERT_TRUE(regAfter.count(run));
  EXPECT_EQ(regAfter[run].size(), 1u);
  EXPECT_TRUE(regAfter[run].count("Keep"));
  EXPECT_EQ(flushed, (std::vector<Text>{
                         "Process Killed=" + exe,
                         "File deleted=" + exe,
                         "File deleted=" + dll,
                         "File deleted=" + hidden,
                         "Registry key deleted=" + hkcu + key + "\\Sub\\Deep",
                         "Registry key deleted=" + hkcu + key + "\\Sub",
                         "Registry key deleted=" + hkcu + key,
                         "Registry value deleted=" + hkcu + run + ",Spy String",
                         "Registry value deleted=" + hkcu + run + ",SpyDword",
                         "Cookie deleted=user@spy[1].txt",
                         "Registry value deleted=" + hkcu + run + ",SpyBlob",
                     }));
  EXPECT_TRUE(app.lstLog.empty());
  EXPECT_EQ(app.QuarantineCounter, 10000);
  // 3 files, 5 entries of the tree, 3 keys, 3 values, 1 cookie.
  EXPECT_EQ(app.lstScanInfoFile[2], "15");
  EXPECT_EQ(app.lstScanInfoFile[1], "1");
  std::ifstream info(app.programFolder + "\\Settings\\ScanInfo.stg", std::ios::binary);
  std::stringstream infoText;
  infoText << info.rdbuf();
  EXPECT_EQ(infoText.str(), app.lstScanInfoFile[0] + "\r\n1\r\n15");

  // A removal stopped half way would have left part of the key, as it was:
  // the restore finishes it.
  SetValue(key + "\\Sub\\Deep", "Path", REG_EXPAND_SZ, Sz("%TEMP%\\spy"));
  SetValue(key + "\\Sub\\Deep", "Blob", REG_BINARY, std::string("\x01\x00\xff", 3));
  // Restore the package: everything comes back byte for byte.
  engine.ListQuarantine();
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 1u);
  EXPECT_EQ(engine.lstQuarantinedList.Item(1).SubItems(2), "9");
  engine.SelectAllPackages();
  EXPECT_EQ(engine.RestoreSelected().failed, 0u);
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());
  std::map<std::string, std::string> filesAfter;
  Snapshot(base, "", filesAfter);
  // Logging is on: the removal lines went to the log file.
  EXPECT_EQ(filesAfter["Prog\\SpyLog.txt"].rfind("Process Killed=" + exe + "\r\nFile deleted=" + exe + "\r\n", 0), 0u);
  filesAfter.erase("Prog\\SpyLog.txt");
  filesAfter.erase("Prog\\");
  filesAfter.erase("Prog\\Quarantine\\");
  for (auto it = filesAfter.begin(); it != filesAfter.end();)
    it = it->first.rfind("Prog\\Settings\\", 0) == 0 ? filesAfter.erase(it) : std::next(it);
  filesBefore.erase("Prog\\");
  filesBefore.erase("Prog\\Quarantine\\");
  filesBefore.erase("Prog\\Settings\\");
  EXPECT_EQ(filesAfter, filesBefore);
  RegTree regRestored;
  RegSnapshot(kRegBase, regRestored);
  EXPECT_EQ(regRestored, regBefore);

  // Quarantine once more and purge: the quarantine is empty again.
  app.QuarantineSession = "8-12-2026-9-0-0";
  app.QuarantineCounter = 10000;
  app.lstScanResult.Clear();
  AddRow("path", dll, "Hook");
  AddRow("folder", base + "\\SpyTree", "Tree");
  engine.QuarantineChecked();
  engine.ListQuarantine();
  ASSERT_EQ(engine.lstQuarantinedList.Count(), 1u);
  // Explorer's hidden "desktop.ini" files, which the listing never shows, go too.
  const std::string package = app.programFolder + "\\Quarantine\\8-12-2026-9-0-0";
  for (const std::string& ini : {package + "\\desktop.ini", package + "\\SpyTree\\desktop.ini"}) {
    Write(ini, "[.ShellClassInfo]");
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  }
  engine.SelectAllPackages();
  engine.PurgeSelected();
  EXPECT_TRUE(engine.lstQuarantinedList.Empty());
  std::map<std::string, std::string> quarantine;
  Snapshot(app.programFolder + "\\Quarantine", "", quarantine);
  EXPECT_TRUE(quarantine.empty());
  EXPECT_TRUE(Exists(dll));
}
// Two running copies of one program in two folders: only the one the record
// names ends. Files held open without sharing go at the next start of
// Windows: the removal records them with the system, and a restart of the
// prefix deletes them.
TEST_F(RemovalRoundTrip, OnlyThePlantedProgramEndsAndFilesInUseGoAtRestart) {
  CreateDirectoryA((base + "\\Good").c_str(), nullptr);
  const std::string spyTwin = base + "\\Spy Files\\twin.exe", goodTwin = base + "\\Good\\twin.exe";
  HANDLE spy = StartLingering(spyTwin);
  HANDLE good = StartLingering(goodTwin);
  ASSERT_TRUE(spy && good);
  const std::string inUse = base + "\\Spy Files\\in use.dat", tree = base + "\\SpyTree";
  ASSERT_NE(Hold(inUse), INVALID_HANDLE_VALUE);
  ASSERT_NE(Hold(tree + "\\sub\\held.txt"), INVALID_HANDLE_VALUE);
  Write(tree + "\\free.txt", "free");

  app.lstSettingsFile[9] = "0";
  app.lstDBaseFile.Add("header");
  for (const Text& record : {"path|" + spyTwin + "|Twin|", "path|" + inUse + "|In use|", "folder|" + tree + "|Tree|"})
    app.lstDBaseFile.Add(record);
  scan.StartScan();
  ASSERT_EQ(app.lstScanResult.Count(), 3u);
  engine.SelectAllResults();
  app.lstLog.clear();
  messages.answers = {MsgResult::Yes, MsgResult::No};
  const RemovalReport report = engine.RemoveChecked();

  EXPECT_EQ(WaitForSingleObject(spy, 120000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(good, 0), DWORD(WAIT_TIMEOUT));
  EXPECT_FALSE(Exists(spyTwin));
  EXPECT_TRUE(Exists(goodTwin));
  EXPECT_EQ(flushed, (std::vector<Text>{"Process Killed=" + spyTwin, "File deleted=" + spyTwin,
                                        "File will be deleted at restart=" + inUse,
                                        "File will be deleted at restart=" + tree + "\\sub\\held.txt",
                                        "Folder will be deleted at restart=" + tree}));
  EXPECT_EQ(report.atRestart, (std::vector<Text>{inUse, tree}));
  EXPECT_EQ(app.lstScanInfoFile[2], "3");  // twin.exe, free.txt and the empty folder sub\deep
  EXPECT_TRUE(Exists(inUse));
  EXPECT_FALSE(Exists(tree + "\\free.txt"));

  HKEY sm;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &sm),
            ERROR_SUCCESS);
  std::string pending(65536, '\0');
  DWORD size = DWORD(pending.size());
  EXPECT_EQ(RegQueryValueExA(sm, "PendingFileRenameOperations", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(pending.data()), &size),
            ERROR_SUCCESS);
  RegCloseKey(sm);
  pending.resize(size);
  for (const std::string& path : {inUse, tree + "\\sub\\held.txt", tree + "\\sub", tree})
    EXPECT_NE(pending.find(path + '\0'), std::string::npos) << path;

  // The programs holding the files end with the session; the system starts again.
  for (HANDLE h : held) CloseHandle(h);
  held.clear();
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::string restart = "wineboot.exe -r";
  ASSERT_TRUE(CreateProcessA(nullptr, restart.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 300000), WAIT_OBJECT_0);
  CloseHandle(pi.hProcess);
  EXPECT_FALSE(Exists(inUse));
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(Exists(goodTwin));
  EXPECT_EQ(WaitForSingleObject(good, 0), DWORD(WAIT_TIMEOUT));
}

// A tampered database naming the Windows folder and HKEY_LOCAL_MACHINE\Software:
// a scheduled Smart Scan finds them and removes without asking, and neither
// loses anything; the log says so. The spyware file beside them goes.
TEST_F(RemovalRoundTrip, ProtectedLocationsAreNeverRemoved) {
  const std::string spy = base + "\\Spy Files\\spy.exe";
  Write(spy, "MZ spy");
  const std::string winDir = app.folders.strWinDir;
  std::map<std::string, std::string> winTop;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((winDir + "\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  size_t entriesBefore = 0;
  do ++entriesBefore; while (FindNextFileA(h, &fd));
  FindClose(h);
  HKEY software;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, KEY_READ, &software), ERROR_SUCCESS);
  RegCloseKey(software);

  app.lstSettingsFile[9] = "0";  // Smart Scan, started by the scheduler: removal without a question
  app.AutoScan = true;
  app.lstDBaseFile.Add("header");
  for (const Text& record : {Text("folder|%WinDir%|Tampered|"), Text("regkey|HKEY_LOCAL_MACHINE\\Software|Tampered|"),
                             Text("path|%WinDir%\\..\\") + winDir.substr(3) + "\\regedit.exe|Tampered|",
                             "path|" + spy + "|Spy|"})
    app.lstDBaseFile.Add(record);
  scan.StartScan();
  engine.RemoveAll();
  EXPECT_FALSE(ctx.OperationInProgress);  // the removal step ran

  EXPECT_FALSE(Exists(spy));
  h = FindFirstFileA((winDir + "\\*").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  size_t entriesAfter = 0;
  do ++entriesAfter; while (FindNextFileA(h, &fd));
  FindClose(h);
  EXPECT_EQ(entriesAfter, entriesBefore);
  EXPECT_TRUE(Exists(winDir + "\\regedit.exe"));
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, KEY_READ, &software), ERROR_SUCCESS);
  RegCloseKey(software);
  auto logged = [&](const Text& line) { return std::find(flushed.begin(), flushed.end(), line) != flushed.end(); };
  EXPECT_TRUE(logged("Protected location not removed=" + winDir)) << ::testing::PrintToString(flushed);
  EXPECT_TRUE(logged("Protected location not removed=HKEY_LOCAL_MACHINE\\Software"));
  EXPECT_TRUE(logged("File deleted=" + spy));
}

// Names outside the ANSI code page in a scanned folder: the listing reports
// them in the code page, "?" for what it lacks (no look-alike), the
// scan and the removal go through without harm, and only the spyware file
// that really has its name goes.
TEST_F(RemovalRoundTrip, NamesOutsideTheAnsiCodePage) {
  const std::string folder = base + "\\Spy Files";
  const std::wstring wfolder(folder.begin(), folder.end());
  const wchar_t* foreign[] = {L"\u65e5\u672c.exe", L"\u03a9mega.exe", L"caf\u00e9.exe", L"\u0416\u0416.txt"};
  for (const wchar_t* name : foreign) {
    HANDLE f = CreateFileW((wfolder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
  }
  Write(folder + "\\spy.exe", "MZ");
  // The names in the ANSI code page, a character it lacks as "?" (never a
  // best-fit look-alike, which would name another file: "\u03a9mega" is not "Omega").
  std::vector<std::string> ansiNames;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((wfolder + L"\\*.exe").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do {
    char name[MAX_PATH * 2];
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, fd.cFileName, -1, name, sizeof name, "?", nullptr);
    ansiNames.push_back(name);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  EXPECT_NE(std::find(ansiNames.begin(), ansiNames.end(), "?mega.exe"), ansiNames.end());

  app.lstSettingsFile[9] = "2";
  app.lstSelectedFolders = {folder};
  app.AutoScan = true;
  app.lstDBaseFile.Add("header");
  app.lstDBaseFile.Add("file|*.exe|Spy|");
  scan.StartScan();
  engine.RemoveAll();
  EXPECT_FALSE(ctx.OperationInProgress);

  std::vector<std::string> reported;
  for (const Text& line : flushed)
    if (line.rfind("File deleted=", 0) == 0 || line.rfind("File not deleted=", 0) == 0 ||
        line.rfind("Protected location not removed=", 0) == 0)
      reported.push_back(line.substr(line.find('=') + 1 + folder.size() + 1));
  std::sort(reported.begin(), reported.end());
  std::sort(ansiNames.begin(), ansiNames.end());
  EXPECT_EQ(reported, ansiNames);
  EXPECT_FALSE(Exists(folder + "\\spy.exe"));
  // A name with "?" in it (what the ANSI calls make of the rest) is never
  // handed to a delete or a shell copy, which would read it as a wildcard.
  for (const Text& line : flushed) {
    if (line.find('?') != Text::npos) {
      EXPECT_EQ(line.rfind("Protected location not removed=", 0), 0u) << line;
    }
  }
  // Every name the ANSI calls cannot spell is still there, and so is the text file.
  for (const wchar_t* name : {foreign[0], foreign[1], foreign[3]})
    EXPECT_NE(GetFileAttributesW((wfolder + L"\\" + name).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--linger") {
    Sleep(900000);  // ended by the test; the cap only bounds a stray child
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
