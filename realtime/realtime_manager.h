// RealTimeManager: keeps the console streaming real-time packets and turns each into
// the current conditions (BulletinData). Poll() is one step, called from the run
// loop's timer: it starts a stream of 30 packets (24 over TCP, where the connection is
// closed and reopened first) when one is due, or reads one packet. A stream is renewed
// when it is used up, after a damaged packet, and after 15 seconds without a packet.
// Failing to start a stream is counted; at the limit (10, or 3 over TCP) the user is
// told "Bulletin failed to start %d." with the session's error code.
//
// The session (and its clock, which times every wait) must outlive the manager; the
// wall clock `clock` stamps the updates (midnight reset, rings). Single-threaded: a
// Poll() that is re-entered (from a hook, say) returns at once.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "foundation/clock.h"
#include "link/hilows.h"
#include "link/loop_record.h"
#include "realtime/bulletin_data.h"

namespace sq {

class SerialSession;

inline constexpr int kPacketsPerStream = 30;
inline constexpr int kPacketsPerStreamTcp = 24;
inline constexpr int kStartFailureLimit = 10;
inline constexpr int kStartFailureLimitTcp = 3;
inline constexpr std::int64_t kSilenceLimitMs = 15000;  // more than this without a packet restarts
inline constexpr int kTcpReopenPauseMs = 2000;
inline constexpr std::int64_t kHiLowsRefreshMs = 10 * 60 * 1000;

struct RealTimeHooks {
  // A line for the log ("CRC error detected in loop packet.  Data ignored.", ...).
  std::function<void(std::string_view)> log;
  // A message for the user; not called in the background.
  std::function<void(std::string_view)> message;
  // After every update of the current conditions.
  std::function<void(const BulletinData&)> updated;
  // A HILOWS block that differs from the last one (the maker's network upload).
  std::function<void(std::span<const std::uint8_t, kHiLowsBlockSize>)> hilows_changed;
};

class RealTimeManager {
 public:
  RealTimeManager(SerialSession& session, Clock& clock, const BulletinSite& site, RealTimeHooks hooks = {});
  ~RealTimeManager();
  RealTimeManager(const RealTimeManager&) = delete;
  RealTimeManager& operator=(const RealTimeManager&) = delete;

  // One step of polling (see the file comment).
  void Poll();
  // The poll for a network data logger: one LOOP packet (and one LOOP2 where
  // supported) per call, and the HILOWS block for the current family. 0 or the failing
  // result.
  int GetSQIPLoopData();
  // Ends the stream in progress (before another use of the port, or at the end).
  void Stop();

  [[nodiscard]] const BulletinData& bulletin() const { return bulletin_; }
  [[nodiscard]] bool haveData() const { return have_data_; }
  [[nodiscard]] int failures() const { return failures_; }
  [[nodiscard]] int packetsPerStream() const { return packets_per_stream_; }
  [[nodiscard]] int packetsThisStream() const { return packets_this_stream_; }
  [[nodiscard]] int streamsStarted() const { return streams_started_; }

  // Messages go only to the log.
  void set_background(bool on) { background_ = on; }
  // Real-time data also goes to the maker's network: LOOP2 values and HILOWS are read
  // at each new stream (current family).
  void set_send_to_network(bool on) { send_to_network_ = on; }
  // Keep the console's highs-and-lows block in the current conditions: read it at the
  // first stream and then at a new stream every kHiLowsRefreshMs (current family).
  void set_keep_hilows(bool on) { keep_hilows_ = on; }
  // The console's last raw LOOP packet.
  [[nodiscard]] const LoopPacket& lastLoopPacket() const;
  // Read one packet per poll instead of streams.
  void set_single_reading(bool on) { single_reading_ = on; }
  // The alarm settings of the current conditions, as an expansion module last set them
  // (SetStationAlarms); 0 until then.
  void set_station_alarms(int value) { station_alarms_ = value; }
  [[nodiscard]] int station_alarms() const { return station_alarms_; }

 private:
  void StartStream();
  void HandleResult(int result);
  void ReadNetworkExtras();
  // A HILOWS block just read: into the current conditions, and to the hook when it
  // goes to the network and differs from the last one sent.
  void KeepHiLows(const HiLowsBlock& block, bool to_network);
  void Log(std::string_view text);
  void Tell(std::string_view text);

  SerialSession& session_;
  Clock& clock_;
  BulletinSite site_;
  RealTimeHooks hooks_;
  BulletinData bulletin_;
  LoopRecord record_;
  HiLowsCache hilows_;
  int packets_per_stream_ = kPacketsPerStream;
  int packets_this_stream_ = kPacketsPerStream;  // a stream is due at the first step
  int failures_ = 0;
  int failure_limit_ = kStartFailureLimit;
  std::int64_t last_packet_ms_ = 0;
  int streams_started_ = 0;
  bool have_data_ = false;
  bool background_ = false;
  bool send_to_network_ = false;
  bool keep_hilows_ = false;
  std::int64_t hilows_read_ms_ = -1;  // session clock; -1 never
  bool single_reading_ = false;
  bool busy_ = false;
  bool streaming_ = false;
  int station_alarms_ = 0;
};

}  // namespace sq
