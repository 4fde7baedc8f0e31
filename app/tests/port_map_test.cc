// Stable device names in the port map: a COM port whose tty has a link under
// /dev/serial/by-id gets that link as its line.
#include "app/port_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

TEST(PortMapTest, StableNamesReplaceNumberedDevices) {
  testing::TempDir dir;
  const fs::path dev = fs::path(dir.str()) / "dev";
  const fs::path by_id = dev / "serial" / "by-id";
  fs::create_directories(by_id);
  for (const char* tty : {"ttyUSB0", "ttyUSB1"}) std::ofstream(dev / tty).put('\n');
  // udev writes relative links, as here.
  const std::string stable = (by_id / "usb-Maker_Bridge_A1B2-if00-port0").string();
  fs::create_symlink("../../ttyUSB1", stable);
  fs::create_symlink("../../ttyUSB9", by_id / "usb-Gone_Adapter-if00-port0");  // dangling

  PortMap map;
  map.SetSystemDevices({(dev / "ttyUSB0").string(), (dev / "ttyUSB1").string()});
  EXPECT_EQ(PortMap::StableDevicePath((dev / "ttyUSB1").string(), by_id.string()), stable);
  EXPECT_EQ(PortMap::StableDevicePath(stable, by_id.string()), stable) << "a stable name stays";
  EXPECT_FALSE(PortMap::StableDevicePath((dev / "ttyUSB0").string(), by_id.string())) << "no link to it";
  EXPECT_FALSE(PortMap::StableDevicePath((dev / "ttyUSB9").string(), by_id.string())) << "no such device";
  EXPECT_FALSE(PortMap::StableDevicePath((dev / "ttyUSB1").string(), (dev / "none").string()));

  // COM2 is the second system device: its line becomes the stable name, once.
  EXPECT_EQ(map.PreferStablePath(2, by_id.string()), stable);
  EXPECT_EQ(map.MappedPath(2), stable);
  EXPECT_EQ(map.Serialize(), "\n" + stable + "\n");
  EXPECT_FALSE(map.PreferStablePath(2, by_id.string())) << "already stable";
  EXPECT_FALSE(map.PreferStablePath(1, by_id.string())) << "COM1 has no stable name";
  EXPECT_FALSE(map.PreferStablePath(7, by_id.string())) << "COM7 has no device";
  EXPECT_EQ(map.Serialize(), "\n" + stable + "\n");

  // A mapped numbered device is replaced the same way.
  PortMap mapped;
  ASSERT_EQ(mapped.SetDevice(1, (dev / "ttyUSB1").string()), 0);
  EXPECT_EQ(mapped.PreferStablePath(1, by_id.string()), stable);
  EXPECT_EQ(mapped.MappedPath(1), stable);
}

}  // namespace
}  // namespace sq
