#include "link/download_journal.h"

#include <cstdio>
#include <span>
#include <string_view>

#include "database/rain_database.h"

namespace sq {
namespace {

constexpr std::size_t kMaxJournalBytes = 256;

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h == 0 ? 1 : h;  // 0 is kept for "no file"
}

// A fenced file: reads pass, writes fail once the fence is closed.
class FencedFile final : public File {
 public:
  FencedFile(std::unique_ptr<File> base, const WriteFence& fence) : base_(std::move(base)), fence_(fence) {}
  long ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override { return base_->ReadAt(offset, out); }
  bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) override {
    return !fence_.closed() && base_->WriteAt(offset, data);
  }
  std::int64_t Size() override { return base_->Size(); }
  bool Sync() override { return !fence_.closed() && base_->Sync(); }

 private:
  std::unique_ptr<File> base_;
  const WriteFence& fence_;
};

std::string JournalPath(const std::string& folder) { return JoinPath(folder, kDownloadJournalName); }

}  // namespace

std::uint64_t RainFingerprint(FileSystem& fs, const std::string& folder) {
  const auto bytes = ReadWholeFile(fs, JoinPath(folder, kRainDbFileName), kMaxRainDbBytes);
  if (!bytes) return 0;
  return Fnv1a(*bytes);
}

bool WriteDownloadJournal(FileSystem& fs, const std::string& folder, const DownloadJournal& j) {
  char text[128];
  if (j.last_stored) {
    std::snprintf(text, sizeof text, "last %d %d %d %d\nrain %016llx\n", j.last_stored->year, j.last_stored->month,
                  j.last_stored->day, j.last_stored->packed_time, static_cast<unsigned long long>(j.rain_fingerprint));
  } else {
    std::snprintf(text, sizeof text, "last none\nrain %016llx\n", static_cast<unsigned long long>(j.rain_fingerprint));
  }
  return WriteFileAtomic(fs, JournalPath(folder), std::string(text) + (j.export_pending ? "export\n" : ""));
}

std::optional<DownloadJournal> ReadDownloadJournal(FileSystem& fs, const std::string& folder, bool* damaged) {
  if (damaged) *damaged = false;
  const std::string path = JournalPath(folder);
  if (!fs.Exists(path)) return std::nullopt;
  const auto bytes = ReadWholeFile(fs, path, kMaxJournalBytes);
  std::string text = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
  DownloadJournal j;
  int y = 0, m = 0, d = 0, t = 0;
  unsigned long long fp = 0;
  if (std::sscanf(text.c_str(), "last %d %d %d %d\nrain %llx", &y, &m, &d, &t, &fp) == 5 && y >= 1900 && y <= 2200 &&
      m >= 1 && m <= 12 && d >= 1 && d <= 31 && t >= 0 && t <= 1440) {
    DateTime last(m, d, y);
    last.packed_time = static_cast<std::int16_t>(t);
    last.UnpackTime();
    j.last_stored = last;
  } else if (std::sscanf(text.c_str(), "last none\nrain %llx", &fp) != 1) {
    if (damaged) *damaged = true;
    return std::nullopt;
  }
  j.rain_fingerprint = fp;
  j.export_pending = text.find("\nexport\n") != std::string::npos;
  return j;
}

bool RemoveDownloadJournal(FileSystem& fs, const std::string& folder) {
  const std::string path = JournalPath(folder);
  return fs.Remove(path) || !fs.Exists(path);
}

std::unique_ptr<File> WriteFence::Open(const std::string& path, bool writable, OpenError* error) {
  auto f = base_.Open(path, writable, error);
  if (!f) return f;
  return std::make_unique<FencedFile>(std::move(f), *this);
}

std::unique_ptr<File> WriteFence::Create(const std::string& path, unsigned mode) {
  if (closed_) return nullptr;
  auto f = base_.Create(path, mode);
  if (!f) return f;
  return std::make_unique<FencedFile>(std::move(f), *this);
}

bool WriteFence::Rename(const std::string& from, const std::string& to) { return !closed_ && base_.Rename(from, to); }
bool WriteFence::Remove(const std::string& path) { return !closed_ && base_.Remove(path); }

}  // namespace sq
