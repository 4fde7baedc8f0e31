#include <cstdio>

#include "ui/commands.h"

namespace sq::ui {

int RunDb(const Args&) {
  std::fprintf(stderr, "stratoquill db: not available yet\n");
  return 2;
}

}  // namespace sq::ui
