// The dashboard's HTTP server, inside `stratoquill run`.
//
// Threading. The server runs on threads of its own: one accepts connections and a small
// pool answers them. The run loop never waits for it: the loop hands each packet's
// current conditions to DashboardState (a copy under a lock held for microseconds) and
// goes on with its tick. Serving from the loop's own poll instead would be simpler to
// reason about, but one slow client, a year of records or a plot would then hold up the
// console's packets, the download schedule and the uploads for as long as it takes;
// with threads the worst a client can do is occupy a worker. What the workers read is
// either a copy taken under the state's lock or the station's files, opened read-only
// per request (the database's readers take no lock and see only whole, flushed pages).
// The program-wide display settings are set at start-up and only read afterwards.
//
// Shutdown is RAII: the destructor (or Stop) wakes every event stream, stops the
// listener and joins the thread, so nothing outlives the run loop's objects.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "foundation/clock.h"
#include "ui/dashboard/dashboard_config.h"
#include "ui/dashboard/dashboard_state.h"

namespace sq::dashboard {

struct DashboardServerOptions {
  ListenAddress listen;
  std::string password;               // empty: none asked (loopback only)
  int worker_threads = 8;             // for pages and the API
  int max_event_clients = 8;          // live pages at a time; each holds a thread of its own
  std::int64_t keepalive_ms = 15000;  // a comment on idle event streams
};

class DashboardServer {
 public:
  DashboardServer(DashboardState& state, std::string program_folder, Clock& clock, DashboardServerOptions options);
  ~DashboardServer();
  DashboardServer(const DashboardServer&) = delete;
  DashboardServer& operator=(const DashboardServer&) = delete;

  // Binds the address (port 0: any free port) and starts serving. False with *error.
  [[nodiscard]] bool Start(std::string* error);
  // The bound port once started.
  [[nodiscard]] int port() const { return port_; }
  // Ends every connection and joins the server's thread; safe to call twice.
  void Stop();

 private:
  struct Impl;
  DashboardState& state_;
  std::unique_ptr<Impl> impl_;
  std::thread thread_;
  int port_ = 0;
};

// The headers every answer carries (a strict Content-Security-Policy among them).
struct SecurityHeader {
  const char* name;
  const char* value;
};
inline constexpr SecurityHeader kSecurityHeaders[] = {
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
     "base-uri 'none'; form-action 'self'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
};

// True when an Authorization header carries `password` (HTTP Basic, any user name).
[[nodiscard]] bool AuthorizationMatches(std::string_view header, std::string_view password);

}  // namespace sq::dashboard
