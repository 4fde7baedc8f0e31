#include "publish/tests/ftp_test_server.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace sq::test {

FtpTestServer::FtpTestServer(const std::string& root, const std::vector<std::string>& extra) {
  const char* source = std::getenv("SQ_SOURCE_DIR");
  const std::string script = std::string(source ? source : SQ_SOURCE_DIR) + "/publish/tests/ftp_server.py";
  // Debian's interpreter, which the packaged pyftpdlib belongs to, before any other.
  const std::string python = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  std::vector<std::string> words = {python, script, "--root", root};
  words.insert(words.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe(fds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  const int rc = posix_spawnp(&pid_, python.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    pid_ = -1;
    ::close(fds[0]);
    return;
  }
  // The first line is the port; the server must say it within 10 seconds.
  std::string line;
  pollfd p{fds[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
    char buf[64];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  port_ = std::atoi(line.c_str());
}

FtpTestServer::~FtpTestServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
}

}  // namespace sq::test
