// Replays fuzz inputs without libFuzzer: every file named on the command line, and
// every regular file inside a folder named there, is fed once to the fuzz entry point.
// Built with the ordinary compiler so that crashing inputs kept as seeds stay tested.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {
int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(p)) {
        if (entry.is_regular_file()) {
          failures += RunFile(entry.path());
          ++count;
        }
      }
    } else {
      failures += RunFile(p);
      ++count;
    }
  }
  std::printf("replayed %d inputs\n", count);
  return failures == 0 ? 0 : 1;
}
