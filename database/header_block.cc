#include "database/header_block.h"

#include <cstring>

namespace sq {
namespace {

std::int16_t Load16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
std::int32_t Load32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}
void Store16(std::uint8_t* p, std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
}
void Store32(std::uint8_t* p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

int DigitAt(const std::array<std::uint8_t, kHeaderIdSize>& id, std::size_t at) {
  int v = 0;
  for (std::size_t i = at; i < id.size() && id[i] >= '0' && id[i] <= '9'; ++i) v = v * 10 + (id[i] - '0');
  return v;
}

}  // namespace

int HeaderBlock::MajorVersion() const { return DigitAt(id_code, 4); }
int HeaderBlock::MinorVersion() const { return DigitAt(id_code, 6); }

HeaderBlock NewHeaderBlock() {
  HeaderBlock h;
  std::memcpy(h.id_code.data(), "WDAT5.3", 7);
  h.id_code[14] = 5;
  h.id_code[15] = 3;
  return h;
}

void EncodeHeader(const HeaderBlock& h, std::span<std::uint8_t, kHeaderSize> out) {
  std::memcpy(out.data(), h.id_code.data(), kHeaderIdSize);
  Store32(out.data() + kHeaderTotalOffset, h.total_records);
  for (int d = 0; d < kDayEntries; ++d) {
    std::uint8_t* e = out.data() + kHeaderDayIndexOffset + d * kDayEntrySize;
    Store16(e, h.day[d].records_in_day);
    Store32(e + kDayEntryStartOffset, h.day[d].start_position);
  }
}

std::array<std::uint8_t, kHeaderSize> EncodeHeader(const HeaderBlock& h) {
  std::array<std::uint8_t, kHeaderSize> out;
  EncodeHeader(h, out);
  return out;
}

std::optional<HeaderBlock> DecodeHeader(std::span<const std::uint8_t> in) {
  if (in.size() < kHeaderSize) return std::nullopt;
  HeaderBlock h;
  std::memcpy(h.id_code.data(), in.data(), kHeaderIdSize);
  h.total_records = Load32(in.data() + kHeaderTotalOffset);
  for (int d = 0; d < kDayEntries; ++d) {
    const std::uint8_t* e = in.data() + kHeaderDayIndexOffset + d * kDayEntrySize;
    h.day[d].records_in_day = Load16(e);
    h.day[d].start_position = Load32(e + kDayEntryStartOffset);
  }
  return h;
}

}  // namespace sq
