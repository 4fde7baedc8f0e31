// ConsoleEngine: the console side of the current family's command language as a pure
// state machine. Bytes from the line go in, the console's answer comes out; no I/O
// and no threads, so the same engine serves the pseudo-terminal, TCP and unit tests.
//
// Faults can be switched on to exercise the program's error paths: a console that
// never wakes or ignores the first wake-ups, a bad CRC on one archive page or real-time
// packet, a repeated page, a link that drops after a page, block writes answered with
// NAK.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/console_sim/sim_data.h"

namespace sq::sim {

struct SimOptions {
  ArchiveOptions archive;
  int model = 16;                 // model code answered to "WRD" 0x12 0x4D
  bool never_wake = false;        // ignores everything
  int wake_misses = 0;            // ignores this many wake-ups first
  int bad_crc_page = -1;          // page of a dump (0 = first) sent once with a bad CRC
  int repeat_page = -1;           // page sent twice (as if our ACK had been lost)
  int drop_after_page = -1;       // the link drops once this page was acknowledged
  int bad_crc_packet = -1;        // real-time packet (0 = first of a stream) with a bad CRC
  int bad_header_packet = -1;     // real-time packet (0 = first of a stream) without "LOO"
  int silent_after_packets = -1;  // a stream falls silent after this many packets
  // Pause between the packets of a stream (the first comes at once); 0 sends them all
  // at once. A real console sends one about every 2 seconds.
  int packet_interval_ms = 2000;
  bool nak_block_writes = false;  // EEBWR blocks answered with NAK
  int baud = 0;                   // pacing of the line in bit/s; 0 = as fast as possible
  std::string ignore_command;     // a command (e.g. "DMPAFT") that is never answered
  // Called when the console stays silent on purpose (a wake-up ignored, or a console that
  // never wakes), so that a test's fake clock ends the wait for an answer at once.
  std::function<void()> on_silence;
};

class ConsoleEngine {
 public:
  explicit ConsoleEngine(const SimOptions& options);

  // Feeds bytes received at `now_ms` (monotonic) and appends the answer to `out`.
  void Receive(const std::uint8_t* data, std::size_t n, std::int64_t now_ms, std::vector<std::uint8_t>& out);
  // True once after a fault asked the link to drop (the I/O layer closes it).
  bool TakeDropRequest();
  // Appends the packets of a paced stream that are due at `now_ms`.
  void Tick(std::int64_t now_ms, std::vector<std::uint8_t>& out);
  // When the next packet of a paced stream is due; -1 when none is waiting. Any byte
  // received ends a stream, as on the console.
  [[nodiscard]] std::int64_t NextDueMs() const { return stream_next_ < stream_.size() ? stream_due_ms_ : -1; }
  // A new connection (TCP): the silence that stands for a dropped line is over.
  void OnNewConnection();
  // The answer of the last Receive has left the line at `now_ms`: a wait for the
  // computer (see kHostTimeoutMs) counts from here.
  void MarkSent(std::int64_t now_ms) { last_activity_ms_ = now_ms; }

  // A console waiting for the computer (page acknowledgement, block data, the dump's
  // confirmation) gives up after this long without a byte and returns to command
  // mode, where it answers wake-ups again.
  static constexpr std::int64_t kHostTimeoutMs = 2000;

  // Inspection and control for tests.
  [[nodiscard]] const std::vector<std::uint8_t>& received() const { return received_; }
  void ClearReceived() { received_.clear(); }
  [[nodiscard]] std::vector<std::uint8_t>& eeprom() { return eeprom_; }
  [[nodiscard]] std::vector<Record>& archive() { return archive_; }
  [[nodiscard]] SimOptions& options() { return options_; }
  [[nodiscard]] const std::vector<std::string>& commands() const { return commands_; }
  // The console clock as last set: seconds, minutes, hours, day, month, year - 1900.
  // It runs on from there with the time passed to Receive.
  [[nodiscard]] const std::uint8_t* console_time() const { return time_; }
  [[nodiscard]] const std::vector<std::uint8_t>& calibrated() const { return calibrated_; }

 private:
  enum class State { kIdle, kBinary, kDumpStart, kDumpPageAck, kSilent };
  enum class Payload { kNone, kSetTime, kBlockWrite, kDumpAfter, kCalFix };

  void OnLine(const std::string& line, std::vector<std::uint8_t>& out);
  void OnPayload(std::vector<std::uint8_t>& out);
  void OnWake(std::vector<std::uint8_t>& out);
  void SendPage(std::vector<std::uint8_t>& out);
  void SendOk(std::vector<std::uint8_t>& out);
  void Expect(Payload p, std::size_t n);

  SimOptions options_;
  std::vector<Record> archive_;
  std::vector<std::uint8_t> eeprom_;
  std::vector<std::uint8_t> calibrated_;
  std::uint8_t time_[6] = {0, 0, 12, 1, 6, 124};
  std::int64_t time_ref_ms_ = -1;
  std::int64_t now_ms_ = 0;  // when time_ was set; -1 until the first byte
  State state_ = State::kIdle;
  std::string line_;
  std::vector<std::uint8_t> payload_;
  std::size_t payload_size_ = 0;
  Payload payload_kind_ = Payload::kNone;
  int block_address_ = 0;
  std::int64_t line_end_ms_ = -1000;
  std::int64_t last_activity_ms_ = 0;  // last byte received or answer sent
  std::int64_t silent_until_ms_ = 0;
  int wakes_ignored_ = 0;
  // Dump in progress.
  std::size_t dump_first_ = 0;  // index of the first page in the archive
  int dump_pages_ = 0;
  int dump_sent_ = 0;  // page being sent (relative)
  bool bad_crc_done_ = false;
  bool repeat_done_ = false;
  bool drop_done_ = false;
  bool drop_request_ = false;
  std::vector<std::uint8_t> received_;
  std::vector<std::string> commands_;
  // Paced packet stream.
  std::vector<std::array<std::uint8_t, kPacketSize>> stream_;
  std::size_t stream_next_ = 0;
  std::int64_t stream_due_ms_ = 0;
};

}  // namespace sq::sim
