// Internet settings by key: validation before anything changes, masked passwords,
// image and report sets by name.
#include "publish/inet_settings.h"

#include <gtest/gtest.h>

#include "app/station.h"

namespace sq {
namespace {

TEST(InetSettings, AllOrNothingWithOneMessagePerRefusal) {
  InternetConfiguration c;
  c.SetDefaults();
  std::vector<std::string> errors;
  EXPECT_EQ(
      ApplyInetSettings(c, {"ftp-host=ftp.example.org", "ftp-port=0", "bogus=1", "local-folder=rel/path"}, &errors), 3);
  EXPECT_EQ(errors.size(), 3u);
  EXPECT_EQ(LoadText(c.ftp_host, 64), "");  // nothing applied

  errors.clear();
  ASSERT_EQ(
      ApplyInetSettings(c,
                        {"ftp-host=ftp.example.org", "ftp-port=2121", "ftp-password=s3cret", "passive=on",
                         "proxy-mode=default-no-script", "connection=lan", "ftp-security=sftp", "local-folder=/srv/w"},
                        &errors),
      0)
      << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(c.ftp_port, 2121);
  EXPECT_EQ(c.passive, 1);
  EXPECT_EQ(c.proxy_mode, kProxyDefault);
  EXPECT_EQ(c.default_proxy_script, 0);
  EXPECT_EQ(c.connection_type, kConnectThroughLan);
  EXPECT_EQ(InetSettingValue(c, "ftp-password"), "(set)");
  EXPECT_EQ(InetSettingValue(c, "proxy-mode"), "default-no-script");
  EXPECT_EQ(InetSettingValue(c, "ftp-security"), "sftp");
  EXPECT_EQ(InetSettingValue(c, "dialup-password"), "(not set)");
  for (const auto& k : InetSettingKeys()) {
    EXPECT_EQ(InetSettingValue(c, k.key).find("s3cret"), std::string::npos) << k.key;
  }
}

TEST(InetSettings, TextsThatDoNotFitOrClimbOutAreRefused) {
  InternetConfiguration c;
  c.SetDefaults();
  std::vector<std::string> errors;
  EXPECT_EQ(ApplyInetSettings(c, {"ftp-host=" + std::string(64, 'h')}, &errors), 1);
  EXPECT_EQ(ApplyInetSettings(c, {"ftp-host=" + std::string(63, 'h')}, &errors), 0);
  EXPECT_EQ(ApplyProfileSettings(c.Profile(1), {"page-folder=../up"}, &errors), 1);
  EXPECT_EQ(ApplyProfileSettings(c.Profile(1), {"page-extension=.htm"}, &errors), 1);
}

TEST(InetSettings, ProfileKeys) {
  UploadParameters p{};
  std::vector<std::string> errors;
  ASSERT_EQ(ApplyProfileSettings(p,
                                 {"enabled=yes", "interval=15", "sync=00:03", "reports=noaa-month,archive-2day,wu",
                                  "current-images=OutsideTemp.gif,barometer", "historical-images=all", "span=6h"},
                                 &errors),
            0)
      << (errors.empty() ? "" : errors[0]);
  EXPECT_EQ(p.interval, 15);
  EXPECT_EQ(p.sync_time, 3);
  EXPECT_EQ(p.reports, 0x001u | 0x080u | 0x200u);
  EXPECT_EQ(p.report_count, 3);
  EXPECT_EQ(p.current_images[0], (1u << 1) | (1u << 17));
  EXPECT_EQ(p.current_image_count, 2);
  EXPECT_EQ(p.historical_images[0], 0xFFFFFFFFu);
  EXPECT_EQ(p.historical_images[1], 0xFFFFu);
  EXPECT_EQ(p.historical_image_count, 48);
  EXPECT_EQ(p.span, 11u);
  EXPECT_EQ(ProfileSettingValue(p, "current-images"), "OutsideTemp.gif,Barometer.gif");
  EXPECT_EQ(ProfileSettingValue(p, "reports"), "noaa-month,archive-2day,wu");
  EXPECT_EQ(ProfileSettingValue(p, "sync"), "00:03");

  const std::vector<std::pair<std::string, const char*>> refused = {
      {"interval=7", "not an offered interval"},
      {"sync=24:00", "not a time of day"},
      {"sync=3:00", "not HH:MM"},
      {"reports=noaa-decade", "unknown report"},
      {"current-images=Nothing.gif", "unknown image"},
      {"span=forever", "unknown span"},
  };
  for (const auto& [assignment, legend] : refused) {
    SCOPED_TRACE(legend);
    errors.clear();
    EXPECT_EQ(ApplyProfileSettings(p, {assignment}, &errors), 1);
    ASSERT_EQ(errors.size(), 1u);
  }
  EXPECT_EQ(p.interval, 15);
}

}  // namespace
}  // namespace sq
