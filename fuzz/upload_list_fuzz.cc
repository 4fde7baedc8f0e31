// The upload work file and the remote folder names of the settings are outside input:
// a work file left by another program version or edited by hand, folder names from a
// damaged configuration. Parsing stays within the text and its bounds; a line written
// from the parsed fields reads back to the same fields; the path helpers never read
// outside their text and make progress on every separator.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "publish/ftp_paths.h"
#include "publish/upload_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto lines = sq::ParseUploadList(text);
  if (lines.size() > sq::kUploadListMaxLines) std::abort();
  for (const auto& l : lines) {
    if (l.local.empty() || l.remote_name.empty()) std::abort();
    const std::string again = sq::FormatUploadLine(l);
    if (again.size() <= sq::kUploadLineMax + 1 && l.local_target.find_first_of("\r\n") == std::string::npos &&
        (l.local_target.empty() || l.local_target.back() != '\r')) {
      const auto back = sq::ParseUploadList(again);
      if (back.size() != 1 || back[0].local != l.local || back[0].remote_folder != l.remote_folder ||
          back[0].remote_name != l.remote_name || back[0].local_target != l.local_target) {
        std::abort();
      }
    }
  }
  const std::string_view path = text.substr(0, 512);
  std::string out;
  for (int n = 1; n <= 600; ++n) {
    const int r = sq::GetPartialPath(n, path, &out);
    if (out.size() > path.size()) std::abort();
    if (r != sq::kPartialPrefix) break;
  }
  const std::string converted = sq::ConvertPathToForwardSlashes(path);
  if (converted.find('\\') != std::string::npos) std::abort();
  (void)sq::JoinRemotePath(converted, path);
  (void)sq::RemoteFolder(path, converted);
  (void)sq::RemoteNameOf(path);
  return 0;
}
