// The internet configuration file: defaults, the three outcomes of loading, the import
// of the older file, run-time fields, and the program-wide instance.
#include "publish/internet_config.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/station.h"
#include "app/station_folders.h"
#include "app/station_open_hook.h"
#include "publish/inet_extra_settings.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::vector<std::uint8_t> Bytes(const InternetConfiguration& c) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&c);
  return {p, p + sizeof c};
}

InternetConfiguration Defaults() {
  InternetConfiguration c;
  c.SetDefaults();
  return c;
}

TEST(InternetConfig, DefaultsMatchTheDocumentedRecord) {
  const auto c = Defaults();
  const auto b = Bytes(c);
  EXPECT_EQ(LoadText(c.ftp_folder, sizeof c.ftp_folder), "\\");
  EXPECT_EQ(b[662], 5);
  EXPECT_EQ(b[663], 5);
  EXPECT_EQ(b[666] | b[667] << 8, 21);
  EXPECT_EQ(b[4772], 2);  // version, little-endian
  EXPECT_EQ(b[4776], 2);  // proxy mode: system default
  EXPECT_EQ(b[4778], 1);
  for (int n = 1; n <= kProfileCount; ++n) {
    SCOPED_TRACE(n);
    const std::size_t base = 676 + static_cast<std::size_t>(n - 1) * 512;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[base + 276])), "Profile" + std::to_string(n) + ".lst");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[base + 308])), "htm");
    EXPECT_EQ(b[base + 316], 3);  // sync 00:03
    EXPECT_EQ(b[base + 332], 4);  // 24-hour span
    EXPECT_EQ(b[base + 336], 1);
    EXPECT_EQ(b[base + 337], 1);
    EXPECT_EQ(b[base + 342], 0xFF);  // last firing -1
    EXPECT_EQ(b[base + 343], 0xFF);
    EXPECT_EQ(b[base + 344], 1);
    EXPECT_EQ(b[base + 345], 1);
  }
  for (std::size_t i = 5036; i < kInetConfigSize; ++i) ASSERT_EQ(b[i], 0) << i;
}

TEST(InternetConfig, SavedFileLoadsBackAndRunTimeFieldsAreReset) {
  TempDir dir;
  auto c = Defaults();
  StoreText(c.ftp_host, sizeof c.ftp_host, "ftp.example.org");
  c.Profile(2).enabled = 1;
  c.Profile(2).fired = 1;
  c.Profile(2).last_fired = 600;
  c.Profile(7).last_fired = 3;
  SetFtpSecurity(c, inet_extra::kFtpSecurityTls);
  ASSERT_EQ(c.Save(dir.str()), 0);
  ASSERT_EQ(ReadBytes(dir / kInetConfigName).size(), kInetConfigSize);

  InternetConfiguration back;
  ASSERT_EQ(back.Load(dir.str()), 0);
  EXPECT_EQ(LoadText(back.ftp_host, sizeof back.ftp_host), "ftp.example.org");
  EXPECT_EQ(back.Profile(2).enabled, 1);
  EXPECT_EQ(FtpSecurity(back), inet_extra::kFtpSecurityTls);
  for (const auto& p : back.profiles) {
    EXPECT_EQ(p.fired, 0);
    EXPECT_EQ(p.last_fired, -1);
  }
}

TEST(InternetConfig, BadVersionWordsOrSizeGiveDefaults) {
  struct Case {
    const char* legend;
    std::size_t size;
    std::int16_t version;
    std::int16_t check;
  } cases[] = {
      {"version word 1", kInetConfigSize, 1, 0},
      {"negative check word", kInetConfigSize, 2, -1},
      {"one byte short", kInetConfigSize - 1, 2, 0},
      {"one byte long", kInetConfigSize + 1, 2, 0},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.legend);
    TempDir dir;
    auto c = Defaults();
    StoreText(c.ftp_host, sizeof c.ftp_host, "should.not.load");
    c.version = k.version;
    c.version_check = k.check;
    auto bytes = Bytes(c);
    bytes.resize(k.size, 0);
    WriteBytes(dir / kInetConfigName, bytes);
    InternetConfiguration loaded;
    StoreText(loaded.ftp_host, sizeof loaded.ftp_host, "left over");
    ASSERT_EQ(loaded.Load(dir.str()), 0);
    EXPECT_EQ(Bytes(loaded), Bytes(Defaults()));
  }
}

// An older 3428-byte file: the strings, port and flags at the same offsets, three
// 344-byte profiles from 676.
std::vector<std::uint8_t> OldFile() {
  std::vector<std::uint8_t> b(kOldInetConfigSize, 0);
  auto put = [&](std::size_t at, const char* s) { std::memcpy(&b[at], s, std::strlen(s) + 1); };
  put(0, "old.host");
  put(64, "olduser");
  put(128, "oldpass");
  put(192, "/www");
  put(320, "/srv/copy");
  b[666] = 0x15;  // port 2069
  b[667] = 0x08;
  b[668] = 1;
  b[669] = 1;
  b[670] = 0;
  b[671] = 1;
  for (int n = 0; n < 3; ++n) {
    const std::size_t base = 676 + static_cast<std::size_t>(n) * kOldProfileSize;
    b[base + 16] = static_cast<std::uint8_t>(0x01 << n);  // a different report each
    put(base + 212, n == 0 ? "pages" : "other");
    char name[32];
    std::snprintf(name, sizeof name, "Old%d.lst", n + 1);
    put(base + 276, name);
    put(base + 308, "html");
    b[base + 314] = 15;  // interval
    b[base + 339] = 1;   // enabled
    b[base + 340] = 1;   // download first
    b[base + 341] = 1;   // fired (run-time)
    b[base + 342] = 7;   // last firing (run-time, beyond the copied bytes)
  }
  return b;
}

TEST(InternetConfig, OlderFileIsImportedAndWrittenAtOnce) {
  TempDir dir;
  WriteBytes(dir / kOldInetConfigName, OldFile());
  InternetConfiguration c;
  bool imported = false;
  ASSERT_EQ(c.Load(dir.str(), &imported), 0);
  EXPECT_TRUE(imported);
  EXPECT_EQ(LoadText(c.ftp_host, sizeof c.ftp_host), "old.host");
  EXPECT_EQ(LoadText(c.local_folder, sizeof c.local_folder), "/srv/copy");
  EXPECT_EQ(c.ftp_port, 0x0815);
  EXPECT_EQ(c.connection_type, 1);
  EXPECT_EQ(c.passive, 1);
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    const auto& p = c.Profile(n);
    EXPECT_EQ(p.reports, 0x01u << (n - 1));
    EXPECT_EQ(LoadText(p.list_name, sizeof p.list_name), "Old" + std::to_string(n) + ".lst");
    EXPECT_EQ(LoadText(p.page_extension, sizeof p.page_extension), "html");
    EXPECT_EQ(p.interval, 15);
    EXPECT_EQ(p.enabled, 1);
    EXPECT_EQ(p.download_first, 1);
    EXPECT_EQ(p.fired, 0);
    EXPECT_EQ(p.last_fired, -1);
    EXPECT_EQ(p.option_344, 1);  // beyond the old profile: default
  }
  for (int n = 4; n <= 8; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(LoadText(c.Profile(n).list_name, 32), "Profile" + std::to_string(n) + ".lst");
    EXPECT_EQ(c.Profile(n).enabled, 0);
  }
  // The new file exists now and loads to the same record; the old one is untouched.
  const auto written = ReadBytes(dir / kInetConfigName);
  ASSERT_EQ(written.size(), kInetConfigSize);
  EXPECT_EQ(written, Bytes(c));
  EXPECT_EQ(ReadBytes(dir / kOldInetConfigName), OldFile());
  InternetConfiguration again;
  ASSERT_EQ(again.Load(dir.str(), &imported), 0);
  EXPECT_FALSE(imported);
  EXPECT_EQ(Bytes(again), Bytes(c));
}

TEST(InternetConfig, OlderFileWithUnterminatedTextsIsCutInsideItsFields) {
  TempDir dir;
  auto old = OldFile();
  std::memset(&old[0], 'x', 470);  // all five texts fill their fields
  WriteBytes(dir / kOldInetConfigName, old);
  InternetConfiguration c;
  ASSERT_EQ(c.Load(dir.str()), 0);
  EXPECT_EQ(LoadText(c.ftp_host, sizeof c.ftp_host), std::string(63, 'x'));
  EXPECT_EQ(LoadText(c.local_folder, sizeof c.local_folder), std::string(149, 'x'));
}

TEST(InternetConfig, NeitherFileGivesDefaultsAndWritesNothing) {
  TempDir dir;
  WriteBytes(dir / kOldInetConfigName, std::vector<std::uint8_t>(kOldInetConfigSize - 1, 7));
  InternetConfiguration c;
  ASSERT_EQ(c.Load(dir.str()), 0);
  EXPECT_EQ(Bytes(c), Bytes(Defaults()));
  EXPECT_FALSE(std::filesystem::exists(dir / kInetConfigName));
}

TEST(InternetConfig, ProgramWideInstanceFollowsTheOpenStation) {
  TempDir dir;
  CloseInetConfig();
  EXPECT_EQ(GetInetConfig(), nullptr);
  const auto buffer = Bytes(Defaults());
  EXPECT_EQ(SetInetConfig(buffer.data()), 0);

  OpenInetConfig(dir.str());
  ASSERT_NE(GetInetConfig(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir / kInetConfigName));
  auto changed = Defaults();
  StoreText(changed.ftp_user, sizeof changed.ftp_user, "module");
  EXPECT_EQ(SetInetConfig(&changed), 1);
  EXPECT_EQ(ReadBytes(dir / kInetConfigName), Bytes(changed));
  // The record in memory is not changed by SetInetConfig.
  EXPECT_EQ(LoadText(GetInetConfig()->ftp_user, 64), "");
  CloseInetConfig();
  EXPECT_EQ(GetInetConfig(), nullptr);
}

TEST(InternetConfig, ConvertedOlderStationGetsItsConfiguration) {
  TempDir dir;
  InstallInetConfigHooks();
  WriteBytes(dir / "STATION.CFG", std::vector<std::uint8_t>(kOldStationRecordSize, 0));
  WriteBytes(dir / kOldInetConfigName, OldFile());
  Station station;
  std::string message;
  ASSERT_EQ(OpenStation(station, dir.str(), &message), 0) << message;
  InternetConfiguration c;
  ASSERT_TRUE(DecodeInetConfig(ReadBytes(dir / kInetConfigName).data(), kInetConfigSize, c));
  EXPECT_EQ(LoadText(c.ftp_host, sizeof c.ftp_host), "old.host");
  StationOpened() = {};
}

}  // namespace
}  // namespace sq
