// The main() of every test program: GoogleTest's, plus --regenerate-golden (see
// golden.h), which the build target regenerate-golden passes.
#include <gtest/gtest.h>

#include <cstring>

#include "test_support/golden.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--regenerate-golden") == 0) {
      sq::testing::SetRegeneratingGolden(true);
    } else {
      argv[kept++] = argv[i];
    }
  }
  if (kept != argc) argc = kept;
  return RUN_ALL_TESTS();
}
