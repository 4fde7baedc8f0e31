// The state a download shows while it runs: pages, records, retries and the rate, as
// the classic one-line progress text and as a progress bar for a terminal.
#pragma once

#include <cstdint>
#include <string>

namespace sq {

struct DownloadProgress {
  int pages_done = 0;
  int pages_total = 0;
  int records_stored = 0;
  int retries = 0;         // failed attempts so far, all pages
  int error_count = 0;     // consecutive failures on the current page
  std::string last_error;  // text of the last page error
  std::int64_t elapsed_ms = 0;
};

// "Transferred %3d of %d." or, after a retry, "Transferred %3d of %d. Retries: %2d  (%s)".
[[nodiscard]] std::string ProgressLine(const DownloadProgress& p);
// "[#########.........]  123/512 pages   615 records   0 retries   45.2 pages/s",
// `width` characters of bar.
[[nodiscard]] std::string ProgressBar(const DownloadProgress& p, int width = 30);

}  // namespace sq
