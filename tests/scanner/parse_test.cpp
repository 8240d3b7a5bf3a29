#include <gtest/gtest.h>

#include <random>

#include "scanner/inventory_index.h"
#include "scanner/parse.h"

using namespace morvane;

TEST(ParseItem, SplitsIntoAFixedArrayAndLeavesTheRestAlone) {
  std::array<Text, 4> f{"x", "x", "x", "x"};
  ParseItem("a||b", f, "|");
  EXPECT_EQ(f, (std::array<Text, 4>{"a", "", "b", "x"}));
  f = {"x", "x", "x", "x"};
  ParseItem("a|b|", f, "|");  // trailing separator: no extra piece
  EXPECT_EQ(f, (std::array<Text, 4>{"a", "b", "x", "x"}));
  f = {"x", "x", "x", "x"};
  ParseItem("", f, "|");
  EXPECT_EQ(f, (std::array<Text, 4>{"x", "x", "x", "x"}));
  f = {};
  ParseItem("1|2|3|4|5|6", f, "|");  // the fifth piece is dropped, not appended
  EXPECT_EQ(f, (std::array<Text, 4>{"1", "2", "3", "4"}));
  f = {};
  ParseItem("|lead", f, "|");
  EXPECT_EQ(f[0], "");
  EXPECT_EQ(f[1], "lead");
  f = {};
  ParseItem("a::b", f, "::");
  EXPECT_EQ(f[1], "b");
  // One field without a copy: what ParseItem stores there, from empty fields.
  for (const char* item : {"a||b", "a|b|", "", "1|2|3|4|5|6", "|lead", "path", "regk|HKCU\\x|Cat|"}) {
    f = {};
    ParseItem(item, f, "|");
    for (size_t i = 0; i < f.size(); ++i) EXPECT_EQ(ItemField(item, i, '|'), f[i]) << item << " " << i;
  }
}

TEST(ParseFile, SplitsAtTheLastSeparator) {
  std::array<Text, 2> p{"keep", "keep"};
  ASSERT_TRUE(ParseFile("a.b.txt", p, "."));
  EXPECT_EQ(p[0], "txt");
  EXPECT_EQ(p[1], "a.b");
  ASSERT_TRUE(ParseFile(".hidden", p, "."));
  EXPECT_EQ(p[0], "hidden");
  EXPECT_EQ(p[1], "");
  p = {"keep", "keep"};
  EXPECT_FALSE(ParseFile("README", p, "."));
  EXPECT_EQ(p[0], "keep");
}

TEST(Counters, RaiseTakesTheWholePartOfTheCaption) {
  EXPECT_EQ(RaisedCaption("0"), "1");
  EXPECT_EQ(RaisedCaption("41"), "42");
  EXPECT_EQ(RaisedCaption("7.9"), "8");
  EXPECT_EQ(RaisedCaption(""), "1");
  EXPECT_EQ(RaisedCaption("x"), "1");
  EXPECT_EQ(RaisedCaption("99999999999"), "100000000000");
}

TEST(AnsiLower, LowersWesternLettersOnly) {
  EXPECT_EQ(AnsiLower("AdServer.TXT"), "adserver.txt");
  EXPECT_EQ(AnsiLower("\xC4\xD6\xDC"), "\xE4\xF6\xFC");
  EXPECT_EQ(AnsiLower("\xD7\xDF"), "\xD7\xDF");  // multiplication sign, sharp s
  EXPECT_EQ(AnsiLower("[\\]_"), "[\\]_");
}

// Name split helper for the pattern table.
static bool M(const Text& file, const Text& pattern) {
  std::array<Text, 2> f, p;
  if (!ParseFile(file, f, ".") || !ParseFile(pattern, p, ".")) return false;
  return PatternMatches(f[0], f[1], p[0], p[1]);
}

TEST(PatternCases, EachOfTheEightCases) {
  // 1: plain base and extension, exact case.
  EXPECT_TRUE(M("setup.exe", "setup.exe"));
  EXPECT_FALSE(M("Setup.exe", "setup.exe"));
  EXPECT_FALSE(M("setup.exe2", "setup.exe"));
  // 2: star in the base only.
  EXPECT_TRUE(M("anything.exe", "*.exe"));
  EXPECT_TRUE(M("a.b.exe", "x*.exe"));
  EXPECT_FALSE(M("anything.EXE", "*.exe"));
  // 3a: the whole extension is a star.
  EXPECT_TRUE(M("setup.exe", "setup.*"));
  EXPECT_TRUE(M("setup.dll", "setup.*"));
  EXPECT_FALSE(M("Setup.exe", "setup.*"));
  // 3b: star at the start of the extension: its end must agree.
  EXPECT_TRUE(M("tool.exe", "tool.*xe"));
  EXPECT_TRUE(M("tool.xe", "tool.*xe"));
  EXPECT_FALSE(M("tool.e", "tool.*xe"));  // shorter than the fixed part
  EXPECT_FALSE(M("other.exe", "tool.*xe"));
  // 3c: star later in the extension: its start must agree.
  EXPECT_TRUE(M("tool.dll", "tool.d*"));
  EXPECT_TRUE(M("tool.dat", "tool.da*"));
  EXPECT_FALSE(M("tool.exe", "tool.d*"));
  // a star in the middle of the extension is taken literally at that place.
  EXPECT_FALSE(M("tool.exe", "tool.e*e"));
  EXPECT_TRUE(M("tool.e*x", "tool.e*e"));
  // 4a: stars on both sides, bare star extension: never.
  EXPECT_FALSE(M("a.exe", "*.*"));
  EXPECT_FALSE(M("a.b", "ab*.*"));
  // 4b: any base, extension end.
  EXPECT_TRUE(M("zzz.exe", "ab*.*xe"));
  EXPECT_FALSE(M("zzz.exf", "ab*.*xe"));
  // 4c: any base, extension start.
  EXPECT_TRUE(M("q.log1", "*.lo*"));
  EXPECT_FALSE(M("q.blog", "*.lo*"));
}

TEST(ListItem, SubItemsMadeAtFirstWriteCopyAndCompareAsText) {
  ListView v;
  ListItem& a = v.Add("row", 3);
  const ListItem& ca = a;
  EXPECT_EQ(ca.SubItems(2), "");
  ListItem b = a;
  b.SubItems(2) = "";  // made, still empty: equal
  EXPECT_EQ(a, b);
  b.SubItems(2) = "obj";
  EXPECT_FALSE(a == b);
  ListItem c = b;
  c.SubItems(2) = "other";  // a copy owns its sub-items
  EXPECT_EQ(b.SubItems(2), "obj");
  a = c;
  EXPECT_EQ(a, c);
  EXPECT_THROW(a.SubItems(4), std::out_of_range);
  EXPECT_THROW(ca.SubItems(-1), std::out_of_range);
}

TEST(SubstringIndex, FindsEveryTargetInEveryTextOnce) {
  std::vector<Text> store = {"HKEY_CURRENT_USER\\Software\\BadWare", "HKEY_CURRENT_USER\\Software\\badware\\sub",
                             "HKEY_LOCAL_MACHINE\\System\\Good", "aaaa"};
  std::vector<std::string_view> texts(store.begin(), store.end());
  SubstringIndex idx(texts, {"BADWARE", "ware", "aa", "aaa", "", "missing", "ware"});
  EXPECT_EQ(idx.Rows("badware"), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(idx.Rows("WARE"), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(idx.Rows("aa"), (std::vector<size_t>{3}));
  EXPECT_EQ(idx.Rows("aaa"), (std::vector<size_t>{3}));
  EXPECT_EQ(idx.Rows(""), (std::vector<size_t>{0, 1, 2, 3}));
  EXPECT_TRUE(idx.Rows("missing").empty());
  EXPECT_TRUE(idx.Rows("never asked").empty());
}

TEST(SubstringIndex, TextsThatBeginWithEarlierOnesMatchAsWholeTexts) {
  // Key paths in listing order: each key, then its sub-keys; matches may
  // straddle where the earlier text ends.
  const std::vector<Text> rows = {"HK\\Ab", "HK\\Ab\\Cd", "HK\\Ab\\Cd\\eF", "HK\\Ab\\Cx", "HK\\AbC",
                                  "HK\\Ab\\Cd", "HK", "Zz\\ab"};
  const std::vector<Text> targets = {"b\\c", "d\\e", "cd", "ab", "x", "abc", "k\\ab\\cd\\", "", "HK\\AB\\CD\\EF", "zz"};
  ListView view;
  PathTable table;  // the same rows held as folder and name
  for (const Text& r : rows) {
    view.Add(r);
    const size_t cut = r.rfind('\\') == Text::npos ? 0 : r.rfind('\\') + 1;
    table.Add(r.substr(0, cut), r.substr(cut));
  }
  SubstringIndex fromView(view, targets), fromTable(table, targets);
  for (const Text& t : targets) {
    std::vector<size_t> want;
    for (size_t i = 0; i < rows.size(); ++i)
      if (AnsiLower(rows[i]).find(AnsiLower(t)) != Text::npos) want.push_back(i);
    EXPECT_EQ(fromView.Rows(t), want) << t;
    EXPECT_EQ(fromTable.Rows(t), want) << t;
  }
}

TEST(SubstringIndex, ManyTargetsFindWhatAPlainSearchFinds) {
  // Enough long targets over a small alphabet that the automaton's deeper
  // states keep only their own moves; texts made of pieces of targets, so
  // that matches begin inside partial ones.
  std::mt19937 rng(7);
  std::vector<Text> targets, store;
  for (int i = 0; i < 6000; ++i) {
    Text w;
    for (size_t n = 8 + rng() % 23; n > 0; --n) w += "abAB\\"[rng() % 5];
    targets.push_back(w);
  }
  for (int i = 0; i < 300; ++i) {
    Text text;
    for (int piece = 0; piece < 6; ++piece) {
      const Text& t = targets[rng() % targets.size()];
      const size_t from = rng() % t.size();
      text += t.substr(from, 1 + rng() % (t.size() - from));
    }
    store.push_back(text);
  }
  std::vector<std::string_view> texts(store.begin(), store.end());
  SubstringIndex idx(texts, targets);
  size_t found = 0;
  for (const Text& t : targets) {
    std::vector<size_t> want;
    for (size_t i = 0; i < store.size(); ++i)
      if (AnsiLower(store[i]).find(AnsiLower(t)) != Text::npos) want.push_back(i);
    found += want.size();
    ASSERT_EQ(idx.Rows(t), want) << t;
  }
  EXPECT_GT(found, store.size());
}

TEST(SubstringIndex, OverlappingSuffixPatternsAreAllReported) {
  std::vector<Text> store = {"xabcd", "bcx", "cd"};
  std::vector<std::string_view> texts(store.begin(), store.end());
  SubstringIndex idx(texts, {"abcd", "bc", "c", "d", "bcd", "xa"});
  EXPECT_EQ(idx.Rows("abcd"), (std::vector<size_t>{0}));
  EXPECT_EQ(idx.Rows("bc"), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(idx.Rows("c"), (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(idx.Rows("d"), (std::vector<size_t>{0, 2}));
  EXPECT_EQ(idx.Rows("bcd"), (std::vector<size_t>{0}));
  EXPECT_EQ(idx.Rows("xa"), (std::vector<size_t>{0}));
}
