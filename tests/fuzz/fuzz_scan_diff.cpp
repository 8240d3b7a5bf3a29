// A small simulated machine and database built from the input, scanned by
// the indexed engine and by the literal walk: the same rows in the same
// order, the same counters, also when aborted at the end of an entry.
#include <cctype>

#include "database/folders.h"
#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"
#include "scanner/oracle.h"
#include "scanner/parse.h"
#include "scanner/scan_engine.h"

using namespace morvane;

namespace {

const Text kCookies = Text(sim::kDefaultProfile) + "\\Cookies";

struct Gen {
  fuzz::Input& in;
  size_t Pick(size_t n) { return in.Pick(n); }
  bool Chance(int percent) { return int(in.Pick(100)) < percent; }
  template <class T>
  const T& Of(const std::vector<T>& v) { return v[Pick(v.size())]; }
  Text Case(Text s) {
    if (!in.Flag()) return s;
    for (char& c : s)
      if (in.Flag()) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }
  // Now and then a text of the input itself.
  Text Or(const Text& chosen) { return in.Pick(8) == 0 ? in.Text() : chosen; }
};

const std::vector<Text> kBases = {"setup", "ad", "adserver", "spy", "a.b", "x", ""};
const std::vector<Text> kExts = {"exe", "dll", "txt", "xe", "e", "EXE", ""};
const std::vector<Text> kDirs = {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32", "C:\\Program Files\\Foo",
                                 "C:\\Program Files\\Foobar", "C:\\R", "C:\\R\\dir.exe", "D:\\Other"};
const std::vector<Text> kKeyNames = {"BadKey", "badkey", "Ad", "a=b", "Run", "Deep"};
const std::vector<Text> kTypes = {"path", "fold", "file", "regv", "regk", "cook", "regs", "PATH", "misc"};

Text FileName(Gen& g) { return g.Or(g.Case(g.Of(kBases)) + "." + g.Of(kExts)); }

void Plant(Gen& g, sim::SimulatedMachine& m, AppState& app) {
  m.files.AddDrive('D');
  const uint32_t attrs[] = {win::kAttrArchive, win::kAttrNormal, win::kAttrReadOnly, win::kAttrHidden,
                            win::kAttrSystem};
  std::vector<Text> planted;
  for (size_t i = 0, n = g.Pick(12); i < n; ++i) {
    Text p = g.Of(kDirs) + "\\" + FileName(g);
    if (m.files.AddFile(p, "", attrs[g.Pick(5)])) planted.push_back(p);
  }
  if (g.Chance(20)) m.files.AddJunction("C:\\R\\loop", "C:\\R");
  for (size_t i = 0, n = g.Pick(4); i < n; ++i)
    m.files.AddFile(kCookies + "\\" + g.Or(g.Case(g.Of(kBases)) + "@tracker[" + std::to_string(i) + "].txt"));
  const std::pair<win::HKey, Text> roots[] = {{win::kCurrentUser, "Software"}, {win::kLocalMachine, "System"},
                                              {win::kLocalMachine, "Software"}};
  for (size_t i = 0, n = g.Pick(8); i < n; ++i) {
    auto [root, top] = roots[g.Pick(3)];
    Text path = top;
    for (size_t d = 0, depth = 1 + g.Pick(3); d < depth; ++d) path += "\\" + g.Or(g.Of(kKeyNames));
    m.registry.CreateKeyPath(root, path);
    if (g.Chance(50)) m.registry.SetStringValue(root, path, g.Of(kKeyNames), "data");
  }
  for (size_t i = 0, n = g.Pick(3); i < n; ++i) m.processes.AddProcess(g.Case(FileName(g)));

  for (size_t i = 0, n = 1 + g.Pick(16); i < n; ++i) {
    Text type = g.Of(kTypes), lower = AnsiLower(type.substr(0, 4)), target;
    if (lower == "path") target = g.Chance(60) && !planted.empty() ? g.Case(g.Of(planted)) : g.Of(kDirs) + "\\" + FileName(g);
    else if (lower == "fold") target = g.Case(g.Of(kDirs)).substr(0, 3 + g.Pick(16));
    else if (lower == "file") target = g.Or(g.Of(std::vector<Text>{"setup.exe", "*.*", "ab*.e*e", "a.b", "nodot", "*.dll"}));
    else if (lower == "cook") target = g.Or(g.Case(g.Of(std::vector<Text>{"adserver", "track", "@", "zz"})));
    else if (lower == "regs") target = g.Or(g.Case(g.Of(kKeyNames)));
    else {
      const char* keys[] = {"HKEY_CURRENT_USER\\Software", "HKEY_LOCAL_MACHINE\\System", "HKEY_CURRENT_USER\\Software\\Ad"};
      target = Text(keys[g.Pick(3)]) + (lower == "regv" ? "," : "\\") + g.Or(g.Of(kKeyNames));
    }
    if (g.Chance(10)) target = "%WinDir%\\" + FileName(g);
    Text line = g.Chance(5) ? g.in.Text() : type + "|" + target + "|Cat" + std::to_string(i);
    if (g.Chance(25)) line += "|http://info/" + std::to_string(i);
    app.lstDBaseFile.Add(line);
  }
  for (size_t i = 0, n = g.Pick(3); i < n; ++i)
    app.lstIgnoreListFile.push_back("x|" + (planted.empty() ? g.in.Text() : g.Case(g.Of(planted))) + "|y");
  app.lstSettingsFile[9] = std::to_string(g.Pick(3));
  for (auto& o : app.lstCustomScanSettings) o = g.Chance(60) ? "1" : "0";
  for (size_t i = 0, n = g.Pick(3); i < n; ++i)
    app.lstSelectedFolders.push_back(g.Or(g.Case(g.Of(kDirs)).substr(0, 3 + g.Pick(20))));
}

struct Outcome {
  ListView results, manual;
  std::array<Text, kCounterCount> counters;
  ListBox cache;
  size_t listed = 0, keys = 0;
  bool inProgress = false;
  bool operator==(const Outcome&) const = default;
};

Outcome Capture(const AppState& a, const Context& c) {
  return Outcome{a.lstScanResult, a.lstIremovable, a.counters, a.lstCache, a.lstHDDItems.Count(),
                 a.lstRegScan.Count(), c.OperationInProgress};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  sim::SimulatedMachine m(sim::SimulatedMachine::WindowsLayout{});
  Context c(m.os());
  AppState base;
  DiscoverFolders(c, base.folders);
  base.lstSettingsFile.assign(12, "0");
  base.lstCustomScanSettings.assign(7, "0");
  base.lstDBaseFile.Add("Version 1");
  Gen g{in};
  Plant(g, m, base);
  const size_t abortAt = g.Chance(30) ? 1 + g.Pick(base.lstDBaseFile.Count()) : 0;

  AppState fastState = base;
  NullScanView v;
  ScanEngine engine(c, fastState, v);
  c.onYield = [&] {
    if (abortAt && engine.entriesDone == abortAt) c.OperationInProgress = false;
  };
  engine.StartScan();
  const Outcome fast = Capture(fastState, c);

  AppState slowState = base;
  oracle::LiteralScan literal(c, slowState);
  c.onYield = [&] {
    if (abortAt && literal.entriesDone == abortAt) c.OperationInProgress = false;
  };
  literal.StartScan();
  const Outcome slow = Capture(slowState, c);
  c.onYield = nullptr;
  FUZZ_CHECK(fast.results == slow.results);
  FUZZ_CHECK(fast.manual == slow.manual);
  FUZZ_CHECK(fast.counters == slow.counters);
  FUZZ_CHECK(fast == slow);
  return 0;
}
