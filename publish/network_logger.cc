#include "publish/network_logger.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "foundation/prog_config_data.h"
#include "foundation/site.h"
#include "link/loop_packets.h"
#include "link/serial_session.h"
#include "publish/page_source.h"
#include "publish/reply_text.h"
#include "realtime/bulletin_data.h"
#include "realtime/realtime_manager.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kStatusOn = 39270;
constexpr std::uint32_t kStatusOff = 39271;
constexpr std::uint32_t kTransportError = 39276;
constexpr std::uint32_t kRefused = 39277;
constexpr std::uint32_t kArchiveGivenUp = 39278;

constexpr std::size_t kMaxReply = 64 * 1024;
constexpr std::size_t kMaxLoggedReply = 200;

using CurlEasy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using CurlList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

struct Upload {
  std::span<const std::uint8_t> body;
  std::size_t sent = 0;
  std::string* reply;
};

std::size_t OnRead(char* out, std::size_t size, std::size_t count, void* user) {
  auto* u = static_cast<Upload*>(user);
  const std::size_t n = std::min(size * count, u->body.size() - u->sent);
  std::copy_n(u->body.begin() + static_cast<std::ptrdiff_t>(u->sent), n, out);
  u->sent += n;
  return n;
}

std::size_t OnReply(char* data, std::size_t size, std::size_t count, void* user) {
  auto* u = static_cast<Upload*>(user);
  const std::size_t n = size * count;
  if (u->reply->size() + n > kMaxReply) return 0;  // ends the transfer
  u->reply->append(data, n);
  return n;
}

}  // namespace

// ------------------------------------------------------------------ transport

CurlPacketPut::CurlPacketPut() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

PutResult CurlPacketPut::Put(const std::string& url, std::span<const std::uint8_t> body, int timeout_ms) {
  PutResult result;
  CurlEasy curl(curl_easy_init(), &curl_easy_cleanup);
  curl_slist* list = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
  if (list != nullptr) list = curl_slist_append(list, "Connection: close");
  if (list != nullptr) list = curl_slist_append(list, "Expect:");
  CurlList headers(list, &curl_slist_free_all);
  if (!curl || !headers) {
    result.error = "the HTTP client could not be started";
    return result;
  }
  Upload u{body, 0, &result.body};
  char error[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);  // PUT
  curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(c, CURLOPT_READFUNCTION, &OnRead);
  curl_easy_setopt(c, CURLOPT_READDATA, &u);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnReply);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &u);
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout_ms));
  const CURLcode rc = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (rc == CURLE_OK) {
    result.answered = true;
  } else {
    result.error = error[0] != '\0' ? error : curl_easy_strerror(rc);
  }
  return result;
}

bool ReplyAccepted(int packet_type, std::string_view reply) {
  if (packet_type == kPacketArchiveStart) return reply.find(kReplyStartMark) != std::string_view::npos;
  return reply == kReplyAccepted;
}

// ------------------------------------------------------------------ settings

NetworkAccount AccountOf(const Station& station) {
  NetworkAccount a;
  const auto& mac = station.record().mac;
  a.device_id = {mac[3], mac[4], mac[5]};
  a.key = station.record().account_key;
  return a;
}

std::string GetLocalIP() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return "0.0.0.0";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return "0.0.0.0";
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, &freeaddrinfo);
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) return "0.0.0.0";
  return text;
}

Ipv4 ParseIpv4(const std::string& text) {
  in_addr a{};
  Ipv4 out{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return out;
  std::memcpy(out.data(), &a.s_addr, 4);  // network order: first octet first
  return out;
}

NetworkLoggerOptions MakeNetworkLoggerOptions(const Station& station, const NetworkEndpoints& endpoints, bool staging) {
  NetworkLoggerOptions o;
  o.account = AccountOf(station);
  o.url = GetServerURL(endpoints, staging);
  o.title = station.Name();
  o.local_address = ParseIpv4(GetLocalIP());
  o.log_more = gLogMore;
  o.upload_setting = station.record().logger_upload_575;
  o.rain_collector = static_cast<std::uint8_t>(station.GetIPRainCollectorType());
  o.unit_byte = progConfigData.MakeCorvaleUnitByte();
  o.extra_sensors = station.HaveLeafSoilOrExtra();
  return o;
}

NetworkLoggerOptions UploadOptionsFor(const Station& station) {
  std::string error;
  const NetworkEndpoints endpoints = LoadEndpoints(ProgramFolder(), &error);
  if (!error.empty()) (void)LogMessage(error, station.Name());
  return MakeNetworkLoggerOptions(station, endpoints, stagingServer);
}

bool UploadConfigured(const NetworkLoggerOptions& options) {
  static bool said = false;
  if (!options.url.empty()) return true;
  if (!said) (void)LogMessage(LoadString(string_id::kNetworkNoEndpoint), options.title);
  said = true;
  return false;
}

std::string UploadStatusLine(const Station& station, bool on) {
  const NetworkAccount a = AccountOf(station);
  char did[8];
  std::snprintf(did, sizeof did, "%02X%02X%02X", a.device_id[0], a.device_id[1], a.device_id[2]);
  return FormatText(LoadString(on ? kStatusOn : kStatusOff), std::string(LoadString(string_id::kProgramTitle)),
                    station.Name(), "DID", did);
}

// ------------------------------------------------------------------ sending

NetworkLogger::NetworkLogger(PacketPut& put, NetworkLoggerOptions options) : put_(put), opt_(std::move(options)) {}

void NetworkLogger::Log(std::string_view text) {
  if (opt_.log) {
    opt_.log(text, opt_.title);
  } else {
    (void)LogMessage(text, opt_.title);
  }
}

int NetworkLogger::SendPacket(std::span<const std::uint8_t> packet) {
  if (opt_.url.empty()) return kSendNotSetUp;
  const int type = packet.size() > packet_offset::kType ? packet[packet_offset::kType] : 0;
  const PutResult r = put_.Put(opt_.url, packet, opt_.timeout_ms);
  if (!r.answered) {
    if (r.error.find("timed out") == std::string::npos || opt_.log_more) {
      Log(FormatText(LoadString(kTransportError), type, r.error));
    }
    return kSendTransport;
  }
  if (ReplyAccepted(type, r.body)) return kSendOk;
  Log(FormatText(LoadString(kRefused), type, PrintableReply(r.body, kMaxLoggedReply)));
  return kSendRefused;
}

int NetworkLogger::ServiceSQIPLoop(const LoopPacket& loop, const LoopRecord& record) {
  if (opt_.url.empty()) return kSendNotSetUp;
  RealTimeValues v;
  DerivedTemperatures(record, v.temps);
  ++realtime_packets_;
  v.every_15th = realtime_packets_ % kUnitsEveryPackets == 0;
  v.rain_collector = opt_.rain_collector;
  v.unit_byte = opt_.unit_byte;
  v.loop = loop;
  v.loop2[0] = record.loop2_value22;
  v.loop2[1] = record.loop2_value54;
  v.loop2[2] = record.loop2_value58;
  v.loop2[3] = record.loop2_value20;
  return SendPacket(MakeRealTimePacket(opt_.account, v));
}

int NetworkLogger::ServiceOlderLoop(const OlderRealTime& values, const OlderHighLows& high_lows) {
  if (opt_.url.empty()) return kSendNotSetUp;
  RealTimeValues v;
  DerivedTemperatures(values.record, v.temps);
  ++realtime_packets_;
  v.every_15th = realtime_packets_ % kUnitsEveryPackets == 0;
  v.rain_collector = opt_.rain_collector;
  v.unit_byte = opt_.unit_byte;
  const int first = SendPacket(MakeOlderRealTimePacket(opt_.account, v, values));
  const int second = SendPacket(MakeOlderHiLowPacket(opt_.account, high_lows));
  return first != kSendOk ? first : second;
}

int NetworkLogger::SendIPHiLowPacket(std::span<const std::uint8_t> block) {
  if (opt_.url.empty()) return kSendNotSetUp;
  const int first = SendPacket(MakeHiLowPacket1(opt_.account, block));
  if (!opt_.extra_sensors) return first;
  const int second = SendPacket(MakeHiLowPacket2(opt_.account, block));
  return first != kSendOk ? first : second;
}

int NetworkLogger::SendIPSetupPacket(SetupValues values) {
  values.address = opt_.local_address;
  values.rain_collector = opt_.rain_collector;
  values.unit_byte = opt_.unit_byte;
  return SendPacket(MakeSetupPacket(opt_.account, values));
}

int NetworkLogger::SendIPClearHiLowPacket2() { return SendPacket(MakeClearHiLowPacket2(opt_.account)); }

void NetworkLogger::StartIPUpload() {
  buffer_.clear();
  buffer_.reserve(kMaxRecordsPerPacket * kConsoleRecordSize);
  archive_open_ = true;
  archive_no_answer_ = 0;
  SendArchivePacket(MakeArchiveStartPacket(opt_.account, opt_.upload_setting, opt_.local_address));
}

void NetworkLogger::SendArchivePacket(std::span<const std::uint8_t> packet) {
  if (archive_no_answer_ >= kMaxArchiveNoAnswer) {
    ++archive_failed_;
    return;
  }
  const int r = SendPacket(packet);
  if (r == kSendOk) {
    ++archive_sent_;
  } else {
    ++archive_failed_;  // not sent again
  }
  archive_no_answer_ = r == kSendTransport ? archive_no_answer_ + 1 : 0;
  if (archive_no_answer_ == kMaxArchiveNoAnswer) Log(LoadString(kArchiveGivenUp));
}

void NetworkLogger::SendBuffered() {
  if (buffer_.empty()) return;
  SendArchivePacket(MakeArchivePacket(opt_.account, buffer_));
  buffer_.clear();
}

void NetworkLogger::PutRecordForIPUpload(ConsoleRecordBytes record) {
  if (!archive_open_) return;
  buffer_.insert(buffer_.end(), record.begin(), record.end());
  if (buffer_.size() >= kMaxRecordsPerPacket * kConsoleRecordSize) SendBuffered();
}

void NetworkLogger::CloseIPUpload() {
  if (!archive_open_) return;
  SendBuffered();
  archive_open_ = false;
  std::vector<std::uint8_t>().swap(buffer_);
}

// ------------------------------------------------------------------ the console

namespace {

std::uint8_t MphByte(float display_speed) {
  if (IsNoValue(display_speed)) return 255;
  const float mph = DisplayUnits::ConvertSpeed(display_speed, DisplayUnits::kToInternal);
  if (IsNoValue(mph) || mph < 0.0f || mph > 254.0f) return 255;
  return static_cast<std::uint8_t>(std::lround(mph));
}

std::int16_t Whole(float v) {
  if (IsNoValue(v) || v < -32767.0f || v > 32767.0f) return -32768;
  return static_cast<std::int16_t>(std::lround(v));
}

}  // namespace

void OlderUploadValues(const BulletinData& data, const Station& station, OlderRealTime* values,
                       OlderHighLows* high_lows) {
  // The page values hold what is needed in internal units: the calibration offsets,
  // the wind of the last minutes in the live display unit, today's extremes.
  const PageData page = PageDataFromBulletin(data, station, true);
  OlderRealTime v;
  v.model = static_cast<std::uint8_t>(station.record().model);
  v.record = data.record;
  if (page.calibration) {
    const ConsoleCalibration& c = *page.calibration;
    LoopRecord& r = v.record;
    if (r.outside_temp != -32768) r.outside_temp = static_cast<std::int16_t>(r.outside_temp + c.outside_temp_tenths);
    if (r.inside_temp != -32768) r.inside_temp = static_cast<std::int16_t>(r.inside_temp + c.inside_temp_tenths);
    auto hum = [](std::uint8_t h, int offset) {
      return h > 100 ? h : static_cast<std::uint8_t>(std::clamp(h + offset, 0, 100));
    };
    r.outside_hum = hum(r.outside_hum, c.outside_hum);
    r.inside_hum = hum(r.inside_hum, c.inside_hum);
  }
  v.avg_wind_10 = MphByte(page.wind_avg[3]);
  v.high_wind_10 = MphByte(page.wind_high[3]);
  if (data.have_data) {
    v.hour = static_cast<std::uint8_t>(data.packet_minute / 60);
    v.minute = static_cast<std::uint8_t>(data.packet_minute % 60);
  }
  if (!IsNoValue(data.hour_rain)) {
    const BulletinUnitsScope scope(data.units);
    const int clicks = DisplayUnits::RainClicks(data.hour_rain, station.record().rain_type);
    v.hour_rain_clicks = clicks < 0 || clicks > 32767 ? -32768 : static_cast<std::int16_t>(clicks);
  }
  *values = v;

  OlderHighLows out{};
  if (page.day_high_lows) {
    const DayHighLows& d = *page.day_high_lows;
    const std::pair<OlderExtreme, DayQuantity> map[] = {
        {OlderExtreme::kOutsideTemp, DayQuantity::kOutsideTemp}, {OlderExtreme::kInsideTemp, DayQuantity::kInsideTemp},
        {OlderExtreme::kOutsideHum, DayQuantity::kOutsideHum},   {OlderExtreme::kInsideHum, DayQuantity::kInsideHum},
        {OlderExtreme::kDewPoint, DayQuantity::kDewPoint},       {OlderExtreme::kWindChill, DayQuantity::kWindChill},
        {OlderExtreme::kHeatIndex, DayQuantity::kHeatIndex},     {OlderExtreme::kBarometer, DayQuantity::kBarometer},
        {OlderExtreme::kWindSpeed, DayQuantity::kWindSpeed},     {OlderExtreme::kRainRate, DayQuantity::kRainRate},
    };
    for (const auto& [slot, q] : map) {
      // Outside and inside temperature in tenths, the barometer in thousandths.
      const float scale = slot == OlderExtreme::kOutsideTemp || slot == OlderExtreme::kInsideTemp ? 10.0f
                          : slot == OlderExtreme::kBarometer                                      ? 1000.0f
                                                                                                  : 1.0f;
      auto put = [&](const Extreme& e, std::int16_t& value, std::int16_t& minute) {
        if (IsNoValue(e.value)) return;
        value = Whole(e.value * scale);
        minute = value == -32768 ? -1 : static_cast<std::int16_t>(e.minute);
      };
      OlderHighLow& o = out[static_cast<std::size_t>(slot)];
      // Wind chill keeps only its low, wind speed and rain rate only their highs.
      if (slot != OlderExtreme::kWindChill) put(d.High(q), o.high, o.high_minute);
      if (slot != OlderExtreme::kWindSpeed && slot != OlderExtreme::kRainRate) put(d.Low(q), o.low, o.low_minute);
    }
  }
  *high_lows = out;
}

int UploadFromRealTime(NetworkLogger& logger, const RealTimeManager& manager, const Station& station) {
  if (!manager.haveData()) return kConsoleUnread;
  if (station.Corvale()) return logger.ServiceSQIPLoop(manager.lastLoopPacket(), manager.bulletin().record);
  OlderRealTime values;
  OlderHighLows high_lows;
  OlderUploadValues(manager.bulletin(), station, &values, &high_lows);
  return logger.ServiceOlderLoop(values, high_lows);
}

int UploadCurrentConditions(NetworkLogger& logger, SerialSession& session, HiLowsCache& hilows,
                            const Station& station) {
  LoopPackets loop(session);
  LoopRecord record;
  const int r = loop.GetLoopPackets(record, kLoopKindLoop);
  if (r != 0) return kConsoleUnread;
  if (!station.Corvale()) {
    BulletinData data;
    Clock& clock = Clock::Default();
    data.Update(record, BulletinSiteFrom(station), clock.UnixMs(), clock.LocalNow());
    OlderRealTime values;
    OlderHighLows high_lows;
    OlderUploadValues(data, station, &values, &high_lows);
    // One reading has no extremes of the day yet.
    high_lows = OlderHighLows{};
    return logger.ServiceOlderLoop(values, high_lows);
  }
  const LoopPacket packet = loop.lastLoopPacket();
  if (loop.Loop2Supported()) (void)loop.GetLoopPackets(record, kLoopKindLoop2);
  if (session.consoleFamily() == 3) {
    HiLowsBlock block{};
    if (loop.GetHiLows(block) == 0 && hilows.Update(block)) {
      (void)logger.SendIPHiLowPacket(std::span<const std::uint8_t>(block.data(), kHiLowsDataSize));
    }
  }
  return logger.ServiceSQIPLoop(packet, record);
}

}  // namespace sq
