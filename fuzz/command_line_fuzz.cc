// The classic command line is outside input: whatever a script or a scheduler passes.
// The input is split at zero bytes into arguments. The switches must not depend on how
// the words are split, the folder word never starts with '-', and resolving it always
// gives a path without a trailing '/'.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size && args.size() <= 64; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back().push_back(static_cast<char>(data[i]));
    }
  }
  const sq::ClassicCommandLine cl = sq::ParseClassicCommandLine(args);
  if (!cl.folder_word.empty() && cl.folder_word.front() == '-') std::abort();
  if (cl.switches != sq::FindSwitches(sq::JoinCommandLine(args))) std::abort();
  if (!cl.folder_word.empty()) {
    const std::string folder = sq::ResolveStationFolder(cl.folder_word, "/prog");
    if (folder.empty() || (folder.size() > 1 && folder.back() == '/')) std::abort();
  }
  return 0;
}
