#include <cstdio>

#include "ui/commands.h"

namespace sq::ui {

int RunSunrise(const Args&) {
  std::fprintf(stderr, "stratoquill sunrise: not available yet\n");
  return 2;
}

}  // namespace sq::ui
