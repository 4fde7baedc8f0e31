#include "database/writer_lock.h"

#include <string_view>
#include <vector>

#include "database/month_file.h"
#include "foundation/clock.h"
#include "foundation/file_system.h"
#include "foundation/file_util.h"

namespace sq {

bool WriterLock::Acquire(const std::string& folder, std::string* error) {
  std::string why;
  switch (lock_.Acquire(JoinPath(folder, kWriterLockFileName), Clock::Default(), 0, &why)) {
    case FileLock::Result::kHeld:
      RemoveStaleFiles(folder);
      return true;
    case FileLock::Result::kBusy:
      why = "another program is writing to the station folder " + folder + "; try again when it has finished";
      break;
    case FileLock::Result::kError:
      break;
  }
  if (error) *error = why;
  return false;
}

void WriterLock::RemoveStaleFiles(const std::string& folder) {
  (void)RemoveStaleTemporaryFiles(folder);
  // A month rewrite's temporary file is written only under this lock: now that we hold
  // it, one that is still there was left by a writer that died.
  std::vector<std::string> names;
  if (!DefaultFileSystem().List(folder, &names)) return;
  for (const std::string& name : names) {
    constexpr std::string_view kTmp = ".tmp";
    if (name.size() > kTmp.size() && name.ends_with(kTmp) &&
        IsMonthFileName(name.substr(0, name.size() - kTmp.size()))) {
      (void)DefaultFileSystem().Remove(JoinPath(folder, name));
    }
  }
}

}  // namespace sq
