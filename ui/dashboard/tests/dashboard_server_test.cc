// The server on 127.0.0.1: headers, the read-only rule, the password, the event stream,
// many clients while a loop keeps publishing, and a clean stop with clients connected.
#include "ui/dashboard/dashboard_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

namespace sq::dashboard {
namespace {

using json = nlohmann::json;

BulletinData Packet(float temp) {
  BulletinData d;
  d.have_data = true;
  d.packet_unix_ms = 1720800000000;
  d.packet_date = 2024 * 65536 + 7 * 256 + 12;
  d.outside_temp.Observe(temp, 600);
  return d;
}

struct Served {
  explicit Served(std::string password = "") {
    DashboardServerOptions o;
    o.listen = ListenAddress{"127.0.0.1", 0};
    o.password = std::move(password);
    o.keepalive_ms = 50;
    server = std::make_unique<DashboardServer>(state, "/nonexistent", clock, o);
    std::string error;
    EXPECT_TRUE(server->Start(&error)) << error;
  }
  httplib::Client Client() {
    httplib::Client c("127.0.0.1", server->port());
    c.set_read_timeout(20, 0);
    return c;
  }
  SystemClock clock;
  DashboardState state;
  std::unique_ptr<DashboardServer> server;
};

TEST(DashboardServer, HeadersReadOnlyAndPassword) {
  Served s;
  auto c = s.Client();
  auto r = c.Get("/api/status");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_NE(r->get_header_value("Content-Security-Policy").find("default-src 'none'"), std::string::npos);
  EXPECT_EQ(r->get_header_value("X-Content-Type-Options"), "nosniff");
  r = c.Post("/api/current", "x", "text/plain");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 405);
  EXPECT_NE(r->get_header_value("Content-Security-Policy"), "");
  r = c.Get(("/api/records?vars=" + std::string(9000, 'a')).c_str());  // longer than any request line we take
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status / 100, 4);

  Served locked("s3cret");
  auto l = locked.Client();
  r = l.Get("/api/status");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 401);
  EXPECT_NE(r->get_header_value("WWW-Authenticate").find("Basic"), std::string::npos);
  l.set_basic_auth("anyone", "wrong");
  EXPECT_EQ(l.Get("/")->status, 401);
  l.set_basic_auth("anyone", "s3cret");
  EXPECT_EQ(l.Get("/")->status, 200);
  EXPECT_EQ(l.Get("/api/events?units=kelvin")->status, 400);  // the stream checks its input too
}

TEST(DashboardServer, EventStreamCarriesEachPacket) {
  Served s;
  s.state.Publish(Packet(70.0f), 0);
  std::atomic<int> events{0};
  std::atomic<bool> finished{false};
  std::string seen;
  std::thread reader([&] {
    auto c = s.Client();
    c.Get("/api/events", [&](const char* data, std::size_t n) {
      seen.append(data, n);
      int count = 0;
      for (std::size_t at = seen.find("event: current"); at != std::string::npos;
           at = seen.find("event: current", at + 1))
        ++count;
      events = count;
      return count < 2;  // the state at connection, then the next packet
    });
    finished = true;
  });
  while (events.load() < 1 && !finished) std::this_thread::yield();
  s.state.Publish(Packet(71.5f), 1);
  reader.join();
  EXPECT_EQ(events.load(), 2);
  EXPECT_NE(seen.find("\"outside_temperature\":70.0"), std::string::npos);
  EXPECT_NE(seen.find("\"outside_temperature\":71.5"), std::string::npos);
}

TEST(DashboardServer, ManyClientsWhileTheLoopPublishesAndACleanStop) {
  Served s;
  s.state.Publish(Packet(60.0f), 0);  // the first packet came before any client
  std::atomic<bool> done{false};
  std::atomic<int> published{0};
  std::thread loop([&] {  // the run loop's side: a packet after another, never waiting for a page
    while (!done) {
      s.state.Publish(Packet(60.0f + static_cast<float>(published % 10)), published);
      ++published;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the loop's next tick
    }
  });
  std::atomic<int> ok{0};
  std::vector<std::thread> clients;
  for (int i = 0; i < 8; ++i) {
    clients.emplace_back([&] {
      auto c = s.Client();
      for (int k = 0; k < 20; ++k) {
        auto r = c.Get(k % 2 ? "/api/current" : "/");
        if (r && r->status == 200)
          ++ok;
        else
          ADD_FAILURE() << (r ? "status " + std::to_string(r->status) : httplib::to_string(r.error()));
      }
    });
  }
  for (auto& t : clients) t.join();
  done = true;
  loop.join();
  EXPECT_EQ(ok.load(), 160);
  EXPECT_GT(published.load(), 0);

  // A live page stays connected; stopping the server ends its stream and joins.
  std::thread listener([&] {
    auto c = s.Client();
    c.Get("/api/events", [](const char*, std::size_t) { return true; });
  });
  for (int i = 0; i < 20000 && s.state.StreamClients() == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  s.server->Stop();
  listener.join();
  SUCCEED();
}

}  // namespace
}  // namespace sq::dashboard
