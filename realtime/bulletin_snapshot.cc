// Snapshot file of the current conditions. Writing: every field of the list in
// realtime/bulletin_fields.h as "key value" (floats with nine significant digits, so
// they read back exactly), into a temporary file renamed over the old one. The file
// is replaced every couple of seconds and describes only the moment, so it is not
// synced to disk: after a crash a reader may find it empty, which it reports like any
// other unusable snapshot.
//
// Reading: the text comes from disk and is treated as hostile. It must start with the
// format line; each further line is split at its first blank; unknown keys are
// skipped; a known key whose value does not parse refuses the whole file; values
// outside their ranges are refused too, so that the rings can be indexed safely.
#include "realtime/bulletin_snapshot.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>

#include "foundation/clock.h"
#include "foundation/file_system.h"
#include "foundation/file_util.h"
#include "realtime/bulletin_fields.h"

namespace sq {
namespace {

constexpr const char* kKeeperLockName = "current_conditions.lock";
constexpr std::string_view kFormatLine = "stratoquill current conditions 1";
constexpr std::size_t kMaxLines = 2000;

std::string InFolder(const std::string& folder, const char* name) {
  return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + name;
}

void AppendNumber(std::string& out, float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  out += buf;
}
template <class T>
void AppendNumber(std::string& out, T v) {
  out += std::to_string(v);
}

std::string OneLine(std::string s) {
  for (char& c : s) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

struct Writer {
  std::string& out;
  void Line(std::string_view key, const auto& emit) {
    out += key;
    out += ' ';
    emit();
    out += '\n';
  }
  void operator()(std::string_view name, const bool& v, int) {
    Line(name, [&] { out += v ? '1' : '0'; });
  }
  void operator()(std::string_view name, const std::string& v, int) {
    Line(name, [&] { out += OneLine(v); });
  }
  // Both extremes, whether shown or not: the snapshot is the whole state.
  void operator()(std::string_view name, const Tracked& t, int) {
    Line(name, [&] { AppendNumber(out, t.now); });
    Line(std::string(name) + "_high", [&] { AppendNumber(out, t.high); });
    Line(std::string(name) + "_high_time", [&] { AppendNumber(out, t.high_time); });
    Line(std::string(name) + "_low", [&] { AppendNumber(out, t.low); });
    Line(std::string(name) + "_low_time", [&] { AppendNumber(out, t.low_time); });
  }
  template <class T, std::size_t N>
  void operator()(std::string_view name, const std::array<T, N>& a, int) {
    Line(name, [&] {
      for (std::size_t i = 0; i < N; ++i) {
        if (i) out += ' ';
        AppendNumber(out, a[i]);
      }
    });
  }
  template <class T>
  void operator()(std::string_view name, const T& v, int) {
    Line(name, [&] { AppendNumber(out, v); });
  }
};

bool ParseOne(std::string_view s, float& v) {
  // from_chars for floats is not everywhere; strtof on a bounded copy.
  if (s.empty() || s.size() > 40) return false;
  char buf[48];
  std::memcpy(buf, s.data(), s.size());
  buf[s.size()] = '\0';
  char* end = nullptr;
  errno = 0;
  const float f = std::strtof(buf, &end);
  if (end != buf + s.size() || errno == ERANGE) return false;
  v = f;
  return true;
}
template <class T>
bool ParseOne(std::string_view s, T& v) {
  T out{};
  const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  if (r.ec != std::errc{} || r.ptr != s.data() + s.size()) return false;
  v = out;
  return true;
}

struct Reader {
  const std::map<std::string_view, std::string_view>& lines;
  std::string bad;  // first key that did not parse

  const std::string_view* Find(std::string_view key) {
    auto it = lines.find(key);
    return it == lines.end() ? nullptr : &it->second;
  }
  template <class T>
  void Number(std::string_view key, T& v) {
    if (const auto* s = Find(key); s && !ParseOne(*s, v) && bad.empty()) bad = std::string(key);
  }
  void operator()(std::string_view name, bool& v, int) {
    if (const auto* s = Find(name)) {
      if (*s == "1" || *s == "0") {
        v = *s == "1";
      } else if (bad.empty()) {
        bad = std::string(name);
      }
    }
  }
  void operator()(std::string_view name, std::string& v, int) {
    if (const auto* s = Find(name)) v = std::string(*s);
  }
  void operator()(std::string_view name, Tracked& t, int) {
    Number(name, t.now);
    const std::string n(name);
    Number(n + "_high", t.high);
    Number(n + "_high_time", t.high_time);
    Number(n + "_low", t.low);
    Number(n + "_low_time", t.low_time);
  }
  template <class T, std::size_t N>
  void operator()(std::string_view name, std::array<T, N>& a, int) {
    const auto* s = Find(name);
    if (!s) return;
    std::string_view rest = *s;
    for (std::size_t i = 0; i < N; ++i) {
      const std::size_t sp = rest.find(' ');
      const std::string_view item = rest.substr(0, sp);
      if (!ParseOne(item, a[i]) || (i + 1 < N && sp == std::string_view::npos)) {
        if (bad.empty()) bad = std::string(name);
        return;
      }
      rest = sp == std::string_view::npos ? std::string_view{} : rest.substr(sp + 1);
    }
    if (!rest.empty() && bad.empty()) bad = std::string(name);
  }
  template <class T>
  void operator()(std::string_view name, T& v, int) {
    Number(name, v);
  }
};

// The indexes and counts that address the rings must lie inside them.
bool StateInRange(const BulletinData& d) {
  auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  return in(d.wind_index, 0, BulletinData::kWindSlots - 1) && in(d.minute_index, 0, BulletinData::kMinuteSlots - 1) &&
         in(d.hour_index, 0, BulletinData::kHourSlots - 1) &&
         in(d.bar_history_count, 0, BulletinData::kBarHistorySlots) && in(d.minute_of_day, 0, 1439);
}

}  // namespace

std::string FormatBulletinSnapshot(const BulletinData& data) {
  std::string out(kFormatLine);
  out += '\n';
  Writer w{out};
  VisitBulletinFields(data, w);
  return out;
}

std::optional<BulletinData> ParseBulletinSnapshot(std::string_view text, std::string* error) {
  auto fail = [&](std::string why) -> std::optional<BulletinData> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  if (text.size() > kMaxSnapshotSize) return fail("the file is too large for a snapshot");
  const std::size_t first_end = text.find('\n');
  if (text.substr(0, first_end) != kFormatLine) return fail("the file is not a current-conditions snapshot");
  std::map<std::string_view, std::string_view> lines;
  std::size_t pos = first_end == std::string_view::npos ? text.size() : first_end + 1;
  while (pos < text.size()) {
    if (lines.size() >= kMaxLines) return fail("the snapshot has too many lines");
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    const std::size_t sp = line.find(' ');
    if (sp != std::string_view::npos && sp > 0) lines.emplace(line.substr(0, sp), line.substr(sp + 1));
    pos = end + 1;
  }
  BulletinData d;
  Reader r{lines, {}};
  VisitBulletinFields(d, r);
  if (!r.bad.empty()) return fail("the snapshot's value '" + r.bad + "' cannot be read");
  if (!StateInRange(d)) return fail("the snapshot's ring state is out of range");
  return d;
}

int WriteBulletinSnapshot(const std::string& folder, const BulletinData& data, std::string* error) {
  const std::string path = InFolder(folder, kSnapshotFileName);
  const std::string tmp = path + ".tmp";
  const std::string text = FormatBulletinSnapshot(data);
  FileSystem& fs = DefaultFileSystem();
  // Replaced every few seconds: renamed into place, but not synced, which would wear a
  // memory card for a file that is rewritten anyway. A link planted under the temporary
  // name is removed, never written through.
  errno = 0;
  std::unique_ptr<File> f = fs.Create(tmp, kModeOthersRead);
  if (!f) {
    if (error) *error = "cannot write " + tmp + ": " + std::strerror(errno == 0 ? EIO : errno);
    return -1;
  }
  const bool written =
      f->WriteAt(0, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  f.reset();
  if (!written || !fs.Rename(tmp, path)) {
    if (error) *error = "cannot write " + path + ": " + std::strerror(errno == 0 ? EIO : errno);
    (void)fs.Remove(tmp);
    return -1;
  }
  return 0;
}

SnapshotKeeperLock::SnapshotKeeperLock(const std::string& folder) {
  (void)DefaultFileSystem().TryLock(InFolder(folder, kKeeperLockName), LockMode::kExclusive, &lock_, nullptr);
}

SnapshotKeeperLock::~SnapshotKeeperLock() = default;

bool SnapshotKeeperRunning(const std::string& folder) {
  std::unique_ptr<HeldLock> probe;
  return DefaultFileSystem().TryLock(InFolder(folder, kKeeperLockName), LockMode::kShared, &probe, nullptr) ==
         LockResult::kBusy;
}

std::optional<BulletinSnapshot> ReadBulletinSnapshot(const std::string& folder, Clock& clock, std::string* error) {
  const std::string path = InFolder(folder, kSnapshotFileName);
  const auto bytes = ReadWholeFile(path, kMaxSnapshotSize, error);
  if (!bytes) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  auto data = ParseBulletinSnapshot(text, error);
  if (!data) return std::nullopt;
  BulletinSnapshot s;
  s.data = std::move(*data);
  s.age_ms = std::max<std::int64_t>(0, clock.UnixMs() - s.data.packet_unix_ms);
  return s;
}

}  // namespace sq
