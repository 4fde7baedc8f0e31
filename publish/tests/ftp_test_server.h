// The tests' FTP server (ftp_server.py over pyftpdlib) on 127.0.0.1: started with a
// temporary root, stopped by its process id when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace sq::test {

class FtpTestServer {
 public:
  // Starts the server serving `root`; extra arguments go to the script. ok() tells
  // whether it came up (within a few seconds) and port() where it listens.
  explicit FtpTestServer(const std::string& root, const std::vector<std::string>& extra = {});
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  [[nodiscard]] bool ok() const { return port_ > 0; }
  [[nodiscard]] int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace sq::test
