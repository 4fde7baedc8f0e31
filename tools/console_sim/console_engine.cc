#include "tools/console_sim/console_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "link/crc16.h"

namespace sq::sim {
namespace {

constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::size_t kMaxLine = 64;
// A carriage return this soon after a command's line feed belongs to that command
// ("EEWR ...\n\r"); a later one is a wake-up of its own.
constexpr std::int64_t kTrailingCrMs = 50;
constexpr std::int64_t kDropSilenceMs = 500;
constexpr int kMaxStreamPackets = 200;

void Append(std::vector<std::uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

bool ValidPeriod(int p) { return p == 1 || p == 5 || p == 10 || p == 15 || p == 30 || p == 60 || p == 120; }

}  // namespace

ConsoleEngine::ConsoleEngine(const SimOptions& options)
    : options_(options), archive_(MakeArchive(options.archive)), eeprom_(MakeEeprom(options.archive.period_minutes)) {
  // The console's clock starts just after its newest record.
  if (!archive_.empty()) ClockOfRecord(archive_.back(), time_);
  const auto cal = MakeCalibratedValues();
  calibrated_.assign(cal.begin(), cal.end());
}

bool ConsoleEngine::TakeDropRequest() {
  const bool r = drop_request_;
  drop_request_ = false;
  return r;
}

void ConsoleEngine::OnNewConnection() {
  if (state_ == State::kSilent) state_ = State::kIdle;
}

void ConsoleEngine::Expect(Payload p, std::size_t n) {
  state_ = State::kBinary;
  payload_kind_ = p;
  payload_size_ = n;
  payload_.clear();
}

void ConsoleEngine::SendOk(std::vector<std::uint8_t>& out) { Append(out, "\n\rOK\n\r"); }

void ConsoleEngine::OnWake(std::vector<std::uint8_t>& out) {
  if (wakes_ignored_ < options_.wake_misses) {
    ++wakes_ignored_;
    if (options_.on_silence) options_.on_silence();
    return;
  }
  Append(out, "\n\r");
}

void ConsoleEngine::Tick(std::int64_t now_ms, std::vector<std::uint8_t>& out) {
  while (stream_next_ < stream_.size() && now_ms >= stream_due_ms_) {
    const auto& p = stream_[stream_next_++];
    out.insert(out.end(), p.begin(), p.end());
    if (options_.packet_interval_ms > 0) stream_due_ms_ += options_.packet_interval_ms;
  }
  if (stream_next_ >= stream_.size()) {
    stream_.clear();
    stream_next_ = 0;
  }
}

void ConsoleEngine::Receive(const std::uint8_t* data, std::size_t n, std::int64_t now_ms,
                            std::vector<std::uint8_t>& out) {
  received_.insert(received_.end(), data, data + n);
  if (n > 0) {
    stream_.clear();  // anything the console hears ends its stream
    stream_next_ = 0;
  }
  if (time_ref_ms_ < 0) time_ref_ms_ = now_ms;
  now_ms_ = now_ms;
  if (options_.never_wake) {
    if (n > 0 && options_.on_silence) options_.on_silence();
    return;
  }
  const bool waiting = state_ == State::kBinary || state_ == State::kDumpStart || state_ == State::kDumpPageAck;
  if (waiting && n > 0 && now_ms - last_activity_ms_ >= kHostTimeoutMs) {
    state_ = State::kIdle;  // the computer stopped answering: back to command mode
    payload_.clear();
    line_.clear();
  }
  if (n > 0) last_activity_ms_ = now_ms;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = data[i];
    switch (state_) {
      case State::kSilent:
        if (now_ms < silent_until_ms_) continue;
        state_ = State::kIdle;
        [[fallthrough]];
      case State::kIdle: {
        if (line_.size() >= 3 && line_.compare(0, 3, "WRD") == 0) {
          line_.push_back(static_cast<char>(b));
          if (line_.size() == 6) {
            commands_.push_back("WRD");
            if (static_cast<std::uint8_t>(line_[3]) == 0x12 && static_cast<std::uint8_t>(line_[4]) == 0x4D) {
              out.push_back(kAck);
              out.push_back(static_cast<std::uint8_t>(options_.model));
            } else {
              out.push_back(kNak);
            }
            line_.clear();
          }
          continue;
        }
        if (b == '\r' && line_.empty() && now_ms - line_end_ms_ <= kTrailingCrMs) {
          line_end_ms_ = -1000;
          continue;
        }
        if (b == '\n' || b == '\r') {
          if (line_.empty()) {
            OnWake(out);
          } else {
            const std::string line = line_;
            line_.clear();
            line_end_ms_ = b == '\n' ? now_ms : -1000;
            OnLine(line, out);
          }
          continue;
        }
        if (b < 0x20) continue;  // stray control bytes (ESC after a dump, ACKs) are not commands
        if (line_.size() >= kMaxLine) line_.clear();
        line_.push_back(static_cast<char>(b));
        break;
      }
      case State::kBinary:
        payload_.push_back(b);
        if (payload_.size() == payload_size_) {
          state_ = State::kIdle;
          OnPayload(out);
        }
        break;
      case State::kDumpStart:
        if (b == kAck) {
          state_ = State::kDumpPageAck;
          dump_sent_ = 0;
          SendPage(out);
        } else {
          state_ = State::kIdle;  // ESC or anything else abandons the dump
        }
        break;
      case State::kDumpPageAck:
        if (b == kAck) {
          if (dump_sent_ == options_.drop_after_page && !drop_done_) {
            drop_done_ = true;
            drop_request_ = true;
            state_ = State::kSilent;
            silent_until_ms_ = now_ms + kDropSilenceMs;
            break;
          }
          if (dump_sent_ == options_.repeat_page && !repeat_done_) {
            repeat_done_ = true;  // send the same page again
          } else {
            ++dump_sent_;
          }
          if (dump_sent_ >= dump_pages_) {
            state_ = State::kIdle;
          } else {
            SendPage(out);
          }
        } else if (b == kNak) {
          SendPage(out);
        } else if (b == kEsc) {
          state_ = State::kIdle;
        }
        break;
    }
  }
}

void ConsoleEngine::SendPage(std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.push_back(static_cast<std::uint8_t>(dump_sent_ & 0xFF));
  const std::size_t page = (dump_first_ + static_cast<std::size_t>(dump_sent_)) % kArchivePages;
  for (std::size_t r = 0; r < kRecordsPerPage; ++r) {
    const std::size_t index = page * kRecordsPerPage + r;
    if (index < archive_.size()) {
      out.insert(out.end(), archive_[index].begin(), archive_[index].end());
    } else {
      out.insert(out.end(), kRecordSize, 0xFF);
    }
  }
  out.insert(out.end(), 4, 0);
  AppendCrc(out, start);
  if (dump_sent_ == options_.bad_crc_page && !bad_crc_done_) {
    bad_crc_done_ = true;
    out.back() ^= 0x5A;
  }
}

void ConsoleEngine::OnLine(const std::string& raw, std::vector<std::uint8_t>& out) {
  std::string line = raw;
  while (!line.empty() && (line.front() == '\r' || line.front() == '\n')) line.erase(0, 1);
  commands_.push_back(line);
  std::istringstream in(line);
  std::string cmd;
  in >> cmd;
  auto hex = [&](int& v) {
    std::string t;
    if (!(in >> t)) return false;
    char* end = nullptr;
    const long x = std::strtol(t.c_str(), &end, 16);
    if (end == t.c_str() || *end != '\0' || x < 0 || x > 0xFFFF) return false;
    v = static_cast<int>(x);
    return true;
  };
  auto dec = [&](int& v) { return static_cast<bool>(in >> v); };
  if (!options_.ignore_command.empty() && cmd == options_.ignore_command) return;

  if (cmd == "TEST") {
    Append(out, "TEST\n\r");
  } else if (cmd == "VER") {
    SendOk(out);
    Append(out, options_.archive.layout == 'a' ? "Jan 10 2002\n\r" : "Apr 24 2002\n\r");
  } else if (cmd == "NVER") {
    SendOk(out);
    Append(out, options_.archive.layout == 'a' ? "1.50\n\r" : "1.90\n\r");
  } else if (cmd == "GETTIME") {
    out.push_back(kAck);
    std::uint8_t now[6];
    std::copy(time_, time_ + 6, now);
    AddSeconds(now, static_cast<long>((now_ms_ - time_ref_ms_) / 1000));
    const std::size_t start = out.size();
    out.insert(out.end(), now, now + 6);
    AppendCrc(out, start);
  } else if (cmd == "SETTIME") {
    out.push_back(kAck);
    Expect(Payload::kSetTime, 8);
  } else if (cmd == "EEBRD" || cmd == "EEBWR") {
    int address = 0, length = 0;
    if (!hex(address) || !hex(length) || length == 0 || address + length > static_cast<int>(kEepromSize)) {
      out.push_back(kNak);
      return;
    }
    out.push_back(kAck);
    if (cmd == "EEBRD") {
      const std::size_t start = out.size();
      out.insert(out.end(), eeprom_.begin() + address, eeprom_.begin() + address + length);
      AppendCrc(out, start);
    } else {
      block_address_ = address;
      Expect(Payload::kBlockWrite, static_cast<std::size_t>(length) + 2);
    }
  } else if (cmd == "EEWR") {
    int address = 0, value = 0;
    if (!hex(address) || !hex(value) || address >= static_cast<int>(kEepromSize) || value > 255) {
      out.push_back(kNak);
      return;
    }
    eeprom_[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    SendOk(out);
  } else if (cmd == "NEWSETUP") {
    out.push_back(kAck);
  } else if (cmd == "SETPER") {
    int p = 0;
    if (!dec(p) || !ValidPeriod(p)) {
      out.push_back(kNak);
      return;
    }
    eeprom_[0x2D] = static_cast<std::uint8_t>(p);
    options_.archive.period_minutes = p;
    SendOk(out);
  } else if (cmd == "CLRLOG") {
    archive_.clear();
    out.push_back(kAck);
  } else if (cmd == "PUTRAIN" || cmd == "CLRHIGHS" || cmd == "CLRLOWS" || cmd == "CLRVAR") {
    int v = 0;
    if (!dec(v) || v < 0) {
      out.push_back(kNak);
      return;
    }
    out.push_back(kAck);
  } else if (cmd == "CLRGRA" || cmd == "CLRALM" || cmd == "CLRCAL") {
    if (cmd == "CLRCAL") {
      std::fill(eeprom_.begin() + 0x32, eeprom_.begin() + 0x32 + 27, 0);
      eeprom_[0x33] = 0xFF;  // the check byte of the inside offset
    }
    SendOk(out);
    Append(out, "DONE\n\r");
  } else if (cmd.rfind("BAR=", 0) == 0) {
    SendOk(out);
  } else if (cmd == "CALED") {
    out.push_back(kAck);
    const std::size_t start = out.size();
    out.insert(out.end(), calibrated_.begin(), calibrated_.end());
    AppendCrc(out, start);
  } else if (cmd == "CALFIX") {
    out.push_back(kAck);
    Expect(Payload::kCalFix, kCalibratedSize + 2);
  } else if (cmd == "RXCHECK") {
    SendOk(out);
    Append(out, " 21629 15 0 3204 128\n\r");
  } else if (cmd == "BARDATA") {
    SendOk(out);
    Append(out,
           "BAR 29920\n\rELEVATION 600\n\rDEW POINT 56\n\rVIRTUAL TEMP 66\n\rC 29\n\rR 1001\n\r"
           "BARCAL 0\n\rGAIN 1001\n\rOFFSET 0\n\r");
  } else if (cmd == "LOOP" || cmd == "LPS") {
    int kind = 1, count = 0;
    if (cmd == "LPS" && !dec(kind)) kind = 0;
    if (!dec(count) || count <= 0 || kind < 1 || kind > 3) {
      out.push_back(kNak);
      return;
    }
    out.push_back(kAck);
    count = std::min(count, kMaxStreamPackets);
    if (options_.silent_after_packets >= 0) count = std::min(count, options_.silent_after_packets);
    stream_.clear();
    stream_next_ = 0;
    for (int i = 0; i < count; ++i) {
      const bool loop2 = kind == 2 || (kind == 3 && i % 2 == 1);
      auto p = loop2 ? MakeLoop2Packet(i) : MakeLoopPacket(i);
      if (i == options_.bad_header_packet) {
        p[0] = 'X';
        Crc16Append(p.data(), kPacketSize - 2);
      }
      if (i == options_.bad_crc_packet) p[98] ^= 0x5A;
      stream_.push_back(p);
    }
    // The first packet goes at once; the rest as they fall due.
    stream_due_ms_ = now_ms_;
    Tick(options_.packet_interval_ms > 0 ? now_ms_ : INT64_MAX, out);
  } else if (cmd == "HILOWS") {
    out.push_back(kAck);
    const auto b = MakeHiLows();
    out.insert(out.end(), b.begin(), b.end());
  } else if (cmd == "DMPAFT") {
    out.push_back(kAck);
    Expect(Payload::kDumpAfter, 6);
  } else {
    out.push_back(kNak);
  }
}

void ConsoleEngine::OnPayload(std::vector<std::uint8_t>& out) {
  const bool crc_ok = Crc16(payload_) == 0;
  switch (payload_kind_) {
    case Payload::kSetTime:
      if (!crc_ok) {
        out.push_back(kNak);
        return;
      }
      std::memcpy(time_, payload_.data(), 6);
      time_ref_ms_ = now_ms_;
      out.push_back(kAck);
      return;
    case Payload::kBlockWrite:
      if (!crc_ok || options_.nak_block_writes) {
        out.push_back(kNak);
        return;
      }
      std::copy(payload_.begin(), payload_.end() - 2, eeprom_.begin() + block_address_);
      out.push_back(kAck);
      return;
    case Payload::kCalFix:
      if (!crc_ok) {
        out.push_back(kNak);
        return;
      }
      calibrated_.assign(payload_.begin(), payload_.end() - 2);
      out.push_back(kAck);
      return;
    case Payload::kDumpAfter: {
      if (!crc_ok) {
        out.push_back(kNak);
        return;
      }
      const std::uint32_t stamp = static_cast<std::uint32_t>((payload_[0] | (payload_[1] << 8)) << 16) |
                                  static_cast<std::uint32_t>(payload_[2] | (payload_[3] << 8));
      std::size_t first = archive_.size();
      for (std::size_t i = 0; i < archive_.size(); ++i) {
        const std::uint32_t key = (static_cast<std::uint32_t>(RecordDate(archive_[i])) << 16) | RecordTime(archive_[i]);
        if (key > stamp) {
          first = i;
          break;
        }
      }
      if (first < archive_.size()) {
        dump_first_ = first / kRecordsPerPage;
        dump_pages_ = static_cast<int>((archive_.size() - 1) / kRecordsPerPage - dump_first_ + 1);
      } else {
        dump_first_ = 0;
        dump_pages_ = 0;
      }
      const int start_entry = first < archive_.size() ? static_cast<int>(first % kRecordsPerPage) : 0;
      out.push_back(kAck);
      const std::size_t start = out.size();
      out.push_back(static_cast<std::uint8_t>(dump_pages_ & 0xFF));
      out.push_back(static_cast<std::uint8_t>(dump_pages_ >> 8));
      out.push_back(static_cast<std::uint8_t>(start_entry));
      out.push_back(0);
      AppendCrc(out, start);
      state_ = dump_pages_ > 0 ? State::kDumpStart : State::kIdle;
      return;
    }
    case Payload::kNone:
      return;
  }
}

}  // namespace sq::sim
