// The web download against a small HTTP server on loopback that serves archive pages
// made by the simulator's archive generator, and its parsers on their own.
#include "link/web_download.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/station.h"
#include "database/data_record.h"
#include "database/weather_database.h"
#include "link/console_record.h"
#include "link/download_journal.h"
#include "link/http_client.h"
#include "link/tests/link_test_util.h"
#include "tools/console_sim/sim_data.h"

namespace sq {
namespace {

using sq::testing::TempDir;

// ---------------------------------------------------------------- loopback server

struct Reply {
  int status = 200;
  std::string body;
  std::size_t send_bytes = std::string::npos;  // body bytes sent before closing
  bool stall = false;                          // answer nothing until the client gives up
};

// One connection at a time; each request is answered by `handler` from its target
// ("/webdl.php?timestamp=...").
class LoopbackHttpServer {
 public:
  explicit LoopbackHttpServer(std::function<Reply(const std::string&)> handler) : handler_(std::move(handler)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(::listen(fd_, 8), 0);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackHttpServer() {
    ::shutdown(fd_, SHUT_RDWR);  // wakes accept()
    thread_.join();
    ::close(fd_);
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> targets() {
    std::lock_guard<std::mutex> l(mu_);
    return targets_;
  }

 private:
  void Serve() {
    for (;;) {
      const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) return;
      Answer(c);
      ::close(c);
    }
  }
  void Answer(int c) {
    std::string request;
    char buf[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n <= 0) return;
      request.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t a = request.find(' ');
    const std::size_t b = request.find(' ', a + 1);
    const std::string target = request.substr(a + 1, b - a - 1);
    {
      std::lock_guard<std::mutex> l(mu_);
      targets_.push_back(target);
    }
    const Reply r = handler_(target);
    if (r.stall) {
      while (::recv(c, buf, sizeof buf, 0) > 0) {
      }
      return;
    }
    std::string out = "HTTP/1.1 " + std::to_string(r.status) +
                      " X\r\nContent-Length: " + std::to_string(r.body.size()) + "\r\nConnection: close\r\n\r\n";
    out += r.body.substr(0, r.send_bytes);
    (void)!::send(c, out.data(), out.size(), MSG_NOSIGNAL);
  }

  std::function<Reply(const std::string&)> handler_;
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mu_;
  std::vector<std::string> targets_;
};

bool Has(const std::string& s, std::string_view part) { return s.find(part) != std::string::npos; }

// The data answer for `records` generated records: their bytes, five to a page.
std::string ArchiveBody(int records) {
  sim::ArchiveOptions o;
  o.records = records;
  std::string body;
  for (const auto& r : sim::MakeArchive(o)) body.append(reinterpret_cast<const char*>(r.data()), r.size());
  return body;
}

std::string HeadersBody(int records, int model = 16) {
  return "Records=" + std::to_string(records) + "\nModel=" + std::to_string(model) +
         "\nArchiveInt=30\nCorvaleTX=3\nDate=24 4 2002\nMaxRecords=100\nConsoleVer=1.90\n";
}

// Archive records of a station folder; `last` gets the newest.
int StoredRecords(const std::string& folder, std::optional<DataRecord>* last = nullptr) {
  WeatherDatabase db;
  if (db.OpenDatabase(folder, true) != kDbOk) return 0;
  int count = 0;
  for (const MonthEntry& m : db.months()) {
    for (std::int32_t n = m.first_record; n <= m.last_record; ++n) {
      RecordBytes bytes;
      if (db.GetRecord(&bytes, n) != kDbOk || bytes[0] != kRecordTypeArchive) continue;
      ++count;
      if (last) *last = DecodeDataRecord(bytes);
    }
  }
  return count;
}

class WebDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.path().string();
    station_.SetFolder(folder_);
    station_.SetName("Web");
    ASSERT_EQ(station_.SetStationModel(6), kStationOk);
    ASSERT_EQ(station_.SetWebUser("me & you"), kStationOk);
    ASSERT_EQ(station_.SetWebPassword("p@ss/w=1"), kStationOk);
  }

  int Download(LoopbackHttpServer& server) {
    EXPECT_EQ(station_.SetWebHost(server.host()), kStationOk);
    WebDownloadOptions o;
    o.clock = &clock_;
    o.hooks.message = [this](std::string_view text, bool error) { messages_.push_back({std::string(text), error}); };
    o.hooks.log = [this](std::string_view text) { log_.emplace_back(text); };
    o.hooks.confirm = [this](std::string_view question, std::string_view) {
      questions_.emplace_back(question);
      return true;
    };
    o.hooks.auto_export = [this](WeatherDatabase&, std::string* name) {
      *name = folder_ + "/download.txt";
      return export_result_;
    };
    WebDownload d(station_, http_, o);
    return d.Run();
  }
  bool Said(std::string_view text) const {
    for (const auto& [m, error] : messages_) {
      if (Has(m, text)) return true;
    }
    return false;
  }

  TempDir dir_;
  std::string folder_;
  Station station_;
  FakeLinkClock clock_;
  CurlHttpClient http_;
  std::vector<std::pair<std::string, bool>> messages_;
  std::vector<std::string> log_;
  std::vector<std::string> questions_;
  int export_result_ = 0;
};

TEST_F(WebDownloadTest, WholeDownloadThenNothingNew) {
  int records = 20;
  LoopbackHttpServer server([&](const std::string& target) {
    if (Has(target, "action=headers")) return Reply{200, HeadersBody(records)};
    return Reply{200, ArchiveBody(records)};
  });
  ASSERT_EQ(Download(server), kDownloadOk);
  std::optional<DataRecord> last;
  EXPECT_EQ(StoredRecords(folder_, &last), 20);
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->archive_interval, 30);                    // ArchiveInt
  EXPECT_EQ(last->flags_b & kFlagBTransmitterMask, 3 - 1);  // CorvaleTX
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(Has(questions_[0], "Transfer 4 pages (20%)")) << questions_[0];  // of MaxRecords / 5
  const auto t = server.targets();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0], "/webdl.php?timestamp=0&user=me%20%26%20you&pass=p%40ss%2Fw%3D1&action=headers");
  EXPECT_TRUE(Has(t[1], "&action=data"));

  // The second time the service has nothing newer than the stored records; it is asked
  // from the newest of them.
  records = 0;
  messages_.clear();
  EXPECT_EQ(Download(server), kDownloadNothingNew);
  EXPECT_TRUE(Said("No new data to download."));
  EXPECT_EQ(StoredRecords(folder_), 20);
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder_, true), kDbOk);
  const CorvaleStamp stamp = SetCorvaleDateTime(db);
  EXPECT_NE(stamp.date, 0);
  const std::uint32_t timestamp = (static_cast<std::uint32_t>(stamp.date) << 16) | stamp.time;
  EXPECT_TRUE(Has(server.targets().back(), "timestamp=" + std::to_string(timestamp) + "&"));
  EXPECT_EQ(server.targets().size(), 3u);  // no data request
}

// Issue 17: an automatic export that could not be written stays pending, and a later
// download that finds nothing new still fails while it cannot be written.
TEST_F(WebDownloadTest, NothingNewStillReportsAPendingExportThatFails) {
  int records = 20;
  LoopbackHttpServer server([&](const std::string& target) {
    if (Has(target, "action=headers")) return Reply{200, HeadersBody(records)};
    return Reply{200, ArchiveBody(records)};
  });
  station_.SetAutoExport(true);
  export_result_ = -1;
  ASSERT_EQ(Download(server), kDownloadStoredWithErrors);
  records = 0;
  EXPECT_EQ(Download(server), kDownloadStoredWithErrors);
  ASSERT_TRUE(ReadDownloadJournal(DefaultFileSystem(), folder_));
  EXPECT_TRUE(ReadDownloadJournal(DefaultFileSystem(), folder_)->export_pending);
  export_result_ = 0;
  EXPECT_EQ(Download(server), kDownloadNothingNew);
  EXPECT_FALSE(ReadDownloadJournal(DefaultFileSystem(), folder_));
}

TEST_F(WebDownloadTest, RecordsAlreadyStoredAreNotStoredAgain) {
  LoopbackHttpServer first([](const std::string& target) {
    if (Has(target, "action=headers")) return Reply{200, HeadersBody(10)};
    return Reply{200, ArchiveBody(10)};
  });
  ASSERT_EQ(Download(first), kDownloadOk);
  // A service that sends the whole archive again: only the ten newer records count.
  LoopbackHttpServer again([](const std::string& target) {
    if (Has(target, "action=headers")) return Reply{200, HeadersBody(20)};
    return Reply{200, ArchiveBody(20)};
  });
  ASSERT_EQ(Download(again), kDownloadOk);
  EXPECT_EQ(StoredRecords(folder_), 20);
}

TEST_F(WebDownloadTest, FailuresStoreNothing) {
  struct Case {
    const char* legend;
    Reply headers, data;
    const char* text;
  };
  const std::string pages = ArchiveBody(20);
  const Case cases[] = {
      {"headers refused", Reply{500, "oops"}, Reply{}, "Error getting data from the web server."},
      {"data refused", Reply{200, HeadersBody(20)}, Reply{404, "no"}, "Error getting data from the web server."},
      {"stream cut short", Reply{200, HeadersBody(20)}, Reply{200, pages, 600}, "TCP/IP : Communication error found."},
      {"stream short but complete", Reply{200, HeadersBody(20)}, Reply{200, pages.substr(0, 780)},
       "TCP/IP : Communication error found."},
      {"answer without records", Reply{200, "Wrong password\nModel=16\nArchiveInt=30\n"}, Reply{},
       "Error getting data from the web server."},
      {"bad model", Reply{200, HeadersBody(20, 2)}, Reply{}, "A Brisant II was found."},
      {"model not known", Reply{200, HeadersBody(20, 9)}, Reply{}, "The station model number was not recognized."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    messages_.clear();
    LoopbackHttpServer server(
        [&](const std::string& target) { return Has(target, "action=headers") ? c.headers : c.data; });
    log_.clear();
    EXPECT_EQ(Download(server), kDownloadFailed);
    EXPECT_TRUE(Said(c.text));
    for (const std::string& line : log_) EXPECT_FALSE(Has(line, "p@ss")) << line;
    EXPECT_EQ(StoredRecords(folder_), 0);
  }
}

TEST_F(WebDownloadTest, NoServerAndNoHost) {
  // A port that was just free: nothing listens there.
  int port = 0;
  {
    LoopbackHttpServer gone([](const std::string&) { return Reply{}; });
    port = std::stoi(gone.host().substr(10));
  }
  ASSERT_EQ(station_.SetWebHost("127.0.0.1:" + std::to_string(port)), kStationOk);
  WebDownloadOptions o;
  o.clock = &clock_;
  o.hooks.message = [this](std::string_view text, bool error) { messages_.push_back({std::string(text), error}); };
  o.hooks.log = [this](std::string_view text) { log_.emplace_back(text); };
  {
    WebDownload d(station_, http_, o);
    EXPECT_EQ(d.Run(), kDownloadFailed);
  }
  EXPECT_TRUE(Said("Error getting data from the web server."));
  ASSERT_FALSE(log_.empty());
  EXPECT_FALSE(Has(log_.back(), "p@ss")) << log_.back();  // the detail never shows the password

  ASSERT_EQ(station_.SetWebHost(""), kStationOk);
  WebDownload d(station_, http_, o);
  EXPECT_EQ(d.Run(), kDownloadFailed);
  EXPECT_TRUE(Said("No web download host"));
}

// ---------------------------------------------------------------- the HTTP client

// A clock that has moved past any limit by the second time it is read.
class JumpingClock final : public Clock {
 public:
  std::int64_t MonotonicMs() override { return (calls_++) * 31000; }
  void SleepMs(std::int64_t) override {}
  std::int64_t UnixMs() override { return 0; }
  WallClockTime LocalNow() override { return {}; }
  WallClockTime UtcNow() override { return {}; }

 private:
  std::int64_t calls_ = 0;
};

TEST(HttpClientTest, TimeLimitIsKeptOnTheInjectedClock) {
  LoopbackHttpServer server([](const std::string&) {
    Reply r;
    r.stall = true;
    return r;
  });
  JumpingClock clock;
  CurlHttpClient http(clock);
  HttpRequest request;
  request.url = "http://" + server.host() + "/x";
  const HttpResponse r = http.Get(request);
  EXPECT_EQ(r.outcome, HttpOutcome::kTimedOut) << r.error;
}

TEST(HttpClientTest, BodyIsCappedAndOnlyHttpIsFetched) {
  LoopbackHttpServer server([](const std::string&) { return Reply{200, std::string(100, 'x')}; });
  CurlHttpClient http;
  HttpRequest request;
  request.url = "http://" + server.host() + "/x";
  request.max_body = 40;
  HttpResponse r = http.Get(request);
  EXPECT_EQ(r.outcome, HttpOutcome::kTooLarge);
  EXPECT_EQ(r.body.size(), 40u);

  request.url = "file:///etc/passwd";
  r = http.Get(request);
  EXPECT_EQ(r.outcome, HttpOutcome::kNoAnswer);
  EXPECT_TRUE(r.body.empty());
}

// ---------------------------------------------------------------- parsers

TEST(WebDownloadUrlTest, HostFormsAndEncoding) {
  struct Case {
    const char* host;
    const char* url;
  };
  const CorvaleStamp stamp{0x3098, 1230};  // 2024-04-24 12:30
  const Case cases[] = {
      {"example.org", "http://example.org/webdl.php?timestamp=815269070&user=a%2Bb&pass=%C3%A9%20x&action=data"},
      {"https://example.org/dl/",
       "https://example.org/dl/webdl.php?timestamp=815269070&user=a%2Bb&pass=%C3%A9%20x&action=data"},
      {" 127.0.0.1:8080/webdl.php",
       "http://127.0.0.1:8080/webdl.php?timestamp=815269070&user=a%2Bb&pass=%C3%A9%20x&action=data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    EXPECT_EQ(WebDownloadUrl(c.host, stamp, "a+b", "\xC3\xA9 x", "data").value_or("none"), c.url);
  }
  EXPECT_FALSE(WebDownloadUrl(" / ", stamp, "", "", "data").has_value());
}

TEST(WebHeadersTest, KeysValuesAndDates) {
  const WebHeaders h = ParseWebHeaders(
      "Records=12\r\nModel=16\r\nArchiveInt=5\r\nCorvaleTX=2\r\nDate=15 3 2002\r\nMaxRecords=2560\r\n"
      "ConsoleVer=1.90\r\nExtra=thing\r\n");
  EXPECT_EQ(h.records, 12);
  EXPECT_EQ(h.model, 16);
  EXPECT_EQ(h.archive_int, 5);
  EXPECT_EQ(h.corvale_tx, 2);
  EXPECT_EQ(h.max_records, 2560);
  EXPECT_EQ(h.console_ver, "1.90");
  ASSERT_TRUE(h.date.has_value());
  EXPECT_EQ(h.date->year * 10000 + h.date->month * 100 + h.date->day, 20020315);

  struct DateCase {
    const char* text;
    int ymd;  // 0: no date
  };
  const DateCase dates[] = {
      {"Date=Apr 24 2002", 20020424},
      {"Date=24 Apr 2002", 20020424},
      {"Date=24/4/2002", 20020424},
      {"Date=2002-04-24", 20020424},
      {"Date 24 4 02", 20020424},
      {"Date=31 13 2002", 0},
      {"Date=24 4", 0},
      {"Date=", 0},
      {"Date=x y z", 0},
  };
  for (const DateCase& c : dates) {
    SCOPED_TRACE(c.text);
    const auto d = ParseWebHeaders(c.text).date;
    EXPECT_EQ(d ? d->year * 10000 + d->month * 100 + d->day : 0, c.ymd);
  }

  // All on one line, a key without its value, numbers that are not numbers.
  const WebHeaders one = ParseWebHeaders("Records= Model=17 ArchiveInt=30x MaxRecords=99999999999 CorvaleTX=-1");
  EXPECT_FALSE(one.records.has_value());
  EXPECT_EQ(one.model, 17);
  EXPECT_FALSE(one.archive_int.has_value());
  EXPECT_FALSE(one.max_records.has_value());
  EXPECT_EQ(one.corvale_tx, -1);
  EXPECT_FALSE(ParseWebHeaders("<html>Service unavailable</html>").records.has_value());
}

TEST(WebPagesTest, PagesArePaddedIntoTheDumpBuffer) {
  std::vector<std::uint8_t> body(2 * kWebPageSize + 7);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<std::uint8_t>(i % 251);
  std::vector<std::uint8_t> dump;
  ASSERT_TRUE(FillDumpPages(body, 2, dump));
  ASSERT_EQ(dump.size(), 2 * kDumpPageStride);
  for (std::size_t p = 0; p < 2; ++p) {
    EXPECT_TRUE(std::equal(body.begin() + static_cast<long>(p * kWebPageSize),
                           body.begin() + static_cast<long>((p + 1) * kWebPageSize),
                           dump.begin() + static_cast<long>(p * kDumpPageStride)));
    for (std::size_t i = kWebPageSize; i < kDumpPageStride; ++i) EXPECT_EQ(dump[p * kDumpPageStride + i], 0xFF);
  }
  EXPECT_FALSE(FillDumpPages(std::span(body).first(2 * kWebPageSize - 1), 2, dump));
  EXPECT_TRUE(dump.empty());
  EXPECT_FALSE(FillDumpPages(body, kMaxDumpPages + 1, dump));
}

}  // namespace
}  // namespace sq
