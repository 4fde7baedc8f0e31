// The channels: opening errors, time-out profiles, peeking and clearing, USB bridge
// selection.
#include <gtest/gtest.h>

#include <fstream>

#include "link/comm_error.h"
#include "link/corvale_session.h"
#include "link/rs232_comm_protocol.h"
#include "link/tcp.h"
#include "link/tests/link_test_util.h"
#include "link/usb_comm_protocol.h"

namespace sq {
namespace {

using testing::Bytes;
using testing::ScriptedPeer;
using testing::TempDir;

CommSettings SerialOn(const std::string& path, LinkClock* clock) {
  CommSettings s;
  s.device_path = path;
  s.clock = clock;
  return s;
}

TEST(SerialTransport, OpenErrors) {
  FakeLinkClock clock;
  {
    SCOPED_TRACE("missing device");
    RS232CommProtocol t(SerialOn("/nonexistent/tty", &clock));
    EXPECT_EQ(t.OpenPort(), 0);
    EXPECT_EQ(t.GetErrorCode(), kErrNoPort);
    EXPECT_TRUE(t.status() & kStatusNoPort);
  }
  {
    SCOPED_TRACE("port 0 without a path");
    CommSettings s = SerialOn("", &clock);
    s.port_number = 0;
    RS232CommProtocol t(s);
    EXPECT_EQ(t.OpenPort(), 0);
    EXPECT_EQ(t.GetErrorCode(), kErrNoPort);
  }
  {
    SCOPED_TRACE("a file that is not a terminal is named, not numbered");
    TempDir dir;
    const std::string file = (dir.path() / "plain").string();
    { std::ofstream(file) << "x"; }
    CorvaleSession session(SerialOn(file, &clock));
    EXPECT_FALSE(session.Open());
    EXPECT_EQ(DescribeCommError(session), "'" + file + "' is not a serial device");
  }
  {
    SCOPED_TRACE("port held by another user");
    ScriptedPeer peer;
    RS232CommProtocol first(SerialOn(peer.path(), &clock));
    ASSERT_EQ(first.OpenPort(), 1);
    RS232CommProtocol second(SerialOn(peer.path(), &clock));
    EXPECT_EQ(second.OpenPort(), 0);
    EXPECT_EQ(second.GetErrorCode(), kErrPortInUse);
    EXPECT_TRUE(second.status() & kStatusInUse);
    EXPECT_FALSE(second.status() & kStatusPortOpen);
  }
}

TEST(SerialTransport, ReadWriteTimeoutAndClose) {
  FakeLinkClock clock;
  ScriptedPeer peer;
  RS232CommProtocol t(SerialOn(peer.path(), &clock));
  EXPECT_EQ(t.GetCharFromDev(), -1) << "closed port reads nothing";
  EXPECT_EQ(t.PutCharInDev('x'), -1);
  ASSERT_EQ(t.OpenPort(), 1);
  EXPECT_EQ(t.status() & kStatusUsable, kStatusUsable);
  t.SetSystemTimeOuts(0);
  ASSERT_EQ(t.PutStrInDev("ABC"), 0);
  EXPECT_EQ(peer.Received(), Bytes("ABC"));
  peer.Send("Z");
  EXPECT_EQ(t.GetCharFromDev(), 'Z');
  const auto before = clock.NowMs();
  EXPECT_EQ(t.GetCharFromDev(), -1);
  EXPECT_EQ(t.GetErrorCode(), kErrTimeout);
  EXPECT_EQ(t.status() & (kStatusIoError | kStatusTimeout), kStatusIoError | kStatusTimeout);
  EXPECT_EQ(clock.NowMs() - before, 3025) << "profile 0: 3000 ms plus 25 ms for one byte";
  t.status() |= kStatusLinked | kStatusCarrier;
  EXPECT_EQ(t.ClosePort(), 1);
  EXPECT_EQ(t.status() & (kStatusPortOpen | kStatusLinked | kStatusCarrier), 0u);
  EXPECT_EQ(t.handle(), 0u);
}

TEST(SerialTransport, PeekedByteIsReadNextAndClearedByClear) {
  FakeLinkClock clock;
  ScriptedPeer peer;
  RS232CommProtocol t(SerialOn(peer.path(), &clock));
  ASSERT_EQ(t.OpenPort(), 1);
  EXPECT_EQ(t.CharAvailable(), 0);
  peer.Send("AB");
  ASSERT_EQ(t.CharAvailable(), 1);
  EXPECT_EQ(t.pushed_back(), 'A');
  EXPECT_EQ(t.GetCharFromDev(), 'A');
  EXPECT_EQ(t.GetCharFromDev(), 'B');
  peer.Send("CDEFG");
  ASSERT_EQ(t.CharAvailable(), 1);
  t.ClearReceiveBuffer();
  EXPECT_EQ(t.pushed_back(), 0xFFFF);
  EXPECT_EQ(t.GetCharFromDev(), -1) << "everything pending was discarded";
}

TEST(SerialTransport, SpeedsWithoutATermiosConstant) {
  FakeLinkClock clock;
  ScriptedPeer peer;
  CommSettings s = SerialOn(peer.path(), &clock);
  s.baud_rate = 14400;
  RS232CommProtocol t(s);
  ASSERT_EQ(t.OpenPort(), 1);
  termios attrs{};
  ASSERT_EQ(::tcgetattr(static_cast<int>(t.handle()) - 1, &attrs), 0);
  EXPECT_NE(::cfgetospeed(&attrs), B19200) << "14400 must not silently become another speed";
}

TEST(TimeoutProfiles, ModemSubstitutesProfilesZeroAndEight) {
  FakeLinkClock clock;
  ScriptedPeer peer;
  CommSettings s = SerialOn(peer.path(), &clock);
  s.modem = 1;
  RS232CommProtocol t(s);
  EXPECT_TRUE(t.status() & kStatusModem);
  t.SetSystemTimeOuts(0);
  EXPECT_EQ(t.profile(), 7);
  t.SetSystemTimeOuts(8);
  EXPECT_EQ(t.profile(), 9);
  t.SetSystemTimeOuts(11);
  EXPECT_EQ(t.profile(), 9) << "out-of-range profiles are ignored";
  t.SetSystemTimeOuts(5);
  t.SaveTimeOuts();
  t.SetSystemTimeOuts(1);
  t.RestoreTimeOuts();
  EXPECT_EQ(t.profile(), 5);
}

TEST(UsbTransport, PicksTheBridgeByItsSerialNumber) {
  testing::TempDir dir;
  namespace fs = std::filesystem;
  auto add = [&](const std::string& tty, const std::string& serial) {
    const fs::path usb = dir.path() / "devices" / ("usb-" + tty);
    fs::create_directories(usb / "intf" / tty);
    std::ofstream(usb / "serial") << serial << "\n";
    fs::create_directories(dir.path() / "class" / tty);
    fs::create_directory_symlink(usb / "intf" / tty, dir.path() / "class" / tty / "device");
  };
  add("ttyUSB0", "0001");
  add("ttyUSB1", "1700000042");
  fs::create_directories(dir.path() / "class" / "ttyS0");  // not a USB device
  const std::string cls = (dir.path() / "class").string();
  EXPECT_EQ(FindUsbTty(cls, "/dev", 1700000042), "/dev/ttyUSB1");
  EXPECT_EQ(FindUsbTty(cls, "/dev", 1), "/dev/ttyUSB0") << "1 is the first bridge";
  EXPECT_FALSE(FindUsbTty(cls, "/dev", 77));

  FakeLinkClock clock;
  CommSettings s;
  s.connection_type = kConnUsb;
  s.usb_device_id = 77;
  s.baud_rate = 2400;
  s.sysfs_tty_root = cls;
  s.clock = &clock;
  USBCommProtocol usb(s);
  EXPECT_EQ(usb.settings().baud_rate, 19200);
  EXPECT_EQ(usb.OpenPort(), 0);
  EXPECT_EQ(usb.GetErrorCode(), kErrUsbNotFound);
  EXPECT_TRUE(usb.status() & kStatusUsbError);
}

TEST(TcpTransport, RefusedConnectionReportsTheNetworkError) {
  FakeLinkClock clock;
  CommSettings s;
  s.connection_type = kConnTcp;
  s.host = "127.0.0.1";
  s.tcp_port = "1";  // nothing listens on port 1
  s.clock = &clock;
  TCP t(s);
  EXPECT_EQ(t.OpenPort(), 0);
  EXPECT_LE(t.GetErrorCode(), -19);
  EXPECT_GE(t.GetErrorCode(), -33);
  EXPECT_TRUE(t.status() & kStatusInUse);
  EXPECT_NE(t.last_error_text().find("In OpenComPort()"), std::string::npos);
}

}  // namespace
}  // namespace sq
