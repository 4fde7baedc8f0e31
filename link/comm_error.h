// Communication errors in words, for messages to the user and the download log.
#pragma once

#include <cstdint>
#include <string>

namespace sq {

class SerialSession;
struct ConnectionDescription;
struct CommSettings;

// Text for error `code` (transport, network or session code); the status word decides
// when the code alone says nothing.
[[nodiscard]] std::string DescribeCommError(int code, std::uint32_t status);
[[nodiscard]] std::string DescribeCommError(const SerialSession& session);

// The channel settings for a station's connection description.
[[nodiscard]] CommSettings CommSettingsFrom(const ConnectionDescription& c);

}  // namespace sq
