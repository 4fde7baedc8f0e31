#include "link/web_download.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "app/download_log.h"
#include "app/messages.h"
#include "link/console_config_blocks.h"
#include "link/console_record.h"
#include "link/serial_session.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

// Texts shared with the download from the console.
// Texts of the web download.

constexpr int kMaxArchivePeriod = 255;  // minutes; the station keeps it in one byte

std::string Text(std::uint32_t id) { return std::string(LoadString(id)); }

template <typename... A>
std::string Format(std::uint32_t id, A... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, Text(id).c_str(), args...);
  return buf;
}

// ---------------------------------------------------------------- headers answer

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

enum class Key { kRecords, kModel, kArchiveInt, kCorvaleTx, kDate, kMaxRecords, kConsoleVer, kNone };

constexpr std::array<std::pair<std::string_view, Key>, 7> kKeys = {{
    {"Records", Key::kRecords},
    {"Model", Key::kModel},
    {"ArchiveInt", Key::kArchiveInt},
    {"CorvaleTX", Key::kCorvaleTx},
    {"Date", Key::kDate},
    {"MaxRecords", Key::kMaxRecords},
    {"ConsoleVer", Key::kConsoleVer},
}};

Key KeyOf(std::string_view word) {
  for (const auto& [name, key] : kKeys) {
    if (EqualNoCase(word, name)) return key;
  }
  return Key::kNone;
}

std::optional<int> Number(std::string_view word) {
  int v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc() || end != word.data() + word.size() || word.empty()) return std::nullopt;
  return v;
}

std::optional<int> MonthOf(std::string_view word) {
  static constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (word.size() >= 3) {
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
      if (EqualNoCase(word.substr(0, 3), kMonths[m])) return static_cast<int>(m) + 1;
    }
  }
  return Number(word);
}

bool IsMonthName(std::string_view word) { return !word.empty() && !Number(word) && MonthOf(word).has_value(); }

std::optional<FirmwareDate> DateOf(std::vector<std::string_view> parts) {
  if (parts.size() == 1) {
    // One word "D/M/Y", "D-M-Y", "D.M.Y" or "Y-M-D".
    std::vector<std::string_view> split;
    std::string_view rest = parts[0];
    while (split.size() < 4) {
      const std::size_t at = rest.find_first_of("/-.");
      split.push_back(rest.substr(0, at));
      if (at == std::string_view::npos) break;
      rest.remove_prefix(at + 1);
    }
    if (split.size() != 3) return std::nullopt;
    if (split[0].size() == 4) std::swap(split[0], split[2]);
    parts = split;
  }
  if (parts.size() != 3) return std::nullopt;
  if (IsMonthName(parts[0])) std::swap(parts[0], parts[1]);  // "Apr 24 2002"
  const auto day = Number(parts[0]);
  const auto month = MonthOf(parts[1]);
  auto year = Number(parts[2]);
  if (!day || !month || !year) return std::nullopt;
  if (*year >= 0 && *year < 100) *year += 2000;
  if (*day < 1 || *day > 31 || *month < 1 || *month > 12 || *year < 1990 || *year > 2127) return std::nullopt;
  return FirmwareDate{*year, *month, *day};
}

// The start of a server's text, fit for a log line: printable ASCII, at most 80.
std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text.substr(0, 80)) out += c >= ' ' && c <= '~' ? c : ' ';
  return out;
}

bool IsSeparator(char c) { return c == '\n' || c == '\r' || c == '=' || c == ' ' || c == '\t'; }

}  // namespace

WebHeaders ParseWebHeaders(std::string_view text) {
  if (text.size() > kWebHeadersMaxBytes) text = text.substr(0, kWebHeadersMaxBytes);
  std::vector<std::string_view> words;
  for (std::size_t i = 0; i < text.size();) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }

  WebHeaders h;
  for (std::size_t i = 0; i < words.size();) {
    const Key key = KeyOf(words[i++]);
    if (key == Key::kNone) continue;
    // The values run up to the next key, so a key without a value takes nothing
    // from its neighbour.
    std::vector<std::string_view> values;
    while (i < words.size() && KeyOf(words[i]) == Key::kNone) values.push_back(words[i++]);
    if (values.empty()) continue;
    const std::optional<int> n = Number(values[0]);
    switch (key) {
      case Key::kRecords:
        h.records = n;
        break;
      case Key::kModel:
        h.model = n;
        break;
      case Key::kArchiveInt:
        h.archive_int = n;
        break;
      case Key::kCorvaleTx:
        h.corvale_tx = n;
        break;
      case Key::kMaxRecords:
        h.max_records = n;
        break;
      case Key::kConsoleVer:
        h.console_ver = std::string(values[0].substr(0, 32));
        break;
      case Key::kDate:
        if (values.size() > 3) values.resize(3);
        h.date = DateOf(values);
        break;
      case Key::kNone:
        break;
    }
  }
  return h;
}

std::optional<std::string> WebDownloadUrl(std::string_view host, const CorvaleStamp& stamp, std::string_view user,
                                          std::string_view password, std::string_view action) {
  while (!host.empty() && (host.back() == '/' || host.back() == ' ')) host.remove_suffix(1);
  while (!host.empty() && host.front() == ' ') host.remove_prefix(1);
  if (host.empty()) return std::nullopt;
  std::string url;
  if (host.find("://") == std::string_view::npos) url = "http://";
  url += host;
  const std::string_view script = kWebDownloadScript;
  if (host.size() < script.size() || host.substr(host.size() - script.size()) != script) {
    url += '/';
    url += script;
  }
  const std::uint32_t timestamp = (static_cast<std::uint32_t>(stamp.date) << 16) | stamp.time;
  url += "?timestamp=" + std::to_string(timestamp);
  url += "&user=" + UrlEncode(user);
  url += "&pass=" + UrlEncode(password);
  url += "&action=";
  url += action;
  return url;
}

bool FillDumpPages(std::span<const std::uint8_t> body, int pages, std::vector<std::uint8_t>& dump) {
  dump.clear();
  if (pages < 0 || pages > kMaxDumpPages) return false;
  const auto n = static_cast<std::size_t>(pages);
  if (body.size() < n * kWebPageSize) return false;
  dump.assign(n * kDumpPageStride, 0xFF);
  for (std::size_t p = 0; p < n; ++p) {
    std::memcpy(dump.data() + p * kDumpPageStride, body.data() + p * kWebPageSize, kWebPageSize);
  }
  return true;
}

// ---------------------------------------------------------------- the session

// The web service's answers presented to ArchiveDownload as a console: what the
// download asks the console during its setup (transmitter table, firmware date,
// archive period, pages waiting) comes from the headers answer, and the pages come
// from the data answer. What the download sends back (ACK, ESC) goes nowhere.
namespace {

class NullChannel final : public CommProtocol {
 public:
  using CommProtocol::CommProtocol;
  int OpenPort() override {
    AttachFd(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    return fd() >= 0 ? 1 : 0;
  }
  int GetCharFromDev() override { return -1; }
  int CharAvailable() override { return 0; }
  int ClearReceiveBuffer() override { return 1; }
};

CommSettings NullSettings(LinkClock* clock) {
  CommSettings s;
  s.console_family = kFamilyCorvale;
  s.connection_type = kConnSerial;
  s.clock = clock;
  return s;
}

}  // namespace

class WebDownload::Session final : public SerialSession {
 public:
  explicit Session(LinkClock* clock)
      : SerialSession(NullSettings(clock), std::make_unique<NullChannel>(NullSettings(clock))) {}

  void SetHeaders(int transmitter, std::optional<FirmwareDate> firmware, int period, int pages) {
    transmitter_ = transmitter;
    firmware_ = firmware;
    period_ = period;
    pages_ = pages;
  }
  void SetPages(std::vector<std::uint8_t> dump) { dump_ = std::move(dump); }

  int WakeUp() override { return 1; }
  int ReadEeprom(std::uint8_t* out, int address, int length) override {
    if (address != eeprom::kTransmitters || length != static_cast<int>(kTransmitterTableSize)) return -1;
    TransmitterTable table;  // every id without a transmitter
    if (transmitter_ >= 1 && transmitter_ <= static_cast<int>(kTransmitterCount)) {
      table[static_cast<std::size_t>(transmitter_ - 1)].type = kTxTypeAnemometer;
    }
    std::array<std::uint8_t, kTransmitterTableSize> raw{};
    EncodeTransmitters(table, raw);
    std::memcpy(out, raw.data(), raw.size());
    return 0;
  }
  int GetFirmwareDate(FirmwareDate& date) override {
    date = firmware_.value_or(FirmwareDate{});
    return firmware_ ? 0 : -1;
  }
  int GetArchivePeriod() override { return period_; }
  int DumpAfter(std::uint16_t, std::uint16_t, int& pages, int& first_record) override {
    pages = pages_;
    first_record = 0;
    return 0;
  }
  int AllocDumpBuffer(int pages) override {
    if (pages < 0 || pages > kMaxDumpPages) return -1;
    buffer_.assign(std::max<std::size_t>(static_cast<std::size_t>(pages) * kDumpPageStride, kSessionBufferSize), 0);
    return 0;
  }
  int ReadDumpPage(int, std::uint8_t& reply, std::size_t offset) override {
    reply = kNak;
    if (offset + kDumpPageStride > dump_.size() || offset + kDumpPageStride > buffer_.size()) return kErrIncomplete;
    std::memcpy(buffer_.data() + offset, dump_.data() + offset, kDumpPageStride);
    reply = kAck;
    return 0;
  }

 private:
  int transmitter_ = 0;
  std::optional<FirmwareDate> firmware_;
  int period_ = -1;
  int pages_ = 0;
  std::vector<std::uint8_t> dump_;
};

// ---------------------------------------------------------------- the download

WebDownload::WebDownload(Station& station, HttpClient& http, WebDownloadOptions options)
    : station_(station), http_(http), opt_(std::move(options)) {}

WebDownload::~WebDownload() = default;

void WebDownload::Message(std::string_view text, bool error) {
  DeliverDownloadMessage(opt_.hooks, opt_.silent, text, error);
}

void WebDownload::Log(std::string_view text) { DeliverDownloadLog(opt_.hooks, station_, text); }

int WebDownload::records_stored() const { return archive_ ? archive_->records_stored() : 0; }

std::string WebDownload::ConfirmText(int pages, int max_records, const std::string& station_name) {
  const int max_pages = max_records >= static_cast<int>(kRecordsPerPage)
                            ? max_records / static_cast<int>(kRecordsPerPage)
                            : kConsoleArchivePages;
  const int percent = std::min(100, static_cast<int>(pages / static_cast<double>(max_pages) * 100.0 + 0.5));
  return Format(string_id::kDownloadConfirm, pages, percent, station_name.c_str());
}

std::optional<std::string> WebDownload::Url(std::string_view action) {
  return WebDownloadUrl(station_.WebHost(), st_.stamp, station_.WebUser(), station_.WebPassword(), action);
}

bool WebDownload::Begin() {
  session_ = std::make_unique<Session>(opt_.clock);
  DownloadOptions o;
  o.silent = opt_.silent;
  o.check_model = false;  // checked against the headers answer
  o.fs = opt_.fs;
  o.hooks = opt_.hooks;
  o.hooks.confirm = nullptr;  // asked here, with the service's capacity
  archive_ = std::make_unique<ArchiveDownload>(station_, *session_, std::move(o));
  return archive_->Begin();
}

int WebDownload::SetupCorvaleWebDownload() {
  st_ = WebDownloadState{};
  cancelled_ = false;
  if (station_.record().console_family != kFamilyCorvale) {
    Message(Text(string_id::kDownloadNotCurrentFamily), true);
    return kSetupFailed;
  }
  st_.stamp = SetCorvaleDateTime(archive_->database());
  const auto url = Url("headers");
  if (!url) {
    Message(Text(string_id::kWebNoHost), true);
    return kSetupFailed;
  }
  HttpRequest request;
  request.url = *url;
  request.timeout_ms = kWebRequestTimeoutMs;
  request.max_body = kWebHeadersMaxBytes;
  const HttpResponse answer = http_.Get(request);
  if (answer.outcome != HttpOutcome::kOk) {
    Message(Text(string_id::kWebRequestFailed), true);
    Log(Format(string_id::kWebDownloadDetail, station_.WebHost().c_str(), answer.error.c_str()));
    return kSetupFailed;
  }
  st_.headers = ParseWebHeaders(answer.body);
  const WebHeaders& h = st_.headers;
  const char* missing = !h.records || *h.records < 0 ? "no number of records (Records)"
                        : !h.model                   ? "no console model (Model)"
                        : !h.archive_int || *h.archive_int < 1 || *h.archive_int > kMaxArchivePeriod
                            ? "no archive interval (ArchiveInt)"
                            : nullptr;
  if (missing != nullptr) {
    Message(Text(string_id::kWebRequestFailed), true);
    Log(Format(string_id::kWebBadAnswer, missing, Printable(answer.body).c_str()));
    return kSetupFailed;
  }
  if (*h.model != kConsoleModelCorvalePro && *h.model != kConsoleModelCorvaleLumo) {
    const auto texts = ArchiveDownload::FindConsoleType(*h.model);
    Message(opt_.silent ? texts[0] + " " + texts[1] : texts[0] + "\n" + texts[1] + "\n" + texts[2], true);
    return kSetupFailed;
  }
  const int pages = *h.records / static_cast<int>(kRecordsPerPage);
  if (pages == 0) {
    Message(Text(string_id::kDownloadNoNewData), false);
    return kSetupNothingNew;
  }
  if (pages > kMaxDumpPages) {
    Message(Format(string_id::kWebTooManyRecords, *h.records, kMaxDumpPages * static_cast<int>(kRecordsPerPage)), true);
    return kSetupFailed;
  }
  st_.number_of_blocks = pages;
  st_.number_of_entries = pages * static_cast<int>(kRecordsPerPage);
  session_->SetHeaders(h.corvale_tx.value_or(0), h.date, *h.archive_int, pages);
  if (!opt_.silent && opt_.hooks.confirm &&
      !opt_.hooks.confirm(ConfirmText(pages, h.max_records.value_or(0), station_.Name()),
                          Text(string_id::kDownloadCaption))) {
    cancelled_ = true;
    return kSetupFailed;
  }
  return kSetupConfirmed;
}

int WebDownload::GetArchiveDataFromServer(std::vector<std::uint8_t>& dump) {
  dump.clear();
  const auto url = Url("data");
  if (!url) return -1;
  HttpRequest request;
  request.url = *url;
  request.timeout_ms = kWebRequestTimeoutMs;
  request.max_body = static_cast<std::size_t>(st_.number_of_blocks) * kWebPageSize;
  HttpResponse answer = http_.Get(request);
  std::string error = answer.error;
  int result = 0;
  switch (answer.outcome) {
    case HttpOutcome::kOk:
    case HttpOutcome::kTooLarge:  // records that arrived since the headers: the next download's
      break;
    case HttpOutcome::kCut:
      result = -2;
      break;
    default:
      result = -1;
      break;
  }
  if (result == 0) {
    const std::span<const std::uint8_t> body(reinterpret_cast<const std::uint8_t*>(answer.body.data()),
                                             answer.body.size());
    if (!FillDumpPages(body, st_.number_of_blocks, dump)) {
      result = -2;
      error = "the answer ended after " + std::to_string(answer.body.size()) + " of " +
              std::to_string(request.max_body) + " bytes";
    }
  }
  if (result != 0) Log(Format(string_id::kWebDownloadDetail, station_.WebHost().c_str(), error.c_str()));
  return result;
}

int WebDownload::GetCorvaleWebBlock() {
  std::vector<std::uint8_t> dump;
  const int fetched = GetArchiveDataFromServer(dump);
  if (fetched != 0) {
    Message(Text(fetched == -1 ? string_id::kWebRequestFailed : string_id::kWebStreamBroken), true);
    return kDownloadFailed;
  }
  session_->SetPages(std::move(dump));
  // From here the download from the console does the work: its setup reads what the
  // headers said, and every page is stored and flushed as it is taken.
  const int setup = archive_->Setup();
  if (setup == kSetupNothingNew) return archive_->NothingNewResult();
  if (setup != kSetupConfirmed) return kDownloadFailed;
  const int start = archive_->StartTransfer();
  if (start == 1) return archive_->NothingNewResult();
  if (start != 0) return kDownloadFailed;
  ArchiveDownload::Step step = ArchiveDownload::Step::kMore;
  while ((step = archive_->GetCorvaleBlock()) == ArchiveDownload::Step::kMore) {
  }
  st_.records_transfered = archive_->records_stored();
  if (step == ArchiveDownload::Step::kDone) {
    return archive_->finished_with_errors() ? kDownloadStoredWithErrors : kDownloadOk;
  }
  return records_stored() > 0 ? kDownloadPartial : kDownloadFailed;
}

int WebDownload::Run() {
  if (!Begin()) return archive_ && archive_->database_unusable() ? kDownloadDbUnusable : kDownloadFailed;
  const int setup = SetupCorvaleWebDownload();
  if (setup == kSetupNothingNew) return archive_->NothingNewResult();
  if (setup != kSetupConfirmed) return cancelled_ ? kDownloadCancelled : kDownloadFailed;
  return GetCorvaleWebBlock();
}

int RunWebDownload(Station& station, const DownloadOptions& options, int* records_stored) {
  CurlHttpClient http;
  WebDownloadOptions o;
  o.silent = options.silent;
  o.fs = options.fs;
  o.hooks = options.hooks;
  WebDownload download(station, http, std::move(o));
  const int result = download.Run();
  if (records_stored != nullptr) *records_stored = download.records_stored();
  return result;
}

}  // namespace sq
