#include <gtest/gtest.h>

#include <algorithm>

#include "contract/fixture.h"
#include "database/protected.h"
#include "platform/dir_search.h"
#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane::contract {
namespace {

class FilesContract : public testing::Test {
 protected:
  void SetUp() override {
    m = MakeFixture();
    ctx = std::make_unique<Context>(m->os());
    root = m->ScratchFolder();
  }
  IFileSystem& fs() { return m->os().files; }
  void File(const Text& rel, const std::string& content = "x", uint32_t attrs = 0) {
    ASSERT_TRUE(fs().WriteAll(root + "\\" + rel, content)) << rel;
    if (attrs) {
      ASSERT_TRUE(fs().SetAttributes(root + "\\" + rel, attrs));
    }
  }
  void Folder(const Text& rel) { ASSERT_TRUE(fs().MakeFolder(root + "\\" + rel)) << rel; }
  std::vector<Text> Names(const Text& pattern) {
    std::vector<Text> out;
    FindHandleOwner f(fs());
    FindData fd;
    for (bool more = f.First(root + "\\" + pattern, fd); more; more = f.Next(fd))
      if (fd.name != "." && fd.name != "..") out.push_back(fd.name);
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<Text> Sorted(std::vector<Text> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  std::unique_ptr<MachineFixture> m;
  std::unique_ptr<Context> ctx;
  Text root;
};

TEST_F(FilesContract, WildcardsFollowTheFindRules) {
  File("readme");
  File("a.txt");
  File("b.TXT");
  File("ab.dat");
  File("a.b.c");
  File(Text(60, 'a'));
  EXPECT_EQ(Names("*.*"), (std::vector<Text>{"a.b.c", "a.txt", Text(60, 'a'), "ab.dat", "b.TXT", "readme"}));
  EXPECT_EQ(Names("*.txt"), (std::vector<Text>{"a.txt", "b.TXT"}));
  EXPECT_EQ(Names("?.txt"), (std::vector<Text>{"a.txt", "b.TXT"}));
  EXPECT_EQ(Names("a*"), (std::vector<Text>{"a.b.c", "a.txt", Text(60, 'a'), "ab.dat"}));
  // Many stars against a long name answer at once, found or not.
  EXPECT_EQ(Names(Text(20, '*') + "a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a"), (std::vector<Text>{Text(60, 'a')}));
  EXPECT_TRUE(Names("a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b").empty());
  EXPECT_EQ(Names("READ*"), (std::vector<Text>{"readme"}));
  EXPECT_TRUE(Names("*.exe").empty());
}

TEST_F(FilesContract, BasicOperationsKeepWindowsOutcomes) {
  File("ro.txt", "data", win::kAttrReadOnly);
  EXPECT_FALSE(fs().RemoveFile(root + "\\ro.txt"));
  EXPECT_TRUE(fs().SetAttributes(root + "\\ro.txt", win::kAttrNormal));
  EXPECT_TRUE(fs().RemoveFile(root + "\\ro.txt"));
  EXPECT_EQ(fs().GetAttributes(root + "\\ro.txt"), win::kInvalidAttributes);

  Folder("dir");
  File("dir\\inner.txt");
  EXPECT_FALSE(fs().RemoveFolder(root + "\\dir"));
  EXPECT_FALSE(fs().RemoveFile(root + "\\dir"));
  EXPECT_FALSE(fs().MakeFolder(root + "\\dir"));
  EXPECT_FALSE(fs().MakeFolder(root + "\\no\\such"));
  EXPECT_TRUE(fs().GetAttributes(root + "\\DIR") & win::kAttrDirectory);

  std::string data;
  EXPECT_TRUE(fs().Append(root + "\\log.txt", "a\r\n"));
  EXPECT_TRUE(fs().Append(root + "\\log.txt", "b\r\n"));
  EXPECT_TRUE(fs().ReadAll(root + "\\log.txt", data));
  EXPECT_EQ(data, "a\r\nb\r\n");

  // A complete new file replaces the old one in one step.
  File("new.tmp", "new");
  File("old.stg", "old");
  EXPECT_TRUE(fs().MoveReplace(root + "\\new.tmp", root + "\\old.stg"));
  EXPECT_TRUE(fs().ReadAll(root + "\\old.stg", data));
  EXPECT_EQ(data, "new");
  EXPECT_EQ(fs().GetAttributes(root + "\\new.tmp"), win::kInvalidAttributes);

  // Deleted only when the system next starts: until then the file stays. An
  // installation at rest has no start to wait for and refuses.
  EXPECT_EQ(fs().RemoveAtRestart(root + "\\old.stg"), std::string(m->Name()) != "offline");
  EXPECT_NE(fs().GetAttributes(root + "\\old.stg"), win::kInvalidAttributes);

  EXPECT_TRUE(fs().CopyTo(root + "\\old.stg", root + "\\copy.stg", true));
  EXPECT_FALSE(fs().CopyTo(root + "\\old.stg", root + "\\copy.stg", true));
  // A copy is flushed to the disk, a read-only one too, keeping its flags;
  // a folder or a missing file is not.
  ASSERT_TRUE(fs().SetAttributes(root + "\\copy.stg", win::kAttrReadOnly | win::kAttrHidden));
  EXPECT_TRUE(fs().FlushFile(root + "\\copy.stg"));
  EXPECT_EQ(fs().GetAttributes(root + "\\copy.stg") & (win::kAttrReadOnly | win::kAttrHidden),
            win::kAttrReadOnly | win::kAttrHidden);
  EXPECT_FALSE(fs().FlushFile(root + "\\dir"));
  EXPECT_FALSE(fs().FlushFile(root + "\\missing.bin"));
  std::string bytes("\x00\xff\r\n\x80", 5);
  File("bin", bytes);
  EXPECT_TRUE(fs().ReadAll(root + "\\bin", data));
  EXPECT_EQ(data, bytes);

  // Read in pieces: the same bytes in order, several pieces for a large file.
  std::string large;
  for (size_t i = 0; large.size() < 200000; ++i) large += std::to_string(i * 7919) + (i % 3 ? "," : "\r\n");
  File("large.bin", large);
  std::string joined;
  size_t pieces = 0;
  auto take = [&](const char* p, size_t n) { joined.append(p, n), ++pieces; };
  EXPECT_TRUE(fs().ReadPieces(root + "\\large.bin", take));
  EXPECT_EQ(joined, large);
  EXPECT_GT(pieces, 1u);
  EXPECT_FALSE(fs().ReadPieces(root + "\\missing.bin", take));
  EXPECT_FALSE(fs().ReadPieces(root + "\\dir", take));
}

TEST_F(FilesContract, DirectorySearchSeesOnlyVisibleFiles) {
  File("plain.exe");
  File("hidden.exe", "x", win::kAttrHidden);
  File("system.dll", "x", win::kAttrSystem);
  File("ro.dll", "x", win::kAttrReadOnly);
  Folder("sub");
  EXPECT_TRUE(DirFinds(fs(), root + "\\plain.exe", kDirFilesOnly));
  EXPECT_TRUE(DirFinds(fs(), root + "\\ro.dll", kDirFilesOnly));
  EXPECT_FALSE(DirFinds(fs(), root + "\\hidden.exe", kDirFilesOnly));
  EXPECT_FALSE(DirFinds(fs(), root + "\\system.dll", kDirFilesOnly));
  EXPECT_FALSE(DirFinds(fs(), root + "\\sub", kDirFilesOnly));
  EXPECT_TRUE(DirFinds(fs(), root + "\\sub", kDirFilesAndFolders));
  EXPECT_TRUE(DirFinds(fs(), root + "\\p*.exe", kDirFilesOnly));
  EXPECT_FALSE(DirFinds(fs(), root + "\\h*.exe", kDirFilesOnly));
  EXPECT_FALSE(DirFinds(fs(), root + "\\missing.exe", kDirFilesAndFolders));
  // A name, in any case, answers as a search that can only return it.
  for (const Text name : {"plain.exe", "PLAIN.EXE", "hidden.exe", "system.dll", "ro.dll", "sub", "missing.exe",
                          "missing\\plain.exe"})
    for (uint32_t allowed : {kDirFilesOnly, kDirFilesAndFolders}) {
      Text search = name;
      search.back() = '?';
      EXPECT_EQ(DirFinds(fs(), root + "\\" + name, allowed), DirFinds(fs(), root + "\\" + search, allowed)) << name;
    }
}

class FindFilesContract : public FilesContract {};

TEST_F(FindFilesContract, DesktopIniIsCountedButNotListed) {
  // Only one of the two spellings can exist on a case-insensitive disk.
  File("desktop.ini", "1234567");
  File("a.txt", "1");
  modFindFiles ff(*ctx);
  ListBox names;
  int32_t files = 0, dirs = 0;
  bool recurse = false;
  Text path = root;
  uint64_t size = ff.FindFilesToList(path, "*.*", files, dirs, names, recurse);
  EXPECT_EQ(path, root + "\\");
  EXPECT_EQ(files, 2);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(names, (ListBox{"a.txt"}));

  ASSERT_TRUE(fs().SetAttributes(root + "\\desktop.ini", win::kAttrNormal));
  ASSERT_TRUE(fs().RemoveFile(root + "\\desktop.ini"));
  File("Desktop.ini", "1");
  names.clear();
  path = root + "\\";
  ff.FindFilesToList(path, "*.*", files, dirs, names, recurse);
  EXPECT_EQ(Sorted(names), (ListBox{"Desktop.ini", "a.txt"}));
}

TEST_F(FindFilesContract, PatternListingCountsSubfoldersAndRecurses) {
  File("one.txt", "12345");
  File("two.dat", "123");
  File("hidden.txt", "12", win::kAttrHidden);
  Folder("sub");
  File("sub\\deep.txt", "1234");
  Folder("sub\\empty");
  Folder("folder.txt");
  modFindFiles ff(*ctx);
  int32_t files = 0, dirs = 0;
  bool recurse = false;
  ListBox names;
  Text path = root;
  uint64_t size = ff.FindFilesToList(path, "*.txt", files, dirs, names, recurse);
  EXPECT_EQ(Sorted(names), (ListBox{"folder.txt", "hidden.txt", "one.txt"}));
  EXPECT_EQ(files, 3);
  EXPECT_EQ(dirs, 2);
  EXPECT_EQ(size, 7u);

  ctx->OperationInProgress = true;
  ListView rows;
  files = dirs = 0;
  recurse = true;
  path = root;
  size = ff.FindFilesToListView(path, "*.*", files, dirs, rows, recurse);
  std::vector<Text> got;
  for (const auto& r : rows.Rows()) got.push_back(r.text.substr(root.size()));
  // A folder's own entries come before its sub-folders' listings.
  std::vector<Text> top(got.begin(), got.begin() + 5);
  EXPECT_EQ(Sorted(top),
            (std::vector<Text>{"\\folder.txt", "\\hidden.txt", "\\one.txt", "\\sub", "\\two.dat"}));
  EXPECT_EQ(Sorted(std::vector<Text>(got.begin() + 5, got.end())),
            (std::vector<Text>{"\\sub\\deep.txt", "\\sub\\empty"}));
  EXPECT_EQ(files, 7);
  EXPECT_EQ(dirs, 3);
  EXPECT_EQ(size, 14u);
}

TEST_F(FindFilesContract, EmptyOrMissingFolderAddsNothing) {
  Folder("empty");
  modFindFiles ff(*ctx);
  int32_t files = 0, dirs = 0;
  bool recurse = true;
  ListBox names;
  Text path = root + "\\empty";
  EXPECT_EQ(ff.FindFilesToList(path, "*.*", files, dirs, names, recurse), 0u);
  path = root + "\\missing";
  EXPECT_EQ(ff.FindFilesToList(path, "*.*", files, dirs, names, recurse), 0u);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(files + dirs, 0);
}

TEST_F(FindFilesContract, AbortedListingStopsAtOnce) {
  File("a.txt");
  File("b.txt");
  Folder("sub");
  File("sub\\c.txt");
  modFindFiles ff(*ctx);
  int32_t files = 0, dirs = 0;
  bool recurse = true;
  ListView rows;
  Text path = root;
  ctx->OperationInProgress = false;
  ff.FindFilesToListView(path, "*.*", files, dirs, rows, recurse);
  EXPECT_TRUE(rows.Empty());
  EXPECT_LE(dirs, 1);

  // Abort during the file pass: what was listed stays, nothing more comes.
  ctx->OperationInProgress = true;
  files = dirs = 0;
  ctx->onYield = [&] {
    if (rows.Count() >= 1) ctx->OperationInProgress = false;
  };
  path = root;
  ff.FindFilesToListView(path, "*.*", files, dirs, rows, recurse);
  EXPECT_EQ(rows.Count(), 1u);
  for (const auto& r : rows.Rows()) EXPECT_EQ(r.text.find("c.txt"), Text::npos);
}

// The listing as two full passes per folder (sub-folders by their attributes
// read by path, then the pattern's matches), an abort test after every
// entry: what the one-read listing must reproduce, yield for yield.
struct TwoPassListing {
  Context& ctx;
  ListView rows = {};
  int32_t files = 0, dirs = 0;
  uint64_t Folder(Text path, const Text& pattern) {
    if (path.back() != '\\') path += "\\";
    IFileSystem& fs = ctx.files();
    uint64_t total = 0;
    std::vector<Text> subs;
    {
      FindHandleOwner f(fs);
      FindData fd;
      for (bool more = f.First(path + "*", fd); more;) {
        if (fd.name != "." && fd.name != "..") {
          uint32_t a = fs.GetAttributes(path + fd.name);
          if (a != win::kInvalidAttributes && (a & win::kAttrDirectory)) {
            ++dirs;
            if (!(a & win::kAttrReparsePoint)) subs.push_back(fd.name);
          }
        }
        more = f.Next(fd);
        ctx.YieldToHost();
        if (!ctx.OperationInProgress) return total;
      }
    }
    {
      FindHandleOwner f(fs);
      FindData fd;
      for (bool more = f.First(path + pattern, fd); more;) {
        if (fd.name != "." && fd.name != "..") {
          total += fd.Size();
          ++files;
          if (fd.name != "desktop.ini") rows.Add(path + fd.name);
        }
        more = f.Next(fd);
        ctx.YieldToHost();
        if (!ctx.OperationInProgress) return total;
      }
    }
    for (const Text& sub : subs) {
      total += Folder(path + sub + "\\", pattern);
      ctx.YieldToHost();
    }
    ctx.YieldToHost();
    return total;
  }
};

TEST_F(FindFilesContract, AbortAtEveryYieldMatchesTwoFullPasses) {
  File("desktop.ini", "12");
  File("a.txt", "123");
  File("hidden.dat", "1", win::kAttrHidden);
  Folder("sub");
  File("sub\\b.txt", "1234");
  Folder("sub\\deeper");
  File("sub\\deeper\\c", "12345");
  Folder("folder.txt");
  Folder("empty");
  for (const char* pattern : {"*.*", "*", "*.txt"}) {
    // abortAt 0: never aborted; past the last yield it is the same.
    for (uint64_t abortAt = 0; abortAt < 60; ++abortAt) {
      SCOPED_TRACE(std::string(pattern) + " abort at yield " + std::to_string(abortAt));
      auto run = [&](auto&& list) {
        ctx->OperationInProgress = true;
        ctx->yieldCount = 0;
        ctx->onYield = [&] {
          if (ctx->yieldCount == abortAt) ctx->OperationInProgress = false;
        };
        uint64_t total = list();
        ctx->onYield = nullptr;
        return std::make_pair(total, ctx->yieldCount);
      };
      TwoPassListing expected{*ctx};
      auto want = run([&] { return expected.Folder(root, pattern); });
      modFindFiles ff(*ctx);
      ListView rows;
      int32_t files = 0, dirs = 0;
      bool recurse = true;
      Text path = root;
      auto got = run([&] { return ff.FindFilesToListView(path, pattern, files, dirs, rows, recurse); });
      ASSERT_EQ(got, want);
      if (abortAt == 0) {
        ASSERT_LT(want.second, 60u) << "every abort point is tried";
      }
      ASSERT_EQ(rows, expected.rows);
      ASSERT_EQ(files, expected.files);
      ASSERT_EQ(dirs, expected.dirs);
    }
  }
}

TEST_F(FindFilesContract, ListingDoesNotFollowLinks) {
  Text folder, link;
  if (!m->FolderWithLink(folder, link)) GTEST_SKIP() << "no folder link on this machine";
  modFindFiles ff(*ctx);
  int32_t files = 0, dirs = 0;
  bool recurse = true;
  ListView rows;
  ctx->OperationInProgress = true;
  Text path = folder;
  ff.FindFilesToListView(path, "*.*", files, dirs, rows, recurse);
  bool linkListed = false;
  for (const auto& r : rows.Rows()) {
    EXPECT_NE(r.text.rfind(link + "\\", 0), 0u) << r.text;
    linkListed |= r.text == link;
  }
  // The link itself is an entry of its folder.
  EXPECT_TRUE(linkListed);
}

// A name the code page cannot hold is never a look-alike that leads out of
// its folder: listing and wiping the spy folder leave the victim alone.
TEST_F(FindFilesContract, ForeignNamesNeverLeadOutOfTheirFolder) {
  Text folder;
  if (!m->ForeignNameBesideVictim(folder)) GTEST_SKIP() << "no such names here";
  modFindFiles ff(*ctx);
  int32_t files = 0, dirs = 0;
  bool recurse = true;
  ListView rows;
  ctx->OperationInProgress = true;
  Text path = folder + "\\Spy";
  ff.FindFilesToListView(path, "*.*", files, dirs, rows, recurse);
  ASSERT_EQ(rows.Count(), 1u);
  EXPECT_EQ(rows.Item(1).text.find("..\\"), Text::npos) << rows.Item(1).text;
  for (const auto& r : rows.Rows()) {
    fs().SetAttributes(r.text, win::kAttrNormal);
    fs().RemoveFile(r.text);
    fs().RemoveFolder(r.text);
  }
  EXPECT_NE(fs().GetAttributes(folder + "\\Victim\\precious.doc"), win::kInvalidAttributes);
}

// Where a path leads: a plain path to itself, a path through a link elsewhere.
TEST_F(FindFilesContract, FinalPathFollowsTheLinksOnTheWay) {
  Text folder, link, plain, through, none;
  if (!m->FolderWithLink(folder, link)) GTEST_SKIP() << "no folder link on this machine";
  IFileSystem& files = m->os().files;
  if (!files.FinalPath(folder, plain)) GTEST_SKIP() << "no final paths on this backend";
  EXPECT_EQ(NormalizeFilePath(plain), NormalizeFilePath(folder));
  ASSERT_TRUE(files.FinalPath(link, through));
  EXPECT_NE(NormalizeFilePath(through), NormalizeFilePath(link)) << through;
  EXPECT_FALSE(files.FinalPath(folder + "\\no such entry", none));
}

}  // namespace
}  // namespace morvane::contract
