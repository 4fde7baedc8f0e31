#include "app/module_host.h"

#include <utility>

#include "app/event_manager.h"
#include "app/module_manager.h"
#include "app/startup.h"
#include "app/station.h"
#include "database/writer_lock.h"
#include "foundation/clock.h"

namespace sq {

ModuleHost& ModuleHost::Get() {
  static ModuleHost host;
  return host;
}

WeatherDatabase* ModuleHost::Database() {
  Station* station = CurrentStation();
  if (station == nullptr) return nullptr;
  const std::string folder = station->Folder();
  if (db_ && db_folder_ == folder) return db_.get();
  auto db = std::make_unique<WeatherDatabase>();
  const int rc = db->OpenDatabase(folder);
  // A station without month files yet is an empty database, not a failure.
  if (rc != kDbOk && rc != kDbNoFiles) return nullptr;
  db_ = std::move(db);
  db_folder_ = folder;
  return db_.get();
}

int ModuleHost::ReopenDatabase() {
  if (db_) {
    const int rc = db_->OpenDatabase(db_folder_);
    if (rc == kDbOk || rc == kDbNoFiles) return 0;
    db_.reset();
    return -1;
  }
  return Database() != nullptr ? 0 : -1;
}

int ModuleHost::RefreshDatabase() { return db_ ? ReopenDatabase() : 0; }

void ModuleHost::Reset() {
  handles_.clear();
  if (db_) db_->CloseDatabase();
  db_.reset();
  db_folder_.clear();
}

int ModuleHost::Write(const std::function<int(WeatherDatabase&)>& write, int failed) {
  WeatherDatabase* db = Database();
  if (db == nullptr) return failed;
  WriterLock lock;
  std::string error;
  if (!lock.Acquire(db_folder_, &error)) return failed;
  if (ReopenDatabase() != 0 || !db_) return failed;
  const int rc = write(*db_);
  if (db_->current_month() >= 0 && db_->Sync() != kDbOk) return failed;
  return rc;
}

int ModuleHost::CountOf(std::size_t kind) const {
  int n = 0;
  for (const auto& [h, o] : handles_) n += o.index() == kind ? 1 : 0;
  return n;
}

int ModuleHost::Add(Object object) {
  if (CountOf(object.index()) >= kMaxHandlesPerKind || next_handle_ <= 0) return -1;
  const int h = next_handle_++;
  handles_.emplace(h, std::move(object));
  return h;
}

int ModuleHost::NewDatabaseHandle() {
  if (Database() == nullptr) return -1;
  return Add(DatabaseTag{});
}

int ModuleHost::NewRecordHandle() {
  auto rec = std::make_unique<WeatherDataObject>();
  if (Station* s = CurrentStation()) rec->SetSite(s->GetSiteDescription());
  return Add(std::move(rec));
}

int ModuleHost::NewSummaryHandle() {
  auto sum = std::make_unique<DailySummaryObject>();
  if (Station* s = CurrentStation()) sum->SetSite(s->GetSiteDescription());
  return Add(std::move(sum));
}

namespace {
template <std::size_t Kind, typename Map>
int DestroyOf(Map& handles, int handle) {
  auto it = handles.find(handle);
  if (it == handles.end() || it->second.index() != Kind) return SQ_BAD_HANDLE;
  handles.erase(it);
  return 0;
}
}  // namespace

int ModuleHost::DestroyDatabaseHandle(int handle) { return DestroyOf<0>(handles_, handle); }
int ModuleHost::DestroyRecordHandle(int handle) { return DestroyOf<1>(handles_, handle); }
int ModuleHost::DestroySummaryHandle(int handle) { return DestroyOf<2>(handles_, handle); }

bool ModuleHost::IsDatabaseHandle(int handle) const {
  auto it = handles_.find(handle);
  return it != handles_.end() && it->second.index() == 0;
}

WeatherDataObject* ModuleHost::Record(int handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.index() != 1) return nullptr;
  return std::get<1>(it->second).get();
}

DailySummaryObject* ModuleHost::Summary(int handle) {
  auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.index() != 2) return nullptr;
  return std::get<2>(it->second).get();
}

}  // namespace sq

namespace sq {

int RunModuleEvents(Clock& clock, bool job_running) {
  if (evtManager.GetEventCount() == 0 || job_running || Modules().CommandRunning()) return 0;
  const WallClockTime now = clock.LocalNow();
  const int minutes = now.tm.tm_hour * 60 + now.tm.tm_min;
  ModuleHost& host = ModuleHost::Get();
  // Attended again on every way out.
  struct Unattended {
    Attendance& who;
    explicit Unattended(Attendance& w) : who(w) { who = Attendance::kUnattended; }
    ~Unattended() { who = Attendance::kAttended; }
  } mark(host.attendance_);
  return evtManager.ProcessModuleEvents(minutes, minutes, [&host](bool before) {
    // A download since the last callbacks has appended records: read the headers anew.
    if (before) (void)host.RefreshDatabase();
    if (host.hooks().pause_realtime) host.hooks().pause_realtime(before);
  });
}

}  // namespace sq
