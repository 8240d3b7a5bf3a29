// The simulated registry editor against the real one's files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/modules.h"
#include "platform/simulated/machine.h"
#include "platform/simulated/sim_regedit.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace morvane::sim {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SimRegedit, WineExportRoundTripsByteForByte) {
  std::string wine = Slurp(MORVANE_TEST_DATA "/wine-export.reg");
  ASSERT_FALSE(wine.empty());
  SimRegistry reg;
  ASSERT_TRUE(ImportRegistry(reg, wine));
  auto str = reg.GetValue(win::kCurrentUser, "Software\\MvProbe", "Str");
  ASSERT_TRUE(str);
  EXPECT_EQ(str->data, std::string("a \"quoted\" back\\slash") + '\0');
  EXPECT_EQ(reg.GetValue(win::kCurrentUser, "Software\\MvProbe", "Num")->type, win::kRegDword);
  EXPECT_EQ(reg.GetValue(win::kCurrentUser, "Software\\MvProbe", "Long")->data.size(), 46u);
  std::string again;
  ASSERT_TRUE(ExportRegistry(reg, "HKEY_CURRENT_USER\\Software\\MvProbe", again));
  EXPECT_EQ(again, wine);
}

TEST(SimRegedit, ProgramExportsImportsAndDeletes) {
  SimulatedMachine m;
  InstallRegedit(m);
  Context ctx(m.os());
  m.registry.SetStringValue(win::kCurrentUser, "Software\\Spy Ware\\Run", "cmd", "C:\\x y\\spy.exe /q");
  m.registry.SetDwordValue(win::kCurrentUser, "Software\\Spy Ware", "Flags", 0xDEADBEEF);
  m.registry.SetRawValue(win::kCurrentUser, "Software\\Spy Ware", "Path", win::kRegExpandSz, std::string("%TEMP%\0", 7));
  m.files.AddFolder("C:\\Temp Dir");
  ShellAndWait(ctx, "C:\\WINDOWS\\regedit.exe /e \"C:\\Temp Dir\\k.reg\" \"HKEY_CURRENT_USER\\Software\\Spy Ware\"");
  ASSERT_TRUE(m.files.Exists("C:\\Temp Dir\\k.reg"));

  // Gone, then back from the export with types and data.
  std::string file;
  m.files.ReadAll("C:\\Temp Dir\\k.reg", file);
  ASSERT_TRUE(ImportRegistry(m.registry, "Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Spy Ware]\r\n"));
  EXPECT_FALSE(m.registry.KeyExists(win::kCurrentUser, "Software\\Spy Ware"));
  ShellAndWait(ctx, "C:\\WINDOWS\\regedit.exe /s \"C:\\Temp Dir\\k.reg\"");
  EXPECT_EQ(m.registry.GetValue(win::kCurrentUser, "Software\\Spy Ware\\Run", "cmd")->data,
            std::string("C:\\x y\\spy.exe /q") + '\0');
  auto flags = m.registry.GetValue(win::kCurrentUser, "Software\\Spy Ware", "Flags");
  EXPECT_EQ(flags->data, std::string("\xef\xbe\xad\xde", 4));
  auto path = m.registry.GetValue(win::kCurrentUser, "Software\\Spy Ware", "Path");
  EXPECT_EQ(path->type, win::kRegExpandSz);
  EXPECT_EQ(path->data, std::string("%TEMP%\0", 7));

  // A value deletion line.
  ImportRegistry(m.registry,
                 "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Spy Ware]\r\n\"Flags\"=-\r\n");
  EXPECT_FALSE(m.registry.GetValue(win::kCurrentUser, "Software\\Spy Ware", "Flags"));
  EXPECT_FALSE(ImportRegistry(m.registry, "not a registry file"));
}

#ifdef _WIN32
// The real editor exports a tree; the simulated one reads it and writes the same bytes.
TEST(SimRegedit, MatchesTheRealEditorsExport) {
  const char* sub = "Software\\MorvaneRegeditProbe";
  RegDeleteTreeA(HKEY_CURRENT_USER, sub);
  HKEY k, c;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
  std::string text = "C:\\Program Files\\a \"b\".exe";
  RegSetValueExA(k, "Run Me", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
  RegSetValueExA(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("dflt"), 5);
  RegSetValueExA(k, "Two\nLines", 0, REG_SZ, reinterpret_cast<const BYTE*>("one\r\ntwo"), 9);
  DWORD d = 0x1234abcd;
  RegSetValueExA(k, "Num", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&d), 4);
  std::string bin(60, '\0');
  for (size_t i = 0; i < bin.size(); ++i) bin[i] = char(i * 5);
  RegSetValueExA(k, "Blob", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bin.data()), DWORD(bin.size()));
  RegSetValueExA(k, "Exp", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>("%SystemRoot%\\x"), 15);
  ASSERT_EQ(RegCreateKeyExA(k, "Inner Key", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &c, nullptr), 0);
  RegSetValueExA(c, "e", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  RegCloseKey(c);
  RegCloseKey(k);

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string out = std::string(temp) + "morvane-probe.reg";
  DeleteFileA(out.c_str());
  std::string cmd = "regedit.exe /e \"" + out + "\" \"HKEY_CURRENT_USER\\" + sub + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  WaitForSingleObject(pi.hProcess, 60000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  RegDeleteTreeA(HKEY_CURRENT_USER, sub);
  std::string real = Slurp(out);
  DeleteFileA(out.c_str());
  ASSERT_FALSE(real.empty());

  SimRegistry reg;
  ASSERT_TRUE(ImportRegistry(reg, real));
  EXPECT_EQ(reg.GetValue(win::kCurrentUser, "Software\\MorvaneRegeditProbe", "Run Me")->data, text + '\0');
  EXPECT_EQ(reg.GetValue(win::kCurrentUser, "Software\\MorvaneRegeditProbe", "Blob")->data, bin);
  EXPECT_EQ(reg.GetValue(win::kCurrentUser, "Software\\MorvaneRegeditProbe", "Exp")->data,
            std::string("%SystemRoot%\\x") + '\0');
  std::string mine;
  ASSERT_TRUE(ExportRegistry(reg, "HKEY_CURRENT_USER\\Software\\MorvaneRegeditProbe", mine));
  EXPECT_EQ(mine, real);
}
#endif

}  // namespace
}  // namespace morvane::sim
