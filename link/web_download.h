// WebDownload: fetches a station's archive from the web service its console uploads
// to, instead of over the console link, and stores it exactly as a download from the
// console is stored.
//
// Two requests to HOST/webdl.php, both with the time stamp of the newest stored record
// and the station's user and password (URL-encoded):
//   "&action=headers" answers text lines of keys and values ("Records=12",
//     "Model=16", "ArchiveInt=30", "CorvaleTX=1", "Date=24 4 2002", "MaxRecords=2560",
//     "ConsoleVer=1.90"); see ParseWebHeaders.
//   "&action=data" answers the new records as pages of five 52-byte records, 260 bytes
//     a page with nothing between them, within 30 seconds.
// The pages go into the dump buffer at the console's page stride (260 bytes, then 4
// bytes 0xFF) and are handed to ArchiveDownload, which stores them page by page with
// the daily summaries, the rain history, the journal of an interrupted download and
// the automatic export. A failed request or a stream that breaks off stores nothing.
//
// The station, the HTTP client and the clock must outlive the object.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/station.h"
#include "link/archive_download.h"
#include "link/http_client.h"
#include "link/link_clock.h"

namespace sq {

// Bytes of one page as the web service sends it: five records, nothing else.
inline constexpr std::size_t kWebPageSize = 260;
// Limits of the two requests.
inline constexpr int kWebRequestTimeoutMs = 30000;
inline constexpr std::size_t kWebHeadersMaxBytes = 16384;
inline constexpr char kWebDownloadScript[] = "webdl.php";

// The headers answer. Numbers that are missing or not numbers stay unset.
struct WebHeaders {
  std::optional<int> records;        // "Records": new records waiting
  std::optional<int> model;          // "Model": console model code
  std::optional<int> archive_int;    // "ArchiveInt": archive period, minutes
  std::optional<int> corvale_tx;     // "CorvaleTX": anemometer transmitter id, 1..8
  std::optional<FirmwareDate> date;  // "Date": the console firmware's date
  std::optional<int> max_records;    // "MaxRecords": the most the service keeps
  std::string console_ver;           // "ConsoleVer"
};

// Reads the headers answer: words separated by line ends, '=', blanks and tabs, taken
// as key, value pairs; "Date" takes three words (day month year; the month may also
// be a name, and "Apr 24 2002" is read too) or one word "D/M/Y" ("-" or "." also
// separate). Unknown keys are passed over; a number out of range (beyond ±2^31 or
// with trailing characters) leaves its key unset. Never fails; at most the first
// kWebHeadersMaxBytes bytes are looked at.
[[nodiscard]] WebHeaders ParseWebHeaders(std::string_view text);

// The request URL for `action` ("headers" or "data"); nothing when `host` is empty.
// `host` may be a bare host ("example.org", "127.0.0.1:8080"), or a URL with a scheme
// and a folder; "webdl.php" is added unless it already ends the path.
[[nodiscard]] std::optional<std::string> WebDownloadUrl(std::string_view host, const CorvaleStamp& stamp,
                                                        std::string_view user, std::string_view password,
                                                        std::string_view action);

// Lays `pages` pages of the data answer into `dump` (resized to pages × 264): each
// page's 260 bytes followed by four bytes 0xFF. False, leaving `dump` empty, when
// `body` holds fewer than pages × 260 bytes; bytes beyond them are ignored.
[[nodiscard]] bool FillDumpPages(std::span<const std::uint8_t> body, int pages, std::vector<std::uint8_t>& dump);

struct WebDownloadOptions {
  bool silent = false;         // unattended: no question, messages to the log
  FileSystem* fs = nullptr;    // the database's file system; null: the real one
  LinkClock* clock = nullptr;  // null: the real one
  DownloadHooks hooks;
};

// The answers to the two requests and what was made of them.
struct WebDownloadState {
  WebHeaders headers;
  CorvaleStamp stamp;
  int number_of_blocks = 0;
  int number_of_entries = 0;
  int records_transfered = -1;
};

class WebDownload {
 public:
  WebDownload(Station& station, HttpClient& http, WebDownloadOptions options);
  ~WebDownload();
  WebDownload(const WebDownload&) = delete;
  WebDownload& operator=(const WebDownload&) = delete;

  // The whole download; the results of ArchiveDownload::Run (kDownloadOk,
  // kDownloadNothingNew, kDownloadCancelled, kDownloadFailed, kDownloadPartial).
  [[nodiscard]] int Run();

  // The halves. Begin() takes the station's writer lock and opens the database;
  // SetupCorvaleWebDownload() asks the headers, checks them and asks the user
  // (kSetupConfirmed, kSetupFailed, kSetupNothingNew); GetCorvaleWebBlock() fetches
  // the pages and stores them (a result of Run).
  [[nodiscard]] bool Begin();
  [[nodiscard]] int SetupCorvaleWebDownload();
  [[nodiscard]] int GetCorvaleWebBlock();
  // The data request: fills `dump`; 0, -1 failed request, -2 broken stream.
  [[nodiscard]] int GetArchiveDataFromServer(std::vector<std::uint8_t>& dump);

  [[nodiscard]] const WebDownloadState& state() const { return st_; }
  [[nodiscard]] int records_stored() const;

  // The question asked before the transfer: its percentage is of the pages the
  // service keeps (MaxRecords / 5; the console's 512 when it gave none).
  [[nodiscard]] static std::string ConfirmText(int pages, int max_records, const std::string& station_name);

 private:
  class Session;
  void Message(std::string_view text, bool error);
  void Log(std::string_view text);
  [[nodiscard]] std::optional<std::string> Url(std::string_view action);

  Station& station_;
  HttpClient& http_;
  WebDownloadOptions opt_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<ArchiveDownload> archive_;
  WebDownloadState st_;
  bool cancelled_ = false;
};

// What `download FOLDER --web` runs: the web download of `station` with the real HTTP
// client and clock. `options` are those of the download from the console (silent,
// file system, hooks); the result is that of WebDownload::Run, and `records_stored`
// (when given) gets the number of records stored.
[[nodiscard]] int RunWebDownload(Station& station, const DownloadOptions& options, int* records_stored = nullptr);

}  // namespace sq
