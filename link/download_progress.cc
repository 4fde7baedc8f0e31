#include "link/download_progress.h"

#include <algorithm>
#include <cstdio>

#include "resources/string_table.h"

namespace sq {
namespace {
constexpr std::uint32_t kTransferred = 35211;
constexpr std::uint32_t kTransferredRetries = 35212;
}  // namespace

std::string ProgressLine(const DownloadProgress& p) {
  char line[160];
  if (p.retries == 0) {
    std::snprintf(line, sizeof line, std::string(LoadString(kTransferred)).c_str(), p.pages_done, p.pages_total);
  } else {
    const std::string err = p.last_error.empty() ? std::string("GetCorvaleBlock") : p.last_error;
    std::snprintf(line, sizeof line, std::string(LoadString(kTransferredRetries)).c_str(), p.pages_done, p.pages_total,
                  p.retries, err.c_str());
  }
  return line;
}

std::string ProgressBar(const DownloadProgress& p, int width) {
  width = std::clamp(width, 1, 200);
  const int total = std::max(p.pages_total, 1);
  const int filled = static_cast<int>(static_cast<long long>(std::clamp(p.pages_done, 0, total)) * width / total);
  std::string bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                    std::string(static_cast<std::size_t>(width - filled), '.') + "]";
  const double seconds = p.elapsed_ms / 1000.0;
  const double rate = seconds > 0 ? p.pages_done / seconds : 0.0;
  char tail[160];
  std::snprintf(tail, sizeof tail, " %4d/%d pages  %5d records  %d retries  %.1f pages/s", p.pages_done, p.pages_total,
                p.records_stored, p.retries, rate);
  return bar + tail;
}

}  // namespace sq
