#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace sq {
namespace {

TEST(StringTable, LookupAndCopyLimits) {
  EXPECT_EQ(LoadString(0xFFFFFFF0u), "");
  EXPECT_FALSE(HasString(0xFFFFFFF0u));
  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(LoadString(0xFFFFFFF0u, buf, sizeof buf), 0);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(LoadString(1u, nullptr, 10), 0);
}

TEST(StringTable, NoNumberHasTwoTexts) { EXPECT_TRUE(ConflictingStringIds().empty()); }

}  // namespace
}  // namespace sq
