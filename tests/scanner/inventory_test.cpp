// The compact path table and the path index over it, against plain text
// comparisons over the same rows.
#include <gtest/gtest.h>

#include "platform/path_table.h"
#include "scanner/inventory_index.h"

namespace morvane {

TEST(PathTable, RowsAndPathIndexAnswerAsTheTexts) {
  // Whole paths, folder + name pairs (one name holding a "\"), a row with no
  // "\", a repeated row and a folder met again after another.
  const std::vector<std::pair<Text, Text>> adds = {
      {"C:\\A\\", "x.exe"},  {"C:\\A\\", "xy.dll"}, {"C:\\A\\B\\", "x.exe"}, {"", "C:\\A\\B\\y"},
      {"C:\\AB\\", "z"},     {"C:\\A\\", "sub\\w"}, {"C:\\A", "b"},          {"", "bare"},
      {"C:\\A\\", "x.exe"},  {"D:\\", ""},          {"HKEY_CU\\S\\", "k"},   {"HKEY_CU\\S\\k\\", "j"}};
  PathTable table;
  std::vector<Text> texts;
  for (const auto& [folder, name] : adds) {
    table.Add(folder, name);
    texts.push_back(folder + name);
  }
  ASSERT_EQ(table.Count(), texts.size());
  std::vector<Text> probes = {"", "E:", "C:\\A\\x", "C:\\A\\B\\x.exe\\", "C:\\A\\sub", "C:\\Ab", "bar", "D:\\\\"};
  for (size_t i = 1; i <= table.Count(); ++i) {
    EXPECT_EQ(table.RowText(i), texts[i - 1]);
    EXPECT_EQ(table.Item(i).text, texts[i - 1]);
    const Text& t = texts[i - 1];
    EXPECT_EQ(Text(table.Folder(table.FolderOf(i))) + Text(table.Name(i)), t);
    EXPECT_EQ(table.Name(i).find('\\'), std::string_view::npos);
    for (size_t n = 0; n <= t.size(); ++n) probes.push_back(t.substr(0, n));
  }
  PathIndex index(table);
  for (const Text& p : probes) {
    bool path = false, prefix = false;
    for (const Text& t : texts) path |= t == p, prefix |= t.compare(0, p.size(), p) == 0;
    EXPECT_EQ(index.HasPath(p), path) << p;
    EXPECT_EQ(index.HasPrefix(p), prefix) << p;
  }
  PathTable copy = table;
  EXPECT_TRUE(copy == table);
  copy.Clear();
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.FindFolder("C:\\A\\"), PathTable::kNoFolder);
}

TEST(PatternIndex, TextsSurviveMovesOnTheLastAsk) {
  // The engine moves texts out when told an ask is the last; an ask past the
  // count, or of a target never listed, is answered afresh.
  PathTable table;
  table.Add("C:\\A\\", "x.exe");
  table.Add("C:\\B\\", "x.dll");
  table.Add("C:\\B\\", "y.exe");
  PatternIndex index(table, {"x.*", "*.exe", "x.*"});
  const std::vector<Text> xs = {"C:\\A\\x.exe", "C:\\B\\x.dll"}, exes = {"C:\\A\\x.exe", "C:\\B\\y.exe"};
  const std::vector<std::pair<const char*, const std::vector<Text>*>> asks = {
      {"x.*", &xs}, {"*.exe", &exes}, {"x.*", &xs}, {"x.*", &xs}, {"*.exe", &exes}};
  for (const auto& [target, want] : asks) {
    auto [texts, last] = index.Rows(target);
    std::vector<Text> got;
    for (Text& t : texts) got.push_back(last ? std::move(t) : t);
    EXPECT_EQ(got, *want) << target;
  }
  EXPECT_TRUE(index.Rows("q.*").texts.empty());
}

}  // namespace morvane
