// NetworkLogger: sends the packets of the upload to the maker's weather network, one
// HTTP PUT per packet, and applies the service's reply rules.
//
//   - A packet is accepted when the reply is exactly "0\n#SQ*\n"; the archive start
//     packet only needs "#SQ*\n" somewhere in it. Any other reply is written to the
//     program log (title: the station name) and gives kSendRefused.
//   - A transport failure gives kSendTransport. One that timed out is logged only with
//     extended logging (-m); every other one is logged with its text.
//
// Nothing here stops the program: a failed real-time packet is simply sent again next
// time, and archive packets that fail are dropped. Every request blocks for at most
// the time limit (10 s).
//
// The PacketPut and the log sink must outlive the logger. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/archive_upload.h"
#include "link/hilows.h"
#include "link/loop_record.h"
#include "publish/network_endpoints.h"
#include "publish/network_logger_packets.h"

namespace sq {

class BulletinData;
class RealTimeManager;
class Station;
class SerialSession;

// Results.
inline constexpr int kSendOk = 0;
inline constexpr int kSendRefused = -1;
inline constexpr int kSendTransport = -2;
// Not a send result: nothing was sent because the upload is not set up.
inline constexpr int kSendNotSetUp = -3;

inline constexpr int kSendTimeoutMs = 10000;
inline constexpr char kReplyAccepted[] = "0\n#SQ*\n";
inline constexpr char kReplyStartMark[] = "#SQ*\n";
inline constexpr char kUserAgent[] = "SQSW/600";
// Real-time uploads run every this many ticks of the one-second timer.
inline constexpr int kRealTimeUploadTicks = 55;
// After this many archive packets in a row that got no answer, the rest of that
// download's records are dropped: each try could cost the whole time limit.
inline constexpr int kMaxArchiveNoAnswer = 2;
// Every this many real-time packets carry the rain collector and unit bytes.
inline constexpr int kUnitsEveryPackets = 15;

struct PutResult {
  bool answered = false;  // a reply arrived (whatever its status)
  std::string body;       // the reply's text
  std::string error;      // the transport's words when nothing arrived
};

// One HTTP PUT of `body` to `url`, waiting at most `timeout_ms`.
class PacketPut {
 public:
  virtual ~PacketPut() = default;
  [[nodiscard]] virtual PutResult Put(const std::string& url, std::span<const std::uint8_t> body, int timeout_ms) = 0;
};

// libcurl: user agent "SQSW/600", "application/octet-stream", the content length, no
// keep-alive, only http and https, no redirects. The reply is kept up to 64 KiB.
class CurlPacketPut final : public PacketPut {
 public:
  CurlPacketPut();
  [[nodiscard]] PutResult Put(const std::string& url, std::span<const std::uint8_t> body, int timeout_ms) override;
};

struct NetworkLoggerOptions {
  NetworkAccount account;
  std::string url;    // the service endpoint; empty: the upload is off
  std::string title;  // the station's name, the title of log entries
  Ipv4 local_address{};
  bool log_more = false;  // extended logging (gLogMore)
  int timeout_ms = kSendTimeoutMs;
  std::uint8_t upload_setting = 30;  // station byte 575, sent in the archive start packet
  std::uint8_t rain_collector = 0;   // collector code of the network logger
  std::uint8_t unit_byte = 0;        // the console's unit byte
  bool extra_sensors = false;        // leaf, soil or extra sensors: part 2 of the highs and lows
  // A line for the program log; empty: LogMessage.
  std::function<void(std::string_view text, std::string_view title)> log;
};

// The service's reply rule: the archive start packet needs "#SQ*\n" anywhere in the
// reply, every other packet exactly "0\n#SQ*\n".
[[nodiscard]] bool ReplyAccepted(int packet_type, std::string_view reply);

// Options for `station`: its account, the endpoint (staging when `staging`), the
// computer's address, the program's display units and extended-logging switch.
[[nodiscard]] NetworkLoggerOptions MakeNetworkLoggerOptions(const Station& station, const NetworkEndpoints& endpoints,
                                                            bool staging);
// The options for `station` with the program folder's endpoints, staging when the
// program was started with the staging switch.
[[nodiscard]] NetworkLoggerOptions UploadOptionsFor(const Station& station);
// True when an endpoint is set; otherwise the log is told once per run that the
// uploads are off.
[[nodiscard]] bool UploadConfigured(const NetworkLoggerOptions& options);
// The main window's status text: "... - Stratoquill Network Upload: On" or "Off".
[[nodiscard]] std::string UploadStatusLine(const Station& station, bool on);
// The station's account: the last three MAC bytes and the key.
[[nodiscard]] NetworkAccount AccountOf(const Station& station);

// The first IPv4 address of the computer's host name as text ("0.0.0.0" when none).
[[nodiscard]] std::string GetLocalIP();
[[nodiscard]] Ipv4 ParseIpv4(const std::string& text);

class NetworkLogger final : public ArchiveUploadQueue {
 public:
  NetworkLogger(PacketPut& put, NetworkLoggerOptions options);

  // Sends one packet (its type decides the reply rule).
  [[nodiscard]] int SendPacket(std::span<const std::uint8_t> packet);

  // One real-time upload from the console's last LOOP packet and the loop record
  // (with its LOOP2 values).
  int ServiceSQIPLoop(const LoopPacket& loop, const LoopRecord& record);
  // One real-time upload of an older console: its real-time packet, then its highs
  // and lows. The first failure's result.
  int ServiceOlderLoop(const OlderRealTime& values, const OlderHighLows& high_lows);
  // The highs and lows (436 data bytes; a CRC after them is ignored): part 1, then part
  // 2 when the station has leaf, soil or extra sensors. The first failure's result.
  int SendIPHiLowPacket(std::span<const std::uint8_t> block);
  int SendIPSetupPacket(SetupValues values);
  int SendIPClearHiLowPacket2();

  // The archive upload around a download (ArchiveUploadQueue).
  void StartIPUpload() override;
  void PutRecordForIPUpload(ConsoleRecordBytes record) override;
  void CloseIPUpload() override;

  [[nodiscard]] const NetworkLoggerOptions& options() const { return opt_; }
  // New settings (endpoint, account) between uploads; the packet count stays.
  void set_options(NetworkLoggerOptions options) { opt_ = std::move(options); }
  [[nodiscard]] int realtime_packets() const { return realtime_packets_; }
  // Results of the archive upload so far: packets accepted, and packets refused,
  // unanswered or dropped.
  [[nodiscard]] int archive_sent() const { return archive_sent_; }
  [[nodiscard]] int archive_failed() const { return archive_failed_; }

 private:
  void Log(std::string_view text);
  void SendBuffered();
  void SendArchivePacket(std::span<const std::uint8_t> packet);

  PacketPut& put_;
  NetworkLoggerOptions opt_;
  int realtime_packets_ = 0;
  bool archive_open_ = false;
  std::vector<std::uint8_t> buffer_;  // up to 7 records
  int archive_sent_ = 0;
  int archive_failed_ = 0;
  int archive_no_answer_ = 0;  // archive packets in a row without an answer
};

// The packet values of an older console's current conditions (`data` made from its
// loop records for `station`): calibrated readings, the last 10 minutes' wind, the last
// hour's rain, today's highs and lows as far as `data` tracked them.
void OlderUploadValues(const BulletinData& data, const Station& station, OlderRealTime* values,
                       OlderHighLows* high_lows);

// Reads the console of `station` through `session` and uploads. Current family: a LOOP
// packet, the LOOP2 values where supported and the highs and lows, which are sent when
// they differ from `hilows`, then the real-time packet. Older families: one loop record,
// sent as their real-time packet and highs and lows. The result of the real-time
// packet, or kConsoleUnread when the console could not be read.
inline constexpr int kConsoleUnread = -10;
int UploadCurrentConditions(NetworkLogger& logger, SerialSession& session, HiLowsCache& hilows, const Station& station);

// One real-time upload from what a running real-time manager has (no console traffic):
// the current family's last LOOP packet and LOOP2 values, or the older families' current
// conditions. kConsoleUnread while the manager has no data yet.
int UploadFromRealTime(NetworkLogger& logger, const RealTimeManager& manager, const Station& station);

}  // namespace sq
