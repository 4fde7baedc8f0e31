#include "link/archive_download.h"

#include <algorithm>
#include <cstdio>

#include "app/download_log.h"
#include "app/extra_settings.h"
#include "app/messages.h"
#include "database/daily_summary_ops.h"
#include "database/month_file.h"
#include "database/weather_data_object.h"
#include "link/comm_error.h"
#include "link/console_config.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::size_t kMaxErrorText = 39;
constexpr int kUnattendedTcpPauseMs = 1000;
constexpr int kNoPosition = -500;
// The whole exchange before the pages flow (wake-up, model, settings, the dump's
// question and answer) ends within this time, however the console answers.
constexpr int kSetupBoundMs = 15000;

std::string Text(std::uint32_t id) { return std::string(LoadString(id)); }

template <typename... A>
std::string Format(std::uint32_t id, A... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, Text(id).c_str(), args...);
  return buf;
}

DateTime DayOf(const DateTime& t) { return DateTime(t.month, t.day, t.year); }

DateTime RecordMoment(const DateTime& day, int packed_time) {
  DateTime d = DayOf(day);
  d.packed_time = static_cast<std::int16_t>(packed_time);
  d.UnpackTime();
  return d;
}

}  // namespace

ArchiveDownload::ArchiveDownload(Station& station, SerialSession& session, DownloadOptions options)
    : station_(station), session_(session), opt_(std::move(options)), folder_(station.Folder()) {}

ArchiveDownload::~ArchiveDownload() {
  db_.reset();  // writes the open month's header (nothing once the fence is closed)
  lock_.Release();
}

void DeliverDownloadMessage(const DownloadHooks& hooks, bool silent, std::string_view text, bool error) {
  if (hooks.message) {
    hooks.message(text, error);
    return;
  }
  const Attendance who = silent ? Attendance::kUnattended : Attendance::kAttended;
  if (error) {
    ErrorMessage(text, who);
  } else {
    Inform(text, who);
  }
}

void DeliverDownloadLog(const DownloadHooks& hooks, const Station& station, std::string_view text) {
  if (hooks.log) {
    hooks.log(text);
    return;
  }
  (void)LogMessage(text, station.Name());
}

void ArchiveDownload::Message(std::string_view text, bool error) {
  DeliverDownloadMessage(opt_.hooks, opt_.silent, text, error);
}

void ArchiveDownload::Log(std::string_view text) { DeliverDownloadLog(opt_.hooks, station_, text); }

void ArchiveDownload::RainHistoryUnreadable(const RainDatabase& rain) {
  if (rain_warned_) return;
  rain_warned_ = true;
  const std::string text = "The rain history could not be read (" + rain.error() +
                           "); it was left as it is and this download does not add to it.";
  Message(text, false);
  if (!opt_.silent) Log(text);  // unattended, the message itself goes to the log
}

void ArchiveDownload::CommError() { Message(DescribeCommError(session_), true); }

void ArchiveDownload::Progress() {
  if (!opt_.hooks.progress) return;
  DownloadProgress p;
  p.pages_done = st_.blocks_transferred;
  p.pages_total = st_.number_of_blocks;
  p.records_stored = records_stored();
  p.retries = st_.total_errors + st_.error_count;
  p.error_count = st_.error_count;
  p.last_error = st_.last_error_str;
  p.elapsed_ms = session_.clock().NowMs() - start_ms_;
  opt_.hooks.progress(p);
}

std::string ArchiveDownload::ConfirmText(int pages, const std::string& station_name) {
  const int percent = std::min(100, static_cast<int>(pages / static_cast<double>(kConsoleArchivePages) * 100.0 + 0.5));
  return Format(string_id::kDownloadConfirm, pages, percent, station_name.c_str());
}

std::vector<std::string> ArchiveDownload::FindConsoleType(int model) {
  std::vector<std::string> texts;
  if (model >= kConsoleModelMistraIII && model <= kConsoleModelSalvia) {
    texts.push_back(Text(string_id::kModelFoundFirst + static_cast<std::uint32_t>(model - kConsoleModelMistraIII)));
  } else if (model == kConsoleModelCorvalePro || model == kConsoleModelCorvaleLumo) {
    texts.push_back(
        Text(string_id::kModelFoundCorvalePro + static_cast<std::uint32_t>(model - kConsoleModelCorvalePro)));
  } else {
    texts.push_back(Text(string_id::kModelUnknown));
  }
  texts.push_back(Text(string_id::kModelExpectsOther));
  texts.push_back(Text(model >= kConsoleModelMistraIII && model <= kConsoleModelOrvellineII
                           ? string_id::kModelCheckSelection
                           : string_id::kModelWillNotOperate));
  return texts;
}

int ArchiveDownload::FirstEntry(int first) {
  if (first >= 0 && first < static_cast<int>(kRecordsPerPage)) return first;
  // Skipping records on a console's word would lose them for good; reading the whole
  // first page costs nothing, since records already stored are left out by their time.
  if (!first_entry_logged_) {
    Log("The console named record " + std::to_string(first) + " of the first page as the first new one (0 to " +
        std::to_string(kRecordsPerPage - 1) + " expected); the whole page is read.");
  }
  first_entry_logged_ = true;
  return 0;
}

bool ArchiveDownload::SanePageCount(int pages) {
  if (pages >= 0 && pages <= kMaxDumpPages) return true;
  Message(Format(string_id::kDownloadTooManyPages, pages, kMaxDumpPages), true);
  return false;
}

// ---------------------------------------------------------------- begin and recovery

bool ArchiveDownload::Begin() {
  std::string error;
  if (!lock_.Acquire(folder_, &error)) {
    Message(Format(string_id::kDownloadLocked, error.c_str()), true);
    return false;
  }
  fence_ = std::make_unique<WriteFence>(files());
  db_ = std::make_unique<WeatherDatabase>(*fence_);
  if (db_->OpenDatabase(folder_) == kDbError) {
    db_unusable_ = true;
    Message(Format(string_id::kDownloadDatabaseOpenFailed, db_->last_error().c_str()), true);
    return false;
  }
  if (const MonthProblem* p = BlockingMonthProblem()) {
    db_unusable_ = true;
    Message(Format(string_id::kDownloadMonthDamaged, p->file_name.c_str(), p->message.c_str(), folder_.c_str()), true);
    return false;
  }
  if (!Recover()) {
    Message(Text(string_id::kDownloadDiskError), true);
    return false;
  }
  return true;
}

const MonthProblem* ArchiveDownload::BlockingMonthProblem() const {
  const int newest = db_->months().empty() ? 0 : db_->months().back().year * 12 + db_->months().back().month;
  for (const MonthProblem& p : db_->problems()) {
    int year = 0, month = 0;
    if (!ParseMonthFileName(p.file_name, &year, &month) || month < 1 || month > 12) continue;
    if (year * 12 + month >= newest) return &p;
  }
  return nullptr;
}

bool ArchiveDownload::Recover() {
  bool damaged = false;
  const auto journal = ReadDownloadJournal(files(), folder_, &damaged);
  if (!journal && !damaged) return true;
  // The rain of the records stored after the journal's moment is missing from rain.db
  // exactly when rain.db is still the file the journal saw.
  if (journal && station_.RainDbInUse() && journal->rain_fingerprint == RainFingerprint(files(), folder_)) {
    RainDatabase rain;
    (void)rain.Open(folder_);
    bool added = false;
    for (const MonthEntry& m : db_->months()) {
      if (journal->last_stored && (m.year < journal->last_stored->year ||
                                   (m.year == journal->last_stored->year && m.month < journal->last_stored->month))) {
        continue;
      }
      for (std::int32_t n = m.first_record; n <= m.last_record; ++n) {
        RecordBytes bytes;
        DateTime day;
        if (db_->GetRecord(&bytes, n) != kDbOk || db_->GetDateLastRead(&day) != 1) break;
        if (bytes[0] != kRecordTypeArchive) continue;
        const auto rec = DecodeDataRecord(bytes);
        if (!rec) continue;
        const DateTime when = RecordMoment(day, rec->packed_time);
        if (journal->last_stored && !(when > *journal->last_stored)) continue;
        rain.Put(WeatherDataObject(*rec, when));
        added = true;
      }
    }
    if (rain.unreadable()) {
      RainHistoryUnreadable(rain);
    } else if (added && rain.Save() != 0) {
      return false;  // keep the journal: the next run tries again
    }
  }
  if (const auto last = LastArchiveTime(*db_)) {
    (void)SummarizeDay(*db_, DayOf(*last), station_.GetSiteDescription());
    (void)db_->Sync();
  }
  // An export file that an earlier download could not write is written now; until it
  // is, the journal stays.
  if (journal && journal->export_pending && AutoExportOn() && !WriteAutoExport()) return true;
  if (RemoveDownloadJournal(files(), folder_)) Log(Text(string_id::kDownloadRecovered));
  return true;
}

// ---------------------------------------------------------------- setup

int ArchiveDownload::Setup() {
  LinkDeadline bound(session_.transport(), kSetupBoundMs);
  st_ = DownloadState{};
  st_.records_transfered = -1;
  cancelled_ = false;
  if (!session_.Open()) {
    CommError();
    return kSetupFailed;
  }
  // A console left in the middle of a dump by a program that died waits for an
  // answer to its last page and ignores wake-ups: ESC ends that dump. An idle console
  // takes the ESC as a stray byte.
  (void)session_.PutChar(kEsc);
  if (session_.WakeUp() != 1) {
    CommError();
    return kSetupFailed;
  }
  if (opt_.check_model) {
    const int model = session_.GetModelNo();
    if (model < 0) {
      CommError();
      return kSetupFailed;
    }
    if (station_.record().console_family != kFamilyCorvale) {
      Message(Text(string_id::kDownloadNotCurrentFamily), true);
      return kSetupFailed;
    }
    if (model != kConsoleModelCorvalePro && model != kConsoleModelCorvaleLumo) {
      const auto texts = FindConsoleType(model);
      Message(opt_.silent ? texts[0] + " " + texts[1] : texts[0] + "\n" + texts[1] + "\n" + texts[2], true);
      return kSetupFailed;
    }
  } else if (station_.record().console_family != kFamilyCorvale) {
    Message(Text(string_id::kDownloadNotCurrentFamily), true);
    return kSetupFailed;
  }

  ConsoleConfig config(session_, station_.record().model);
  TransmitterTable table;
  if (config.ReadTransmitters(table) != kConfigOk) {
    CommError();
    return kSetupFailed;
  }
  const int tx = AnemometerTransmitter(table);
  st_.corvale_tx = tx >= 1 && tx <= static_cast<int>(kTransmitterCount) ? tx - 1 : 0;

  FirmwareDate firmware;
  st_.layout =
      LayoutFlagsFor(session_.GetFirmwareDate(firmware) == 0 ? std::optional<FirmwareDate>(firmware) : std::nullopt);

  const int period = session_.GetArchivePeriod();
  if (period < 0) {
    CommError();
    return kSetupFailed;
  }
  st_.archive_period = period;
  std::uint8_t& stored = station_.record().extra[extra::kArchivePeriod - extra::kBase];
  if (stored != period) {
    stored = static_cast<std::uint8_t>(period);
    save_station_ = true;  // saved while the first page is on its way
  }

  std::string damaged_file;
  last_ = LastArchiveTime(*db_, &damaged_file);
  if (!damaged_file.empty()) {
    // Asking the console for everything after a damaged time would store records twice
    // or rewrite older days; the download goes on after the newest valid moment.
    Message("The month file " + damaged_file +
                " holds a record whose time is damaged or out of order; it was left "
                "as it is and the download continues after the newest valid record. Run 'stratoquill db check " +
                folder_ + "' to see what is wrong.",
            true);
  }
  last_flushed_ = last_;
  st_.stamp = StampFor(last_);
  int pages = 0, first = 0;
  if (session_.DumpAfter(st_.stamp.date, st_.stamp.time, pages, first) != 0) {
    CommError();
    return kSetupFailed;
  }
  (void)session_.PutChar(kEsc);  // this exchange only measured
  if (pages == 0) {
    SavePendingStation();
    Message(Text(string_id::kDownloadNoNewData), false);
    return kSetupNothingNew;
  }
  if (!SanePageCount(pages)) return kSetupFailed;
  st_.number_of_blocks = pages;
  st_.start_entry = FirstEntry(first);
  st_.number_of_entries = pages * static_cast<int>(kRecordsPerPage) - st_.start_entry;

  if (!opt_.silent) {
    if (opt_.hooks.confirm &&
        !opt_.hooks.confirm(ConfirmText(pages, station_.Name()), Text(string_id::kDownloadCaption))) {
      SavePendingStation();
      cancelled_ = true;
      return kSetupFailed;
    }
  } else if (session_.transport().settings().connection_type == kConnTcp) {
    session_.clock().SleepMs(kUnattendedTcpPauseMs);
    session_.ClearInput();
  }

  // The summary of the newest stored day is rebuilt from its records, so that the
  // day's new records continue it.
  const SiteDescription site = station_.GetSiteDescription();
  day_sum_ = std::make_unique<DailySummaryObject>();
  day_sum_->SetSite(site);
  if (last_) (void)LoadStoredDay(DayOf(*last_));

  ConversionContext ctx;
  ctx.archive_period = period;
  ctx.transmitter = st_.corvale_tx;
  ctx.rain_collector = station_.record().rain_type;
  ctx.layout = st_.layout;
  ctx.site = site;
  ctx.position_set = station_.record().lat_dms[0] != kNoPosition && station_.record().lon_dms[0] != kNoPosition &&
                     SitePositionSet(site);
  converter_ = std::make_unique<ConsoleRecordConverter>(ctx);
  if (station_.RainDbInUse()) {
    rain_ = std::make_unique<RainDatabase>();
    (void)rain_->Open(folder_);  // a missing file is created by the save
    if (rain_->unreadable()) {
      RainHistoryUnreadable(*rain_);
      rain_.reset();
    }
  }
  return kSetupConfirmed;
}

bool ArchiveDownload::LoadStoredDay(const DateTime& day) {
  day_sum_->Reset(day);
  const int count = db_->GotoDay(day.month, day.day, day.year);
  if (count <= 0) return false;
  for (int i = 0; i < count; ++i) {
    RecordBytes bytes;
    if (db_->GetRecord(&bytes) != kDbOk) break;
    if (bytes[0] != kRecordTypeArchive) continue;
    const auto rec = DecodeDataRecord(bytes);
    if (!rec || rec->packed_time < 1 || rec->packed_time > 1440) continue;  // a damaged time
    (void)day_sum_->ProcessDataRecord(WeatherDataObject(*rec, RecordMoment(day, rec->packed_time)));
  }
  return true;
}

// ---------------------------------------------------------------- transfer

int ArchiveDownload::StartTransfer() {
  int pages = 0, first = 0;
  {
    LinkDeadline bound(session_.transport(), kSetupBoundMs);
    if (session_.DumpAfter(st_.stamp.date, st_.stamp.time, pages, first) != 0) {
      CommError();
      return -1;
    }
  }
  if (pages == 0) {
    Message(Text(string_id::kDownloadNoNewData), false);
    return 1;
  }
  if (!SanePageCount(pages)) {
    (void)session_.PutChar(kEsc);
    return -1;
  }
  st_.number_of_blocks = pages;
  st_.start_entry = FirstEntry(first);
  st_.number_of_entries = pages * static_cast<int>(kRecordsPerPage) - st_.start_entry;
  if (session_.AllocDumpBuffer(pages) != 0) {
    (void)session_.PutChar(kEsc);
    Message(Text(string_id::kDownloadNoMemory), true);
    return -1;
  }
  st_.blocks_transferred = 0;
  st_.error_count = 0;
  st_.total_errors = 0;
  st_.records_transfered = 0;
  start_ms_ = session_.clock().NowMs();
  session_.ClearInput();
  if (session_.PutChar(kAck) != 0) {
    CommError();
    session_.ResizeDumpBuffer();
    return -1;
  }
  // The console is sending the first page now; the files written meanwhile cost the
  // line nothing. The journal must exist before the first record is stored.
  DownloadJournal journal;
  journal.last_stored = last_;
  journal.rain_fingerprint = rain_ ? RainFingerprint(files(), folder_) : 0;
  if (!WriteDownloadJournal(files(), folder_, journal)) {
    (void)session_.PutChar(kEsc);
    session_.ResizeDumpBuffer();
    Message(Format(string_id::kDownloadNotStarted, (folder_ + "/" + kDownloadJournalName).c_str()), true);
    return -1;
  }
  SavePendingStation();
  Progress();
  return 0;
}

void ArchiveDownload::SavePendingStation() {
  if (save_station_ && station_.Save() != kStationOk) Log("STATION.CFG: the archive period could not be saved");
  save_station_ = false;
}

void ArchiveDownload::EndTransfer(bool escape) {
  if (escape) (void)session_.PutChar(kEsc);
  session_.ResizeDumpBuffer();
}

ArchiveDownload::Step ArchiveDownload::GetCorvaleBlock() {
  if (st_.blocks_transferred >= st_.number_of_blocks) return Step::kDone;
  std::uint8_t reply = kNak;
  const std::size_t offset = static_cast<std::size_t>(st_.blocks_transferred) * kDumpPageStride;
  const int r = session_.ReadDumpPage(st_.blocks_transferred & 0xFF, reply, offset);
  if (r == 0) {
    st_.total_errors += st_.error_count;
    st_.error_count = 0;
    (void)session_.PutChar(kAck);
    const int page = st_.blocks_transferred++;
    if (CorvaleBufferToDatabase(page) != 0) {
      EndTransfer(true);
      Message(Text(string_id::kDownloadDiskError), true);
      (void)FinishStoring();
      return Step::kFailed;
    }
    Progress();
    if (st_.blocks_transferred < st_.number_of_blocks) return Step::kMore;
    const bool stored = FinishStoring() == 0;
    if (stored && AutoExportOn()) (void)WriteAutoExport();
    EndTransfer(false);
    if (!stored) {
      Message(Text(string_id::kDownloadDiskError), true);
      return Step::kFailed;
    }
    return Step::kDone;
  }

  if (session_.LinkClosed()) {
    // A link that is gone does not come back by waiting for pages: one new connection
    // ends the console's dump, and the download stops with what it stored.
    const std::string why = DescribeCommError(session_);
    session_.transport().ClosePort();
    if (session_.Open()) (void)session_.PutChar(kEsc);
    const bool stored = FinishStoring() == 0;
    Message(stored ? Text(string_id::kDownloadLinkLost) + " " + why : Text(string_id::kDownloadDiskError), true);
    Progress();
    session_.ResizeDumpBuffer();
    return Step::kFailed;
  }
  ++st_.error_count;
  std::uint32_t text = string_id::kDownloadUnknownError;
  std::uint8_t answer = kNak;
  switch (r) {
    case kErrTimeout:
    case kErrNetRecvTimeout:
      text = string_id::kDownloadTimeOut;
      break;  // retried like an incomplete page
    case kErrIncomplete:
      text = string_id::kDownloadIncompleteBlock;
      break;
    case kErrReadFailed:
      text = string_id::kDownloadReadError;
      break;
    case kErrCrc:
      text = string_id::kDownloadCrcError;
      break;
    case kErrSequence:
      text = string_id::kDownloadBlockNumberError;
      answer = reply;
      break;
    case kErrMissedHeader:
      text = string_id::kDownloadMissedHeader;
      break;
    default:
      break;
  }
  (void)session_.PutChar(answer);
  st_.last_error_str = Text(text).substr(0, kMaxErrorText);
  if (st_.error_count < kMaxPageFailures) {
    Progress();
    return Step::kMore;
  }
  // Too many failures on one page: everything that arrived is already stored.
  (void)session_.PutChar(kEsc);
  const bool stored = FinishStoring() == 0;
  Message(Text(stored ? string_id::kDownloadGaveUp : string_id::kDownloadDiskError), true);
  Progress();
  session_.ResizeDumpBuffer();
  return Step::kFailed;
}

// ---------------------------------------------------------------- storing

int ArchiveDownload::CorvaleBufferToDatabase(int page) {
  if (store_failed_) return -1;
  uploading_ = uploading_ || opt_.hooks.upload != nullptr;
  const std::vector<std::uint8_t>& buf = session_.buffer();
  appended_in_page_ = false;
  const int first = page == 0 ? st_.start_entry : 0;
  for (int r = first; r < static_cast<int>(kRecordsPerPage); ++r) {
    const std::size_t at =
        static_cast<std::size_t>(page) * kDumpPageStride + static_cast<std::size_t>(r) * kConsoleRecordSize;
    if (at + kConsoleRecordSize > buf.size()) break;
    const ConsoleRecordBytes rec(buf.data() + at, kConsoleRecordSize);
    const auto when = ConsoleRecordTime(rec);
    if (!when) continue;
    // Records already stored, the unused part of the first page and stale slots.
    if (last_ && !(*when > *last_)) continue;
    last_ = when;
    if (StoreRecord(rec, *when, page * static_cast<int>(kRecordsPerPage) + r) != 0) {
      store_failed_ = true;
      break;
    }
  }
  if (!store_failed_ && appended_in_page_ && db_->Flush() != kDbOk) store_failed_ = true;
  if (store_failed_) {
    // Keep the disk at the last complete flush: no header may cover this page now.
    fence_->Close();
    page_rain_.clear();
    page_upload_.clear();
    return -1;
  }
  if (appended_in_page_) {
    last_flushed_ = last_;
    flushed_any_ = true;
  }
  if (rain_) {
    for (const auto& w : page_rain_) rain_->Put(w);
  }
  page_rain_.clear();
  // Only records that are on disk go out to the network.
  for (const auto& r : page_upload_) upload_records_.insert(upload_records_.end(), r.begin(), r.end());
  page_upload_.clear();
  return 0;
}

int ArchiveDownload::StoreRecord(ConsoleRecordBytes rec, const DateTime& when, int position) {
  const auto record = converter_->Convert(rec, when);
  if (!record) {
    Log(Format(string_id::kDownloadRecordNotPutAway, position));
    return 0;  // refused, not a write failure: the next records are still tried
  }
  const DateTime day = DayOf(when);
  if (!day_sum_->SameDate(day)) {
    if (day_sum_->GetEditStatus()) {
      (void)day_sum_->FinalProcessData();
      if (WriteDailySummary(*db_, *day_sum_) != 1) return -1;
    }
    // Moving to another month closes the open one, and a failure to write its header
    // there would go unnoticed: make the month's records durable first.
    const int month = day.year * 12 + day.month;
    if (open_month_ != 0 && month != open_month_ && db_->Flush() != kDbOk) return -1;
    open_month_ = month;
    // The day's two summary records go ahead of its archive records. A day that already
    // holds records keeps its summaries; they are recomputed from all its records when
    // the day is finished.
    if (!LoadStoredDay(day)) {
      if (WriteDailySummary(*db_, *day_sum_) != 1) return -1;
      wrote_any_ = true;
    }
  }
  WeatherDataObject w(*record, when);
  if (db_->AppendRecord(ToBytes(*record), when) != kDbOk) {
    Log(Format(string_id::kDownloadRecordNotPutAway, position));
    return -1;
  }
  (void)day_sum_->ProcessDataRecord(w);
  appended_in_page_ = true;
  wrote_any_ = true;
  ++st_.records_transfered;
  if (rain_) page_rain_.push_back(w);
  if (uploading_) page_upload_.emplace_back().assign(rec.begin(), rec.end());
  return 0;
}

void ArchiveDownload::UploadStoredRecords() {
  if (!uploading_) return;
  uploading_ = false;
  ArchiveUploadQueue& queue = *opt_.hooks.upload;
  queue.StartIPUpload();
  for (std::size_t at = 0; at + kConsoleRecordSize <= upload_records_.size(); at += kConsoleRecordSize) {
    queue.PutRecordForIPUpload(ConsoleRecordBytes(upload_records_.data() + at, kConsoleRecordSize));
  }
  queue.CloseIPUpload();
  std::vector<std::uint8_t>().swap(upload_records_);
}

int ArchiveDownload::FinishStoring() {
  bool ok = !store_failed_;
  if (ok && day_sum_ && day_sum_->GetEditStatus() && wrote_any_) {
    (void)day_sum_->FinalProcessData();
    if (WriteDailySummary(*db_, *day_sum_) != 1) ok = false;
  }
  if (ok && wrote_any_ && db_->Sync() != kDbOk) ok = false;
  if (!ok) {
    store_failed_ = true;
    fence_->Close();
  }
  (void)db_->GetFirstAndLastDates();
  rain_saved_ = !rain_ || rain_->Save() == 0;
  if (!rain_saved_) {
    // The journal stays: rain.db lacks this download's rain, which the next run adds.
    Report("The rain history " + rain_->path() + " could not be saved (" + rain_->error() +
           "); the next download adds this download's rain to it.");
    UploadStoredRecords();
    return ok ? 0 : -1;
  }
  if (ok && AutoExportOn()) {
    // Until the export file is written whole, the journal says it is still to be written.
    DownloadJournal journal;
    journal.last_stored = last_flushed_;
    journal.rain_fingerprint = rain_ ? RainFingerprint(files(), folder_) : 0;
    journal.export_pending = true;
    if (!WriteDownloadJournal(files(), folder_, journal)) {
      Report("The journal " + JoinPath(folder_, kDownloadJournalName) + " could not be written.");
    }
  } else if (ok || !flushed_any_) {
    // Nothing of this transfer reached the disk: the database is as it was before it.
    (void)RemoveDownloadJournal(files(), folder_);
  } else {
    // rain.db holds the rain of every flushed record: say so, and leave the last day's
    // summary to be recomputed by the next run.
    DownloadJournal journal;
    journal.last_stored = last_flushed_;
    journal.rain_fingerprint = rain_ ? RainFingerprint(files(), folder_) : 0;
    (void)WriteDownloadJournal(files(), folder_, journal);
  }
  // The console has sent its last page: the uploads cannot hold up the transfer now.
  UploadStoredRecords();
  return ok ? 0 : -1;
}

FileSystem& ArchiveDownload::files() const { return opt_.fs != nullptr ? *opt_.fs : DefaultFileSystem(); }

bool ArchiveDownload::AutoExportOn() const { return station_.AutoExport() && opt_.hooks.auto_export; }

bool ArchiveDownload::WriteAutoExport() {
  std::string name;
  if (opt_.hooks.auto_export(*db_, &name) == 0) {
    if (rain_saved_) (void)RemoveDownloadJournal(files(), folder_);
    return true;
  }
  Report(Format(string_id::kDownloadExportError, name.c_str()) +
         " It is written again by the next download or by 'stratoquill export-auto " + folder_ + "'.");
  // The journal remembers it (the one of a failed rain save gets the mark added).
  DownloadJournal journal;
  journal.last_stored = last_flushed_;
  journal.rain_fingerprint = rain_ ? RainFingerprint(files(), folder_) : 0;
  if (const auto on_disk = ReadDownloadJournal(files(), folder_)) journal = *on_disk;
  journal.export_pending = true;
  if (!WriteDownloadJournal(files(), folder_, journal)) {
    Report("The journal " + JoinPath(folder_, kDownloadJournalName) + " could not be written.");
  }
  return false;
}

void ArchiveDownload::Report(const std::string& text) {
  finished_with_errors_ = true;
  Message(text, true);
  if (!opt_.silent) Log(text);  // unattended, the message itself goes to the log
}

// ---------------------------------------------------------------- the whole download

int ArchiveDownload::Run() {
  if (!Begin()) return db_unusable_ ? kDownloadDbUnusable : kDownloadFailed;
  const int setup = Setup();
  if (setup == kSetupNothingNew) return NothingNewResult();
  if (setup != kSetupConfirmed) return cancelled_ ? kDownloadCancelled : kDownloadFailed;
  const int start = StartTransfer();
  if (start == 1) return NothingNewResult();
  if (start != 0) return kDownloadFailed;
  Step step = Step::kMore;
  while ((step = GetCorvaleBlock()) == Step::kMore) {
  }
  if (step == Step::kDone) return finished_with_errors_ ? kDownloadStoredWithErrors : kDownloadOk;
  return records_stored() > 0 ? kDownloadPartial : kDownloadFailed;
}

}  // namespace sq
