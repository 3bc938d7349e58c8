#include "loopback_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int kPollMillis = 50;
constexpr int kRequestWaitMillis = 5000;

bool send_all(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

LoopbackHttp::LoopbackHttp() {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0) {
    ::close(listener_);
    throw std::runtime_error("bind/listen");
  }
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

LoopbackHttp::~LoopbackHttp() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void LoopbackHttp::set(const std::string& path, const Answer& answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[path] = answer;
}

std::string LoopbackHttp::host() const {
  return "127.0.0.1:" + std::to_string(port_);
}

void LoopbackHttp::serve() {
  while (!stop_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMillis) <= 0) continue;
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    answer_one(connection);
    ::close(connection);
  }
}

void LoopbackHttp::answer_one(int connection) {
  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos) {
    pollfd waiting{connection, POLLIN, 0};
    if (::poll(&waiting, 1, kRequestWaitMillis) <= 0) return;
    char chunk[1024];
    const ssize_t n = ::recv(connection, chunk, sizeof chunk, 0);
    if (n <= 0) return;
    request.append(chunk, static_cast<std::size_t>(n));
  }
  const std::size_t method_end = request.find(' ');
  const std::size_t path_end = request.find(' ', method_end + 1);
  if (method_end == std::string::npos || path_end == std::string::npos) return;
  const std::string method = request.substr(0, method_end);
  const std::string path = request.substr(method_end + 1, path_end - method_end - 1);

  Answer answer{404, "<html><body>404 Not Found</body></html>\n", "", false};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto found = answers_.find(path); found != answers_.end()) answer = found->second;
  }
  const std::size_t announced = answer.body.size() + (answer.cut_short ? 100 : 0);
  std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " Canned\r\n" +
                     "Content-Length: " + std::to_string(announced) + "\r\n" +
                     "Connection: close\r\n";
  if (!answer.location.empty()) head += "Location: " + answer.location + "\r\n";
  head += "\r\n";
  if (!send_all(connection, head)) return;
  if (method != "HEAD") send_all(connection, answer.body);
}
