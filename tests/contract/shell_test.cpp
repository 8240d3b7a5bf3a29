#include <gtest/gtest.h>

#include "contract/fixture.h"
#include "platform/modules.h"

namespace morvane::contract {
namespace {

class ShellContract : public testing::Test {
 protected:
  void SetUp() override {
    m = MakeFixture();
    ctx = std::make_unique<Context>(m->os());
    root = m->ScratchFolder();
  }
  IFileSystem& fs() { return m->os().files; }
  std::string Read(const Text& path) {
    std::string d;
    return fs().ReadAll(path, d) ? d : "<missing>";
  }
  std::unique_ptr<MachineFixture> m;
  std::unique_ptr<Context> ctx;
  Text root;
};

TEST_F(ShellContract, CopyAndMoveOneFile) {
  ASSERT_TRUE(fs().WriteAll(root + "\\a.dll", "payload"));
  modFileOper op(*ctx);
  EXPECT_EQ(op.ShellCopyFile(root + "\\a.dll", root + "\\10000.qit"), 0);
  EXPECT_EQ(Read(root + "\\10000.qit"), "payload");
  EXPECT_EQ(Read(root + "\\a.dll"), "payload");
  ASSERT_TRUE(fs().MakeFolder(root + "\\dest"));
  EXPECT_EQ(op.ShellMoveFile(root + "\\10000.qit", root + "\\dest\\b.reg"), 0);
  EXPECT_EQ(Read(root + "\\dest\\b.reg"), "payload");
  EXPECT_EQ(fs().GetAttributes(root + "\\10000.qit"), win::kInvalidAttributes);
  // Copying into an existing folder keeps the file's name.
  EXPECT_EQ(op.ShellCopyFile(root + "\\a.dll", root + "\\dest"), 0);
  EXPECT_EQ(Read(root + "\\dest\\a.dll"), "payload");
  EXPECT_NE(op.ShellCopyFile(root + "\\missing.dll", root + "\\x.qit"), 0);
  EXPECT_EQ(fs().GetAttributes(root + "\\x.qit"), win::kInvalidAttributes);
}

TEST_F(ShellContract, CopyFolderPlacesTheTreeInsideTheDestination) {
  ASSERT_TRUE(fs().MakeFolder(root + "\\Spy"));
  ASSERT_TRUE(fs().MakeFolder(root + "\\Spy\\inner"));
  ASSERT_TRUE(fs().WriteAll(root + "\\Spy\\inner\\x.bin", "xx"));
  ASSERT_TRUE(fs().MakeFolder(root + "\\Q"));
  modCopyFolder cf(*ctx);
  Text source = root + "\\Spy\\";
  EXPECT_TRUE(cf.CopyFolder(source, root + "\\Q"));
  EXPECT_EQ(source, root + "\\Spy");
  EXPECT_EQ(Read(root + "\\Q\\Spy\\inner\\x.bin"), "xx");

  // A second copy of the same name merges into the first.
  ASSERT_TRUE(fs().WriteAll(root + "\\Spy\\new.bin", "n"));
  EXPECT_TRUE(cf.CopyFolder(source, root + "\\Q"));
  EXPECT_EQ(Read(root + "\\Q\\Spy\\new.bin"), "n");
  EXPECT_EQ(Read(root + "\\Q\\Spy\\inner\\x.bin"), "xx");

  EXPECT_FALSE(cf.CopyFolder(source, root + "\\NoSuchFolder"));
  EXPECT_EQ(fs().GetAttributes(root + "\\NoSuchFolder"), win::kInvalidAttributes);
}

TEST_F(ShellContract, ShellAndWaitOfAMissingProgramReturnsAtOnce) {
  EXPECT_TRUE(ShellAndWait(*ctx, root + "\\no-such-program.exe /s /u x.dll", 0));
}

TEST(QuoteArgument, QuotesOnlyPathsWithBlanks) {
  EXPECT_EQ(QuoteArgument("C:\\a.reg"), "C:\\a.reg");
  EXPECT_EQ(QuoteArgument("C:\\Program Files\\a.reg"), "\"C:\\Program Files\\a.reg\"");
  EXPECT_EQ(QuoteArgument("\"C:\\x y\""), "\"C:\\x y\"");
}

}  // namespace
}  // namespace morvane::contract
