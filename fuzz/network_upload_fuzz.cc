// The weather network upload's outside input: the endpoints file of the program folder
// and the service's replies. The input's first byte is a packet type for the reply
// rule; the whole input is also read as an endpoints file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "publish/network_endpoints.h"
#include "publish/network_logger.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  int bad = 0;
  const sq::NetworkEndpoints e = sq::ParseEndpoints(text, &bad);
  // What was accepted is a checked URL: it survives another check and a save unchanged.
  for (const std::string* url : {&e.production, &e.staging}) {
    if (url->empty()) continue;
    const auto again = sq::NormalizeEndpoint(*url, nullptr);
    if (!again || *again != *url) __builtin_trap();
  }
  const sq::NetworkEndpoints back = sq::ParseEndpoints(sq::FormatEndpoints(e), &bad);
  if (back.production != e.production || back.staging != e.staging || bad != 0) __builtin_trap();
  if (size > 0) {
    const int type = data[0];
    const bool accepted = sq::ReplyAccepted(type, text.substr(1));
    if (type != sq::kPacketArchiveStart && accepted != (text.substr(1) == sq::kReplyAccepted)) __builtin_trap();
  }
  return 0;
}
