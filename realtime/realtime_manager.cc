// The poll step of the real-time manager. A stream of packets is started when one is
// due (at the first step, when the last one is used up, after a damaged packet or 15
// seconds of silence); otherwise one packet is read and, when complete, becomes the
// current conditions. The pauses and time-outs are those of the session's clock.
#include "realtime/realtime_manager.h"

#include <string>

#include "app/format_text.h"
#include "link/comm_protocol.h"
#include "link/loop_packets.h"
#include "link/serial_session.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kStartFailedText = 33403;  // "Bulletin failed to start %d."

// Clears the flag when the step ends, whichever way it ends.
class BusyGuard {
 public:
  explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyGuard() { flag_ = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

RealTimeManager::RealTimeManager(SerialSession& session, Clock& clock, const BulletinSite& site, RealTimeHooks hooks)
    : session_(session), clock_(clock), site_(site), hooks_(std::move(hooks)) {}

RealTimeManager::~RealTimeManager() = default;

void RealTimeManager::Log(std::string_view text) {
  if (hooks_.log) hooks_.log(text);
}

void RealTimeManager::Tell(std::string_view text) {
  Log(text);
  if (!background_ && hooks_.message) hooks_.message(text);
}

void RealTimeManager::Stop() {
  if (!streaming_) return;
  LoopPackets(session_).StopLoop();
  streaming_ = false;
  packets_this_stream_ = packets_per_stream_;
}

const LoopPacket& RealTimeManager::lastLoopPacket() const { return LoopPackets(session_).lastLoopPacket(); }

void RealTimeManager::KeepHiLows(const HiLowsBlock& block, bool to_network) {
  hilows_read_ms_ = session_.clock().NowMs();
  bulletin_.have_hilows = true;
  bulletin_.hilows = block;
  if (to_network && hilows_.Update(block) && hooks_.hilows_changed) hooks_.hilows_changed(block);
}

void RealTimeManager::ReadNetworkExtras() {
  if (site_.console_family != kFamilyCorvale) return;
  LoopPackets loop(session_);
  if (keep_hilows_ && !send_to_network_) {
    const std::int64_t now = session_.clock().NowMs();
    if (hilows_read_ms_ >= 0 && now - hilows_read_ms_ < kHiLowsRefreshMs) return;
    HiLowsBlock block{};
    if (loop.GetHiLows(block) == 0) KeepHiLows(block, false);
    return;
  }
  if (!send_to_network_) return;
  if (loop.Loop2Supported()) {
    LoopRecord r = record_;
    if (loop.GetLoopPackets(r, kLoopKindLoop2) == 0) {
      record_.loop2_value22 = r.loop2_value22;
      record_.loop2_value54 = r.loop2_value54;
      record_.loop2_value58 = r.loop2_value58;
      record_.loop2_value20 = r.loop2_value20;
    } else {
      ++failures_;
    }
  }
  HiLowsBlock block{};
  if (loop.GetHiLows(block) == 0) KeepHiLows(block, true);
}

void RealTimeManager::StartStream() {
  const bool tcp = session_.transport().settings().connection_type == kConnTcp;
  if (streaming_) {
    LoopPackets(session_).StopLoop();
    streaming_ = false;
  }
  if (tcp) {
    session_.Close();
    session_.clock().SleepMs(kTcpReopenPauseMs);
    (void)session_.Open();
    packets_per_stream_ = kPacketsPerStreamTcp;
    failure_limit_ = kStartFailureLimitTcp;
  } else {
    packets_per_stream_ = kPacketsPerStream;
    failure_limit_ = kStartFailureLimit;
  }
  ReadNetworkExtras();
  if (LoopPackets(session_).StartLoop(packets_per_stream_, kLoopKindLoop) == 0) {
    failures_ = 0;
    packets_this_stream_ = 0;
    last_packet_ms_ = session_.clock().NowMs();
    streaming_ = true;
    ++streams_started_;
    return;
  }
  ++failures_;
  if (failures_ >= failure_limit_) {
    Tell(FormatText(LoadString(kStartFailedText), session_.lastError()));
    failures_ = 0;
  }
}

void RealTimeManager::Poll() {
  if (busy_) return;
  BusyGuard guard(busy_);
  int result;
  if (single_reading_ || packets_per_stream_ < 2) {
    result = LoopPackets(session_).GetLoopPackets(record_, kLoopKindLoop);
  } else if (packets_this_stream_ >= packets_per_stream_) {
    StartStream();
    return;
  } else {
    result = LoopPackets(session_).ReadLoopPacket(record_);
  }
  HandleResult(result);
}

void RealTimeManager::HandleResult(int result) {
  const std::int64_t now = session_.clock().NowMs();
  switch (result) {
    case kLoopBadCrc:
      packets_this_stream_ = packets_per_stream_;
      last_packet_ms_ = now;
      Log(LoadString(string_id::kLoopCrcError));
      LoopPackets(session_).StopLoop();
      streaming_ = false;
      return;
    case kLoopBadHeader:
      Log(LoadString(string_id::kLoopHeaderError));
      return;
    case kLoopOk: {
      have_data_ = true;
      ++packets_this_stream_;
      const WallClockTime local = clock_.LocalNow();
      bulletin_.Update(record_, site_, clock_.UnixMs(), local);
      last_packet_ms_ = now;
      if (hooks_.updated) hooks_.updated(bulletin_);
      return;
    }
    default:  // nothing yet (1), a read error (-500) or the port not open
      if (now - last_packet_ms_ > kSilenceLimitMs) {
        packets_this_stream_ = packets_per_stream_;
        LoopPackets(session_).StopLoop();
        streaming_ = false;
      }
      return;
  }
}

int RealTimeManager::GetSQIPLoopData() {
  if (busy_) return -1;
  BusyGuard guard(busy_);
  record_.Reset();
  LoopPackets loop(session_);
  int r = loop.GetLoopPackets(record_, kLoopKindLoop);
  if (r != 0) {
    ++failures_;
    Log(FormatText("Error (%d) using COM%d.", session_.lastError(), session_.transport().settings().port_number));
    return r;
  }
  HandleResult(kLoopOk);
  if (loop.Loop2Supported()) {
    LoopRecord r2 = record_;
    if (loop.GetLoopPackets(r2, kLoopKindLoop2) == 0) {
      record_.loop2_value22 = r2.loop2_value22;
      record_.loop2_value54 = r2.loop2_value54;
      record_.loop2_value58 = r2.loop2_value58;
      record_.loop2_value20 = r2.loop2_value20;
      bulletin_.loop2_values = {r2.loop2_value22, r2.loop2_value54, r2.loop2_value58, r2.loop2_value20};
    }
  }
  if (site_.console_family == kFamilyCorvale) {
    HiLowsBlock block{};
    if (loop.GetHiLows(block) == 0) KeepHiLows(block, true);
  }
  return 0;
}

}  // namespace sq
