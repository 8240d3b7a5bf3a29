// Outcomes of the registry service itself, the same on the simulated machine
// and on the real API.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "contract/fixture.h"
#include "platform/handles.h"
#include "platform/modules.h"
#if !defined(_WIN32)
#include "platform/simulated/sim_registry.h"
#endif

namespace morvane::contract {
namespace {

class RegistryService : public testing::Test {
 protected:
  void SetUp() override {
    m = MakeFixture();
    m->ScratchKey();
    sub = m->ScratchSubKey();
  }
  IRegistry& reg() { return m->os().registry; }
  void Make(const Text& rel) {
    RegKey k(reg());
    ASSERT_EQ(k.Create(win::kCurrentUser, sub + "\\" + rel), win::kSuccess);
  }
  std::vector<Text> Names(const Text& rel) {
    RegKey k(reg());
    std::vector<Text> out;
    if (k.OpenEx(win::kCurrentUser, sub + "\\" + rel, win::kKeyRead) != win::kSuccess) return out;
    for (uint32_t i = 0;; ++i) {
      char name[256];
      uint32_t size = 256;
      if (reg().EnumKey(k.get(), i, name, size, nullptr, nullptr) != win::kSuccess) break;
      out.emplace_back(name, size);
    }
    return out;
  }
  std::unique_ptr<MachineFixture> m;
  Text sub;
};

TEST_F(RegistryService, SubkeysEnumerateSortedWithoutCaseAndKeepTheirCase) {
  for (const char* n : {"zeta", "Alpha", "mid", "beta", "_under"}) Make(Text("E\\") + n);
  EXPECT_EQ(Names("E"), (std::vector<Text>{"_under", "Alpha", "beta", "mid", "zeta"}));
  RegKey k(reg());
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\e\\ZETA", win::kKeyRead), win::kSuccess);
  // Creating an existing key under another case makes no second key.
  Make("E\\ALPHA");
  EXPECT_EQ(Names("E").size(), 5u);
}

TEST_F(RegistryService, PathForms) {
  Make("P\\Q");
  RegKey k(reg());
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\P\\", win::kKeyRead), win::kSuccess);
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\\\P\\Q", win::kKeyRead), win::kSuccess);
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, "\\" + sub, win::kKeyRead), 161);
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\P\\Missing\\Deeper", win::kKeyRead), win::kFileNotFound);
  // An empty sub-path of a root gives the root itself.
  win::HKey h = 0;
  EXPECT_EQ(reg().OpenKeyEx(win::kCurrentUser, "", win::kKeyRead, h), win::kSuccess);
  EXPECT_EQ(h, win::kCurrentUser);
  EXPECT_EQ(reg().OpenKey(win::kCurrentUser, "", h), win::kSuccess);
  EXPECT_EQ(h, win::kCurrentUser);
  EXPECT_EQ(reg().CloseKey(win::kCurrentUser), win::kSuccess);
}

TEST_F(RegistryService, ClassBufferOfSizeZeroFillsNothing) {
  Make("C\\plain");
  RegKey k(reg());
  ASSERT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\C", win::kKeyRead), win::kSuccess);
  char name[256];
  std::memset(name, ' ', sizeof name);
  uint32_t size = 256;
  char cls[256];
  uint32_t clsSize = 0;
  EXPECT_EQ(reg().EnumKey(k.get(), 0, name, size, cls, &clsSize), win::kMoreData);
  EXPECT_EQ(std::memchr(name, 0, sizeof name), nullptr);
  size = 5;  // "plain" needs 6 with its NUL
  EXPECT_EQ(reg().EnumKey(k.get(), 0, name, size, nullptr, nullptr), win::kMoreData);
  size = 6;
  EXPECT_EQ(reg().EnumKey(k.get(), 0, name, size, nullptr, nullptr), win::kSuccess);
  EXPECT_EQ(size, 5u);
  EXPECT_STREQ(name, "plain");
  EXPECT_EQ(reg().EnumKey(k.get(), 1, name, size = 256, nullptr, nullptr), win::kNoMoreItems);
}

// A key name the code page cannot spell is listed with "?" for what it lacks,
// never as a look-alike that names another key.
TEST_F(RegistryService, ForeignKeyNamesAreListedWithQuestionMarks) {
  Make("F\\Omega");
  if (!m->ForeignKeyName(sub + "\\F")) GTEST_SKIP() << "no such names here";
  std::vector<Text> names = Names("F");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<Text>{"?mega", "Omega"}));
  RegKey k(reg());
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\F\\?mega", win::kKeyRead), win::kFileNotFound);
}

TEST_F(RegistryService, ValuesSizesAndRights) {
  RegKey k(reg());
  ASSERT_EQ(k.Create(win::kCurrentUser, sub + "\\V"), win::kSuccess);
  ASSERT_EQ(reg().SetValue(k.get(), "Name", win::kRegSz, reinterpret_cast<const uint8_t*>("abc"), 4), 0);
  uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().QueryValue(k.get(), "NAME", &type, nullptr, &size), win::kSuccess);
  EXPECT_EQ(type, win::kRegSz);
  EXPECT_EQ(size, 4u);
  uint8_t small[3] = {'#', '#', '#'};
  size = 3;
  EXPECT_EQ(reg().QueryValue(k.get(), "Name", &type, small, &size), win::kMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(small[0], '#');
  EXPECT_EQ(reg().QueryValue(k.get(), "Other", &type, nullptr, &size), win::kFileNotFound);
  EXPECT_EQ(reg().DeleteValue(k.get(), "Other"), win::kFileNotFound);
  // A handle opened for reading cannot write; one opened to set values cannot read or list.
  RegKey r(reg());
  ASSERT_EQ(r.OpenEx(win::kCurrentUser, sub + "\\V", win::kKeyRead), win::kSuccess);
  EXPECT_EQ(reg().SetValue(r.get(), "x", win::kRegSz, reinterpret_cast<const uint8_t*>("a"), 2), win::kAccessDenied);
  RegKey w(reg());
  ASSERT_EQ(w.OpenEx(win::kCurrentUser, sub + "\\V", win::kKeySetValue), win::kSuccess);
  EXPECT_EQ(reg().QueryValue(w.get(), "Name", &type, nullptr, &size), win::kAccessDenied);
  char name[256];
  uint32_t ns = 256;
  EXPECT_EQ(reg().EnumKey(w.get(), 0, name, ns, nullptr, nullptr), win::kAccessDenied);
}

TEST_F(RegistryService, DeletedKeysAndRoots) {
  Make("D\\Inner");
  EXPECT_EQ(reg().DeleteKey(win::kCurrentUser, sub + "\\D"), win::kAccessDenied);
  EXPECT_EQ(reg().DeleteKey(win::kCurrentUser, ""), win::kAccessDenied);
  EXPECT_EQ(reg().DeleteKey(win::kCurrentUser, sub + "\\D\\Missing"), win::kFileNotFound);
  RegKey held(reg());
  ASSERT_EQ(held.OpenEx(win::kCurrentUser, sub + "\\D\\Inner", win::kKeyAllAccess), win::kSuccess);
  EXPECT_EQ(reg().DeleteKey(win::kCurrentUser, sub + "\\D\\Inner"), win::kSuccess);
  uint32_t size = 0;
  EXPECT_EQ(reg().QueryValue(held.get(), "x", nullptr, nullptr, &size), win::kKeyDeleted);
  win::HKey child = 0;
  EXPECT_EQ(reg().CreateKey(held.get(), "sub", child), win::kKeyDeleted);
  EXPECT_EQ(reg().DeleteKey(win::kCurrentUser, sub + "\\D"), win::kSuccess);
  EXPECT_EQ(reg().CloseKey(win::HKey(0x12344)), win::kInvalidHandle);
  RegKey scratch(reg());
  ASSERT_EQ(scratch.OpenEx(win::kCurrentUser, sub, win::kKeyRead), win::kSuccess);
  EXPECT_EQ(reg().FlushKey(scratch.get()), win::kSuccess);
  EXPECT_EQ(reg().FlushKey(win::kCurrentUser), win::kSuccess);
}

TEST_F(RegistryService, DeniedRightsRefuseOnlyOpensAskingForThem) {
  Make("L\\Inner");
  if (!m->DenyKeyAccess(sub + "\\L", win::kKeySetValue)) GTEST_SKIP() << "this backend cannot deny key access";
  RegKey k(reg());
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\L", 0x3F), win::kAccessDenied);
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\L", win::kKeyRead), win::kSuccess);
  EXPECT_EQ(k.OpenEx(win::kCurrentUser, sub + "\\L\\Inner", 0x3F), win::kSuccess);
  // The default access opens, but without the denied right.
  ASSERT_EQ(k.Open(win::kCurrentUser, sub + "\\L"), win::kSuccess);
  EXPECT_EQ(reg().SetValue(k.get(), "x", win::kRegSz, reinterpret_cast<const uint8_t*>("a"), 2), win::kAccessDenied);
}

TEST_F(RegistryService, WalksAndDeletionsNeverGoThroughALinkToHarmItsTarget) {
  Make("Target\\Leaf\\Inner");
  Make("Evil");
  Make("Loop\\A");
  if (!m->MakeKeyLink(sub + "\\Evil\\R", sub + "\\Target\\Leaf") ||
      !m->MakeKeyLink(sub + "\\Loop\\A\\Back", sub + "\\Loop"))
    GTEST_SKIP() << "no registry links on " << m->Name();
  Context ctx(m->os());
  ctx.OperationInProgress = true;
  const Text root = "HKEY_CURRENT_USER\\" + sub;
  modRegistry regs(ctx);
  regs.SetRegistryString(root + "\\Target\\Leaf", "keep", "me");
  ASSERT_EQ(regs.GetRegistryString(root + "\\Evil\\R", "keep"), "me");  // an open goes through

  auto walk = [&](const Text& rel) {
    modRegScan scan(ctx);
    ListView rows;
    scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\" + rel, "HKEY_CURRENT_USER", rows);
    std::vector<Text> texts;
    for (const auto& row : rows.Rows()) texts.push_back(row.text);
    return texts;
  };
  // A walk lists a link and stops there, a link that loops too.
  EXPECT_EQ(walk("Evil"), (std::vector<Text>{root + "\\Evil", root + "\\Evil\\R"}));
  EXPECT_EQ(walk("Loop"), (std::vector<Text>{root + "\\Loop", root + "\\Loop\\A", root + "\\Loop\\A\\Back"}));
  EXPECT_EQ(walk("Evil\\R"), std::vector<Text>{root + "\\Evil\\R"});
  // A link tells the key it leads to, by a name that opens it; the way to a
  // key is followed, only the key itself is asked.
  Text target;
  ASSERT_TRUE(reg().LinkTarget(win::kCurrentUser, sub + "\\Evil\\R", target));
  EXPECT_EQ(regs.GetRegistryString(target, "keep"), "me") << target;
  EXPECT_FALSE(reg().LinkTarget(win::kCurrentUser, sub + "\\Evil", target));
  EXPECT_FALSE(reg().LinkTarget(win::kCurrentUser, sub + "\\Evil\\R\\Inner", target));
  // Deleting the link deletes the link alone.
  EXPECT_TRUE(regs.DeleteRegistryKey(root + "\\Evil\\R"));
  EXPECT_TRUE(regs.DeleteRegistryKey(root + "\\Evil"));
  EXPECT_EQ(regs.GetRegistryString(root + "\\Target\\Leaf", "keep"), "me");
  EXPECT_EQ(Names("Target\\Leaf"), std::vector<Text>{"Inner"});
  EXPECT_TRUE(regs.DeleteRegistryKey(root + "\\Loop\\A\\Back"));
  EXPECT_EQ(Names("Loop"), std::vector<Text>{"A"});
}

#if !defined(_WIN32)
// The simulated machine only: the handle count and a key too wide for the walk's index.
TEST(SimRegistryOnly, EveryModuleCallClosesItsKeys) {
  auto m = MakeFixture();
  auto* sim = dynamic_cast<sim::SimRegistry*>(&m->os().registry);
  if (!sim) GTEST_SKIP() << "handle count of the simulated registry";
  Text key = m->ScratchKey();
  Text sub = m->ScratchSubKey();
  sim->SetStringValue(win::kCurrentUser, sub + "\\A\\B", "s", "text");
  Context ctx(m->os());
  modRegistry reg(ctx);
  int32_t v = 7;
  reg.GetRegistryString(key + "\\A\\B", "s");
  reg.GetRegistryString(key + "\\A\\B", "missing");
  reg.GetRegistryDword(key + "\\A\\B", "s");
  reg.SetRegistryString(key + "\\A", "t", "x");
  reg.SetRegistryDword(key + "\\A", "d", v);
  reg.DeleteRegistryValue(key + "\\A", "t");
  reg.GetSubKeyNames(key);
  reg.DeleteRegistryKey(key + "\\A");
  ctx.OperationInProgress = true;
  modRegScan scan(ctx);
  ListView rows;
  scan.EnumRegistryKeys(win::kCurrentUser, sub, "HKEY_CURRENT_USER", rows);
  EXPECT_EQ(rows.Count(), 3u);
  EXPECT_EQ(sim->OpenHandleCount(), 0u);
}

// A restart keeps what a flush wrote, in the flushed root only, links included.
TEST(SimRegistryOnly, RestartLosesWhatNoFlushWrote) {
  sim::SimRegistry r;
  r.SetStringValue(win::kCurrentUser, "Software\\Kept", "v", "old");
  r.TrackFlushes();
  r.SetStringValue(win::kCurrentUser, "Software\\Kept", "v", "new");
  r.CreateLink(win::kCurrentUser, "Software\\Link", win::kLocalMachine, "Software\\Target");
  r.SetStringValue(win::kLocalMachine, "Software\\Target", "t", "1");
  r.SetStringValue(win::kCurrentUser, "Software\\Lost", "v", "x");
  EXPECT_EQ(r.FlushKey(win::kLocalMachine), win::kSuccess);
  r.Restart();
  EXPECT_EQ(r.GetValue(win::kCurrentUser, "Software\\Kept", "v")->data, std::string("old", 4));
  EXPECT_FALSE(r.KeyExists(win::kCurrentUser, "Software\\Lost"));
  EXPECT_FALSE(r.KeyExists(win::kCurrentUser, "Software\\Link"));
  EXPECT_TRUE(r.KeyExists(win::kLocalMachine, "Software\\Target"));
  r.CreateLink(win::kCurrentUser, "Software\\Link", win::kLocalMachine, "Software\\Target");
  win::HKey k = 0;
  ASSERT_EQ(r.OpenKey(win::kCurrentUser, "Software", k), win::kSuccess);
  EXPECT_EQ(r.FlushKey(k), win::kSuccess);
  r.CloseKey(k);
  r.Restart();
  r.Restart();
  Text target;
  EXPECT_TRUE(r.LinkTarget(win::kCurrentUser, "Software\\Link", target));
  EXPECT_EQ(target, "HKEY_LOCAL_MACHINE\\Software\\Target");
  EXPECT_TRUE(r.KeyExists(win::kCurrentUser, "Software\\Link\\"));
}

TEST(SimRegistryOnly, WalkVisitsAtMost32767SubkeysOfOneKey) {
  auto m = MakeFixture();
  auto* sim = dynamic_cast<sim::SimRegistry*>(&m->os().registry);
  if (!sim) GTEST_SKIP() << "too slow on the real registry";
  Text sub = m->ScratchSubKey() + "\\Wide";
  char name[16];
  for (int i = 0; i < 32770; ++i) {
    std::snprintf(name, sizeof name, "k%05d", i);
    ASSERT_TRUE(sim->CreateKeyPath(win::kCurrentUser, sub + "\\" + name));
  }
  Context ctx(m->os());
  ctx.OperationInProgress = true;
  modRegScan scan(ctx);
  ListView rows;
  scan.EnumRegistryKeys(win::kCurrentUser, sub, "HKEY_CURRENT_USER", rows);
  ASSERT_EQ(rows.Count(), 1u + 32767u);
  EXPECT_EQ(rows.Item(rows.Count()).text, "HKEY_CURRENT_USER\\" + sub + "\\k32766");
  EXPECT_EQ(sim->OpenHandleCount(), 0u);
}

#endif

}  // namespace
}  // namespace morvane::contract
