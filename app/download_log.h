// The download log "download.log" in the program folder: one line per entry, newest
// first, at most 5001 lines (the new entry and the 5000 newest old lines, each old line
// cut to 255 characters). An entry reads " DATE TIME (TITLE) TEXT" when the title does
// not occur in the text, else " DATE TIME TEXT", with the date and time in the regional
// format.
//
// The log is rewritten whole for every entry: the new file is written beside the old
// one and renamed over it, so a crash never leaves a half-written log. Two processes
// serialise through an advisory lock on "download.lck" (waiting 100 ms at a time, at
// most 300 times); a nested call from the same process while an entry is being written
// gives up at once.
//
// Result codes: 0 success, -1 failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sq {

class Clock;

inline constexpr const char* kDownloadLogName = "download.log";
inline constexpr const char* kDownloadLogLockName = "download.lck";
inline constexpr int kLogMaxOldLines = 5000;
inline constexpr std::size_t kLogMaxLineLength = 255;

// Into the program folder's log, with the computer's clock.
[[nodiscard]] int LogMessage(std::string_view text, std::string_view title);
[[nodiscard]] int LogMessage(std::uint32_t string_id, std::string_view title);
// How many entries this process could not write (each was reported on standard error),
// so that a command can end with a failure status instead of losing them silently.
[[nodiscard]] int DownloadLogFailures();
// Into folder/"download.log", with `clock` for the time stamp and the lock waits.
[[nodiscard]] int LogMessageIn(const std::string& folder, std::string_view text, std::string_view title, Clock& clock);

}  // namespace sq
