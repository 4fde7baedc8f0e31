#include "foundation/text_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sq {
namespace {

TEST(TextFields, SplitLines) {
  struct Row {
    const char* legend;
    std::string_view text;
    std::vector<std::string_view> lines;
  } rows[] = {
      {"empty text", "", {}},
      {"no final line feed", "a\nb", {"a", "b"}},
      {"final line feed adds no line", "a\nb\n", {"a", "b"}},
      {"carriage returns before the line feed go", "a\r\r\nb\r\n", {"a", "b"}},
      {"inner carriage return stays", "a\rb\n", {"a\rb"}},
      {"empty lines are kept", "\n\na\n", {"", "", "a"}},
      {"tabs are content", "\tx\t\n", {"\tx\t"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    EXPECT_EQ(SplitLines(r.text), r.lines);
  }
}

TEST(TextFields, NextFieldWalksTheTabs) {
  std::string_view rest = "name\t\t42\tlast";
  EXPECT_EQ(NextField(rest), "name");
  EXPECT_EQ(NextField(rest), "");  // two tabs: an empty field between them
  EXPECT_EQ(NextField(rest), "42");
  EXPECT_EQ(NextField(rest), "last");
  EXPECT_TRUE(rest.empty());
  EXPECT_EQ(NextField(rest), "");  // nothing left
  EXPECT_TRUE(rest.empty());
}

}  // namespace
}  // namespace sq
