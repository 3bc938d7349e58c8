// A minimal HTTP/1.1 server on a loopback port chosen by the system, serving
// canned answers by path, for tests of the transfer code. Every wait is
// bounded, and the server stops when the object goes away.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

class LoopbackHttp {
 public:
  struct Answer {
    int status = 200;
    std::string body;
    std::string location;    // sent as a Location header when not empty
    bool cut_short = false;  // announce more body than is sent, then hang up
  };

  LoopbackHttp();
  ~LoopbackHttp();
  LoopbackHttp(const LoopbackHttp&) = delete;
  LoopbackHttp& operator=(const LoopbackHttp&) = delete;

  // Paths without an answer get a 404 page.
  void set(const std::string& path, const Answer& answer);
  std::string host() const;  // "127.0.0.1:port"
  std::string url(const std::string& path) const { return "http://" + host() + path; }

 private:
  void serve();
  void answer_one(int connection);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::thread thread_;
};
