// The simulated machine's power switch, injected faults and disk size.
#include <gtest/gtest.h>

#include <functional>

#include "platform/simulated/machine.h"

namespace morvane::sim {
namespace {

struct Change {
  const char* name;
  std::function<bool(SimulatedMachine&)> run;
};

bool Ok(int32_t status) { return status == win::kSuccess; }
uint32_t spyPid = 0;

const Change kChanges[] = {
    {"WriteAll", [](SimulatedMachine& m) { return m.files.WriteAll("C:\\D\\new.txt", "new"); }},
    {"Append", [](SimulatedMachine& m) { return m.files.Append("C:\\D\\a.txt", "+"); }},
    {"RemoveFile", [](SimulatedMachine& m) { return m.files.RemoveFile("C:\\D\\a.txt"); }},
    {"MoveReplace", [](SimulatedMachine& m) { return m.files.MoveReplace("C:\\D\\a.txt", "C:\\D\\b.txt"); }},
    {"CopyTo", [](SimulatedMachine& m) { return m.files.CopyTo("C:\\D\\a.txt", "C:\\D\\c.txt", true); }},
    {"SetAttributes", [](SimulatedMachine& m) { return m.files.SetAttributes("C:\\D\\a.txt", win::kAttrHidden); }},
    {"MakeFolder", [](SimulatedMachine& m) { return m.files.MakeFolder("C:\\D\\F"); }},
    {"RemoveFolder", [](SimulatedMachine& m) { return m.files.RemoveFolder("C:\\D\\Empty"); }},
    {"CreateKey",
     [](SimulatedMachine& m) {
       win::HKey k = 0;
       return Ok(m.registry.CreateKey(win::kCurrentUser, "Software\\T\\New\\Deeper", k)) && Ok(m.registry.CloseKey(k));
     }},
    {"DeleteKey", [](SimulatedMachine& m) { return Ok(m.registry.DeleteKey(win::kCurrentUser, "Software\\T\\Leaf")); }},
    {"SetValue",
     [](SimulatedMachine& m) {
       uint8_t b[4] = {1, 0, 0, 0};
       return Ok(m.registry.SetValue(win::kCurrentUser, "v2", win::kRegDword, b, 4));
     }},
    {"DeleteValue", [](SimulatedMachine& m) { return Ok(m.registry.DeleteValue(win::kCurrentUser, "v")); }},
    {"Export",
     [](SimulatedMachine& m) {
       win::Handle h = m.processes.Launch("regedit.exe /e C:\\D\\x.reg HKEY_CURRENT_USER\\Software\\T", 0);
       return h != 0 && m.processes.CloseHandle(h);
     }},
    {"TerminateProcess",
     [](SimulatedMachine& m) {
       win::Handle h = m.processes.OpenProcess(win::kProcessTerminate, false, spyPid);
       return m.processes.TerminateProcess(h, 0);
     }},
};

void Fill(SimulatedMachine& m) {
  m.files.AddFile("C:\\D\\a.txt", "old");
  m.files.AddFolder("C:\\D\\Empty");
  m.registry.CreateKeyPath(win::kCurrentUser, "Software\\T\\Leaf");
  m.registry.SetDwordValue(win::kCurrentUser, "", "v", 1);
  spyPid = m.processes.AddProcess("spy.exe");
}

// Each kind of change counts once and still lands as the K-th call; then the
// power is gone: changes and reads fail until the restart, which keeps what
// was written and forgets handles.
TEST(SimFaults, CrashAfterTheKthChangeStopsEverythingUntilRestart) {
  for (const Change& c : kChanges) {
    SCOPED_TRACE(c.name);
    SimulatedMachine m;
    Fill(m);
    win::HKey open = 0;
    ASSERT_TRUE(Ok(m.registry.OpenKey(win::kCurrentUser, "Software\\T", open)));
    m.faults.CrashAfter(1);
    EXPECT_TRUE(c.run(m));
    EXPECT_EQ(m.faults.MutatingCalls(), 1u);
    EXPECT_TRUE(m.faults.PowerOff());
    EXPECT_FALSE(m.files.WriteAll("C:\\D\\late.txt", "x"));
    std::string d;
    EXPECT_FALSE(m.files.ReadAll("C:\\D\\b.txt", d));
    EXPECT_EQ(m.files.GetAttributes("C:\\D"), win::kInvalidAttributes);
    win::HKey k = 0;
    EXPECT_FALSE(Ok(m.registry.OpenKey(win::kCurrentUser, "Software\\T", k)));
    EXPECT_EQ(m.processes.Launch("regedit.exe /s C:\\D\\x.reg", 0), 0u);

    m.Restart();
    EXPECT_FALSE(m.faults.PowerOff());
    EXPECT_FALSE(m.files.Exists("C:\\D\\late.txt"));
    EXPECT_EQ(m.registry.OpenHandleCount(), 0u);
    EXPECT_EQ(m.processes.OpenHandleCount(), 0u);
    EXPECT_TRUE(m.files.WriteAll("C:\\D\\late.txt", "x"));
  }
  SimulatedMachine m;
  Fill(m);
  m.faults.CrashAfter(3);
  for (const Change& c : kChanges) c.run(m);
  EXPECT_EQ(m.faults.MutatingCalls(), 3u);
  EXPECT_TRUE(m.files.Exists("C:\\D\\new.txt"));
  EXPECT_FALSE(m.files.Exists("C:\\D\\b.txt"));  // after the third change
}

TEST(SimFaults, RestartCarriesOutPendingDeletionsAndEndsProcesses) {
  SimulatedMachine m;
  Fill(m);
  m.files.SetLocked("C:\\D\\a.txt", true);
  m.files.DeleteAtRestart("C:\\D\\a.txt");
  m.files.DeleteAtRestart("C:\\D\\Empty");
  EXPECT_TRUE(m.files.Exists("C:\\D\\a.txt"));
  m.files.SetLocked("C:\\D\\a.txt", false);  // the locking program ends with the machine
  m.Restart();
  EXPECT_FALSE(m.files.Exists("C:\\D\\a.txt"));
  EXPECT_FALSE(m.files.Exists("C:\\D\\Empty"));
  EXPECT_FALSE(m.processes.IsRunning(spyPid));
  EXPECT_TRUE(m.files.PendingDeletes().empty());
}

// What no flush wrote is zeros after a restart: a copy whole, an append its tail.
TEST(SimFaults, RestartZeroesWhatNoFlushWrote) {
  SimulatedMachine m;
  m.files.AddFolder("C:\\D");
  ASSERT_TRUE(m.files.WriteAll("C:\\D\\log.txt", "old"));
  ASSERT_TRUE(m.files.Append("C:\\D\\log.txt", "new"));
  ASSERT_TRUE(m.files.CopyTo("C:\\D\\log.txt", "C:\\D\\copy.txt", true));
  ASSERT_TRUE(m.files.Append("C:\\D\\fresh.txt", "ab"));
  m.Restart();
  std::string log, copy, fresh;
  ASSERT_TRUE(m.files.ReadAll("C:\\D\\log.txt", log) && m.files.ReadAll("C:\\D\\copy.txt", copy) &&
              m.files.ReadAll("C:\\D\\fresh.txt", fresh));
  EXPECT_EQ(log, std::string("old\0\0\0", 6));
  EXPECT_EQ(copy, std::string(6, '\0'));
  EXPECT_EQ(fresh, std::string(2, '\0'));
  ASSERT_TRUE(m.files.Append("C:\\D\\log.txt", "x"));
  ASSERT_TRUE(m.files.FlushFile("C:\\D\\log.txt"));
  ASSERT_TRUE(m.files.Append("C:\\D\\log.txt", "y"));
  m.Restart();
  ASSERT_TRUE(m.files.ReadAll("C:\\D\\log.txt", log));
  EXPECT_EQ(log, std::string("old\0\0\0x\0", 8));
}

// The n-th call of one operation fails as the API reports failure; the others pass.
TEST(SimFaults, FailTheNthCallOfAnOperation) {
  SimulatedMachine m;
  Fill(m);
  m.faults.FailCall("WriteAll", 2);
  m.faults.FailCall("DeleteKey", 1);
  m.faults.FailCall("ReadAll", 1);
  std::string d;
  EXPECT_FALSE(m.files.ReadAll("C:\\D\\a.txt", d));
  EXPECT_TRUE(m.files.ReadAll("C:\\D\\a.txt", d));
  EXPECT_TRUE(m.files.WriteAll("C:\\D\\1.txt", "1"));
  EXPECT_FALSE(m.files.WriteAll("C:\\D\\2.txt", "2"));
  EXPECT_FALSE(m.files.Exists("C:\\D\\2.txt"));
  EXPECT_TRUE(m.files.WriteAll("C:\\D\\3.txt", "3"));
  EXPECT_EQ(m.registry.DeleteKey(win::kCurrentUser, "Software\\T\\Leaf"), win::kAccessDenied);
  EXPECT_TRUE(m.registry.KeyExists(win::kCurrentUser, "Software\\T\\Leaf"));
  EXPECT_EQ(m.faults.MutatingCalls(), 2u);  // failed calls change nothing
}

// A disk size: writes draw on the free space, deletions and replacements give it back.
TEST(SimFaults, FullDiskWritesWhatFitsAndFreesOnDelete) {
  SimulatedMachine m;
  Fill(m);
  m.files.SetWriteBudget(10);
  EXPECT_TRUE(m.files.WriteAll("C:\\D\\n.txt", "123456"));
  EXPECT_FALSE(m.files.CopyTo("C:\\D\\n.txt", "C:\\D\\m.txt", false));
  std::string d;
  EXPECT_TRUE(m.files.ReadAll("C:\\D\\m.txt", d));
  EXPECT_EQ(d, "1234");  // torn: what fitted
  EXPECT_EQ(m.files.FreeSpace(), 0);
  EXPECT_TRUE(m.files.RemoveFile("C:\\D\\n.txt"));
  EXPECT_TRUE(m.files.WriteAll("C:\\D\\m.txt", "abcdefghij"));
  EXPECT_EQ(m.files.FreeSpace(), 0);
}

}  // namespace
}  // namespace morvane::sim
