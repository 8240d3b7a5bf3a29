// The indexed engine against the plain walk on random machines and databases:
// identical rows in identical order and identical counters, in every mode,
// also when the scan is aborted at the end of a random database entry.
#include <random>

#include "scanner/oracle.h"
#include "scanner/parse.h"
#include "scanner/scan_fixture.h"

using namespace morvane;
using namespace morvane::testing;

namespace {

struct Gen {
  std::mt19937 rng;
  explicit Gen(uint32_t seed) : rng(seed) {}
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
  bool Chance(int percent) { return int(Pick(100)) < percent; }
  template <class T>
  const T& Of(const std::vector<T>& v) { return v[Pick(v.size())]; }
  Text Case(Text s) {
    if (Chance(70)) return s;
    for (char& c : s)
      if (Chance(50)) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
  }
};

const std::vector<Text> kBases = {"setup", "ad", "adserver", "spy", "tool", "a.b", "x", "tracker", ""};
const std::vector<Text> kExts = {"exe", "dll", "txt", "xe", "e", "log1", "dat", "EXE", ""};
const std::vector<Text> kDirs = {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM32", "C:\\Program Files\\Foo",
                                 "C:\\Program Files\\Foobar", "C:\\Program Files\\Foo\\Deep", "C:\\R",
                                 "C:\\R\\dir.exe", "D:\\Other"};
const std::vector<Text> kKeyNames = {"BadKey", "badkey", "Ad", "a=b", "Run", "Spy", "Deep", "Vendor"};
const std::vector<Text> kTypes = {"path", "fold", "file", "regv", "regk", "cook", "regs", "PATH", "Regk", "misc"};

Text FileName(Gen& g) {
  Text base = g.Of(kBases), ext = g.Of(kExts);
  if (g.Chance(10)) return base.empty() ? "noext" : base;
  return g.Case(base) + "." + ext;
}

Text PatternOf(Gen& g) {
  const std::vector<Text> bases = {"setup", "ad", "*", "ab*", "spy", "a.b"};
  const std::vector<Text> exts = {"exe", "*", "*xe", "d*", "lo*", "e*e", "dll"};
  if (g.Chance(5)) return "nodot";
  return g.Of(bases) + "." + g.Of(exts);
}

void Plant(Gen& g, sim::SimulatedMachine& m, AppState& app) {
  m.files.AddDrive('D');
  const uint32_t attrs[] = {win::kAttrArchive, win::kAttrNormal, win::kAttrReadOnly, win::kAttrHidden,
                            win::kAttrSystem};
  std::vector<Text> planted;
  for (size_t i = 0, n = 5 + g.Pick(25); i < n; ++i) {
    Text p = g.Of(kDirs) + "\\" + FileName(g);
    if (m.files.AddFile(p, "", attrs[g.Pick(5)])) planted.push_back(p);
  }
  for (size_t i = 0, n = g.Pick(3); i < n; ++i) m.files.AddFolder(g.Of(kDirs) + "\\Empty" + std::to_string(i));
  for (size_t i = 0, n = g.Pick(8); i < n; ++i) {
    Text name = g.Case(g.Of(kBases)) + "@" + g.Case(g.Of(std::vector<Text>{Text("adserver"), Text("tracker"), Text("good")})) +
                "[" + std::to_string(i) + "]." + (g.Chance(80) ? "txt" : "dat");
    m.files.AddFile(kCookies + "\\" + name);
  }
  if (g.Chance(30)) m.files.AddFile(kCookies + "\\desktop.ini");
  const std::pair<win::HKey, Text> roots[] = {{win::kCurrentUser, "Software"},
                                              {win::kLocalMachine, "System"},
                                              {win::kCurrentConfig, "Software"},
                                              {win::kLocalMachine, "Software"}};
  std::vector<Text> keys;
  for (size_t i = 0, n = g.Pick(15); i < n; ++i) {
    auto [root, top] = roots[g.Pick(4)];
    Text path = top;
    for (size_t d = 0, depth = 1 + g.Pick(3); d < depth; ++d) path += "\\" + g.Of(kKeyNames);
    m.registry.CreateKeyPath(root, path);
    if (g.Chance(50)) m.registry.SetStringValue(root, path, g.Of(kKeyNames), g.Chance(80) ? "data" : "");
  }
  for (size_t i = 0, n = g.Pick(4); i < n; ++i) m.processes.AddProcess(g.Case(FileName(g)));

  // Database.
  for (size_t i = 0, n = 5 + g.Pick(30); i < n; ++i) {
    Text type = g.Of(kTypes), lower = AnsiLower(type.substr(0, 4)), target;
    if (g.Chance(5)) {
      app.lstDBaseFile.Add(g.Chance(50) ? "# note" : "@x");
      continue;
    }
    if (g.Chance(15) && app.lstDBaseFile.Count() > 1) {  // a record met again
      app.lstDBaseFile.Add(app.lstDBaseFile.Item(2 + g.Pick(app.lstDBaseFile.Count() - 1)).text);
      continue;
    }
    if (lower == "path") target = g.Chance(60) && !planted.empty() ? g.Case(g.Of(planted)) : g.Of(kDirs) + "\\" + FileName(g);
    else if (lower == "fold") target = g.Case(g.Of(kDirs)).substr(0, 10 + g.Pick(12));
    else if (lower == "file") target = PatternOf(g);
    else if (lower == "cook") target = g.Case(g.Of(std::vector<Text>{Text("adserver"), Text("track"), Text("@"), Text("zz")}));
    else if (lower == "regs") target = g.Case(g.Of(kKeyNames));
    else {
      const char* rootNames[] = {"HKEY_CURRENT_USER\\Software", "HKEY_LOCAL_MACHINE\\System", "HKEY_CURRENT_USER\\Software\\Ad"};
      target = Text(rootNames[g.Pick(3)]) + (lower == "regv" ? "," : "\\") + g.Of(kKeyNames);
    }
    if (g.Chance(10) && lower == "path") target = "%WinDir%\\" + FileName(g);
    if (g.Chance(3)) target.clear();
    Text line = type + "|" + target + "|Cat" + std::to_string(i);
    if (g.Chance(25)) line += "|http://info/" + std::to_string(i);
    else if (g.Chance(30)) line += "|";
    app.lstDBaseFile.Add(line);
  }
  // Ignore entries holding some objects, in exact or other case.
  for (size_t i = 0, n = g.Pick(4); i < n; ++i) {
    Text what = planted.empty() || g.Chance(30) ? Text("badkey") : g.Of(planted);
    app.lstIgnoreListFile.push_back("x|" + g.Case(what) + "|y");
  }
  app.lstSettingsFile[9] = std::to_string(g.Pick(3));
  for (auto& o : app.lstCustomScanSettings) o = g.Chance(60) ? "1" : "0";
  app.lstSelectedFolders.clear();
  for (size_t i = 0, n = g.Pick(3); i < n; ++i) app.lstSelectedFolders.push_back(g.Case(g.Of(kDirs)).substr(0, 3 + g.Pick(20)));
}

struct Outcome {
  ListView results, manual;
  std::array<Text, kCounterCount> counters;
  ListBox cache;
  size_t listed = 0, keys = 0;
  bool inProgress = false;
};

Outcome Capture(const AppState& a, const Context& c) {
  return Outcome{a.lstScanResult, a.lstIremovable, a.counters, a.lstCache, a.lstHDDItems.Count(),
                 a.lstRegScan.Count(), c.OperationInProgress};
}

}  // namespace

class OracleDiff : public ScanFixture {};

TEST_F(OracleDiff, RandomMachinesGiveIdenticalResults) {
  int withFinds = 0, aborted = 0;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    sim::SimulatedMachine m(sim::SimulatedMachine::WindowsLayout{});
    Context c(m.os());
    AppState base;
    DiscoverFolders(c, base.folders);
    base.lstSettingsFile.assign(12, "0");
    base.lstCustomScanSettings.assign(7, "0");
    base.lstDBaseFile.Add("path|C:\\WINDOWS\\SYSTEM32|never|");
    Gen g(seed);
    Plant(g, m, base);
    size_t abortAt = g.Chance(40) ? 1 + g.Pick(base.lstDBaseFile.Count()) : 0;

    AppState fastState = base;
    NullScanView v;
    ScanEngine engine(c, fastState, v);
    c.onYield = [&] {
      if (abortAt && engine.entriesDone == abortAt) c.OperationInProgress = false;
    };
    engine.StartScan();
    Outcome fast = Capture(fastState, c);

    AppState slowState = base;
    oracle::LiteralScan literal(c, slowState);
    c.onYield = [&] {
      if (abortAt && literal.entriesDone == abortAt) c.OperationInProgress = false;
    };
    literal.StartScan();
    Outcome slow = Capture(slowState, c);
    c.onYield = nullptr;

    SCOPED_TRACE("seed " + std::to_string(seed) + " mode " + base.lstSettingsFile[9]);
    ASSERT_EQ(fast.results.Rows().size(), slow.results.Rows().size());
    for (size_t i = 0; i < fast.results.Rows().size(); ++i)
      ASSERT_EQ(fast.results.Rows()[i].SubItems(2), slow.results.Rows()[i].SubItems(2)) << "row " << i;
    ASSERT_EQ(fast.results, slow.results);
    ASSERT_EQ(fast.manual, slow.manual);
    ASSERT_EQ(fast.counters, slow.counters);
    ASSERT_EQ(fast.cache, slow.cache);
    ASSERT_EQ(fast.listed, slow.listed);
    ASSERT_EQ(fast.keys, slow.keys);
    ASSERT_EQ(fast.inProgress, slow.inProgress);
    withFinds += fast.results.Count() + fast.manual.Count() > 0;
    aborted += !fast.inProgress;
  }
  // The generator must exercise finds and aborts, or the comparison proves little.
  EXPECT_GT(withFinds, 200);
  EXPECT_GT(aborted, 60);
}
