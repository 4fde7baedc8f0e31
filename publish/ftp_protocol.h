// The FTP session of an upload run: log in once, make folders current (creating them
// level by level), store files. Over libcurl, which keeps the control connection open
// between operations. Plain FTP, explicit FTPS (TLS with certificate checking) or SFTP,
// as the internet configuration's security setting chooses.
//
// Error numbers: failures are reported with the internet-client numbers the upload log
// texts are chosen by (publish/internet_errors.h); kInetErrorExtended means the server answered with a
// text (response()) that says what went wrong.
//
// A stored file never appears half-written under its final name: it is sent under a
// temporary name in the same folder and renamed when the transfer completed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "publish/internet_errors.h"

namespace sq {

struct InternetConfiguration;

// Session status.
inline constexpr int kFtpGood = 0;
inline constexpr int kFtpServiceFailed = -1;  // the internet service could not be opened
inline constexpr int kFtpConnectFailed = -2;  // connecting or logging in failed

// The suffix of the temporary remote name ("index.htm" is sent as "index.htm.sqpart").
inline constexpr const char* kTemporarySuffix = ".sqpart";

// What a session needs from the configuration, plus the limits that keep a dead
// server from holding an upload for ever.
struct FtpSettings {
  std::string host;
  std::string user;
  std::string password;
  std::uint16_t port = 21;
  bool passive = false;
  int proxy_mode = 2;            // 0 direct, 1 named proxy, 2 the system's proxy
  std::string proxy_name;        // mode 1
  std::uint8_t security = 0;     // inet_extra::kFtpSecurity*
  long connect_timeout_s = 30;   // connecting and logging in
  long response_timeout_s = 60;  // waiting for one reply of the server
  long low_speed_time_s = 60;    // a transfer slower than 1 byte/s this long is given up
  std::string ca_file;           // FTPS/SFTP: certificate authority file (tests); empty: the system's
  std::string known_hosts;       // SFTP: known-hosts file; empty: ~/.ssh/known_hosts
};

[[nodiscard]] FtpSettings FtpSettingsFrom(const InternetConfiguration& config);

// The base of the program's internet sessions. Its own operations do nothing and
// report success; FTPProtocol and the test fakes override them.
class InternetProtocol {
 public:
  virtual ~InternetProtocol() = default;
  virtual bool GetFile(const std::string& remote_path, const std::string& local_path);
  virtual bool PutFile(const std::string& local_path, const std::string& remote_folder, const std::string& remote_name);
  // Logs in and remembers the login folder as the root. kFtpGood or a negative status.
  virtual int Open() { return kFtpGood; }
  // Closes the connection and opens it again as Open does: true when open again.
  virtual bool ResetFTP() { return true; }
  // Makes root/folder current, creating missing levels: true when it is current.
  virtual bool SetFTPDirectory(const std::string& /*folder*/) { return true; }
  [[nodiscard]] virtual int status() const { return kFtpGood; }
  // The error number of the last failure (kInet*), and the server's text with it.
  [[nodiscard]] virtual long error() const { return kInetErrorNone; }
  [[nodiscard]] virtual std::string response() const { return {}; }
  // The client library's own words for the last failure (for the log, beside the number).
  [[nodiscard]] virtual std::string detail() const { return {}; }
};

class FTPProtocol final : public InternetProtocol {
 public:
  explicit FTPProtocol(FtpSettings settings);
  ~FTPProtocol() override;
  FTPProtocol(const FTPProtocol&) = delete;
  FTPProtocol& operator=(const FTPProtocol&) = delete;

  int Open() override;
  bool ResetFTP() override;
  bool SetFTPDirectory(const std::string& folder) override;
  bool PutFile(const std::string& local_path, const std::string& remote_folder,
               const std::string& remote_name) override;
  // Not used by uploads; reports success without fetching.
  bool GetFile(const std::string& remote_path, const std::string& local_path) override;

  [[nodiscard]] int status() const override { return status_; }
  [[nodiscard]] long error() const override { return error_; }
  [[nodiscard]] std::string response() const override { return response_; }
  [[nodiscard]] std::string detail() const override { return detail_; }
  // The login folder; "" when the server did not say.
  [[nodiscard]] const std::string& root() const { return root_; }
  // The folder made current last.
  [[nodiscard]] const std::string& current() const { return current_; }

  // The URL of an absolute server path (for tests and messages; no password in it).
  [[nodiscard]] std::string UrlFor(const std::string& path, bool folder) const;

 private:
  struct Curl;
  bool Perform(const std::string& url, bool folder_probe, const std::vector<std::string>& quote,
               const std::vector<std::string>& post_quote, std::FILE* upload, long long upload_size);
  bool MakeCurrent(const std::string& path);
  bool MakeFolder(const std::string& path);
  void Fail(int curl_code);

  FtpSettings settings_;
  std::unique_ptr<Curl> curl_;
  int status_ = kFtpConnectFailed;
  long error_ = kInetErrorNone;
  std::string response_;
  std::string detail_;
  std::string root_;
  std::string current_;
};

// The log text for a session that could not be opened (status and error of the
// session): " Unable to find FTP host '%s'." and the others by error number.
[[nodiscard]] std::string FtpOpenFailureText(int status, long error, const std::string& host, const std::string& user);

}  // namespace sq
