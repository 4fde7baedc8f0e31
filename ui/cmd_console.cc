#include <cstdio>

#include "ui/commands.h"

namespace sq::ui {

int RunConsole(const Args&) {
  std::fprintf(stderr, "stratoquill console: not available yet\n");
  return 2;
}

int RunDiscover(const Args&) {
  std::fprintf(stderr, "stratoquill discover: not available yet\n");
  return 2;
}

}  // namespace sq::ui
