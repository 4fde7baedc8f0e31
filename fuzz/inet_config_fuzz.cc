// Internet configuration files are outside input: "Inet-Configuration.cfg" and the
// older "Internet.cfg" may be cut short, padded or garbage. Each input is decoded as a
// new file and imported as an old one (forced to the sizes that are accepted), and
// every setting of the result is read back as text, where an unterminated field or an
// out-of-range code would show.
#include <cstdint>
#include <cstring>
#include <vector>

#include "publish/inet_settings.h"
#include "publish/internet_config.h"

namespace {

void Exercise(const sq::InternetConfiguration& c) {
  for (const auto& k : sq::InetSettingKeys()) (void)sq::InetSettingValue(c, k.key);
  for (const auto& p : c.profiles) {
    for (const auto& k : sq::ProfileSettingKeys()) (void)sq::ProfileSettingValue(p, k.key);
  }
}

std::vector<std::uint8_t> Sized(const std::uint8_t* data, std::size_t size, std::size_t want) {
  std::vector<std::uint8_t> b(want, 0);
  std::memcpy(b.data(), data, std::min(size, want));
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sq::InternetConfiguration c;
  if (sq::DecodeInetConfig(data, size, c)) Exercise(c);
  // The same bytes forced to the sizes the loader accepts, with valid version words.
  auto whole = Sized(data, size, sq::kInetConfigSize);
  whole[4772] = 2;
  whole[4773] = 0;
  whole[4775] &= 0x7F;
  if (sq::DecodeInetConfig(whole.data(), whole.size(), c)) Exercise(c);
  const auto old = Sized(data, size, sq::kOldInetConfigSize);
  if (sq::ImportOldInetConfig(old.data(), old.size(), c)) Exercise(c);
  return 0;
}
