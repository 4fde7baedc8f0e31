#include "foundation/file_lock.h"

#include <algorithm>

#include "foundation/clock.h"

namespace sq {

FileLock::Result FileLock::Acquire(const std::string& path, Clock& clock, std::int64_t wait_ms, std::string* error,
                                   LockMode mode) {
  Release();
  const std::int64_t start = clock.MonotonicMs();
  for (;;) {
    const LockResult r = fs_.TryLock(path, mode, &held_, error);
    if (r != LockResult::kBusy) return r;
    const std::int64_t waited = clock.MonotonicMs() - start;
    if (waited >= wait_ms) break;
    clock.SleepMs(std::min(retry_ms_, wait_ms - waited));
  }
  if (error) *error = "another program holds " + path;
  return LockResult::kBusy;
}

}  // namespace sq
