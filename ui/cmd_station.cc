#include <cstdio>

#include "ui/commands.h"

namespace sq::ui {

namespace {
int NotYet(const Args& args) {
  std::fprintf(stderr, "stratoquill %s: not available yet\n", args.empty() ? "" : args[0].c_str());
  return 2;
}
}  // namespace

int RunInit(const Args& args) { return NotYet(args); }
int RunStation(const Args& args) { return NotYet(args); }
int RunUnits(const Args& args) { return NotYet(args); }
int RunAutoDownload(const Args& args) { return NotYet(args); }

}  // namespace sq::ui
