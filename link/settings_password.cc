#include "link/settings_password.h"

#include <cctype>

#include "link/console_config_strings.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint16_t kCheckPolynomial = 0x180B;
constexpr std::uint16_t kCheckTopBit = 0x1000;

std::string PasswordPath(const std::string& folder) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + std::string(LoadString(string_id::kSettingsPasswordFile));
}

int WriteCode(ConsoleConfig& config, std::uint16_t code) {
  const std::uint8_t block[2] = {static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code & 0xFF)};
  return config.session().WriteEeprom(eeprom::kPasswordCode, block, 2) == 0 ? kConfigOk : kConfigFailed;
}

}  // namespace

std::uint16_t PasswordCheckCode(std::string_view text) {
  std::uint16_t code = 0;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    for (int bit = 7; bit >= 0; --bit) {
      code = static_cast<std::uint16_t>((code << 1) | ((c >> bit) & 1));
      if (code & kCheckTopBit) code ^= kCheckPolynomial;
    }
  }
  return code;
}

std::optional<std::string> ValidatePassword(std::string_view first, std::string_view second, std::string* message) {
  auto upper = [](std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
  };
  const std::string a = upper(first);
  if (a != upper(second)) {
    if (message) *message = std::string(LoadString(kStrPasswordsDiffer));
    return std::nullopt;
  }
  bool control = false;
  for (const char c : a) control = control || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  if (a.size() < kPasswordMinLength || a.size() > kPasswordMaxLength || control) {
    if (message) *message = std::string(LoadString(kStrPasswordLength));
    return std::nullopt;
  }
  return a;
}

int SetSettingsPassword(ConsoleConfig& config, const std::string& program_folder, std::string_view upper_password,
                        FileSystem& fs) {
  if (int r = WriteCode(config, PasswordCheckCode(upper_password)); r != kConfigOk) return r;
  std::string contents(upper_password);
  contents.push_back('\0');
  // The password stands in the file as typed: nobody but its owner may read it.
  return WriteFileAtomic(fs, PasswordPath(program_folder), contents, nullptr, kModeOwnerOnly) ? kConfigOk
                                                                                              : kConfigFailed;
}

int ClearSettingsPassword(ConsoleConfig& config, const std::string& program_folder, FileSystem& fs) {
  if (int r = WriteCode(config, kNoPasswordCode); r != kConfigOk) return r;
  const std::string path = PasswordPath(program_folder);
  return fs.Remove(path) || !fs.Exists(path) ? kConfigOk : kConfigFailed;
}

int ReadPasswordCode(ConsoleConfig& config, std::uint16_t& code) {
  std::uint8_t b[2] = {};
  code = kNoPasswordCode;
  if (config.session().ReadEeprom(b, eeprom::kPasswordCode, 2) != 0) return kConfigFailed;
  code = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
  return kConfigOk;
}

}  // namespace sq
