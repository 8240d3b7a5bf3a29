// The registry backup before a scan with the real registry editor.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/machine.h"
#include "store/reg_backups.h"
#include "store/scan_log.h"

namespace morvane {
namespace {

TEST(RegBackupsWin32, RealEditorExportLandsInTheBackupFolder) {
  w32::Win32Machine m;
  Context ctx(m.os());
  AppState app;
  app.programFolder = "C:\\Morvane Backup Test";
  CreateDirectoryA(app.programFolder.c_str(), nullptr);
  CreateDirectoryA((app.programFolder + "\\Registry Backups").c_str(), nullptr);
  char win[MAX_PATH];
  GetWindowsDirectoryA(win, MAX_PATH);
  app.folders.strWinDir = win;
  app.lstSettingsFile = {"0", "0", "0", "1", "0", "1", "about:blank", "t", "30", "0", "10"};

  DateTime before = ctx.clock().Now();
  ListRegBackups(ctx, app);
  ASSERT_EQ(app.lstLog.size(), 2u);
  EXPECT_EQ(app.lstLog[1].rfind("Registry backed up on ", 0), 0u);
  EXPECT_NE(std::stoi(app.counter(Counter::lblRunningProcesses)), 0);

  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((app.programFolder + "\\Registry Backups\\*.reg").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::string name = fd.cFileName;
  FindClose(h);
  uint64_t key = 0;
  EXPECT_TRUE(BackupStamp(name, key)) << name;
  EXPECT_EQ(name.substr(0, name.find('-')), std::to_string(before.day));
  std::string path = app.programFolder + "\\Registry Backups\\" + name;
  std::string data;
  ASSERT_TRUE(m.files.ReadAll(path, data));
  const std::string head("\xff\xfeW\0i\0n\0d\0o\0w\0s\0", 16);
  EXPECT_EQ(data.substr(0, head.size()), head);
  EXPECT_NE(data.find(std::string("H\0K\0E\0Y\0_\0L\0O\0C\0A\0L\0_\0M\0A\0C\0H\0I\0N\0E\0", 36)), std::string::npos);
  // No export is left at the drive root.
  EXPECT_EQ(GetFileAttributesA((app.folders.strWinDir.substr(0, 3) + name).c_str()), INVALID_FILE_ATTRIBUTES);

  // Keep 0: pruning removes every backup, the new one too.
  app.lstSettingsFile[5] = "0";
  app.lstSettingsFile[10] = "0";
  ListRegBackups(ctx, app);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  RemoveDirectoryA((app.programFolder + "\\Registry Backups").c_str());
  RemoveDirectoryA(app.programFolder.c_str());
}

}  // namespace
}  // namespace morvane
