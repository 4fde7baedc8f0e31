#include "publish/network_logger.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>

#include "app/station.h"
#include "foundation/clock.h"
#include "publish/network_endpoints.h"
#include "publish/network_logger_packets.h"
#include "publish/tests/put_recorder.h"
#include "realtime/bulletin_data.h"

namespace sq {
namespace {

const NetworkAccount kAccount{{0xA1, 0xB2, 0xC3}, 0x01020304};

std::uint16_t BE16(const Packet& p, std::size_t at) { return static_cast<std::uint16_t>(p[at] << 8 | p[at + 1]); }

void ExpectHeader(const Packet& p, std::uint8_t type) {
  ASSERT_GE(p.size(), kPacketHeaderSize);
  const std::vector<std::uint8_t> want = {0, type, 0, 0, 0xA1, 0xB2, 0xC3, 0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(std::vector<std::uint8_t>(p.begin(), p.begin() + kPacketHeaderSize), want);
}

// A PacketPut that keeps the packets and answers with a fixed reply.
struct MemoryPut final : PacketPut {
  std::vector<Packet> sent;
  PutResult answer{true, kReplyAccepted, ""};
  PutResult Put(const std::string&, std::span<const std::uint8_t> body, int) override {
    sent.emplace_back(body.begin(), body.end());
    return answer;
  }
};

struct Logged {
  std::vector<std::string> lines;
  NetworkLoggerOptions Options(const std::string& url) {
    NetworkLoggerOptions o;
    o.account = kAccount;
    o.url = url;
    o.title = "Hilltop";
    o.local_address = {192, 168, 1, 20};
    o.upload_setting = 30;
    o.rain_collector = 1;
    o.unit_byte = 0x25;
    o.timeout_ms = 2000;
    o.log = [this](std::string_view text, std::string_view title) {
      lines.push_back(std::string(title) + ": " + std::string(text));
    };
    return o;
  }
};

std::vector<std::uint8_t> Record(int i) {
  std::vector<std::uint8_t> r(kConsoleRecordSize);
  std::iota(r.begin(), r.end(), static_cast<std::uint8_t>(i * 10));
  return r;
}

TEST(NetworkPackets, DerivedTemperaturesRoundHalfAwayFromZeroOr255) {
  const struct {
    float in;
    std::int16_t out;
  } rows[] = {{-3.5f, -4}, {3.5f, 4}, {-3.4f, -3}, {72.49f, 72}, {0.5f, 1}, {-32768.0f, 255}, {1e9f, 255}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(PacketTemperature(row.in), row.out);
  }
  RealTimeValues v;
  v.temps[0] = -3.5f;  // the other two stay missing
  const Packet p = MakeRealTimePacket(kAccount, v);
  EXPECT_EQ(BE16(p, 11), 0xFFFC);
  EXPECT_EQ(BE16(p, 13), 255);
  EXPECT_EQ(BE16(p, 15), 255);
}

TEST(NetworkPackets, RealTimeCarriesLoopBytesAndLoop2Values) {
  RealTimeValues v;
  for (std::size_t i = 0; i < kLoopPacketSize; ++i) v.loop[i] = static_cast<std::uint8_t>(i);
  v.loop2[0] = 32767;  // sent as -1
  v.loop2[1] = 255;    // sent as 65535
  v.loop2[2] = 0x1234;
  v.loop2[3] = -2;
  v.rain_collector = 1;
  v.unit_byte = 0x25;
  Packet p = MakeRealTimePacket(kAccount, v);
  ASSERT_EQ(p.size(), 120u);
  ExpectHeader(p, 2);
  for (std::size_t i = 0; i < 92; ++i) ASSERT_EQ(p[20 + i], i + 3) << i;
  EXPECT_EQ(BE16(p, 112), 0xFFFF);
  EXPECT_EQ(BE16(p, 114), 0xFFFF);
  EXPECT_EQ(BE16(p, 116), 0x1234);
  EXPECT_EQ(BE16(p, 118), 0xFFFE);
  EXPECT_EQ(p[17], 0);  // not a 15th packet: no collector or unit byte
  EXPECT_EQ(p[18], 0);
  EXPECT_EQ(p[19], 0);
  v.every_15th = true;
  p = MakeRealTimePacket(kAccount, v);
  EXPECT_EQ(p[17], 1);
  EXPECT_EQ(p[18], 1);
  EXPECT_EQ(p[19], 0x25);
}

TEST(NetworkPackets, SetupStartHiLowsAndClearLayouts) {
  SetupValues s;
  s.latitude = -33.86f;
  s.longitude = 151.2f;
  s.elevation_ft = 120;
  s.firmware_date = "Apr 24 2002";
  s.model = 5;
  s.rain_collector = 2;
  s.unit_byte = 7;
  s.address = {10, 0, 0, 9};
  const Packet setup = MakeSetupPacket(kAccount, s);
  ASSERT_EQ(setup.size(), 64u);
  ExpectHeader(setup, 1);
  EXPECT_EQ(static_cast<std::int16_t>(BE16(setup, 11)), -339);
  EXPECT_EQ(BE16(setup, 13), 1512);
  EXPECT_EQ(std::string(setup.begin() + 25, setup.begin() + 36), "Apr 24 2002");
  EXPECT_EQ(setup[36], 5);
  EXPECT_EQ(setup[37], 2);
  EXPECT_EQ(setup[38], 7);
  EXPECT_EQ(setup[39], 0);
  EXPECT_EQ(std::vector<std::uint8_t>(setup.begin() + 40, setup.begin() + 44),
            (std::vector<std::uint8_t>{10, 0, 0, 9}));
  EXPECT_TRUE(std::all_of(setup.begin() + 44, setup.begin() + 62, [](auto b) { return b == 0; }));
  EXPECT_EQ(setup[62], 1);
  EXPECT_EQ(setup[63], 255);

  const Packet start = MakeArchiveStartPacket(kAccount, 30, {192, 168, 1, 20});
  const std::vector<std::uint8_t> start_body = {30, 0, 192, 168, 1, 20, 0};
  ASSERT_EQ(start.size(), 18u);
  ExpectHeader(start, 6);
  EXPECT_EQ(std::vector<std::uint8_t>(start.begin() + 11, start.end()), start_body);

  std::vector<std::uint8_t> block(kHiLowsBlockSize);
  std::iota(block.begin(), block.end(), 0);
  const Packet one = MakeHiLowPacket1(kAccount, block);
  const Packet two = MakeHiLowPacket2(kAccount, block);
  ASSERT_EQ(one.size(), 147u);
  ASSERT_EQ(two.size(), 321u);
  ExpectHeader(one, 4);
  ExpectHeader(two, 5);
  EXPECT_TRUE(std::equal(one.begin() + 11, one.end(), block.begin()));
  EXPECT_TRUE(std::equal(two.begin() + 11, two.begin() + 311, block.begin() + 136));
  EXPECT_TRUE(std::all_of(two.begin() + 311, two.end(), [](auto b) { return b == 0; }));  // no CRC bytes
  const Packet clear = MakeClearHiLowPacket2(kAccount);
  ASSERT_EQ(clear.size(), 321u);
  ExpectHeader(clear, 5);
  EXPECT_TRUE(std::all_of(clear.begin() + 11, clear.end(), [](auto b) { return b == 255; }));
}

TEST(NetworkPackets, OlderFamiliesRealTimeAndHighsAndLowsLayouts) {
  RealTimeValues common;
  common.temps[0] = 50.4f;
  common.every_15th = true;
  common.rain_collector = 2;
  common.unit_byte = 0x25;
  OlderRealTime v;
  v.model = 1;
  v.record.outside_temp = -35;
  v.record.inside_temp = 701;
  v.record.outside_hum = 55;
  v.record.inside_hum = 41;
  v.record.barometer = 29921;
  v.record.wind_speed = 7;
  v.record.wind_dir = 270;
  v.record.day_rain = 12;
  v.record.year_rain = 1234;
  v.record.rain_rate = 40;
  v.record.transmitter_battery = 3;
  v.avg_wind_10 = 5;
  v.high_wind_10 = 12;
  v.hour = 14;
  v.minute = 31;
  v.hour_rain_clicks = 6;
  const Packet p = MakeOlderRealTimePacket(kAccount, common, v);
  ASSERT_EQ(p.size(), 120u);
  ExpectHeader(p, 2);
  EXPECT_EQ(BE16(p, 11), 50);
  EXPECT_EQ(BE16(p, 13), 255);
  EXPECT_EQ(p[17], 1);
  EXPECT_EQ(p[18], 2);
  EXPECT_EQ(p[19], 0x25);
  const std::vector<std::uint8_t> readings = {1,  0xFF, 0xDD, 0x02, 0xBD, 55, 41, 0x74, 0xE1, 7, 0x01, 0x0E, 5,
                                              12, 14,   31,   0,    6,    0,  12, 0x04, 0xD2, 0, 40,   3};
  EXPECT_EQ(std::vector<std::uint8_t>(p.begin() + 20, p.begin() + 45), readings);
  for (std::size_t i = 45; i < 112; ++i) ASSERT_EQ(p[i], 0) << i;
  EXPECT_EQ(BE16(p, 112), 0xFFFF);  // no LOOP2 values: their "none" forms

  OlderHighLows hl{};
  hl[static_cast<std::size_t>(OlderExtreme::kOutsideTemp)] = {815, 785, -12, 300};
  hl[static_cast<std::size_t>(OlderExtreme::kRainRate)] = {40, 600, -32768, -1};
  const Packet h = MakeOlderHiLowPacket(kAccount, hl);
  ASSERT_EQ(h.size(), 147u);
  ExpectHeader(h, 4);
  EXPECT_EQ(BE16(h, 11), 815);
  EXPECT_EQ(BE16(h, 13), 785);
  EXPECT_EQ(BE16(h, 15), 0xFFF4);
  EXPECT_EQ(BE16(h, 17), 300);
  EXPECT_EQ(BE16(h, 19), 0x8000);  // inside temperature: none
  EXPECT_EQ(BE16(h, 21), 0xFFFF);
  EXPECT_EQ(BE16(h, 11 + 9 * 8), 40);
  EXPECT_EQ(BE16(h, 11 + 9 * 8 + 4), 0x8000);
  for (std::size_t i = 91; i < 147; ++i) ASSERT_EQ(h[i], 0) << i;
}

TEST(NetworkLogger, OlderConsoleUploadIsRealTimeThenHighsAndLows) {
  Station older;
  ASSERT_EQ(older.SetStationModel(1), 0);
  older.record().rain_type = 1;  // 0.01 in
  BulletinData d;
  FakeClock clock(1718460000000, 0);
  const int speeds[] = {4, 10, 6};
  for (int i = 0; i < 3; ++i) {
    LoopRecord r;
    r.outside_temp = static_cast<std::int16_t>(700 + 50 * i);
    r.outside_hum = 50;
    r.wind_speed = static_cast<std::uint8_t>(speeds[i]);
    r.day_rain = static_cast<std::int16_t>(i);
    d.Update(r, BulletinSiteFrom(older), clock.UnixMs(), clock.LocalNow());
    clock.Advance(60 * 1000);
  }
  OlderRealTime v;
  OlderHighLows hl;
  OlderUploadValues(d, older, &v, &hl);
  EXPECT_EQ(v.model, 1);
  EXPECT_EQ(v.record.outside_temp, 800);
  EXPECT_EQ(v.avg_wind_10, 7);  // (4 + 10 + 6) / 3, rounded
  EXPECT_EQ(v.high_wind_10, 10);
  EXPECT_EQ(v.hour, 14);
  EXPECT_EQ(v.minute, 2);
  const OlderHighLow& out = hl[static_cast<std::size_t>(OlderExtreme::kOutsideTemp)];
  EXPECT_EQ(out.high, 800);
  EXPECT_EQ(out.high_minute, 14 * 60 + 2);
  EXPECT_EQ(out.low, 700);
  EXPECT_EQ(out.low_minute, 14 * 60);

  MemoryPut put;
  Logged logged;
  NetworkLogger logger(put, logged.Options("http://127.0.0.1:9/bin.php"));
  ASSERT_EQ(logger.ServiceOlderLoop(v, hl), kSendOk);
  ASSERT_EQ(put.sent.size(), 2u);
  EXPECT_EQ(put.sent[0][1], 2);
  EXPECT_EQ(put.sent[0].size(), 120u);
  EXPECT_EQ(put.sent[1][1], 4);
  EXPECT_EQ(BE16(put.sent[1], 11), 800);
}

TEST(NetworkLogger, EveryFifteenthRealTimePacketCarriesCollectorAndUnits) {
  MemoryPut put;
  Logged log;
  NetworkLogger logger(put, log.Options("http://127.0.0.1:9/bin.php"));
  LoopPacket loop{};
  LoopRecord record;
  for (int i = 0; i < 31; ++i) EXPECT_EQ(logger.ServiceSQIPLoop(loop, record), kSendOk);
  ASSERT_EQ(put.sent.size(), 31u);
  for (std::size_t i = 0; i < put.sent.size(); ++i) {
    const bool nth = (i + 1) % 15 == 0;
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(put.sent[i][17], nth ? 1 : 0);
    EXPECT_EQ(put.sent[i][18], nth ? 1 : 0);
    EXPECT_EQ(put.sent[i][19], nth ? 0x25 : 0);
  }
}

TEST(NetworkLogger, NothingIsSentWithoutAnEndpoint) {
  MemoryPut put;
  Logged log;
  NetworkLogger logger(put, log.Options(""));
  EXPECT_EQ(logger.ServiceSQIPLoop(LoopPacket{}, LoopRecord{}), kSendNotSetUp);
  logger.StartIPUpload();
  logger.CloseIPUpload();
  EXPECT_TRUE(put.sent.empty());
}

TEST(NetworkLogger, HighsAndLowsSendPartTwoOnlyWithExtraSensors) {
  std::vector<std::uint8_t> block(kHiLowsDataSize, 7);
  for (const bool extra : {false, true}) {
    MemoryPut put;
    Logged log;
    auto o = log.Options("http://127.0.0.1:9/bin.php");
    o.extra_sensors = extra;
    NetworkLogger logger(put, o);
    EXPECT_EQ(logger.SendIPHiLowPacket(block), kSendOk);
    ASSERT_EQ(put.sent.size(), extra ? 2u : 1u);
    EXPECT_EQ(put.sent[0][1], 4);
    if (extra) {
      EXPECT_EQ(put.sent[1][1], 5);
    }
  }
}

// ------------------------------------------------------------ against a local server

TEST(NetworkLoggerHttp, PutCarriesTheHeadersAndTheBody) {
  test::PutRecorder server;
  CurlPacketPut put;
  Logged log;
  NetworkLogger logger(put, log.Options(server.Url()));
  EXPECT_EQ(logger.SendIPClearHiLowPacket2(), kSendOk);
  const auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 1u);
  const auto& r = reqs[0];
  EXPECT_EQ(r.method, "PUT");
  EXPECT_EQ(r.path, "/bin.php");
  EXPECT_EQ(r.headers.at("user-agent"), "SQSW/600");
  EXPECT_EQ(r.headers.at("content-type"), "application/octet-stream");
  EXPECT_EQ(r.headers.at("content-length"), "321");
  EXPECT_EQ(r.headers.at("connection"), "close");
  EXPECT_EQ(r.headers.count("expect"), 0u);
  const Packet want = MakeClearHiLowPacket2(kAccount);
  EXPECT_EQ(r.body, std::string(want.begin(), want.end()));
  EXPECT_TRUE(log.lines.empty());
}

TEST(NetworkLoggerHttp, EightRecordsGoOutAsSevenAndOne) {
  test::PutRecorder server;
  server.set_reply("OK #SQ*\n");  // enough for the start packet only
  CurlPacketPut put;
  Logged log;
  NetworkLogger logger(put, log.Options(server.Url()));
  logger.StartIPUpload();
  server.set_reply(kReplyAccepted);
  std::vector<std::uint8_t> all;
  for (int i = 0; i < 8; ++i) {
    const auto r = Record(i);
    all.insert(all.end(), r.begin(), r.end());
    logger.PutRecordForIPUpload(ConsoleRecordBytes(r.data(), r.size()));
  }
  logger.CloseIPUpload();
  logger.CloseIPUpload();  // a second close sends nothing
  const auto reqs = server.requests();
  ASSERT_EQ(reqs.size(), 3u);
  EXPECT_EQ(reqs[0].body.size(), 18u);
  ASSERT_EQ(reqs[1].body.size(), 376u);
  ASSERT_EQ(reqs[2].body.size(), 64u);
  EXPECT_EQ(reqs[1].body[11], 7);
  EXPECT_EQ(reqs[2].body[11], 1);
  EXPECT_EQ(reqs[1].body.substr(12), std::string(all.begin(), all.begin() + 7 * 52));
  EXPECT_EQ(reqs[2].body.substr(12), std::string(all.begin() + 7 * 52, all.end()));
  EXPECT_EQ(logger.archive_sent(), 3);
  EXPECT_TRUE(log.lines.empty());

  // Start and close with nothing buffered: only the start packet.
  logger.StartIPUpload();
  logger.CloseIPUpload();
  EXPECT_EQ(server.requests().size(), 4u);
}

TEST(NetworkLoggerHttp, RepliesOtherThanTheAcceptanceAreRefusedAndLogged) {
  test::PutRecorder server;
  CurlPacketPut put;
  Logged log;
  NetworkLogger logger(put, log.Options(server.Url()));
  const struct {
    const char* reply;
    int type;
    int result;
  } rows[] = {
      {"0\n#SQ*\n", 5, kSendOk},          {"0\n#SQ*\n\n", 5, kSendRefused},  // exactly, for every packet but the start
      {"1\nbad key\n", 5, kSendRefused},  {"", 5, kSendRefused},
      {"welcome\n#SQ*\nbye", 6, kSendOk},  // the start packet needs the mark anywhere
      {"0\n#SQ\n", 6, kSendRefused},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.reply);
    server.set_reply(row.reply);
    log.lines.clear();
    const Packet p = row.type == 6 ? MakeArchiveStartPacket(kAccount, 30, {}) : MakeClearHiLowPacket2(kAccount);
    EXPECT_EQ(logger.SendPacket(p), row.result);
    EXPECT_EQ(log.lines.size(), row.result == kSendOk ? 0u : 1u);
    if (!log.lines.empty()) {
      EXPECT_EQ(log.lines[0].rfind("Hilltop: ", 0), 0u) << log.lines[0];
    }
  }
}

TEST(NetworkLoggerHttp, ASilentServerGivesTransportErrorWithinTheLimit) {
  test::PutRecorder server;
  server.set_silent(true);
  CurlPacketPut put;
  for (const bool log_more : {false, true}) {
    Logged log;
    auto o = log.Options(server.Url());
    o.timeout_ms = 300;
    o.log_more = log_more;
    NetworkLogger logger(put, o);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(logger.SendIPClearHiLowPacket2(), kSendTransport);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // A time-out is logged only with extended logging.
    EXPECT_EQ(log.lines.size(), log_more ? 1u : 0u);
  }
}

TEST(NetworkLoggerHttp, NoServerIsATransportErrorThatIsLogged) {
  int port = 0;
  {
    test::PutRecorder gone;  // a port nobody listens on any more
    port = std::stoi(gone.Url("").substr(17));
  }
  CurlPacketPut put;
  Logged log;
  NetworkLogger logger(put, log.Options("http://127.0.0.1:" + std::to_string(port) + "/bin.php"));
  EXPECT_EQ(logger.SendIPClearHiLowPacket2(), kSendTransport);
  EXPECT_EQ(log.lines.size(), 1u);
}

// ------------------------------------------------------------ endpoints

TEST(NetworkEndpoints, UrlsAreCheckedAndGetTheServicePath) {
  const struct {
    const char* in;
    const char* out;  // nullptr: refused
  } rows[] = {
      {"http://example.net", "http://example.net/bin.php"},
      {"https://example.net:8443/", "https://example.net:8443/bin.php"},
      {"http://127.0.0.1:9000/up/bin.php", "http://127.0.0.1:9000/up/bin.php"},
      {"ftp://example.net", nullptr},
      {"example.net", nullptr},
      {"http://", nullptr},
      {"http://exa mple.net", nullptr},
      {"http://:80/x", nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    std::string why;
    const auto url = NormalizeEndpoint(row.in, &why);
    if (row.out == nullptr) {
      EXPECT_FALSE(url);
      EXPECT_FALSE(why.empty());
    } else {
      ASSERT_TRUE(url) << why;
      EXPECT_EQ(*url, row.out);
    }
  }
}

TEST(NetworkEndpoints, FileRoundTripAndBadLines) {
  NetworkEndpoints e{"http://a.example/bin.php", "http://b.example/bin.php"};
  int bad = -1;
  const NetworkEndpoints back = ParseEndpoints(FormatEndpoints(e), &bad);
  EXPECT_EQ(back.production, e.production);
  EXPECT_EQ(back.staging, e.staging);
  EXPECT_EQ(bad, 0);
  const NetworkEndpoints odd =
      ParseEndpoints("junk\nproduction=ftp://x\nother=http://y\nstaging = http://s.example\r\n", &bad);
  EXPECT_EQ(bad, 3);
  EXPECT_EQ(odd.production, "");
  EXPECT_EQ(odd.staging, "http://s.example/bin.php");
  EXPECT_EQ(GetServerURL(odd, true), "http://s.example/bin.php");
  EXPECT_EQ(GetServerURL(odd, false), "");
}

}  // namespace
}  // namespace sq
