#include <gtest/gtest.h>

#include <string>

#include "contract/fixture.h"
#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane::contract {
namespace {

// Answers every message box with OK and remembers what it said.
class CountingMessages : public IMessages {
 public:
  std::vector<Text> texts;
  MsgResult Show(const Text& text, const Text&, MsgButtons, MsgIcon) override {
    texts.push_back(text);
    return MsgResult::Ok;
  }
};

class RegistryContract : public testing::Test {
 protected:
  void SetUp() override {
    m = MakeFixture();
    os.emplace(Platform{m->os().registry, m->os().files, m->os().processes, m->os().shell, m->os().system,
                        m->os().clock, messages, m->os().sockets, m->os().signatures});
    ctx = std::make_unique<Context>(*os);
    reg = std::make_unique<modRegistry>(*ctx);
    key = m->ScratchKey();
    sub = m->ScratchSubKey();
  }
  // Key below the scratch key, created through the service.
  void MakeKey(const Text& rel) {
    RegKey k(m->os().registry);
    ASSERT_EQ(k.Create(win::kCurrentUser, sub + (rel.empty() ? "" : "\\" + rel)), win::kSuccess);
  }
  void SetString(const Text& rel, const Text& name, const Text& value) {
    RegKey k(m->os().registry);
    ASSERT_EQ(k.Create(win::kCurrentUser, sub + (rel.empty() ? "" : "\\" + rel)), win::kSuccess);
    ASSERT_EQ(m->os().registry.SetValue(k.get(), name.c_str(), win::kRegSz,
                                        reinterpret_cast<const uint8_t*>(value.c_str()), uint32_t(value.size() + 1)),
              win::kSuccess);
  }
  bool KeyExists(const Text& rel) {
    RegKey k(m->os().registry);
    return k.OpenEx(win::kCurrentUser, sub + (rel.empty() ? "" : "\\" + rel), win::kKeyRead) == win::kSuccess;
  }

  std::unique_ptr<MachineFixture> m;
  CountingMessages messages;
  std::optional<Platform> os;
  std::unique_ptr<Context> ctx;
  std::unique_ptr<modRegistry> reg;
  Text key, sub;
};

TEST_F(RegistryContract, PathFormatAndRoots) {
  Text path = "HKEY_LOCAL_MACHINE";
  win::HKey root = 1;
  reg->SplitRegistryPath(path, root);
  EXPECT_EQ(root, win::kLocalMachine);
  EXPECT_EQ(path, "");
  EXPECT_TRUE(messages.texts.empty());

  // Lower-case prefix: the format message, the path unchanged, no root.
  path = "hkey_current_user\\Software";
  reg->SplitRegistryPath(path, root);
  EXPECT_EQ(root, 0u);
  EXPECT_EQ(path, "hkey_current_user\\Software");
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0], "Incorrect Format:\n\nhkey_current_user\\Software");

  // Mixed-case root name passes the format check but names no root: silent, empty.
  EXPECT_EQ(reg->GetRegistryString("HKEY_Current_User\\Software", "x"), "");
  EXPECT_EQ(messages.texts.size(), 1u);

  // A trailing "\" is refused and touches nothing.
  reg->SetRegistryString(key + "\\", "v", "data");
  EXPECT_EQ(messages.texts.size(), 2u);
  EXPECT_EQ(reg->GetRegistryString(key, "v"), std::nullopt);
  EXPECT_FALSE(reg->DeleteRegistryKey(key + "\\"));
  EXPECT_TRUE(KeyExists(""));
}

TEST_F(RegistryContract, StringValuesOfAnyLengthAndBlanks) {
  SetString("", "len254", Text(254, 'a'));
  SetString("", "len300", Text(300, 'b'));
  SetString("", "blanks", "  mid  ");
  SetString("", "empty", "");
  SetString("", "word", "Error");
  EXPECT_EQ(reg->GetRegistryString(key, "len254"), Text(254, 'a'));
  // A long Run-key command line must be read whole.
  EXPECT_EQ(reg->GetRegistryString(key, "len300"), Text(300, 'b'));
  EXPECT_EQ(reg->GetRegistryString(key, "blanks"), "mid  ");
  EXPECT_EQ(reg->GetRegistryString(key, "empty"), "");
  EXPECT_EQ(reg->GetRegistryString(key, "word"), "Error");  // a value, told apart from a failed read
  EXPECT_EQ(reg->GetRegistryString(key, "missing"), std::nullopt);
  EXPECT_EQ(reg->GetRegistryString(key + "\\nokey", "len254"), std::nullopt);
}

TEST_F(RegistryContract, NumbersAndBinaryReadAsTheirBytesLessTheLast) {
  const struct {
    const char* name;
    uint32_t type;
    std::string data, read;
  } cases[] = {
      {"zero", win::kRegDword, std::string(4, '\0'), std::string(3, '\0')},
      {"one", win::kRegDword, std::string("\x01\0\0\0", 4), std::string("\x01\0\0", 3)},
      {"blanks", win::kRegDword, "    ", ""},
      {"bin", win::kRegBinary, std::string("\0 ab ", 5), std::string("\0 a", 3)},
      {"nul", win::kRegSz, std::string("\0", 1), ""},
  };
  RegKey k(m->os().registry);
  ASSERT_EQ(k.Create(win::kCurrentUser, sub), win::kSuccess);
  for (const auto& c : cases) {
    ASSERT_EQ(m->os().registry.SetValue(k.get(), c.name, c.type, reinterpret_cast<const uint8_t*>(c.data.data()),
                                        uint32_t(c.data.size())),
              win::kSuccess);
    EXPECT_EQ(reg->GetRegistryString(key, c.name), Text(c.read)) << c.name;
  }
}

TEST_F(RegistryContract, WritersOpenExistingKeysOnly) {
  reg->SetRegistryString(key, "s", "text");
  int32_t n = -5;
  reg->SetRegistryDword(key, "d", n);
  EXPECT_EQ(reg->GetRegistryString(key, "s"), "text");
  EXPECT_EQ(reg->GetRegistryDword(key, "d"), -5);
  EXPECT_EQ(reg->GetRegistryDword(key, "none"), std::nullopt);
  EXPECT_EQ(reg->GetRegistryDword("HKEY_NOPE\\x", "d"), std::nullopt);

  // Text written without its NUL is stored with one.
  RegKey k(m->os().registry);
  ASSERT_EQ(k.OpenEx(win::kCurrentUser, sub, win::kKeyRead), win::kSuccess);
  uint8_t buf[16] = {};
  uint32_t size = sizeof buf, type = 0;
  ASSERT_EQ(m->os().registry.QueryValue(k.get(), "s", &type, buf, &size), win::kSuccess);
  EXPECT_EQ(type, win::kRegSz);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(buf[4], 0);

  reg->SetRegistryString(key + "\\missing", "s", "text");
  EXPECT_FALSE(KeyExists("missing"));

  reg->DeleteRegistryValue(key, "s");
  EXPECT_EQ(reg->GetRegistryString(key, "s"), std::nullopt);
}

TEST_F(RegistryContract, SubKeyNamesEndWithOneEmptyText) {
  auto none = reg->GetSubKeyNames(key);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0], "");
  auto missing = reg->GetSubKeyNames(key + "\\nothere");
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0], "");

  MakeKey("Alpha");
  MakeKey("beta");
  // A name of the longest length a key may have neither ends the listing nor is cut.
  // Made below the opened key: Wine's ANSI calls take paths of up to 260 characters only.
  const Text longest(255, 'a');
  RegKey parent(m->os().registry), child(m->os().registry);
  ASSERT_EQ(parent.Create(win::kCurrentUser, sub), win::kSuccess);
  ASSERT_EQ(child.Create(parent.get(), longest), win::kSuccess);
  auto names = reg->GetSubKeyNames(key);
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[3], "");
  std::vector<Text> sorted{names[0], names[1], names[2]};
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<Text>{"Alpha", longest, "beta"}));
  // Key names are case-insensitive but keep their case.
  EXPECT_TRUE(KeyExists("ALPHA"));
}

TEST_F(RegistryContract, ManySubKeysAreFoundInAnyCaseAsTheyComeAndGo) {
  for (int i = 0; i < 40; ++i) MakeKey("Key" + std::to_string(i));
  for (int i = 0; i < 40; i += 3) EXPECT_TRUE(reg->DeleteRegistryKey(key + "\\KEY" + std::to_string(i)));
  MakeKey("key0");  // back, in another case
  for (int i = 0; i < 40; ++i) EXPECT_EQ(KeyExists("kEY" + std::to_string(i)), i == 0 || i % 3 != 0) << i;
  EXPECT_EQ(reg->GetSubKeyNames(key).size(), 40u - 14 + 1 + 1);  // and the closing empty text
}

TEST_F(RegistryContract, DeleteKeyRefusesSubkeys) {
  MakeKey("top\\child");
  EXPECT_FALSE(reg->DeleteRegistryKey(key + "\\top"));
  EXPECT_TRUE(KeyExists("top\\child"));
  EXPECT_TRUE(reg->DeleteRegistryKey(key + "\\top\\child"));
  EXPECT_TRUE(reg->DeleteRegistryKey(key + "\\top"));
  EXPECT_FALSE(KeyExists("top"));
  EXPECT_FALSE(reg->DeleteRegistryKey(key + "\\top"));
}

TEST_F(RegistryContract, ValueTooLargeForBufferReportsMoreData) {
  SetString("", "big", Text(300, 'x'));
  RegKey k(m->os().registry);
  ASSERT_EQ(k.OpenEx(win::kCurrentUser, sub, win::kKeyRead), win::kSuccess);
  uint8_t buf[255];
  uint32_t size = 255, type = 0;
  EXPECT_EQ(m->os().registry.QueryValue(k.get(), "big", &type, buf, &size), win::kMoreData);
  EXPECT_EQ(size, 301u);
}

class RegScanContract : public RegistryContract {};

TEST_F(RegScanContract, PreOrderRows) {
  MakeKey("S\\A\\X\\P");
  MakeKey("S\\B");
  modRegScan scan(*ctx);
  ListView rows;
  ctx->OperationInProgress = true;
  scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\S", "HKEY_CURRENT_USER", rows);
  std::vector<Text> got;
  for (const auto& r : rows.Rows()) got.push_back(r.text.substr(key.size()));
  EXPECT_EQ(got, (std::vector<Text>{"\\S", "\\S\\A", "\\S\\A\\X", "\\S\\A\\X\\P", "\\S\\B"}));
  EXPECT_EQ(rows.Item(1).text, key + "\\S");

  rows.Clear();
  scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\none", "HKEY_CURRENT_USER", rows);
  EXPECT_EQ(rows.Count(), 0u);
  scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\S\\B", "HKEY_CURRENT_USER", rows);
  EXPECT_EQ(rows.Count(), 1u);
}

TEST_F(RegScanContract, AbortStopsTheDescent) {
  MakeKey("S\\A\\X");
  MakeKey("S\\B");
  modRegScan scan(*ctx);
  ListView rows;
  ctx->OperationInProgress = false;
  scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\S", "HKEY_CURRENT_USER", rows);
  EXPECT_EQ(rows.Count(), 1u);

  // Abort at the second yield: S and A are listed, nothing after.
  rows.Clear();
  ctx->OperationInProgress = true;
  int yields = 0;
  ctx->onYield = [&] {
    if (++yields == 2) ctx->OperationInProgress = false;
  };
  scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\S", "HKEY_CURRENT_USER", rows);
  EXPECT_EQ(rows.Count(), 2u);
}

TEST_F(RegScanContract, DeniedKeyIsSkippedWithItsSubtree) {
  MakeKey("S\\Locked\\Inner");
  MakeKey("S\\Open");
  if (!m->DenyKeyAccess(sub + "\\S\\Locked", win::kKeyCreateLink))
    GTEST_SKIP() << "this backend cannot deny key access";
  modRegScan scan(*ctx);
  ListView rows;
  ctx->OperationInProgress = true;
  scan.EnumRegistryKeys(win::kCurrentUser, sub + "\\S", "HKEY_CURRENT_USER", rows);
  ASSERT_EQ(rows.Count(), 2u);
  EXPECT_EQ(rows.Item(2).text, key + "\\S\\Open");
}

}  // namespace
}  // namespace morvane::contract
