// Exported to expansion modules: the database family, by handles (see
// stratoquill/module.h for the contract).
#include <cstring>
#include <span>
#include <string>

#include "app/module_host.h"
#include "app/station.h"
#include "database/daily_summary_ops.h"
#include "database/data_notes.h"
#include "stratoquill/module.h"

namespace {

using sq::ModuleHost;

constexpr float kBadHandleFloat = static_cast<float>(SQ_BAD_HANDLE);

// The database a handle names, or nullptr.
sq::WeatherDatabase* Db(int handle) {
  ModuleHost& host = ModuleHost::Get();
  return host.IsDatabaseHandle(handle) ? host.Database() : nullptr;
}
sq::WeatherDataObject* Rec(int handle) { return ModuleHost::Get().Record(handle); }
sq::DailySummaryObject* Sum(int handle) { return ModuleHost::Get().Summary(handle); }

std::span<char> Buffer(char* buf, int len) {
  return buf != nullptr && len > 0 ? std::span<char>(buf, static_cast<std::size_t>(len)) : std::span<char>();
}

void Put(int* out, int value) {
  if (out != nullptr) *out = value;
}

void PutDate(const sq::DateTime& d, int* year, int* month, int* day, int* packed_time) {
  Put(year, d.year);
  Put(month, d.month);
  Put(day, d.day);
  Put(packed_time, d.packed_time);
}

bool ValidDate(int month, int day, int year) {
  if (month < 1 || month > 12 || day < 1 || year < 1 || year > 9999) return false;
  sq::DateTime d(month, day, year);
  return day <= d.DaysInMonth();
}

// Copies text into buf (len bytes, terminated): 0, or SQ_BAD_INDEX for no room.
int CopyOut(const std::string& text, char* buf, int len) {
  if (buf == nullptr || len <= 0) return SQ_BAD_INDEX;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(len - 1));
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return 0;
}

}  // namespace

extern "C" {

int GetDatabaseHandle(void) { return ModuleHost::Get().NewDatabaseHandle(); }
int DestroyDatabaseHandle(int db) { return ModuleHost::Get().DestroyDatabaseHandle(db); }
int GetWeatherDataHandle(void) { return ModuleHost::Get().NewRecordHandle(); }
int DestroyWeatherDataHandle(int rec) { return ModuleHost::Get().DestroyRecordHandle(rec); }
int GetDailySummaryHandle(void) { return ModuleHost::Get().NewSummaryHandle(); }
int DestroyDailySummaryHandle(int sum) { return ModuleHost::Get().DestroySummaryHandle(sum); }

int NumberOfMonthsInDatabase(int db) {
  const sq::WeatherDatabase* d = Db(db);
  return d ? d->month_count() : SQ_BAD_HANDLE;
}
int NumberOfDaysInDatabase(int db) {
  const sq::WeatherDatabase* d = Db(db);
  return d ? static_cast<int>(d->date_list().size()) : SQ_BAD_HANDLE;
}
int NumberOfRecordsInDataBase(int db) {
  const sq::WeatherDatabase* d = Db(db);
  return d ? d->NumberOfDataRecords() : SQ_BAD_HANDLE;
}
int MonthInfo(int db, int index, int* year, int* month) {
  const sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  if (index < 0 || index >= d->month_count()) return SQ_BAD_INDEX;
  const auto& m = d->months()[static_cast<std::size_t>(index)];
  Put(year, m.year);
  Put(month, m.month);
  return 0;
}
int DayInfo(int db, int index, int* year, int* month, int* day, int* count) {
  sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  if (index < 0 || static_cast<std::size_t>(index) >= d->date_list().size()) return SQ_BAD_INDEX;
  const std::int32_t key = d->date_list()[static_cast<std::size_t>(index)];
  const int y = key >> 16, m = (key >> 8) & 0xFF, dd = key & 0xFF;
  Put(year, y);
  Put(month, m);
  Put(day, dd);
  if (count != nullptr) *count = d->GotoDay(m, dd, y);
  return 0;
}
int Goto(int db, int month, int day, int year) {
  sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  return static_cast<int>(d->Goto(month, day, year, false));
}
int GotoDay(int db, int month, int day, int year) {
  sq::WeatherDatabase* d = Db(db);
  return d ? d->GotoDay(month, day, year) : SQ_BAD_HANDLE;
}
int GetClosestArchive(int db, int month, int day, int year, int packedTime) {
  sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  if (!ValidDate(month, day, year) || packedTime < 0 || packedTime > 1440) return -1;
  sq::DateTime when(month, day, year);
  when.packed_time = static_cast<std::int16_t>(packedTime);
  when.UnpackTime();
  return static_cast<int>(d->GetClosestArchive(when));
}

static int ReadInto(sq::WeatherDatabase& d, sq::WeatherDataObject& r, const sq::RecordBytes& bytes) {
  if (!r.SetRecordBytes(bytes)) return -1;
  sq::DateTime when;
  (void)d.GetDateLastRead(&when);
  r.date = when;
  return 0;
}

int GetRecord(int db, int rec, int archiveNumber) {
  sq::WeatherDatabase* d = Db(db);
  sq::WeatherDataObject* r = Rec(rec);
  if (d == nullptr || r == nullptr) return SQ_BAD_HANDLE;
  sq::RecordBytes bytes{};
  if (archiveNumber < 0 || d->GetArchiveRecord(&bytes, archiveNumber) != sq::kDbOk) return -1;
  return ReadInto(*d, *r, bytes);
}
int GetNextRecord(int db, int rec) {
  sq::WeatherDatabase* d = Db(db);
  sq::WeatherDataObject* r = Rec(rec);
  if (d == nullptr || r == nullptr) return SQ_BAD_HANDLE;
  sq::RecordBytes bytes{};
  const int rc = d->GetRecord(&bytes);
  if (rc != sq::kDbOk) return rc;
  return ReadInto(*d, *r, bytes);
}
int GetDateLastRead(int db, int* year, int* month, int* day, int* packedTime) {
  const sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  sq::DateTime when;
  const int rc = d->GetDateLastRead(&when);
  PutDate(when, year, month, day, packedTime);
  return rc;
}
int GetFirstDate(int db, int* year, int* month, int* day, int* packedTime) {
  const sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  PutDate(d->first_date(), year, month, day, packedTime);
  return 0;
}
int GetLastDate(int db, int* year, int* month, int* day, int* packedTime) {
  const sq::WeatherDatabase* d = Db(db);
  if (d == nullptr) return SQ_BAD_HANDLE;
  PutDate(d->last_date(), year, month, day, packedTime);
  return 0;
}
int GetRecordType(int rec) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? r->Record().record_type : SQ_BAD_HANDLE;
}
int EditArchiveRecord(int db, int rec, int archiveNumber) {
  const sq::WeatherDataObject* r = Rec(rec);
  if (Db(db) == nullptr || r == nullptr) return SQ_BAD_HANDLE;
  if (archiveNumber < 0 || r->Record().record_type != sq::kRecordTypeArchive) return -1;
  const sq::RecordBytes bytes = r->GetRecordBytes();
  return ModuleHost::Get().Write([&](sq::WeatherDatabase& d) { return d.EditArchiveRecord(bytes, archiveNumber); }, -1);
}
int AppendArchiveRecord(int db, int rec) {
  const sq::WeatherDataObject* r = Rec(rec);
  if (Db(db) == nullptr || r == nullptr) return SQ_BAD_HANDLE;
  const auto& record = r->Record();
  if (record.record_type != sq::kRecordTypeArchive || record.packed_time < 1 || record.packed_time > 1440 ||
      !ValidDate(r->date.month, r->date.day, r->date.year)) {
    return -1;
  }
  sq::DateTime when = r->date;
  when.packed_time = record.packed_time;
  when.UnpackTime();
  const sq::RecordBytes bytes = r->GetRecordBytes();
  return ModuleHost::Get().Write([&](sq::WeatherDatabase& d) { return d.AppendRecord(bytes, when); }, -1);
}
static int WriteSummary(int db, int sum) {
  const sq::DailySummaryObject* s = Sum(sum);
  if (Db(db) == nullptr || s == nullptr) return SQ_BAD_HANDLE;
  if (!s->ValidData() || !ValidDate(s->Day().month, s->Day().day, s->Day().year)) return 0;
  return ModuleHost::Get().Write([&](sq::WeatherDatabase& d) { return sq::WriteDailySummary(d, *s); }, 0);
}
int EditSummaryRecord(int db, int sum) { return WriteSummary(db, sum); }
int AppendSummaryRecord(int db, int sum) { return WriteSummary(db, sum); }
int GetDailySummary(int db, int sum, int month, int day, int year) {
  sq::WeatherDatabase* d = Db(db);
  sq::DailySummaryObject* s = Sum(sum);
  if (d == nullptr || s == nullptr) return SQ_BAD_HANDLE;
  if (!ValidDate(month, day, year)) return 0;
  return sq::GetDailySummary(*d, *s, sq::DateTime(month, day, year));
}
int GetDailySummaryIndex(int db, int sum, int index) {
  sq::WeatherDatabase* d = Db(db);
  if (d == nullptr || Sum(sum) == nullptr) return SQ_BAD_HANDLE;
  if (index < 0 || static_cast<std::size_t>(index) >= d->date_list().size()) return SQ_BAD_INDEX;
  const std::int32_t key = d->date_list()[static_cast<std::size_t>(index)];
  return GetDailySummary(db, sum, (key >> 8) & 0xFF, key & 0xFF, key >> 16);
}

float GetWeatherData(int rec, uint32_t dataId, int native) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? r->GetWeatherData(sq::WeatherDataID(dataId), native != 0) : kBadHandleFloat;
}
int GetWeatherDataStr(int rec, uint32_t dataId, char* buf, int len) {
  const sq::WeatherDataObject* r = Rec(rec);
  if (r == nullptr) return SQ_BAD_HANDLE;
  if (buf == nullptr || len <= 0) return SQ_BAD_INDEX;
  r->GetWeatherDataStr(sq::WeatherDataID(dataId), Buffer(buf, len));
  return 0;
}
int SetWeatherData(int rec, uint32_t dataId, float value, int native) {
  sq::WeatherDataObject* r = Rec(rec);
  return r ? r->SetWeatherData(sq::WeatherDataID(dataId), value, native != 0) : SQ_BAD_HANDLE;
}
int SetRainData(int rec, int clicks, int collectorType) {
  sq::WeatherDataObject* r = Rec(rec);
  if (r == nullptr) return SQ_BAD_HANDLE;
  if (clicks < 0 || clicks > 4095 || collectorType < 0 || collectorType > 6) return 0;
  sq::DataRecord record = r->Record();
  record.rain = static_cast<std::uint16_t>(clicks | (collectorType << 12));
  r->SetRecord(record);
  return 1;
}
int GetRecordPackedTime(int rec) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? r->Record().packed_time : SQ_BAD_HANDLE;
}
int GetRecordDateStr(int rec, char* buf, int len) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? CopyOut(r->date.GetDateStr(), buf, len) : SQ_BAD_HANDLE;
}
int GetRecordTimeStr(int rec, char* buf, int len) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? CopyOut(r->GetTimeStr(), buf, len) : SQ_BAD_HANDLE;
}
int GetExportRecordTimeStr(int rec, char* buf, int len) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? CopyOut(r->GetExportTimeStr(), buf, len) : SQ_BAD_HANDLE;
}
int SetRecordDate(int rec, int month, int day, int year, int packedTime) {
  sq::WeatherDataObject* r = Rec(rec);
  if (r == nullptr) return SQ_BAD_HANDLE;
  if (!ValidDate(month, day, year) || packedTime < 1 || packedTime > 1440) return -1;
  r->date = sq::DateTime(month, day, year);
  r->date.packed_time = static_cast<std::int16_t>(packedTime);
  r->date.UnpackTime();
  sq::DataRecord record = r->Record();
  record.packed_time = static_cast<std::int16_t>(packedTime);
  r->SetRecord(record);
  return 0;
}
int GetNoteStatus(int rec) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? (r->HaveANote() ? 1 : 0) : SQ_BAD_HANDLE;
}
int SetNoteStatus(int rec, int on) {
  sq::WeatherDataObject* r = Rec(rec);
  if (r == nullptr) return SQ_BAD_HANDLE;
  if (on)
    r->AddNote();
  else
    r->RemoveNote();
  return 0;
}
int GetNoteFileName(int rec, char* buf, int len) {
  const sq::WeatherDataObject* r = Rec(rec);
  if (r == nullptr) return SQ_BAD_HANDLE;
  const sq::Station* s = ModuleHost::Get().CurrentStation();
  sq::DateTime when = r->date;
  when.packed_time = r->Record().packed_time;
  return CopyOut(sq::DataNotePath(s ? s->Folder() : std::string("."), when), buf, len);
}
int GetRecordEditStatus(int rec) {
  const sq::WeatherDataObject* r = Rec(rec);
  return r ? (r->GetEditStatus() ? 1 : 0) : SQ_BAD_HANDLE;
}
int SetRecordEditStatus(int rec, int on) {
  sq::WeatherDataObject* r = Rec(rec);
  if (r == nullptr) return SQ_BAD_HANDLE;
  r->SetEditStatus(on != 0);
  return 0;
}

float GetSummaryData(int sum, uint32_t dataId, int native) {
  const sq::DailySummaryObject* s = Sum(sum);
  return s ? s->GetWeatherData(sq::WeatherDataID(dataId), native != 0) : kBadHandleFloat;
}
int GetSummaryDataStr(int sum, uint32_t dataId, char* buf, int len) {
  const sq::DailySummaryObject* s = Sum(sum);
  if (s == nullptr) return SQ_BAD_HANDLE;
  if (buf == nullptr || len <= 0) return SQ_BAD_INDEX;
  s->GetWeatherDataStr(sq::WeatherDataID(dataId), Buffer(buf, len));
  return 0;
}
int GetSummaryTimeValue(int sum, uint32_t dataId) {
  const sq::DailySummaryObject* s = Sum(sum);
  return s ? s->GetTimeValue(sq::WeatherDataID(dataId)) : SQ_BAD_HANDLE;
}
int GetSummaryTimeStr(int sum, uint32_t dataId, char* buf, int len) {
  const sq::DailySummaryObject* s = Sum(sum);
  return s ? CopyOut(s->GetTimeStr(sq::WeatherDataID(dataId)), buf, len) : SQ_BAD_HANDLE;
}
int GetExportSummaryTimeStr(int sum, uint32_t dataId, char* buf, int len) {
  const sq::DailySummaryObject* s = Sum(sum);
  return s ? CopyOut(s->GetExportTimeStr(sq::WeatherDataID(dataId)), buf, len) : SQ_BAD_HANDLE;
}
int ResetSummary(int sum, int month, int day, int year) {
  sq::DailySummaryObject* s = Sum(sum);
  if (s == nullptr) return SQ_BAD_HANDLE;
  if (!ValidDate(month, day, year)) return -1;
  s->Reset(sq::DateTime(month, day, year));
  return 0;
}
int SummarizeDataRecord(int sum, int rec) {
  sq::DailySummaryObject* s = Sum(sum);
  const sq::WeatherDataObject* r = Rec(rec);
  if (s == nullptr || r == nullptr) return SQ_BAD_HANDLE;
  if (!r->ValidData()) return 0;
  return s->ProcessDataRecord(*r);
}
int FinalSummarizeData(int sum) {
  sq::DailySummaryObject* s = Sum(sum);
  return s ? s->FinalProcessData() : SQ_BAD_HANDLE;
}
int IsSameDate(int sum, int month, int day, int year) {
  const sq::DailySummaryObject* s = Sum(sum);
  if (s == nullptr) return SQ_BAD_HANDLE;
  if (!ValidDate(month, day, year)) return 0;
  return s->SameDate(sq::DateTime(month, day, year)) ? 1 : 0;
}

}  // extern "C"
