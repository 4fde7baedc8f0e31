#include "publish/http_session.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

#include "app/station.h"
#include "publish/internet_config.h"
#include "publish/internet_errors.h"

namespace sq {
namespace {

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<std::string*>(user);
  const std::size_t n = size * count;
  if (body->size() + n > kMaxHttpReply) return 0;  // ends the transfer: not read whole
  body->append(data, n);
  return n;
}

}  // namespace

HttpAccess AccessFrom(const InternetConfiguration& config) {
  HttpAccess a;
  if (config.proxy_mode == kProxyNamed) {
    a.kind = HttpAccess::Kind::kNamedProxy;
    a.proxy = LoadText(config.proxy_name, sizeof config.proxy_name);
  } else if (config.proxy_mode == kProxyDefault) {
    a.kind = HttpAccess::Kind::kSystemProxy;
  }
  return a;
}

// The easy handle keeps the connection cache of the session.
struct CurlHttpSession::Handle {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl{nullptr, &curl_easy_cleanup};
};

CurlHttpSession::CurlHttpSession(HttpAccess access, std::string agent, long timeout_ms)
    : access_(std::move(access)), agent_(std::move(agent)), timeout_ms_(timeout_ms) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlHttpSession::~CurlHttpSession() = default;

long CurlHttpSession::Open() {
  Close();
  auto h = std::make_unique<Handle>();
  h->curl.reset(curl_easy_init());
  if (!h->curl) return kInetErrorExtended;
  CURL* c = h->curl.get();
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, agent_.c_str());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeout_ms_);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, std::min(timeout_ms_, kHttpConnectTimeoutMs));
  switch (access_.kind) {
    case HttpAccess::Kind::kDirect:
      curl_easy_setopt(c, CURLOPT_PROXY, "");  // not even the environment's proxy
      break;
    case HttpAccess::Kind::kNamedProxy:
      curl_easy_setopt(c, CURLOPT_PROXY, access_.proxy.c_str());
      break;
    case HttpAccess::Kind::kSystemProxy:
      break;  // libcurl reads the environment
  }
  handle_ = std::move(h);
  return 0;
}

void CurlHttpSession::Close() { handle_.reset(); }

HttpReply CurlHttpSession::Get(const std::string& url) {
  HttpReply r;
  if (!handle_) {
    r.error = kInetErrorExtended;
    return r;
  }
  CURL* c = handle_->curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &r.body);
  // No cache on the way either.
  curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(list, &curl_slist_free_all);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  const CURLcode rc = curl_easy_perform(c);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  r.opened = status != 0;
  r.status = status;
  r.read = rc == CURLE_OK;
  if (!r.read) r.error = InternetErrorNumber(rc);
  return r;
}

}  // namespace sq
