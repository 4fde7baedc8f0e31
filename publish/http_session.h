// HttpSession: the internet session of the weather-network uploads, an HTTP(S) client
// that opens a URL and reads its reply. CurlHttpSession is the libcurl one; tests and
// dry runs put their own in its place.
//
// Open() starts the session (the user agent and the proxy chosen by the internet
// settings' proxy mode), Close() ends it; Get() opens one URL without a cache and reads
// the whole reply, at most kMaxHttpReply bytes and at most the time limit. Single-
// threaded; a session is used by one upload at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace sq {

struct InternetConfiguration;

inline constexpr std::size_t kMaxHttpReply = 64 * 1024;
inline constexpr long kHttpTimeoutMs = 30000;
inline constexpr long kHttpConnectTimeoutMs = 15000;

struct HttpReply {
  bool opened = false;  // the server answered: the URL opened
  bool read = false;    // and its whole reply was read
  long error = 0;       // the internet error number (publish/internet_errors.h) otherwise
  std::string body;
  long status = 0;  // the HTTP status of the answer
};

// How a session reaches the internet: direct, through a named proxy, or through the
// system's proxy (the http_proxy / https_proxy environment).
struct HttpAccess {
  enum class Kind { kDirect, kNamedProxy, kSystemProxy };
  Kind kind = Kind::kDirect;
  std::string proxy;  // kNamedProxy only
};

// The access of the internet settings' proxy mode: 0 direct, 1 the named proxy, 2 the
// system's proxy (with or without its automatic script: there is none here).
[[nodiscard]] HttpAccess AccessFrom(const InternetConfiguration& config);

class HttpSession {
 public:
  virtual ~HttpSession() = default;
  // Starts (or restarts) the session: 0, or the internet error number.
  [[nodiscard]] virtual long Open() = 0;
  virtual void Close() = 0;
  [[nodiscard]] virtual HttpReply Get(const std::string& url) = 0;
};

class CurlHttpSession final : public HttpSession {
 public:
  explicit CurlHttpSession(HttpAccess access, std::string agent, long timeout_ms = kHttpTimeoutMs);
  ~CurlHttpSession() override;
  CurlHttpSession(const CurlHttpSession&) = delete;
  CurlHttpSession& operator=(const CurlHttpSession&) = delete;

  [[nodiscard]] long Open() override;
  void Close() override;
  [[nodiscard]] HttpReply Get(const std::string& url) override;

 private:
  struct Handle;
  HttpAccess access_;
  std::string agent_;
  long timeout_ms_;
  std::unique_ptr<Handle> handle_;
};

}  // namespace sq
