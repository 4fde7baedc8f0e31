// HttpClient: one HTTP GET with a time limit and a cap on the body, behind a small
// interface so that the web download can be tested against a fake as well as against
// a server on loopback. CurlHttpClient is the real one.
//
// The outcome separates the cases a caller words differently: no answer at all (name
// not found, refused, no response), an answer that is not a success status, a body
// that broke off (connection closed early, time limit reached while it arrived) and a
// body larger than the caller allowed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/clock.h"

namespace sq {

enum class HttpOutcome {
  kOk,          // a 2xx status and the whole body
  kNoAnswer,    // nothing received: resolving, connecting or sending failed, or no response
  kHttpStatus,  // the server answered with a status other than 2xx
  kCut,         // the body began but did not end (closed, reset or out of time)
  kTimedOut,    // the time limit passed before any of the body arrived
  kTooLarge,    // the body exceeded max_body; `body` holds its first max_body bytes
};

struct HttpRequest {
  std::string url;
  int timeout_ms = 30000;        // the whole request, connecting included
  std::size_t max_body = 65536;  // bytes kept; more ends the request with kTooLarge
};

struct HttpResponse {
  HttpOutcome outcome = HttpOutcome::kNoAnswer;
  long status = 0;    // HTTP status, 0 when none arrived
  std::string body;   // raw bytes
  std::string error;  // the client's own words for a failure, for the log
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  [[nodiscard]] virtual HttpResponse Get(const HttpRequest& request) = 0;
};

// libcurl's easy interface. Only http and https URLs are fetched (also after a
// redirect, of which at most three are followed). The time limit is kept on `clock`
// (so a fake clock decides when it has passed) and, as a backstop, by libcurl itself.
// `clock` must outlive the client.
class CurlHttpClient final : public HttpClient {
 public:
  explicit CurlHttpClient(Clock& clock = Clock::Default());
  [[nodiscard]] HttpResponse Get(const HttpRequest& request) override;

 private:
  Clock& clock_;
};

// The text with every byte outside A-Z a-z 0-9 - . _ ~ written as %XX (upper-case
// hex), for a value in a query string.
[[nodiscard]] std::string UrlEncode(std::string_view text);

}  // namespace sq
