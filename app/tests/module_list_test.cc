#include "app/module_list.h"

#include <gtest/gtest.h>

#include <string>

namespace sq {
namespace {

TEST(ModuleList, ParsesTheFieldsOfALine) {
  struct Row {
    const char* legend;
    const char* line;
    int fields;
    std::uint32_t id, version;
    int flag;
    const char* description;
  } rows[] = {
      {"written form", "wx.so 0x0000002A 0x00010000 1 Wind tools", 5, 42, 0x10000, 1, "Wind tools"},
      {"disabled", "wx.so 0x2A 0x1 0 Wind tools v2", 5, 42, 1, 0, "Wind tools v2"},
      {"decimal and octal", "wx.so 42 010 1 D", 5, 42, 8, 1, "D"},
      {"name only counts as enabled", "wx.so", 1, 0, 0, 1, ""},
      {"no description", "wx.so 0x2A 0x1 0", 4, 42, 1, 0, ""},
      {"bad number", "wx.so zz 1 1 D", 1, 0, 0, 1, ""},
      {"empty", "", 0, 0, 0, 1, ""},
      {"flag 7 is enabled", "a.so 1 2 7 x", 5, 1, 2, 1, "x"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    const ModuleListLine l = ParseModuleListLine(r.line);
    EXPECT_EQ(l.fields, r.fields);
    EXPECT_EQ(l.id, r.id);
    EXPECT_EQ(l.version, r.version);
    EXPECT_EQ(l.flag, r.flag);
    EXPECT_EQ(l.description, r.description);
    EXPECT_EQ(l.Enabled(), r.fields < 5 || r.flag != 0);
  }
}

TEST(ModuleList, SplitsLinesAndCutsOverlongOnes) {
  const std::string longline = "x.so 1 2 1 " + std::string(400, 'd');
  const auto lines = ParseModuleList("a.so 1 2 1 A\r\n" + longline + "\nb.so 3 4 0 B");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].description, "A");
  EXPECT_EQ(lines[1].text.size(), kModuleListLineMax);
  EXPECT_EQ(lines[2].file_name, "b.so");
  EXPECT_FALSE(lines[2].Enabled());
}

TEST(ModuleList, FormatsLinesThatReadBackWhole) {
  EXPECT_EQ(FormatModuleListLine("wx.so", 42, 0x10000, true, "Wind tools"),
            "wx.so 0x0000002A 0x00010000 1 Wind tools\n");
  // A line break in the description would start another list line.
  const std::string two = FormatModuleListLine("wx.so", 1, 1, false, "first\nsecond");
  EXPECT_EQ(two, "wx.so 0x00000001 0x00000001 0 first\n");
  const std::string empty = FormatModuleListLine("wx.so", 1, 1, true, "");
  EXPECT_EQ(ParseModuleListLine(empty.substr(0, empty.size() - 1)).fields, 5);
  const std::string huge = FormatModuleListLine("wx.so", 1, 1, true, std::string(500, 'd'));
  EXPECT_EQ(huge.size(), kModuleListLineMax + 1);
}

TEST(ModuleList, AcceptsOnlyPlainFileNames) {
  EXPECT_TRUE(ValidModuleFileName("wx.so"));
  for (const char* bad : {"", ".", "..", "../wx.so", "/lib/x.so", "a b.so", "a\tb"}) {
    EXPECT_FALSE(ValidModuleFileName(bad)) << bad;
  }
}

}  // namespace
}  // namespace sq
