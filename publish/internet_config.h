// InternetConfiguration: everything a station publishes is driven by this one record
// per station: the FTP server and its login, the proxy, a local-copy folder, the
// dial-up connection, and eight upload profiles (UploadParameters) that say what to
// publish, where on the server each kind goes and how often.
//
// The record is 6144 bytes and is stored byte for byte as "Inet-Configuration.cfg" in
// the station folder (little-endian, strings zero-terminated inside fixed fields). The
// structs below mirror that layout; every offset is pinned at compile time. Settings
// the original fields lack live in the reserved area after the proxy name
// (publish/inet_extra_settings.h).
//
// The run-time fields (each profile's fired flag and last firing, the station
// reference at 672) mean nothing on disk and are reset on every load.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace sq {

inline constexpr std::size_t kInetConfigSize = 6144;
inline constexpr std::size_t kOldInetConfigSize = 3428;
inline constexpr std::size_t kUploadParametersSize = 512;
inline constexpr std::size_t kOldProfileSize = 344;
inline constexpr std::size_t kOldProfileCount = 3;
inline constexpr int kProfileCount = 8;
inline constexpr const char* kInetConfigName = "Inet-Configuration.cfg";
inline constexpr const char* kOldInetConfigName = "Internet.cfg";
inline constexpr std::int16_t kInetConfigVersion = 2;

// Connection type at 668: 1 = "Connect through LAN." (no dial-up); anything else
// dials the configured connection when not connected. There is no dial-up on this
// system: every run continues as if connected.
inline constexpr std::uint8_t kConnectThroughLan = 1;

// Proxy modes at 4776.
inline constexpr std::int16_t kProxyNone = 0;
inline constexpr std::int16_t kProxyNamed = 1;
inline constexpr std::int16_t kProxyDefault = 2;

// One upload profile, 512 bytes.
struct UploadParameters {
  std::uint32_t current_images[2];      // 0: bit i of word w selects current image 32w + i
  std::uint32_t historical_images[2];   // 8: likewise for the historical images
  std::uint32_t reports;                // 16: report set (publish/publish_tables.h)
  char current_image_folder[64];        // 20: remote sub-folders, relative to the FTP folder
  char historical_image_folder[64];     // 84
  char report_folder[64];               // 148
  char page_folder[64];                 // 212: template pages and other listed files
  char list_name[32];                   // 276: "Profile%d.lst" in the station folder
  char page_extension[6];               // 308: without the dot, default "htm"
  std::int16_t interval;                // 314: minutes, 0 = no interval
  std::int16_t sync_time;               // 316: minutes after midnight the interval counts from
  std::int16_t file_count;              // 318: entries in the file list (progress weight)
  std::int16_t report_count;            // 320: reports selected
  std::int16_t current_image_count;     // 322
  std::int16_t historical_image_count;  // 324
  std::uint8_t image_options[4];        // 326..329: 328 current-image background, 329 graph background
  std::uint8_t reserved_330[2];         // 330
  std::uint32_t span;                   // 332: historical graph span code
  std::uint8_t graph_option;            // 336
  std::uint8_t graph_extra_background;  // 337
  std::uint8_t graph_fixed_colours;     // 338
  std::uint8_t enabled;                 // 339: scheduled uploads
  std::uint8_t download_first;          // 340
  std::uint8_t fired;                   // 341: run-time
  std::int16_t last_fired;              // 342: run-time, minute of day, -1 never
  std::uint8_t option_344;              // 344
  std::uint8_t option_345;              // 345
  std::uint8_t reserved_346[166];       // 346..511
};

static_assert(sizeof(UploadParameters) == kUploadParametersSize);
static_assert(std::is_trivially_copyable_v<UploadParameters> && std::is_standard_layout_v<UploadParameters>);
static_assert(offsetof(UploadParameters, current_images) == 0);
static_assert(offsetof(UploadParameters, historical_images) == 8);
static_assert(offsetof(UploadParameters, reports) == 16);
static_assert(offsetof(UploadParameters, current_image_folder) == 20);
static_assert(offsetof(UploadParameters, historical_image_folder) == 84);
static_assert(offsetof(UploadParameters, report_folder) == 148);
static_assert(offsetof(UploadParameters, page_folder) == 212);
static_assert(offsetof(UploadParameters, list_name) == 276);
static_assert(offsetof(UploadParameters, page_extension) == 308);
static_assert(offsetof(UploadParameters, interval) == 314);
static_assert(offsetof(UploadParameters, sync_time) == 316);
static_assert(offsetof(UploadParameters, file_count) == 318);
static_assert(offsetof(UploadParameters, report_count) == 320);
static_assert(offsetof(UploadParameters, current_image_count) == 322);
static_assert(offsetof(UploadParameters, historical_image_count) == 324);
static_assert(offsetof(UploadParameters, image_options) == 326);
static_assert(offsetof(UploadParameters, span) == 332);
static_assert(offsetof(UploadParameters, graph_option) == 336);
static_assert(offsetof(UploadParameters, graph_extra_background) == 337);
static_assert(offsetof(UploadParameters, graph_fixed_colours) == 338);
static_assert(offsetof(UploadParameters, enabled) == 339);
static_assert(offsetof(UploadParameters, download_first) == 340);
static_assert(offsetof(UploadParameters, fired) == 341);
static_assert(offsetof(UploadParameters, last_fired) == 342);
static_assert(offsetof(UploadParameters, option_344) == 344);
static_assert(offsetof(UploadParameters, option_345) == 345);
static_assert(offsetof(UploadParameters, reserved_346) == 346);

// Bytes of an old profile that carry over on import: offsets 0..340.
inline constexpr std::size_t kOldProfileCopied = offsetof(UploadParameters, download_first) + 1;

inline constexpr std::size_t kProxyNameSize = 256;

struct InternetConfiguration {
  char ftp_host[64];                         // 0
  char ftp_user[64];                         // 64
  char ftp_password[64];                     // 128
  char ftp_folder[128];                      // 192: prefixed to every remote folder
  char local_folder[150];                    // 320: prefixed to every local-copy target
  char dial_entry[64];                       // 470
  char dial_user[64];                        // 534
  char dial_password[64];                    // 598
  std::uint8_t redial_attempts;              // 662
  std::uint8_t redial_seconds;               // 663
  std::uint8_t reserved_664;                 // 664
  std::uint8_t padding_665;                  // 665
  std::uint16_t ftp_port;                    // 666
  std::uint8_t connection_type;              // 668
  std::uint8_t ftp_enabled;                  // 669
  std::uint8_t local_copy;                   // 670
  std::uint8_t passive;                      // 671
  std::uint32_t station_ref;                 // 672: run-time; 0 on disk
  UploadParameters profiles[kProfileCount];  // 676
  std::int16_t version;                      // 4772: must be 2
  std::int16_t version_check;                // 4774: must be >= 0
  std::int16_t proxy_mode;                   // 4776
  std::uint8_t default_proxy_script;         // 4778: mode 2 only
  std::uint8_t padding_4779;                 // 4779
  char proxy_name[kProxyNameSize];           // 4780..5035
  std::uint8_t extra[1108];                  // 5036..6143: added settings, zero by default

  // A new configuration: every field at its default, lists "Profile1.lst".."Profile8.lst".
  void SetDefaults();
  // Fired flag 0 and last firing -1 in every profile; station reference 0.
  void ResetRunTime();

  // Reads the configuration of the station in `folder` (see the .cc for the order:
  // the 6144-byte file, else an import of the 3428-byte older file, which is then
  // written as the new file at once, else defaults). Always leaves a usable record;
  // returns 0. `imported` tells whether the older file was converted.
  int Load(const std::string& folder, bool* imported = nullptr);
  // Writes the record as folder/"Inet-Configuration.cfg", atomically. 0, or -1 with
  // `*error` set.
  [[nodiscard]] int Save(const std::string& folder, std::string* error = nullptr) const;

  // 1-based profile access; n must be 1..8.
  UploadParameters& Profile(int n) { return profiles[n - 1]; }
  const UploadParameters& Profile(int n) const { return profiles[n - 1]; }
};

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(InternetConfiguration) == kInetConfigSize);
static_assert(std::is_trivially_copyable_v<InternetConfiguration> && std::is_standard_layout_v<InternetConfiguration>);
static_assert(offsetof(InternetConfiguration, ftp_host) == 0);
static_assert(offsetof(InternetConfiguration, ftp_user) == 64);
static_assert(offsetof(InternetConfiguration, ftp_password) == 128);
static_assert(offsetof(InternetConfiguration, ftp_folder) == 192);
static_assert(offsetof(InternetConfiguration, local_folder) == 320);
static_assert(offsetof(InternetConfiguration, dial_entry) == 470);
static_assert(offsetof(InternetConfiguration, dial_user) == 534);
static_assert(offsetof(InternetConfiguration, dial_password) == 598);
static_assert(offsetof(InternetConfiguration, redial_attempts) == 662);
static_assert(offsetof(InternetConfiguration, redial_seconds) == 663);
static_assert(offsetof(InternetConfiguration, reserved_664) == 664);
static_assert(offsetof(InternetConfiguration, ftp_port) == 666);
static_assert(offsetof(InternetConfiguration, connection_type) == 668);
static_assert(offsetof(InternetConfiguration, ftp_enabled) == 669);
static_assert(offsetof(InternetConfiguration, local_copy) == 670);
static_assert(offsetof(InternetConfiguration, passive) == 671);
static_assert(offsetof(InternetConfiguration, station_ref) == 672);
static_assert(offsetof(InternetConfiguration, profiles) == 676);
static_assert(offsetof(InternetConfiguration, version) == 4772);
static_assert(offsetof(InternetConfiguration, version_check) == 4774);
static_assert(offsetof(InternetConfiguration, proxy_mode) == 4776);
static_assert(offsetof(InternetConfiguration, default_proxy_script) == 4778);
static_assert(offsetof(InternetConfiguration, proxy_name) == 4780);
static_assert(offsetof(InternetConfiguration, extra) == 5036);

// Decodes a whole file image: the record when `bytes` is 6144 bytes with valid version
// words (run-time fields reset), nothing otherwise.
[[nodiscard]] bool DecodeInetConfig(const std::uint8_t* bytes, std::size_t size, InternetConfiguration& out);
// Builds a configuration from the 3428-byte older image; false for any other size.
[[nodiscard]] bool ImportOldInetConfig(const std::uint8_t* bytes, std::size_t size, InternetConfiguration& out);

// The FTP security setting of the added area (inet_extra::kFtpSecurity*); a stored
// value above 2 reads as 0.
[[nodiscard]] std::uint8_t FtpSecurity(const InternetConfiguration& c);
void SetFtpSecurity(InternetConfiguration& c, std::uint8_t mode);

// ---- The program-wide configuration of the open station ----

// Loads the configuration of the station in `folder` and makes it the program-wide one.
void OpenInetConfig(const std::string& folder);
// Forgets it (no station open).
void CloseInetConfig();
// The folder of the station whose configuration is open; empty when none.
const std::string& InetConfigFolder();

// Makes the program-wide configuration follow the program's current station
// (app/station_open_hook.h), and gives a converted older station its configuration
// file (importing its "Internet.cfg" when it has one).
void InstallInetConfigHooks();

// The program-wide record, or nullptr when no station is open.
InternetConfiguration* GetInetConfig();
// Writes the caller's 6144 bytes as the open station's "Inet-Configuration.cfg" and
// returns 1; 0 when no station is open or the write fails. The record in memory is not
// changed.
int SetInetConfig(const void* buffer);

}  // namespace sq
