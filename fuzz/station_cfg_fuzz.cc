// Station files are outside input: a "STATION.CFG" may be cut short, padded, from an
// older layout, or garbage. Every input is loaded from a file (size and kind checks,
// every upgrade step) and, forced to a loadable kind, upgraded and read back through
// every accessor and every setting's text, where unterminated text fields would show.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/port_map.h"
#include "app/station.h"
#include "app/station_settings.h"
#include "foundation/site.h"

namespace {

// The folder the inputs are written into, removed when the process ends.
struct ScratchFolder {
  ScratchFolder()
      : path((std::filesystem::temp_directory_path() / ("sq_station_fuzz_" + std::to_string(::getpid()))).string()) {
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

const std::string& Folder() {
  static const ScratchFolder folder;
  return folder.path;
}

void Exercise(const sq::Station& s) {
  sq::PortMap ports;
  ports.SetSystemDevices({"/dev/pts/0"});
  for (const auto& k : sq::StationSettingKeys()) (void)sq::StationSettingValue(s, ports, k.key);
  (void)s.GetConnection(&ports);
  (void)s.GetSiteDescription();
  (void)s.GetSQIPMacAddressStr();
  (void)s.HaveLeafSoilOrExtra();
  (void)s.GetIPRainCollectorType();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 3 * sq::kStationRecordSize) return 0;
  {
    std::ofstream f(sq::Station::ConfigPath(Folder()), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  sq::Station loaded;
  if (loaded.Load(Folder()) == 0) Exercise(loaded);

  // The same bytes as a record of the right kind, at the version they carry.
  sq::Station s;
  std::memset(&s.record(), 0, sizeof(sq::StationRecord));
  std::memcpy(&s.record(), data, std::min(size, sq::kStationRecordSize));
  s.record().kind = sq::kStationRecordKind;
  if (size >= 3) s.record().version = data[2] % 18;
  if (sq::UpgradeStationConfig(s.record(), {"a", "b"}) == 0) Exercise(s);
  return 0;
}
