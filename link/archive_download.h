// ArchiveDownload: brings every console record newer than the station's newest stored
// record into its database, with the daily summaries, the rain history and the
// automatic export file.
//
// A download runs in two halves. Setup() wakes the console, checks its model, reads
// the anemometer transmitter, the firmware date (which selects the record layout) and
// the archive period, and asks the console how many pages are waiting ("DMPAFT", then
// ESC: the first exchange only measures); the user confirms unless the run is
// unattended. StartTransfer() asks again and lets the console send; GetCorvaleBlock()
// then reads one page per call, answering each with ACK (next), NAK (send again) or,
// to abandon, ESC.
//
// Every page that arrives intact is stored at once and the month header flushed, so an
// interrupted download (link lost, program killed, disk full) keeps every page stored
// before it, and the next download asks for exactly the records after the newest
// stored one. A failed write stops the storing (no later record may be stored past a
// lost one) and closes the database's file system for writes, so what is on disk stays
// at the last complete flush. See download_journal.h for the rain history and the
// last day's summary.
//
// One download per station folder at a time (WriterLock); a second one is refused.
// Every wait goes through the session's link clock. The session and the station must
// outlive the object.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/station.h"
#include "database/daily_summary_object.h"
#include "database/rain_database.h"
#include "database/weather_database.h"
#include "database/writer_lock.h"
#include "foundation/file_system.h"
#include "link/archive_upload.h"
#include "link/console_record.h"
#include "link/download_journal.h"
#include "link/download_progress.h"
#include "link/serial_session.h"

namespace sq {

// Setup results.
inline constexpr int kSetupConfirmed = 1;
inline constexpr int kSetupFailed = 2;  // link or model error, or the user cancelled
inline constexpr int kSetupNothingNew = 3;

// Run results.
inline constexpr int kDownloadOk = 0;
inline constexpr int kDownloadNothingNew = 1;
inline constexpr int kDownloadCancelled = 2;
inline constexpr int kDownloadFailed = -1;   // nothing could be fetched or stored
inline constexpr int kDownloadPartial = -2;  // stopped early; what arrived is stored
// The station's database could not be opened, or a damaged month file lies where the
// new records would go; nothing was asked of the console.
inline constexpr int kDownloadDbUnusable = -3;
// Every record is stored, but the automatic export file, the rain history or the
// journal could not be written (the message said which; the next download retries).
inline constexpr int kDownloadStoredWithErrors = -4;

// Consecutive failures on one page after which the download gives up.
inline constexpr int kMaxPageFailures = 21;

// How the download reaches the person using it. Every member may be left empty.
struct DownloadHooks {
  // A message box ("Error" when `error`, else "Please Note"); unattended: the log.
  std::function<void(std::string_view text, bool error)> message;
  // A line for the download log.
  std::function<void(std::string_view text)> log;
  // The confirmation question (OK/Cancel); empty: confirmed.
  std::function<bool(std::string_view question, std::string_view caption)> confirm;
  // After every page step.
  std::function<void(const DownloadProgress&)> progress;
  // Writes the automatic export file; 0 success, else -1 with `file_name` set.
  std::function<int(WeatherDatabase& db, std::string* file_name)> auto_export;
  // Receives every stored record when the station's archive upload is on (not owned;
  // must outlive the download). The records are handed over once the console has sent
  // its last page, so that slow uploads never keep the console waiting.
  ArchiveUploadQueue* upload = nullptr;
};

// Delivers a message or a log line through the hooks when set, else to the message
// helpers (`silent`: unattended, the message goes to the log) and the download log.
void DeliverDownloadMessage(const DownloadHooks& hooks, bool silent, std::string_view text, bool error);
void DeliverDownloadLog(const DownloadHooks& hooks, const Station& station, std::string_view text);

struct DownloadOptions {
  bool silent = false;       // unattended: no question, messages to the log
  bool check_model = true;   // ask the console for its model and refuse others
  FileSystem* fs = nullptr;  // the database's file system; null: the real one
  DownloadHooks hooks;
};

// The download's state, named after what a user sees in the progress window.
struct DownloadState {
  CorvaleStamp stamp;
  int number_of_blocks = 0;  // pages the console will send
  int start_entry = 0;       // first new record in the first page (0..4)
  int number_of_entries = 0;
  int blocks_transferred = 0;  // pages received; also the next sequence number
  int error_count = 0;         // consecutive failures on the current page
  int total_errors = 0;
  std::string last_error_str;   // at most 39 characters
  int records_transfered = -1;  // stored by this download; -1 while preparing
  LayoutFlags layout;
  int corvale_tx = 0;  // anemometer transmitter id - 1
  int archive_period = 0;
};

class ArchiveDownload {
 public:
  ArchiveDownload(Station& station, SerialSession& session, DownloadOptions options);
  ~ArchiveDownload();
  ArchiveDownload(const ArchiveDownload&) = delete;
  ArchiveDownload& operator=(const ArchiveDownload&) = delete;

  // The whole download: lock, recovery of an interrupted one, setup, transfer, storing.
  [[nodiscard]] int Run();

  // The halves, for callers that drive the steps themselves. Begin() takes the lock
  // and opens the database (false: refused, the message was given; database_unusable()
  // then tells whether the database was the reason).
  [[nodiscard]] bool Begin();
  [[nodiscard]] bool database_unusable() const { return db_unusable_; }
  [[nodiscard]] int Setup();
  // 0: the console is sending; -1: failed (the message was given).
  [[nodiscard]] int StartTransfer();
  enum class Step { kMore, kDone, kFailed };
  [[nodiscard]] Step GetCorvaleBlock();

  [[nodiscard]] const DownloadState& state() const { return st_; }
  [[nodiscard]] WeatherDatabase& database() { return *db_; }
  [[nodiscard]] int records_stored() const { return std::max(st_.records_transfered, 0); }
  // Something written after the records failed (see kDownloadStoredWithErrors).
  [[nodiscard]] bool finished_with_errors() const { return finished_with_errors_; }
  // The result of a download that found nothing new: a failure to write what an earlier
  // download left pending (the automatic export) still shows.
  [[nodiscard]] int NothingNewResult() const {
    return finished_with_errors_ ? kDownloadStoredWithErrors : kDownloadNothingNew;
  }

  // The question asked before the transfer.
  [[nodiscard]] static std::string ConfirmText(int pages, const std::string& station_name);
  // The texts explaining a model mismatch (model code from the console).
  [[nodiscard]] static std::vector<std::string> FindConsoleType(int model);

 private:
  void Message(std::string_view text, bool error);
  void Log(std::string_view text);
  void CommError();
  // Says once per download that the rain history cannot be read and is left alone.
  void RainHistoryUnreadable(const RainDatabase& rain);
  void Progress();
  // Stores the records of page `page` of the dump buffer: 0, or -1 when a write
  // failed (storing stops; the fence is closed).
  int CorvaleBufferToDatabase(int page);
  int StoreRecord(ConsoleRecordBytes rec, const DateTime& when, int position);
  // The file system of the station folder: the database is written through a fence over
  // it, the journal directly.
  [[nodiscard]] FileSystem& files() const;
  [[nodiscard]] bool AutoExportOn() const;
  // Writes the automatic export file; false (reported, and marked in the journal) when
  // it could not be written.
  bool WriteAutoExport();
  // An error message (and a log line) about something written after the records.
  void Report(const std::string& text);
  // Starts the summary of `day` from the records the database already holds for it;
  // false when it holds none (the summary is then empty).
  bool LoadStoredDay(const DateTime& day);
  // Finishes the last day's summary, syncs, saves the rain history, removes the journal,
  // then hands the stored records to the upload queue.
  int FinishStoring();
  void UploadStoredRecords();
  // Completes what an interrupted download left (journal found); false when rain.db
  // could not be saved (the journal stays).
  [[nodiscard]] bool Recover();
  void EndTransfer(bool escape);
  void SavePendingStation();
  [[nodiscard]] bool SanePageCount(int pages);
  // The first new record of the first page as the console names it; an index outside
  // the page is logged and read as 0.
  [[nodiscard]] int FirstEntry(int first);
  // A month file that could not be opened at or after the newest stored month: the
  // new records would belong in it.
  [[nodiscard]] const MonthProblem* BlockingMonthProblem() const;

  Station& station_;
  SerialSession& session_;
  DownloadOptions opt_;
  std::string folder_;
  std::unique_ptr<WriteFence> fence_;
  std::unique_ptr<WeatherDatabase> db_;
  WriterLock lock_;
  DownloadState st_;
  std::unique_ptr<DailySummaryObject> day_sum_;
  std::unique_ptr<ConsoleRecordConverter> converter_;
  std::unique_ptr<RainDatabase> rain_;
  std::vector<WeatherDataObject> page_rain_;            // stored records whose rain awaits the flush
  std::vector<std::vector<std::uint8_t>> page_upload_;  // stored records awaiting the flush
  std::vector<std::uint8_t> upload_records_;            // flushed records for the upload at the end (52 bytes each)
  std::optional<DateTime> last_;                        // newest stored (or skipped past) record
  std::optional<DateTime> last_flushed_;                // newest record made durable by a flush
  bool appended_in_page_ = false;
  int open_month_ = 0;  // year * 12 + month of the newest stored day
  bool wrote_any_ = false;
  bool cancelled_ = false;
  bool save_station_ = false;  // the archive period changed
  bool store_failed_ = false;
  bool rain_warned_ = false;
  bool rain_saved_ = true;
  bool finished_with_errors_ = false;  // see kDownloadStoredWithErrors
  bool first_entry_logged_ = false;
  bool flushed_any_ = false;  // a page's records were made durable in this transfer
  bool db_unusable_ = false;
  bool uploading_ = false;  // storing began with an upload queue, which awaits the records
  std::int64_t start_ms_ = 0;
};

}  // namespace sq
