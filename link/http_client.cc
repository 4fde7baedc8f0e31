#include "link/http_client.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace sq {
namespace {

constexpr long kMaxRedirects = 3;
// libcurl's own limit sits a little behind ours, so that ours decides on every clock
// that moves and libcurl's only ends a request on a clock that does not.
constexpr long kBackstopMs = 5000;

using CurlEasy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  std::string* body;
  std::size_t max_body;
  bool too_large = false;
  Clock* clock;
  std::int64_t deadline_ms;
  bool out_of_time = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  const std::size_t room = t->max_body - t->body->size();
  if (n > room) {
    t->body->append(data, room);
    t->too_large = true;
    return 0;  // ends the transfer
  }
  t->body->append(data, n);
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  if (t->clock->MonotonicMs() >= t->deadline_ms) {
    t->out_of_time = true;
    return 1;  // ends the transfer
  }
  return 0;
}

}  // namespace

CurlHttpClient::CurlHttpClient(Clock& clock) : clock_(clock) { GlobalInit(); }

HttpResponse CurlHttpClient::Get(const HttpRequest& request) {
  HttpResponse response;
  CurlEasy curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) {
    response.error = "the HTTP client could not be started";
    return response;
  }
  Transfer t{&response.body, request.max_body, false, &clock_, clock_.MonotonicMs() + request.timeout_ms, false};
  char error[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, "stratoquill");
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeout_ms));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout_ms) + kBackstopMs);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);

  const CURLcode rc = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.status);
  const bool success_status = response.status >= 200 && response.status < 300;
  if (rc != CURLE_OK) response.error = error[0] != '\0' ? error : curl_easy_strerror(rc);

  if (t.too_large) {
    response.outcome = HttpOutcome::kTooLarge;
    response.error = "the answer is larger than " + std::to_string(request.max_body) + " bytes";
  } else if (rc == CURLE_OK) {
    response.outcome = success_status ? HttpOutcome::kOk : HttpOutcome::kHttpStatus;
    if (!success_status) response.error = "HTTP status " + std::to_string(response.status);
  } else if (response.status != 0 && !success_status) {
    response.outcome = HttpOutcome::kHttpStatus;
  } else if (success_status || !response.body.empty()) {
    response.outcome = HttpOutcome::kCut;
  } else if (t.out_of_time || rc == CURLE_OPERATION_TIMEDOUT) {
    response.outcome = HttpOutcome::kTimedOut;
  } else {
    response.outcome = HttpOutcome::kNoAnswer;
  }
  if (t.out_of_time) response.error = "no complete answer within " + std::to_string(request.timeout_ms / 1000) + " s";
  return response;
}

std::string UrlEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                       b == '.' || b == '_' || b == '~';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

}  // namespace sq
