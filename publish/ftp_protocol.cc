#include "publish/ftp_protocol.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/binary_file.h"
#include "app/format_text.h"
#include "app/station.h"
#include "publish/ftp_paths.h"
#include "publish/inet_extra_settings.h"
#include "publish/internet_config.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kServiceFailed = 28000;
constexpr std::uint32_t kHostNotFound = 28001;
constexpr std::uint32_t kBadUser = 28002;
constexpr std::uint32_t kBadPassword = 28003;
constexpr std::uint32_t kLoginFailed = 28004;
constexpr std::uint32_t kCannotConnect = 28005;
constexpr std::uint32_t kConnectError = 28006;

constexpr std::size_t kMaxResponse = 4096;  // a hostile server's text is cut here

using CurlList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

CurlList MakeList(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const auto& l : lines) {
    curl_slist* next = curl_slist_append(list, l.c_str());
    if (next == nullptr) break;
    list = next;
  }
  return CurlList(list, &curl_slist_free_all);
}

std::string Escape(const std::string& component) {
  std::string out;
  for (unsigned char c : component) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

// A host name goes into the URL as it is; an IPv6 address needs brackets.
std::string UrlHost(const std::string& host) {
  if (host.find(':') != std::string::npos && host.front() != '[') return "[" + host + "]";
  return host;
}

// Size of a stream opened for reading, or -1.
long long FileSize(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  const long size = std::ftell(f);
  std::rewind(f);
  return size;
}

std::string KnownHostsFile(const FtpSettings& s) {
  if (!s.known_hosts.empty()) return s.known_hosts;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.ssh/known_hosts";
}

}  // namespace

FtpSettings FtpSettingsFrom(const InternetConfiguration& config) {
  FtpSettings s;
  s.host = LoadText(config.ftp_host, sizeof config.ftp_host);
  s.user = LoadText(config.ftp_user, sizeof config.ftp_user);
  s.password = LoadText(config.ftp_password, sizeof config.ftp_password);
  s.port = config.ftp_port;
  s.passive = config.passive != 0;
  s.proxy_mode = config.proxy_mode;
  s.proxy_name = LoadText(config.proxy_name, sizeof config.proxy_name);
  s.security = FtpSecurity(config);
  return s;
}

bool InternetProtocol::GetFile(const std::string&, const std::string&) { return true; }
bool InternetProtocol::PutFile(const std::string&, const std::string&, const std::string&) { return true; }

// The easy handle (which keeps the connection between operations) and what its
// callbacks collect during one operation.
struct FTPProtocol::Curl {
  CURL* handle = nullptr;
  char errbuf[CURL_ERROR_SIZE] = {};
  std::string last_reply;    // the server's last complete reply line
  std::string last_command;  // the last command sent (its first word)
  ~Curl() {
    if (handle != nullptr) curl_easy_cleanup(handle);
  }

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t n, void* user) {
    auto* self = static_cast<Curl*>(user);
    std::string line(data, size * n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.size() > kMaxResponse) line.resize(kMaxResponse);
    // "123-" continues a reply; the reply is taken whole from its lines.
    if (!line.empty()) self->last_reply = line;
    return size * n;
  }
  static int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* user) {
    if (type != CURLINFO_HEADER_OUT) return 0;
    auto* self = static_cast<Curl*>(user);
    std::string word(data, std::min<std::size_t>(size, 8));
    const std::size_t end = word.find_first_of(" \r\n");
    self->last_command = word.substr(0, end);
    return 0;
  }
  static std::size_t Discard(char*, std::size_t size, std::size_t n, void*) { return size * n; }
};

FTPProtocol::FTPProtocol(FtpSettings settings) : settings_(std::move(settings)) {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

FTPProtocol::~FTPProtocol() = default;

std::string FTPProtocol::UrlFor(const std::string& path, bool folder) const {
  const bool sftp = settings_.security == inet_extra::kFtpSecuritySftp;
  std::string url = sftp ? "sftp://" : "ftp://";
  url += UrlHost(settings_.host) + ":" + std::to_string(settings_.port) + "/";
  // An FTP URL's path is relative to the login folder unless it starts with "%2F";
  // an SFTP URL's path is absolute.
  std::string rest = path;
  if (!rest.empty() && rest.front() == '/') {
    if (!sftp) url += "%2F";
    rest.erase(0, 1);
  } else if (sftp) {
    url += "~/";
  }
  std::size_t pos = 0;
  while (pos < rest.size()) {
    std::size_t slash = rest.find('/', pos);
    if (slash == std::string::npos) slash = rest.size();
    if (slash > pos) {
      url += Escape(rest.substr(pos, slash - pos));
      if (slash < rest.size() || folder) url += "/";
    }
    pos = slash + 1;
  }
  if (folder && url.back() != '/') url += "/";
  return url;
}

void FTPProtocol::Fail(int code) {
  const auto c = static_cast<CURLcode>(code);
  long reply = 0;
  if (curl_) curl_easy_getinfo(curl_->handle, CURLINFO_RESPONSE_CODE, &reply);
  detail_ = curl_ && curl_->errbuf[0] != 0 ? std::string(curl_->errbuf) : std::string(curl_easy_strerror(c));
  response_.clear();
  switch (c) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      error_ = kInetErrorNameNotResolved;
      return;
    case CURLE_COULDNT_CONNECT:
      error_ = kInetErrorCannotConnect;
      return;
    case CURLE_LOGIN_DENIED:
      if (curl_ && curl_->last_command == "USER") {
        error_ = kInetErrorBadUserName;
      } else if (curl_ && curl_->last_command == "PASS") {
        error_ = kInetErrorBadPassword;
      } else {
        error_ = kInetErrorLoginFailure;
      }
      return;
    case CURLE_OPERATION_TIMEDOUT:
      error_ = kInetErrorTimeout;
      return;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSH:
      error_ = kInetErrorSecure;
      return;
    default:
      break;
  }
  // A refusal the server explained: its text tells the user more than a number.
  if (reply >= 400 && curl_ && !curl_->last_reply.empty()) {
    error_ = kInetErrorExtended;
    response_ = curl_->last_reply;
    return;
  }
  switch (c) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_WEIRD_SERVER_REPLY:
      error_ = kInetErrorConnectionAborted;
      return;
    default:
      error_ = kInetErrorInternal;
  }
}

bool FTPProtocol::Perform(const std::string& url, bool folder_probe, const std::vector<std::string>& quote,
                          const std::vector<std::string>& post_quote, std::FILE* upload, long long upload_size) {
  CURL* h = curl_->handle;
  curl_easy_reset(h);  // keeps the open connection
  curl_->errbuf[0] = 0;
  curl_->last_reply.clear();
  curl_->last_command.clear();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curl_->errbuf);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_USERAGENT, "Stratoquill");
  curl_easy_setopt(h, CURLOPT_USERNAME, settings_.user.c_str());
  curl_easy_setopt(h, CURLOPT_PASSWORD, settings_.password.c_str());
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, settings_.connect_timeout_s);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, settings_.response_timeout_s);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, settings_.low_speed_time_s);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Curl::OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, curl_.get());
  curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &Curl::OnDebug);
  curl_easy_setopt(h, CURLOPT_DEBUGDATA, curl_.get());
  curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Curl::Discard);
  curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);  // binary
  if (settings_.proxy_mode == kProxyNone) {
    curl_easy_setopt(h, CURLOPT_PROXY, "");
  } else if (settings_.proxy_mode == kProxyNamed) {
    curl_easy_setopt(h, CURLOPT_PROXY, settings_.proxy_name.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPPROXYTUNNEL, 1L);
  }  // mode 2: the system's proxy settings (the environment) apply
  if (!settings_.passive) curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
  if (settings_.security == inet_extra::kFtpSecurityTls) {
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!settings_.ca_file.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, settings_.ca_file.c_str());
  }
  if (settings_.security == inet_extra::kFtpSecuritySftp) {
    // The server's host key must be known (ssh's own list), or the session is refused:
    // a password must never go to a server that only claims to be the right one.
    curl_easy_setopt(h, CURLOPT_SSH_KNOWNHOSTS, KnownHostsFile(settings_).c_str());
  }
  CurlList pre = MakeList(quote);
  CurlList post = MakeList(post_quote);
  if (pre) curl_easy_setopt(h, CURLOPT_QUOTE, pre.get());
  if (post) curl_easy_setopt(h, CURLOPT_POSTQUOTE, post.get());
  if (upload != nullptr) {
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READDATA, upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload_size));
  } else if (folder_probe && settings_.security == inet_extra::kFtpSecuritySftp) {
    curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);  // SFTP: a listing proves the folder
  } else {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);  // FTP: only the folder changes
  }
  if (std::getenv("SQ_FTP_TRACE")) curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, nullptr);
  const CURLcode rc = curl_easy_perform(h);
  if (rc == CURLE_OK) {
    error_ = kInetErrorNone;
    response_.clear();
    detail_.clear();
    return true;
  }
  Fail(rc);
  return false;
}

int FTPProtocol::Open() {
  curl_.reset();
  root_.clear();
  current_.clear();
  auto c = std::make_unique<Curl>();
  c->handle = curl_easy_init();
  if (c->handle == nullptr) {
    status_ = kFtpServiceFailed;
    error_ = kInetErrorInternal;
    return status_;
  }
  curl_ = std::move(c);
  if (settings_.proxy_mode < kProxyNone || settings_.proxy_mode > kProxyDefault) {
    status_ = kFtpServiceFailed;
    error_ = kInetErrorInternal;
    return status_;
  }
  if (!Perform(UrlFor("", true), true, {}, {}, nullptr, 0)) {
    status_ = kFtpConnectFailed;
    return status_;
  }
  const char* entry = nullptr;
  if (curl_easy_getinfo(curl_->handle, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry != nullptr) {
    root_ = entry;
  }
  current_ = root_;
  status_ = kFtpGood;
  return status_;
}

bool FTPProtocol::ResetFTP() { return Open() == kFtpGood; }

bool FTPProtocol::MakeCurrent(const std::string& path) {
  if (!Perform(UrlFor(path, true), true, {}, {}, nullptr, 0)) return false;
  current_ = path;
  return true;
}

bool FTPProtocol::MakeFolder(const std::string& path) {
  const bool sftp = settings_.security == inet_extra::kFtpSecuritySftp;
  // SFTP servers give no text for an existing folder: the final change of folder
  // tells whether the levels are there.
  const std::string command = sftp ? "*mkdir \"" + path + "\"" : "MKD " + path;
  if (Perform(UrlFor(root_, true), true, {command}, {}, nullptr, 0)) return true;
  return error_ == kInetErrorExtended && response_.find("exists") != std::string::npos;
}

bool FTPProtocol::SetFTPDirectory(const std::string& folder) {
  if (status_ != kFtpGood || !curl_) return false;
  auto target = [&](std::string_view relative) {
    return JoinRemotePath(root_, relative.size() > 1 ? ConvertPathToForwardSlashes(relative) : std::string());
  };
  const std::string wanted = target(folder);
  if (current_ == wanted || MakeCurrent(wanted)) return true;
  if (!MakeCurrent(root_.empty() ? std::string() : root_)) return false;
  for (int n = 1;; ++n) {
    std::string prefix;
    const int r = GetPartialPath(n, folder, &prefix);
    if (r == kPartialBeyond) return false;
    // The last level is made too, so that "a\\b" works like "a\\b\\" (the
    // folder the user named, not only its parents).
    const std::string level = ConvertPathToForwardSlashes(prefix);
    if (!level.empty() && level != "/" && !MakeFolder(JoinRemotePath(root_, level))) return false;
    if (r == kPartialWhole) return MakeCurrent(wanted);
  }
}

bool FTPProtocol::PutFile(const std::string& local_path, const std::string& remote_folder,
                          const std::string& remote_name) {
  if (status_ != kFtpGood || !curl_) return false;
  if (!SetFTPDirectory(remote_folder)) return false;
  std::unique_ptr<std::FILE, decltype(&std::fclose)> in(std::fopen(local_path.c_str(), "rb"), &std::fclose);
  if (!in) {
    error_ = kInetErrorInternal;
    detail_ = "cannot read " + local_path;
    response_.clear();
    return false;
  }
  const long long size = FileSize(in.get());
  const std::string temporary = remote_name + kTemporarySuffix;
  const std::string final_path = JoinRemotePath(current_, remote_name);
  const std::string temporary_path = JoinRemotePath(current_, temporary);
  std::vector<std::string> rename;
  if (settings_.security == inet_extra::kFtpSecuritySftp) {
    // An SFTP rename does not replace: the old file goes first.
    rename = {"*rm \"" + final_path + "\"", "rename \"" + temporary_path + "\" \"" + final_path + "\""};
  } else {
    rename = {"RNFR " + temporary_path, "RNTO " + final_path};
  }
  return Perform(UrlFor(temporary_path, false), false, {}, rename, in.get(), size);
}

bool FTPProtocol::GetFile(const std::string&, const std::string&) { return true; }

std::string FtpOpenFailureText(int status, long error, const std::string& host, const std::string& user) {
  if (status == kFtpServiceFailed) return FormatText(LoadString(kServiceFailed), error);
  switch (error) {
    case kInetErrorNameNotResolved:
      return FormatText(LoadString(kHostNotFound), host);
    case kInetErrorBadUserName:
      return FormatText(LoadString(kBadUser), user);
    case kInetErrorBadPassword:
      return FormatText(LoadString(kBadPassword), user);
    case kInetErrorLoginFailure:
      return FormatText(LoadString(kLoginFailed), host, user);
    case kInetErrorCannotConnect:
      return FormatText(LoadString(kCannotConnect), host, user);
    default:
      return FormatText(LoadString(kConnectError), error);
  }
}

}  // namespace sq
