// Session ownership and idle closing, the console search over a port map of
// pseudo-terminals, the port test, logger discovery and the older family's commands.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>
#include <map>

#include "link/brisant_session.h"
#include "link/corvale_session.h"
#include "link/crc16.h"
#include "link/device_finder.h"
#include "link/port_test.h"
#include "link/serial_port_manager.h"
#include "link/tcp.h"
#include "link/tests/link_test_util.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

using testing::Bytes;
using testing::PtyResponder;

TEST(SerialPortManager, FourSlotsFamiliesAndIdleClosing) {
  FakeLinkClock clock;
  sim::ConsoleSim sim({});
  ASSERT_TRUE(sim.StartPty());
  SerialPortManager manager;
  CommSettings s;
  s.device_path = sim.device_path();
  s.clock = &clock;
  s.idle_seconds = 2;
  CommSettings odd = s;
  odd.console_family = 5;
  EXPECT_EQ(manager.CreateSession(odd), nullptr) << "unknown family";
  SerialSession* corvale = manager.CreateSession(s);
  ASSERT_NE(corvale, nullptr);
  EXPECT_NE(dynamic_cast<CorvaleSession*>(corvale), nullptr);
  CommSettings older = s;
  older.console_family = kFamilyBrisant;
  older.device_path = "/nonexistent/tty";
  EXPECT_NE(dynamic_cast<BrisantSession*>(manager.CreateSession(older)), nullptr);
  CommSettings probe = older;
  probe.console_family = kFamilyProbe;
  EXPECT_NE(manager.CreateSession(probe), nullptr);
  EXPECT_NE(manager.CreateSession(probe), nullptr);
  EXPECT_EQ(manager.CreateSession(probe), nullptr) << "a fifth session is refused";

  ConsoleTime t;
  ASSERT_EQ(corvale->GetTime(t), 0);
  EXPECT_EQ(corvale->idleCountdown(), 2);
  manager.Tick();
  EXPECT_TRUE(corvale->status() & kStatusPortOpen);
  manager.Tick();
  EXPECT_FALSE(corvale->status() & kStatusPortOpen) << "closed after two idle seconds";
  EXPECT_EQ(manager.session(0), corvale) << "the session stays";
  ASSERT_EQ(corvale->GetTime(t), 0) << "and reopens on the next command";
  EXPECT_FALSE(manager.AnyModemConnected());

  EXPECT_EQ(manager.CloseSession(corvale), 0);
  EXPECT_EQ(manager.CloseSession(corvale), -1);
  EXPECT_NE(manager.CreateSession(s), nullptr) << "the freed slot is used again";
}

TEST(ConsoleSearch, FindsTheConsoleAmongPseudoTerminals) {
  FakeLinkClock clock;
  sim::SimOptions sleeping;
  sleeping.never_wake = true;
  sim::ConsoleSim silent(sleeping);
  sim::SimOptions lumo;
  lumo.model = 17;
  sim::ConsoleSim console(lumo);
  ASSERT_TRUE(silent.StartPty());
  ASSERT_TRUE(console.StartPty());
  CommSettings base;
  base.clock = &clock;
  const std::vector<PortEntry> ports = {{1, "/nonexistent/tty"}, {2, silent.device_path()}, {3, console.device_path()}};
  const auto found = FindConsole(base, ports);
  EXPECT_EQ(found.port, 3);
  EXPECT_EQ(found.model, 17);
  EXPECT_EQ(found.message, "Lumo station found on COM3");
  EXPECT_EQ(gRetryCount, 5) << "the retry count is restored";
  const auto none = FindConsole(base, {ports[0], ports[1]});
  EXPECT_EQ(none.port, 0);
  EXPECT_EQ(none.message, "No station could be found.  Try once more to make sure.");
}

TEST(PortTest, ModemLoopbackAndNothing) {
  FakeLinkClock clock;
  PtyResponder loopback([](const std::vector<std::uint8_t>& in) { return in; });
  PtyResponder modem([](const std::vector<std::uint8_t>& in) {
    const std::string text(in.begin(), in.end());
    return text.find("AT") != std::string::npos ? Bytes("\r\nOK\r\n") : std::vector<std::uint8_t>{};
  });
  PtyResponder mute([](const std::vector<std::uint8_t>&) { return std::vector<std::uint8_t>{}; });
  CommSettings s;
  s.clock = &clock;
  std::string message;
  s.port_number = 4;
  s.device_path = loopback.path();
  EXPECT_EQ(TestSerialPort(s, message), kPortTestLoopback);
  EXPECT_EQ(message, "Loopback connector is on COM4.");
  s.device_path = modem.path();
  EXPECT_EQ(TestSerialPort(s, message), kPortTestNothing);
  EXPECT_EQ(message, "You have a modem on COM4.");
  s.device_path = "/nonexistent/tty";
  EXPECT_EQ(TestSerialPort(s, message), kPortTestNoPort);

  const std::vector<PortEntry> ports = {{1, mute.path()}, {2, "/nonexistent/tty"}, {3, loopback.path()}};
  EXPECT_EQ(FindLoopbackPort(s, ports, 1, message), 3);
  EXPECT_EQ(FindLoopbackPort(s, {ports[0], ports[1]}, 2, message), 0);
  EXPECT_EQ(message, "Could not find loopback connector.");
}

// A logger on loopback: answers the probe with junk of the wrong sizes and one real
// reply, then expects the acknowledgement byte.
class FakeLogger {
 public:
  FakeLogger() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~FakeLogger() {
    thread_.join();
    ::close(fd_);
  }
  std::uint16_t port() const { return port_; }
  bool acknowledged() const { return acked_; }

 private:
  void Run() {
    for (int i = 0; i < 40; ++i) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      std::uint8_t buf[64];
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n == 1 && buf[0] == 0x06) {
        acked_ = true;
        return;
      }
      if (n != 12 || std::memcmp(buf, "discoversqip", 12) != 0) continue;
      std::vector<std::uint8_t> reply(32, 0);
      std::memcpy(reply.data(), "discoversqip", 12);
      const std::uint8_t mac[] = {0x00, 0x30, 0xC2, 0x0A, 0xB1, 0x7F};
      std::memcpy(reply.data() + 12, mac, 6);
      auto send = [&](std::size_t size) {
        ::sendto(fd_, reply.data(), size, 0, reinterpret_cast<sockaddr*>(&from), len);
      };
      send(30);
      send(32);
      send(31);
    }
  }
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> acked_{false};
  std::thread thread_;
};

TEST(DeviceFinder, FindsALoggerOnLoopback) {
  FakeLinkClock clock;
  FakeLogger logger;
  CommSettings s;
  s.clock = &clock;
  s.broadcast_address = "127.0.0.1";
  DeviceFinder finder(s, logger.port());
  std::multimap<std::string, std::string> found;
  EXPECT_EQ(finder.Discover("127.0.0.1", found), 1) << "only the 31-byte reply counts";
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found.begin()->first, "00:30:C2:0A:B1:7F");
  EXPECT_EQ(found.begin()->second, "127.0.0.1");
  for (int i = 0; i < 50 && !logger.acknowledged(); ++i) ::poll(nullptr, 0, 10);
  EXPECT_TRUE(logger.acknowledged());
}

TEST(DeviceFinder, TcpOpenLooksTheLoggerUpByMac) {
  FakeLinkClock clock;
  FakeLogger logger;
  sim::ConsoleSim sim({});
  ASSERT_TRUE(sim.StartTcp(0));
  CommSettings s;
  s.clock = &clock;
  s.connection_type = kConnTcp;
  s.address_fixed = false;
  s.mac_address = "00:30:c2:0a:b1:7f";
  s.broadcast_address = "127.0.0.1";
  s.local_address = "127.0.0.1";
  s.discovery_port = logger.port();
  s.tcp_port = std::to_string(sim.port());
  CorvaleSession session(s);
  ConsoleTime t;
  EXPECT_EQ(session.GetTime(t), 0);

  CommSettings missing = s;
  missing.mac_address = "00:00:00:00:00:01";
  missing.discovery_port = 9;  // nobody answers there
  TCP tcp(missing);
  EXPECT_EQ(tcp.OpenPort(), 0);
  EXPECT_EQ(tcp.GetErrorCode(), kErrNetLoggerNotFound);
  EXPECT_TRUE(tcp.host().empty());
}

TEST(BrisantSession, ThreeLetterCommandsOnTheWire) {
  FakeLinkClock clock;
  PtyResponder console([](const std::vector<std::uint8_t>& in) {
    std::vector<std::uint8_t> out;
    out.reserve(32);
    out.push_back(kAck);
    if (in.size() >= 3 && std::memcmp(in.data(), "WRD", 3) == 0) {
      out.push_back(0x34);
      out.push_back(0x12);
    }
    if (in.size() >= 3 && std::memcmp(in.data(), "SRD", 3) == 0) {
      std::vector<std::uint8_t> image(21, 0x5A);
      const std::uint16_t crc = Crc16(image);
      image.push_back(static_cast<std::uint8_t>(crc >> 8));
      image.push_back(static_cast<std::uint8_t>(crc & 0xFF));
      out.insert(out.end(), image.begin(), image.end());
    }
    return out;
  });
  CommSettings s;
  s.console_family = kFamilyBrisant;
  s.baud_rate = 2400;
  s.device_path = console.path();
  s.clock = &clock;
  BrisantSession session(s);
  std::vector<std::uint8_t> got;
  ASSERT_EQ(session.ReadNibbles(1, 0x4D, 4, got), 0);
  EXPECT_EQ(got, (std::vector<std::uint8_t>{0x34, 0x12}));
  ASSERT_EQ(session.ReadImages(1559, 3, got), 0) << "cut at the end of the ring";
  EXPECT_EQ(got.size(), 21u);
  ASSERT_EQ(session.WriteNibbles(0, 0x10, 2, {0xAB}), 0);
  EXPECT_EQ(session.WriteNibbles(2, 0x10, 2, {0xAB}), -1) << "bank 2 is refused";
  const std::vector<std::uint8_t> expected = {'W',  'R',  'D', 4 * 16 + 1 * 2 + 2,
                                              0x4D, '\r',  // read 4 nibbles, bank 1
                                              'S',  'R',  'D', 0xE3,
                                              0x7F, 20,   0,   '\r',  // image 1559, one image
                                              'W',  'W',  'R', 2 * 16 + 0 * 2 + 1,
                                              0x10, 0xAB, '\r'};  // write 2 nibbles, bank 0
  EXPECT_EQ(console.received(), expected);
}

}  // namespace
}  // namespace sq
