// Keeping a station folder consistent across an interrupted download.
//
// The month files are safe on their own: a record counts once the month header that
// covers it is written, so a crash loses at most the records appended since the last
// flush, and the next download asks the console for them again. Two things live
// outside the month files and need help:
//
//  - the rain history ("rain.db") gets the rain of the new records and is saved once,
//    at the end. A journal file written before the first record is appended records
//    the newest stored record at that moment and a fingerprint of rain.db. Found at
//    the next download, it tells whether rain.db still lacks the rain of the records
//    stored after that moment (fingerprint unchanged) or already has it.
//  - the summary of the last stored day may lack records; it is recomputed.
//  - the automatic export file is written after the records are stored; until it is
//    written whole the journal says so ("export"), and the next download or
//    `export-auto` writes it again.
//
// WriteFence wraps the file system of the database: after a write has failed, it is
// closed and lets no further write through, so the month headers on disk stay at the
// last complete flush instead of being written over a half-stored page.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "foundation/file_system.h"

namespace sq {

inline constexpr char kDownloadJournalName[] = "download.pending";

struct DownloadJournal {
  std::optional<DateTime> last_stored;  // newest archive record before the download
  std::uint64_t rain_fingerprint = 0;   // of rain.db's bytes; 0 when there was none
  bool export_pending = false;          // the automatic export file still has to be written
};

// The journal and rain.db are read and written through `fs`, the file system of the
// station folder.
//
// Fingerprint of folder/rain.db as it is now (0 when the file is missing).
[[nodiscard]] std::uint64_t RainFingerprint(FileSystem& fs, const std::string& folder);
// Writes the journal atomically; false when it could not be written.
[[nodiscard]] bool WriteDownloadJournal(FileSystem& fs, const std::string& folder, const DownloadJournal& j);
// The journal of an interrupted download; nothing when there is none (or it is damaged:
// then it is reported through `damaged`).
[[nodiscard]] std::optional<DownloadJournal> ReadDownloadJournal(FileSystem& fs, const std::string& folder,
                                                                 bool* damaged = nullptr);
// Removes the journal; false when it is still there.
bool RemoveDownloadJournal(FileSystem& fs, const std::string& folder);

class WriteFence final : public FileSystem {
 public:
  explicit WriteFence(FileSystem& base) : base_(base) {}
  // From now on every mutating call fails without touching anything.
  void Close() { closed_ = true; }
  [[nodiscard]] bool closed() const { return closed_; }

  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override;
  std::unique_ptr<File> Create(const std::string& path, unsigned mode) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  bool List(const std::string& folder, std::vector<std::string>* names) override { return base_.List(folder, names); }
  bool SyncFolder(const std::string& folder) override { return !closed_ && base_.SyncFolder(folder); }
  LockResult TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                     std::string* error) override {
    return base_.TryLock(path, mode, lock, error);
  }

 private:
  FileSystem& base_;
  bool closed_ = false;
};

}  // namespace sq
