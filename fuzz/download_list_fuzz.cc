// The program folder's text lists are outside input: "download.lst" (station folders)
// and "ports.lst" (device paths). The first byte picks the parser; an accepted list
// must come back unchanged through writing and parsing again.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/auto_download_list.h"
#include "app/port_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) {
    auto list = sq::ParseDownloadList(text);
    if (list && sq::ParseDownloadList(sq::SerializeDownloadList(*list)) != list) std::abort();
  } else {
    auto map = sq::PortMap::Parse(text);
    if (!map) return 0;
    auto again = sq::PortMap::Parse(map->Serialize());
    if (!again || again->Serialize() != map->Serialize()) std::abort();
    map->SetSystemDevices({});
    for (int com = -1; com <= sq::PortMap::kMaxPort + 1; ++com) (void)map->DevicePath(com);
  }
  return 0;
}
