#include "test_support/golden.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "test_support/files.h"

namespace sq::testing {

namespace {
bool g_regenerating = false;
}  // namespace

bool RegeneratingGolden() { return g_regenerating; }
void SetRegeneratingGolden(bool on) { g_regenerating = on; }

void ExpectGolden(std::string_view folder, std::string_view name, const std::string& actual) {
  const std::string path = std::string(folder) + "/" + std::string(name);
  const std::string file = std::string(SQ_SOURCE_DIR) + "/" + path;
  const std::string expected = ReadText(file);
  if (g_regenerating) {
    if (actual != expected) {
      WriteText(file, actual);
      std::printf("rewrote %s\n", path.c_str());
    }
    return;
  }
  std::istringstream want(expected), got(actual);
  std::string w, g;
  for (int n = 1;; ++n) {
    const bool more_w = static_cast<bool>(std::getline(want, w));
    const bool more_g = static_cast<bool>(std::getline(got, g));
    if (!more_w && !more_g) break;
    ASSERT_EQ(more_w, more_g) << path << ": line count differs at line " << n;
    EXPECT_EQ(g, w) << path << " line " << n;
  }
  // Line by line misses a final line feed; the bytes must match too.
  EXPECT_EQ(actual.size(), expected.size()) << path;
}

}  // namespace sq::testing
