#include "publish/internet_config.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/binary_file.h"
#include "app/station.h"
#include "app/station_open_hook.h"
#include "foundation/file_util.h"
#include "publish/inet_extra_settings.h"

namespace sq {
namespace {

constexpr std::int16_t kDefaultSyncTime = 3;
constexpr std::uint32_t kDefaultSpan = 4;  // 24 hours back
constexpr std::uint16_t kDefaultFtpPort = 21;
constexpr std::uint8_t kDefaultRedial = 5;

void SetProfileDefaults(UploadParameters& p, int number) {
  std::memset(&p, 0, sizeof p);
  char name[sizeof p.list_name];
  std::snprintf(name, sizeof name, "Profile%d.lst", number);
  StoreText(p.list_name, sizeof p.list_name, name);
  StoreText(p.page_extension, sizeof p.page_extension, "htm");
  p.sync_time = kDefaultSyncTime;
  p.span = kDefaultSpan;
  p.graph_option = 1;
  p.graph_extra_background = 1;
  p.last_fired = -1;
  p.option_344 = 1;
  p.option_345 = 1;
}

bool VersionOk(const InternetConfiguration& c) { return c.version == kInetConfigVersion && c.version_check >= 0; }

// The program-wide configuration and the folder it belongs to.
struct OpenConfig {
  std::unique_ptr<InternetConfiguration> config;
  std::string folder;
};

OpenConfig& Current() {
  static OpenConfig open;
  return open;
}

}  // namespace

void InternetConfiguration::SetDefaults() {
  std::memset(this, 0, sizeof *this);
  StoreText(ftp_folder, sizeof ftp_folder, "\\");
  redial_attempts = kDefaultRedial;
  redial_seconds = kDefaultRedial;
  ftp_port = kDefaultFtpPort;
  for (int n = 1; n <= kProfileCount; ++n) SetProfileDefaults(Profile(n), n);
  version = kInetConfigVersion;
  version_check = 0;
  proxy_mode = kProxyDefault;
  default_proxy_script = 1;
}

void InternetConfiguration::ResetRunTime() {
  for (auto& p : profiles) {
    p.fired = 0;
    p.last_fired = -1;
  }
  station_ref = 0;
}

bool DecodeInetConfig(const std::uint8_t* bytes, std::size_t size, InternetConfiguration& out) {
  if (bytes == nullptr || size != kInetConfigSize) return false;
  InternetConfiguration c;
  std::memcpy(&c, bytes, sizeof c);
  if (!VersionOk(c)) return false;
  c.ResetRunTime();
  out = c;
  return true;
}

bool ImportOldInetConfig(const std::uint8_t* bytes, std::size_t size, InternetConfiguration& out) {
  if (bytes == nullptr || size != kOldInetConfigSize) return false;
  InternetConfiguration c;
  c.SetDefaults();
  // The eight texts, the port and the four flags sit where they sit in the new record.
  const std::size_t texts[] = {
      offsetof(InternetConfiguration, ftp_host),     offsetof(InternetConfiguration, ftp_user),
      offsetof(InternetConfiguration, ftp_password), offsetof(InternetConfiguration, ftp_folder),
      offsetof(InternetConfiguration, local_folder), offsetof(InternetConfiguration, dial_entry),
      offsetof(InternetConfiguration, dial_user),    offsetof(InternetConfiguration, dial_password)};
  auto* raw = reinterpret_cast<unsigned char*>(&c);
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    const std::size_t end = i + 1 < std::size(texts) ? texts[i + 1] : offsetof(InternetConfiguration, redial_attempts);
    std::memcpy(raw + texts[i], bytes + texts[i], end - texts[i]);
    raw[end - 1] = 0;  // an old text that fills its field is cut, never left open
  }
  std::memcpy(&c.ftp_port, bytes + offsetof(InternetConfiguration, ftp_port), sizeof c.ftp_port);
  std::memcpy(&c.connection_type, bytes + offsetof(InternetConfiguration, connection_type), 4);
  for (std::size_t n = 0; n < kOldProfileCount; ++n) {
    const std::uint8_t* old = bytes + offsetof(InternetConfiguration, profiles) + n * kOldProfileSize;
    std::memcpy(&c.profiles[n], old, kOldProfileCopied);
    UploadParameters& p = c.profiles[n];
    p.current_image_folder[sizeof p.current_image_folder - 1] = 0;
    p.historical_image_folder[sizeof p.historical_image_folder - 1] = 0;
    p.report_folder[sizeof p.report_folder - 1] = 0;
    p.page_folder[sizeof p.page_folder - 1] = 0;
    p.list_name[sizeof p.list_name - 1] = 0;
    p.page_extension[sizeof p.page_extension - 1] = 0;
  }
  c.ResetRunTime();
  out = c;
  return true;
}

int InternetConfiguration::Load(const std::string& folder, bool* imported) {
  if (imported) *imported = false;
  const std::string path = JoinPath(folder, kInetConfigName);
  if (auto bytes = ReadWholeFile(path, kInetConfigSize); bytes && bytes->size() == kInetConfigSize) {
    if (!DecodeInetConfig(bytes->data(), bytes->size(), *this)) SetDefaults();
    return 0;
  }
  const std::string old_path = JoinPath(folder, kOldInetConfigName);
  if (auto old = ReadWholeFile(old_path, kOldInetConfigSize); old && old->size() == kOldInetConfigSize) {
    if (ImportOldInetConfig(old->data(), old->size(), *this)) {
      // The converted settings are kept at once; the older file stays as it was.
      (void)Save(folder);
      if (imported) *imported = true;
      return 0;
    }
  }
  SetDefaults();
  return 0;
}

int InternetConfiguration::Save(const std::string& folder, std::string* error) const {
  if (folder.empty()) {
    if (error) *error = "no station folder";
    return -1;
  }
  InternetConfiguration copy = *this;
  copy.station_ref = 0;
  const auto* raw = reinterpret_cast<const std::uint8_t*>(&copy);
  return WriteFileAtomic(JoinPath(folder, kInetConfigName), std::span<const std::uint8_t>(raw, sizeof copy), error)
             ? 0
             : -1;
}

std::uint8_t FtpSecurity(const InternetConfiguration& c) {
  const std::uint8_t v = c.extra[inet_extra::kFtpSecurity - inet_extra::kBase];
  return v <= inet_extra::kFtpSecuritySftp ? v : inet_extra::kFtpSecurityNone;
}

void SetFtpSecurity(InternetConfiguration& c, std::uint8_t mode) {
  c.extra[inet_extra::kFtpSecurity - inet_extra::kBase] = mode <= inet_extra::kFtpSecuritySftp ? mode : 0;
}

void OpenInetConfig(const std::string& folder) {
  auto config = std::make_unique<InternetConfiguration>();
  (void)config->Load(folder);
  Current().config = std::move(config);
  Current().folder = folder;
}

void CloseInetConfig() {
  Current().config.reset();
  Current().folder.clear();
}

void InstallInetConfigHooks() {
  StationOpened().current = [](const Station* station) {
    if (station) {
      OpenInetConfig(station->Folder());
    } else {
      CloseInetConfig();
    }
  };
  StationOpened().converted = [](const Station& station) {
    InternetConfiguration c;
    bool imported = false;
    (void)c.Load(station.Folder(), &imported);
    if (!imported && !std::filesystem::exists(JoinPath(station.Folder(), kInetConfigName))) {
      (void)c.Save(station.Folder());
    }
  };
}

const std::string& InetConfigFolder() { return Current().folder; }

InternetConfiguration* GetInetConfig() { return Current().config.get(); }

int SetInetConfig(const void* buffer) {
  if (!Current().config || buffer == nullptr) return 0;
  const auto* raw = static_cast<const std::uint8_t*>(buffer);
  return WriteFileAtomic(JoinPath(Current().folder, kInetConfigName),
                         std::span<const std::uint8_t>(raw, kInetConfigSize))
             ? 1
             : 0;
}

}  // namespace sq
