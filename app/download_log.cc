#include "app/download_log.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/binary_file.h"
#include "app/dirs.h"
#include "app/format_text.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "foundation/file_lock.h"
#include "foundation/file_util.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr int kLockTries = 300;
constexpr int kLockWaitMs = 100;
constexpr std::uint32_t kCannotRecreate = 47110;

bool g_in_progress = false;
int g_failures = 0;  // entries this process could not write

// Clears the in-progress mark on every way out.
struct InProgress {
  InProgress() { g_in_progress = true; }
  ~InProgress() { g_in_progress = false; }
  InProgress(const InProgress&) = delete;
  InProgress& operator=(const InProgress&) = delete;
};

// The newest old lines, each cut to kLogMaxLineLength, reading no more than needed.
// False when the file exists but cannot be read.
bool ReadOldLines(const std::string& path, std::string* out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return errno == ENOENT;
  int lines = 0;
  std::size_t line_len = 0;
  bool ok = true;
  char buf[4096];
  while (lines < kLogMaxOldLines) {
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    if (n == 0) {
      ok = !std::ferror(f);
      break;
    }
    for (std::size_t i = 0; i < n && lines < kLogMaxOldLines; ++i) {
      if (buf[i] == '\n') {
        out->push_back('\n');
        ++lines;
        line_len = 0;
      } else if (line_len < kLogMaxLineLength) {
        out->push_back(buf[i]);
        ++line_len;
      }
    }
  }
  std::fclose(f);
  if (ok && line_len > 0 && lines < kLogMaxOldLines) out->push_back('\n');  // last line without a line feed
  return ok;
}

}  // namespace

int DownloadLogFailures() { return g_failures; }

int LogMessageIn(const std::string& folder, std::string_view text, std::string_view title, Clock& clock) {
  if (g_in_progress) return -1;
  InProgress mark;
  FileLock lock(DefaultFileSystem(), kLockWaitMs);
  if (lock.Acquire(JoinPath(folder, kDownloadLogLockName), clock, (kLockTries - 1) * kLockWaitMs) !=
      FileLock::Result::kHeld) {
    ++g_failures;
    std::fprintf(stderr, "stratoquill: %s could not be locked; this entry was not logged: (%.*s) %.*s\n",
                 JoinPath(folder, kDownloadLogName).c_str(), static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
    return -1;
  }

  DateTime now;
  now.SetCurrentTime(clock);
  std::string entry = " " + now.GetDateStr() + " " + now.GetTimeStr() + " ";
  if (text.find(title) == std::string_view::npos) {
    entry.pop_back();
    entry += " (" + std::string(title) + ") ";
  }
  entry += text;
  entry += '\n';

  const std::string path = JoinPath(folder, kDownloadLogName);
  std::string old;
  if (!ReadOldLines(path, &old)) {
    // Never replace a log that could not be read: it would lose the user's history.
    std::fprintf(stderr, "%s\n", FormatText(LoadString(kCannotRecreate), path).c_str());
    ++g_failures;
    return -1;
  }
  if (!WriteFileAtomic(path, entry + old)) {
    std::fprintf(stderr, "%s\n", FormatText(LoadString(kCannotRecreate), path).c_str());
    ++g_failures;
    return -1;
  }
  return 0;
}

int LogMessage(std::string_view text, std::string_view title) {
  return LogMessageIn(ProgramFolder(), text, title, Clock::Default());
}

int LogMessage(std::uint32_t string_id, std::string_view title) { return LogMessage(LoadString(string_id), title); }

}  // namespace sq
