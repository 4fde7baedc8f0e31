// A tiny HTTP server on 127.0.0.1 for the upload tests: it records every request's
// method, path, headers and body and answers with a fixed reply, or never answers.
// One connection at a time, on its own thread; the destructor stops it.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sq::test {

struct RecordedRequest {
  std::string method;
  std::string path;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
};

class PutRecorder {
 public:
  PutRecorder();
  ~PutRecorder();
  PutRecorder(const PutRecorder&) = delete;
  PutRecorder& operator=(const PutRecorder&) = delete;

  // "http://127.0.0.1:PORT" + path.
  [[nodiscard]] std::string Url(const std::string& path = "/bin.php") const;
  void set_reply(std::string body) {
    std::lock_guard lock(mu_);
    reply_ = std::move(body);
  }
  // Replies for the next requests, in order; after them the fixed reply again.
  void set_replies(std::vector<std::string> replies) {
    std::lock_guard lock(mu_);
    replies_ = std::move(replies);
  }
  // The status line of every answer, "200 OK" unless set.
  void set_status(std::string status) {
    std::lock_guard lock(mu_);
    status_ = std::move(status);
  }
  // Requests are read but never answered (the connection is held until the client
  // gives up).
  void set_silent(bool on) { silent_ = on; }
  [[nodiscard]] std::vector<RecordedRequest> requests() const {
    std::lock_guard lock(mu_);
    return requests_;
  }

 private:
  void Serve();
  void Handle(int fd);

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> silent_{false};
  mutable std::mutex mu_;
  std::string reply_ = "0\n#SQ*\n";
  std::vector<std::string> replies_;
  std::string status_ = "200 OK";
  std::vector<RecordedRequest> requests_;
  std::thread thread_;
};

}  // namespace sq::test
