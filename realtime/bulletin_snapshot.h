// The snapshot of the current conditions that `stratoquill run` keeps in the station
// folder, so that one-shot commands (the live view, pages, images, uploads) can use
// current data while `run` holds the console's port.
//
// The file is text, one "key value" line per value, after a first line naming the
// format and its version; see realtime/SNAPSHOT.md. WriteBulletinSnapshot replaces the
// file atomically (a reader sees the old or the new file, never a mixture). The reader
// takes the file as untrusted input: unknown keys are skipped, a bad value or a file
// that is not a snapshot is refused with a message, nothing is read past its limit.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/file_system.h"
#include "realtime/bulletin_data.h"

namespace sq {

class Clock;

inline constexpr const char* kSnapshotFileName = "current_conditions.txt";
// Larger files are not snapshots.
inline constexpr std::size_t kMaxSnapshotSize = 64 * 1024;

// The text of a snapshot, and back. ParseBulletinSnapshot answers nullopt (and sets
// *error) for text that is not a snapshot of this program.
[[nodiscard]] std::string FormatBulletinSnapshot(const BulletinData& data);
[[nodiscard]] std::optional<BulletinData> ParseBulletinSnapshot(std::string_view text, std::string* error = nullptr);

// Writes folder/current_conditions.txt. 0 success, -1 failure (*error says why).
[[nodiscard]] int WriteBulletinSnapshot(const std::string& folder, const BulletinData& data,
                                        std::string* error = nullptr);

struct BulletinSnapshot {
  BulletinData data;
  std::int64_t age_ms = 0;  // now minus the time of the packet (0 when in the future)
};

// Reads the snapshot of `folder`; nullopt when there is none or it cannot be used
// (*error says why). The age is measured on `clock`.
[[nodiscard]] std::optional<BulletinSnapshot> ReadBulletinSnapshot(const std::string& folder, Clock& clock,
                                                                   std::string* error = nullptr);

// Marks a station folder as having a process that keeps its snapshot (`run`): an
// advisory lock on "current_conditions.lock" in the folder, held while the object
// lives. Other processes ask SnapshotKeeperRunning before they open the console.
class SnapshotKeeperLock {
 public:
  explicit SnapshotKeeperLock(const std::string& folder);
  ~SnapshotKeeperLock();
  SnapshotKeeperLock(const SnapshotKeeperLock&) = delete;
  SnapshotKeeperLock& operator=(const SnapshotKeeperLock&) = delete;
  // False when another process holds it already (or the folder is not writable).
  [[nodiscard]] bool held() const { return lock_ != nullptr; }

 private:
  std::unique_ptr<HeldLock> lock_;
};

// True while another process holds the SnapshotKeeperLock of `folder`.
[[nodiscard]] bool SnapshotKeeperRunning(const std::string& folder);

}  // namespace sq
