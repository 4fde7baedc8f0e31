#include "link/brisant_session.h"

#include <algorithm>
#include <cstring>

#include "link/crc16.h"

namespace sq {
namespace {

bool NibbleArgsOk(int bank, int address, int nibbles) {
  return (bank == 0 || bank == 1) && nibbles >= 1 && nibbles <= 8 && address >= 0 && address <= 255;
}

}  // namespace

bool BrisantSession::Send(std::string_view cmd, const std::vector<std::uint8_t>& args) {
  if (!Begin(false, false)) return false;
  for (int i = 0; i < gRetryCount; ++i) {
    ClearInput();
    if (PutStr(cmd) != 0) continue;
    if (!args.empty() && PutBytes(args.data(), args.size()) != 0) continue;
    if (PutChar(kCr) != 0) continue;
    if (GetAcknowledge() == 1) return true;
  }
  return false;
}

int BrisantSession::ReadNibbles(int bank, int address, int nibbles, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!NibbleArgsOk(bank, address, nibbles)) return -1;
  const auto selector = static_cast<std::uint8_t>(nibbles * 16 + bank * 2 + 2);
  if (!Send("WRD", {selector, static_cast<std::uint8_t>(address)})) return -1;
  const std::size_t n = static_cast<std::size_t>((nibbles + 1) / 2);
  if (ReadBytes(n) != 0) return -1;
  out.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
  return 0;
}

int BrisantSession::ReadMemory(int bank, int address, int nibbles, std::vector<std::uint8_t>& out) {
  out.clear();
  if (!NibbleArgsOk(bank, address, nibbles)) return -1;
  if (!Send("RRD", {static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(address),
                    static_cast<std::uint8_t>(nibbles - 1)})) {
    return -1;
  }
  const std::size_t n = static_cast<std::size_t>((nibbles + 1) / 2);
  if (ReadBytes(n) != 0) return -1;
  out.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
  return 0;
}

int BrisantSession::WriteNibbles(int bank, int address, int nibbles, const std::vector<std::uint8_t>& data) {
  if (!NibbleArgsOk(bank, address, nibbles) || data.size() != static_cast<std::size_t>((nibbles + 1) / 2)) return -1;
  std::vector<std::uint8_t> args = {static_cast<std::uint8_t>(nibbles * 16 + bank * 2 + 1),
                                    static_cast<std::uint8_t>(address)};
  args.insert(args.end(), data.begin(), data.end());
  return Send("WWR", args) ? 0 : -1;
}

int BrisantSession::WriteMemory(int bank, int address, int nibbles, const std::vector<std::uint8_t>& data) {
  if (!NibbleArgsOk(bank, address, nibbles) || data.size() != static_cast<std::size_t>((nibbles + 1) / 2)) return -1;
  std::vector<std::uint8_t> args = {static_cast<std::uint8_t>(bank * 16 + nibbles - 1),
                                    static_cast<std::uint8_t>(address)};
  args.insert(args.end(), data.begin(), data.end());
  return Send("RWR", args) ? 0 : -1;
}

int BrisantSession::ReadImages(int start, int count, std::vector<std::uint8_t>& out) {
  out.clear();
  if (count <= 0) return -1;
  start = ((start % kBrisantRingImages) + kBrisantRingImages) % kBrisantRingImages;
  count = std::min(count, kBrisantRingImages - start);
  const int first = start * kBrisantImageSize;
  const int last = count * kBrisantImageSize - 1;
  if (!Send("SRD", {static_cast<std::uint8_t>(first & 0xFF), static_cast<std::uint8_t>(first >> 8),
                    static_cast<std::uint8_t>(last & 0xFF), static_cast<std::uint8_t>(last >> 8)})) {
    return -1;
  }
  std::vector<std::uint8_t> block(static_cast<std::size_t>(count * kBrisantImageSize) + 2);
  const int r = ReadCrcInto(block.data(), block.size());
  if (r != 0) return r;
  out.assign(block.begin(), block.end() - 2);
  return 0;
}

int BrisantSession::StartDump() { return Send("DMP", {}) ? 0 : -1; }

int BrisantSession::AllocDumpBuffer(int pages) {
  if (pages < 0 || pages > kMaxDumpPages) return -1;
  buffer_.assign(std::max<std::size_t>(static_cast<std::size_t>(pages) * 128, kSessionBufferSize), 0);
  if (page_buffer_.size() != kPageBufferSize) page_buffer_.assign(kPageBufferSize, 0);
  return 0;
}

int BrisantSession::ReadDumpPage(int expected_seq, std::uint8_t& reply, std::size_t offset) {
  reply = kNak;
  if (!transport_->usable()) return -1;
  if (page_buffer_.size() != kPageBufferSize) page_buffer_.assign(kPageBufferSize, 0);
  std::uint8_t* page = page_buffer_.data();
  for (std::size_t i = 0; i < kBrisantPageSize; ++i) {
    const int b = GetChar();
    if (b < 0) {
      if (TimedOut()) {
        SetError(kErrIncomplete);
        return kErrIncomplete;
      }
      clock().SleepMs(250);
      ClearInput();
      return -1;
    }
    page[i] = static_cast<std::uint8_t>(b);
  }
  if (page[0] != 1) {
    clock().SleepMs(250);
    ClearInput();
    SetError(kErrMissedHeader);
    return kErrMissedHeader;
  }
  if (Crc16({page + 3, 130}) != 0) {
    transport_->status() |= kStatusIoError | kStatusChecksumError;
    clock().SleepMs(250);
    ClearInput();
    SetError(kErrCrc);
    return kErrCrc;
  }
  const int expected = expected_seq & 0xFF;
  if (static_cast<std::uint8_t>(page[1] ^ page[2]) != 0xFF) {
    clock().SleepMs(250);
    ClearInput();
    SetError(kErrSequence);
    return kErrSequence;
  }
  if (page[1] == ((expected + 255) & 0xFF)) {
    reply = kAck;
    SetError(kErrSequence);
    return kErrSequence;
  }
  if (page[1] != expected) {
    clock().SleepMs(250);
    ClearInput();
    SetError(kErrSequence);
    return kErrSequence;
  }
  if (offset + 128 > buffer_.size()) return -1;
  std::memcpy(buffer_.data() + offset, page + 3, 128);
  return 0;
}

int BrisantSession::StartLoop(int count) {
  if (count <= 0 || count > 0xFFFF) return -1;
  const int arg = 0x10000 - count;
  return Send("LOOP", {static_cast<std::uint8_t>(arg & 0xFF), static_cast<std::uint8_t>(arg >> 8)}) ? 0 : -1;
}

void BrisantSession::StopLoop() {
  (void)Send("RRD", {1, 0, 0});
  SetTimeOuts(8);
  clock().SleepMs(300);
}

}  // namespace sq
