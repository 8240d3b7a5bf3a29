#include <gtest/gtest.h>

#include "database/records.h"

namespace morvane {
namespace {

TEST(Records, FieldsAndTypes) {
  auto f = SplitRecord("path|C:\\x.exe|Adware");
  EXPECT_EQ(f[0], "path");
  EXPECT_EQ(f[2], "Adware");
  EXPECT_EQ(f[3], "");
  f = SplitRecord("a|b|c|d|e|f");
  EXPECT_EQ(f[3], "d");
  EXPECT_EQ(RecordType("PATH|x"), "path");
  EXPECT_EQ(RecordType("pathname|x"), "path");
  EXPECT_EQ(RecordType("folder|x"), "fold");
  EXPECT_EQ(RecordType("reg|x"), "");
  EXPECT_EQ(RecordType(""), "");
  EXPECT_TRUE(IsSkippedLine("# comment"));
  EXPECT_TRUE(IsSkippedLine("@ note"));
  EXPECT_FALSE(IsSkippedLine(""));
}

TEST(Records, CheckCountsAndFlagsRecordsThatCannotWork) {
  const std::vector<Text> lines = {
      "path|never a record",        // 1: version
      "# comment",                  // 2
      "@ marker",                   // 3
      "",                           // 4: empty record, unknown code
      "path|C:\\a.exe|Adware",      // 5
      "regval|HKEY_CURRENT_USER\\Software\\X|Spy",         // 6: no comma
      "regkey|HKEY_CURRENT_USER|Spy",                      // 7: no backslash
      "file|readme|Spy",                                   // 8: no dot
      "fold|C:\\Spy|Spy",                                  // 9: short word, removable record
      "fold|C:\\Spy2|Spy|http://help.example.org/",        // 10: not removable anyway
      "cookie|tracker|Cookie",                             // 11
      "regs|spyware|Registry",                             // 12
      "xxxx|what|ever",                                    // 13
      "regkey|SOFTWARE\\Spy|Spy",                           // 14: no root key name
      "regval|HKCU\\Software\\Spy,Run|Spy",                 // 15: no root key name
      "path|%WinDir%\\spyhelper*.dll|Spy",                    // 16: a pattern of one program's files
      "path|%WinDir%\\*.dll|Spy",                             // 17: every library of the Windows folder
      "path|%WinDir%\\explorer.exe|Spy",                      // 18: a system file
      "regkey|HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Spy.Bar|Spy",  // 19: the program's own class
      "regkey|HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID|Spy",    // 20
  };
  const DatabaseReport r = CheckDatabase(lines);
  EXPECT_EQ(r.version, "path|never a record");
  EXPECT_EQ(r.records, 17u);
  EXPECT_EQ(r.perType.at(""), 2u);
  EXPECT_EQ(r.perType.at("fold"), 2u);
  EXPECT_EQ(r.perType.at("regs"), 1u);
  std::vector<size_t> flagged;
  for (const auto& p : r.problems) flagged.push_back(p.lineNumber);
  EXPECT_EQ(flagged, (std::vector<size_t>{4, 6, 7, 8, 9, 13, 14, 15, 17, 18, 20}));
}

TEST(Records, TextLineSplitting) {
  EXPECT_EQ(SplitTextLines("a\r\nb\r\n"), (std::vector<Text>{"a", "b"}));
  EXPECT_EQ(SplitTextLines("a\nb"), (std::vector<Text>{"a", "b"}));
  EXPECT_EQ(SplitTextLines("a\r\n\r\nb"), (std::vector<Text>{"a", "", "b"}));
  EXPECT_TRUE(SplitTextLines("").empty());
}

}  // namespace
}  // namespace morvane
