#include <gtest/gtest.h>

#include "database/folders.h"
#include "platform/simulated/machine.h"

namespace morvane {
namespace {

class Folders : public ::testing::Test {
 protected:
  sim::SimulatedMachine m{sim::SimulatedMachine::WindowsLayout{}};
  Context ctx{m.os()};
  FolderValues f;
  const Text profile = sim::kDefaultProfile;
};

TEST_F(Folders, DiscoveryReadsSystemAndShellFolders) {
  m.system.tempPath = "C:\\TEMP\\";
  const uint64_t before = ctx.yieldCount;
  DiscoverFolders(ctx, f);
  EXPECT_EQ(f.strSystemDir, "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(f.strWinDir, "C:\\WINDOWS");
  EXPECT_EQ(f.strTempDir, "C:\\TEMP");
  EXPECT_EQ(f.txtAppData, profile + "\\Application Data");
  EXPECT_EQ(f.txtStartMenu, profile + "\\Start Menu");
  EXPECT_EQ(f.txtProgramsDir, "C:\\Program Files");
  EXPECT_EQ(f.txtDesktop, profile + "\\Desktop");
  EXPECT_EQ(f.txtCookies, profile + "\\Cookies");
  EXPECT_EQ(ctx.yieldCount - before, 1u);
}

TEST_F(Folders, FailuresGiveFallbacksAndError) {
  m.system.failSystemDir = m.system.failWindowsDir = m.system.failTempPath = true;
  m.registry.Clear();
  DiscoverFolders(ctx, f);
  EXPECT_EQ(f.strSystemDir, "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(f.strWinDir, "C:\\WINDOWS");
  EXPECT_EQ(f.strTempDir, "C:\\WINDOWS\\TEMP");
  EXPECT_EQ(f.txtAppData, "Error");
  EXPECT_EQ(f.txtCookies, "Error");
  Text target = "%AppData%\\Spy\\spy.dat";
  ReplaceVariableFolders(f, target);
  EXPECT_EQ(target, "Error\\Spy\\spy.dat");
}

TEST_F(Folders, SystemFoldersFromAnotherLayout) {
  m.system.windowsDir = "D:\\WINNT";
  m.system.systemDir = "D:\\WINNT\\system32";
  DiscoverFolders(ctx, f);
  EXPECT_EQ(f.strWinDir, "D:\\WINNT");
  EXPECT_EQ(f.strSystemDir, "D:\\WINNT\\system32");
}

TEST(FolderVariables, Replacements) {
  FolderValues f;
  f.strWinDir = "C:\\WINDOWS";
  f.strSystemDir = "C:\\WINDOWS\\SYSTEM32";
  f.strTempDir = "C:\\TEMP";
  f.txtProgramsDir = "C:\\Program Files";
  f.txtDesktop = "C:\\Users\\u\\Desktop";
  f.txtAppData = "C:\\Users\\u\\AppData";
  f.txtStartMenu = "C:\\Users\\u\\Start";

  Text t = "%windir%\\evil.dll";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "C:\\WINDOWS\\evil.dll");

  t = "%ProgramsDir%\\Spy|%DESKTOP%\\spy.lnk";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "C:\\Program Files\\Spy|C:\\Users\\u\\Desktop\\spy.lnk");

  t = "%Cookies%\\user@spy.txt";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "%Cookies%\\user@spy.txt");

  t = "%TempDir%\\a.tmp";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "C:\\TEMP\\a.tmp");

  t = "%SystemDir%\\x;%SystemDir%\\y;%StartMenu%;%AppData%";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "C:\\WINDOWS\\SYSTEM32\\x;C:\\WINDOWS\\SYSTEM32\\y;C:\\Users\\u\\Start;C:\\Users\\u\\AppData");

  // A value that itself holds a later variable is expanded by that later step.
  f.txtAppData = "%WinDir%\\Profile";
  t = "%AppData%\\a";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "C:\\WINDOWS\\Profile\\a");

  // Replacing a variable by a text that contains it does not loop.
  f.txtDesktop = "%Desktop%x";
  t = "%Desktop%%Desktop%";
  ReplaceVariableFolders(f, t);
  EXPECT_EQ(t, "%Desktop%x%Desktop%x");
}

}  // namespace
}  // namespace morvane
