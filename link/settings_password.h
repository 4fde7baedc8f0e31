// The settings password: protects the console settings with a password of 5 to 15
// characters. The upper-case password is kept, with its terminating zero, in the file
// "tsp.utl" of the program folder, and a 12-bit check code of it in the console's
// configuration memory (high byte at 0xFFE, low byte at 0xFFF). No password is 0xFF in
// both bytes and no file.
//
// The console is written first: the file is changed only after the console took the
// new code, so the two never disagree because of a failed console write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/file_system.h"
#include "link/console_config.h"

namespace sq {

inline constexpr std::size_t kPasswordMinLength = 5;
inline constexpr std::size_t kPasswordMaxLength = 15;
inline constexpr std::uint16_t kNoPasswordCode = 0xFFFF;

// The 12-bit check code: bit by bit over the characters, most significant bit first,
// from 0: shift left, bring in the bit, and XOR with 0x180B when bit 12 becomes set.
[[nodiscard]] std::uint16_t PasswordCheckCode(std::string_view text);

// Checks a password typed twice. The upper-case password, or nothing with `message`
// set ("Passwords do not match!", "Password must be between 5 - 15 characters").
[[nodiscard]] std::optional<std::string> ValidatePassword(std::string_view first, std::string_view second,
                                                          std::string* message);

// Writes the check code into the console, then "tsp.utl" into `program_folder` through
// `fs`, readable by its owner only. 0 success; the console's failure code, or -1 when
// the file could not be written (the old file is then as it was).
[[nodiscard]] int SetSettingsPassword(ConsoleConfig& config, const std::string& program_folder,
                                      std::string_view upper_password, FileSystem& fs = DefaultFileSystem());
// Writes 0xFF to both addresses, then deletes "tsp.utl".
[[nodiscard]] int ClearSettingsPassword(ConsoleConfig& config, const std::string& program_folder,
                                        FileSystem& fs = DefaultFileSystem());
// The check code stored in the console; kNoPasswordCode when none.
[[nodiscard]] int ReadPasswordCode(ConsoleConfig& config, std::uint16_t& code);

}  // namespace sq
