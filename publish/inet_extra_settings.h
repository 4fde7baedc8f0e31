// Internet settings that the original fields of the internet configuration lack. They
// live in the record's reserved area after the proxy name (from offset 5036), so files
// written before them (where these bytes are zero) load with every added setting at
// its default. This header is the one place that documents them; nothing else may
// claim bytes from 5036 on.
//
// | Offset | Type | Meaning                                                          |
// |--------|------|------------------------------------------------------------------|
// | 5036   | u8   | FTP security: 0 none (plain FTP), 1 explicit TLS, 2 SFTP          |
// | 5037.. | —    | free, zero                                                       |
#pragma once

#include <cstddef>
#include <cstdint>

namespace sq::inet_extra {

inline constexpr std::size_t kBase = 5036;
inline constexpr std::size_t kFtpSecurity = 5036;
inline constexpr std::size_t kUsedEnd = 5037;  // first free byte after the settings above

inline constexpr std::uint8_t kFtpSecurityNone = 0;
inline constexpr std::uint8_t kFtpSecurityTls = 1;
inline constexpr std::uint8_t kFtpSecuritySftp = 2;

}  // namespace sq::inet_extra
