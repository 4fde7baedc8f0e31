#include "ui/dashboard/dashboard_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "ui/dashboard/dashboard_api.h"

namespace sq::dashboard {
namespace {

constexpr std::size_t kMaxAuthorization = 1024;
constexpr int kListenBacklog = 256;
constexpr int kMaxDescriptorScan = 4096;

// The HTTP library listens with a backlog of 5: a burst of clients (a phone and two
// tabs reconnecting, a script) then waits a second or more for the kernel to retry
// their connections, or fails. listen() on a listening socket only changes its backlog,
// so the library's socket, found by its port, gets a deeper one.
void DeepenBacklog(int port) {
  for (int fd = 3; fd < kMaxDescriptorScan; ++fd) {
    int listening = 0;
    socklen_t len = sizeof listening;
    if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) != 0 || listening == 0) continue;
    sockaddr_storage addr{};
    socklen_t alen = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &alen) != 0) continue;
    int bound = -1;
    if (addr.ss_family == AF_INET) bound = ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
    if (addr.ss_family == AF_INET6) bound = ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port);
    if (bound == port) (void)::listen(fd, kListenBacklog);
  }
}

// Standard base64 without line breaks; nothing for anything else.
std::optional<std::string> Base64Decode(std::string_view in) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  while (!in.empty() && in.back() == '=') in.remove_suffix(1);
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : in) {
    const int v = value(c);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

void AddSecurityHeaders(httplib::Response& res) {
  for (const SecurityHeader& h : kSecurityHeaders) res.set_header(h.name, h.value);
}

void Answer(const HttpResponse& r, httplib::Response& res) {
  res.status = r.status;
  if (r.stream) {
    auto stream = r.stream;
    res.set_chunked_content_provider(r.content_type, [stream](std::size_t, httplib::DataSink& sink) {
      stream([&sink](std::string_view piece) { return sink.write(piece.data(), piece.size()); });
      sink.done();
      return true;
    });
  } else {
    res.set_content(r.body, r.content_type.c_str());
  }
}

}  // namespace

bool AuthorizationMatches(std::string_view header, std::string_view password) {
  constexpr std::string_view kBasic = "Basic ";
  if (header.size() > kMaxAuthorization || !header.starts_with(kBasic)) return false;
  const auto decoded = Base64Decode(header.substr(kBasic.size()));
  if (!decoded) return false;
  const auto colon = decoded->find(':');
  if (colon == std::string::npos) return false;
  return ConstantTimeEquals(std::string_view(*decoded).substr(colon + 1), password);
}

struct DashboardServer::Impl {
  Impl(DashboardContext c, DashboardServerOptions o) : context(std::move(c)), options(std::move(o)) {}
  httplib::Server server;
  DashboardContext context;
  DashboardServerOptions options;
};

DashboardServer::DashboardServer(DashboardState& state, std::string program_folder, Clock& clock,
                                 DashboardServerOptions options)
    : state_(state),
      impl_(std::make_unique<Impl>(DashboardContext{state, std::move(program_folder), clock}, std::move(options))) {}

DashboardServer::~DashboardServer() { Stop(); }

bool DashboardServer::Start(std::string* error) {
  Impl& im = *impl_;
  const DashboardServerOptions& o = im.options;
  const int threads = o.worker_threads + o.max_event_clients;
  // The library owns the queue it asks for.
  im.server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
  im.server.set_read_timeout(5, 0);
  im.server.set_write_timeout(5, 0);
  im.server.set_keep_alive_timeout(5);
  im.server.set_payload_max_length(4096);  // nothing here takes a body

  auto authorised = [&im](const httplib::Request& req, httplib::Response& res) {
    if (im.options.password.empty()) return true;
    if (AuthorizationMatches(req.get_header_value("Authorization"), im.options.password)) return true;
    AddSecurityHeaders(res);
    res.set_header("WWW-Authenticate", "Basic realm=\"Stratoquill\", charset=\"UTF-8\"");
    Answer(JsonError(401, "this dashboard asks for its password"), res);
    return false;
  };

  im.server.Get("/api/events", [this, &im, authorised](const httplib::Request& req, httplib::Response& res) {
    if (!authorised(req, res)) return;
    AddSecurityHeaders(res);
    HttpRequest r{req.path, {req.params.begin(), req.params.end()}};
    if (auto bad = CheckParams(r, {"units"})) return Answer(*bad, res);
    UnitSystem system{};
    if (!UnitsParam(r, &system)) return Answer(JsonError(400, "units must be display or native"), res);
    if (!state_.AddStreamClient(im.options.max_event_clients)) {
      return Answer(JsonError(503, "too many live pages are open; close one and reload"), res);
    }
    // The first event is the state as it is now; then one per packet.
    auto last = std::make_shared<std::uint64_t>(0);
    auto first = std::make_shared<bool>(true);
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, &im, system, last, first](std::size_t, httplib::DataSink& sink) {
          if (state_.Stopping()) {
            sink.done();
            return true;
          }
          std::string out;
          if (*first) {
            *first = false;
            *last = state_.Current().sequence;
            out = "retry: 3000\nevent: current\ndata: " + EventJson(im.context, system) + "\n\n";
          } else {
            const std::uint64_t seq = state_.WaitForUpdate(*last, im.options.keepalive_ms);
            if (state_.Stopping()) {
              sink.done();
              return true;
            }
            if (seq == *last) {
              out = ": still here\n\n";
            } else {
              *last = seq;
              out = "event: current\ndata: " + EventJson(im.context, system) + "\n\n";
            }
          }
          return sink.write(out.data(), out.size());
        },
        [this](bool) { state_.RemoveStreamClient(); });
  });

  im.server.Get(".*", [&im, authorised](const httplib::Request& req, httplib::Response& res) {
    if (!authorised(req, res)) return;
    AddSecurityHeaders(res);
    Answer(HandleRequest(im.context, HttpRequest{req.path, {req.params.begin(), req.params.end()}}), res);
  });
  auto not_allowed = [](const httplib::Request&, httplib::Response& res) {
    AddSecurityHeaders(res);
    res.set_header("Allow", "GET, HEAD");
    Answer(JsonError(405, "the dashboard is read-only: only GET is answered"), res);
  };
  im.server.Post(".*", not_allowed);
  im.server.Put(".*", not_allowed);
  im.server.Patch(".*", not_allowed);
  im.server.Delete(".*", not_allowed);
  im.server.Options(".*", not_allowed);
  // Errors the library finds itself (a request line too long, a bad request).
  im.server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    AddSecurityHeaders(res);
    const int status = res.status;
    const char* why = status == 414 ? "the request is too long" : status == 404 ? "not found" : "bad request";
    res.set_content(JsonError(status, why).body, "application/json");
  });
  im.server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    AddSecurityHeaders(res);
    Answer(JsonError(500, "the server could not answer this request"), res);
  });

  const ListenAddress& a = o.listen;
  if (a.port == 0) {
    port_ = im.server.bind_to_any_port(a.host);
    if (port_ <= 0) {
      if (error) *error = "cannot listen on " + a.host;
      return false;
    }
  } else {
    if (!im.server.bind_to_port(a.host, a.port)) {
      if (error)
        *error = "cannot listen on " + a.host + ":" + std::to_string(a.port) +
                 " (in use, or not an address of this computer)";
      return false;
    }
    port_ = a.port;
  }
  DeepenBacklog(port_);
  thread_ = std::thread([&im] { im.server.listen_after_bind(); });
  // A stop before the listener runs would be lost: wait (at most two seconds) until it does.
  for (int i = 0; i < 2000 && !im.server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void DashboardServer::Stop() {
  state_.Stop();
  if (impl_) impl_->server.stop();
  if (thread_.joinable()) thread_.join();
}

}  // namespace sq::dashboard
