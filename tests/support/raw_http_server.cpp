#include "support/raw_http_server.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrilo::testing {
namespace {

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  std::abort();
}

std::size_t ContentLength(const std::string& head) {
  static constexpr std::string_view kName = "\r\ncontent-length:";
  std::string folded = head;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const std::size_t at = folded.find(kName);
  if (at == std::string::npos) return 0;
  return static_cast<std::size_t>(std::strtoull(folded.c_str() + at + kName.size(), nullptr, 10));
}

// Reads one request: the header block, then as many body bytes as it
// announces. Returns false when the client sent no complete header block.
bool ReadRequest(int socket, std::string& request) {
  char buffer[16384];
  std::size_t wanted = std::string::npos;
  while (wanted == std::string::npos || request.size() < wanted) {
    const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) return wanted != std::string::npos;
    request.append(buffer, static_cast<std::size_t>(got));
    if (wanted == std::string::npos) {
      const std::size_t head_end = request.find("\r\n\r\n");
      if (head_end != std::string::npos) {
        wanted = head_end + 4 + ContentLength(request.substr(0, head_end + 2));
      }
    }
  }
  return true;
}

}  // namespace

bool RawConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void RawConnection::Pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(server_.mutex_);
  server_.stopped_.wait_for(lock, duration, [this] { return server_.stopping_; });
}

void RawConnection::Reset() {
  const linger abortive{1, 0};
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  shutdown(socket_, SHUT_RDWR);
}

RawHttpServer::RawHttpServer(std::string canned_reply)
    : RawHttpServer([reply = std::move(canned_reply)](RawConnection& connection) {
        connection.Send(reply);
      }) {}

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) Die("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Die("bind");
  if (listen(listener_, 16) != 0) Die("listen");
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    // Wakes workers blocked in recv or send; they close their own sockets.
    for (const int socket : open_sockets_) shutdown(socket, SHUT_RDWR);
  }
  stopped_.notify_all();
  // On Linux this wakes the accept call below.
  shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  close(listener_);
  for (std::thread& worker : workers_) worker.join();
}

std::string RawHttpServer::Origin() const { return "http://" + Address(); }

std::string RawHttpServer::Address() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<std::string> RawHttpServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void RawHttpServer::AcceptLoop() {
  for (;;) {
    const int socket = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    const std::lock_guard lock(mutex_);
    if (stopping_) {
      if (socket >= 0) close(socket);
      return;
    }
    if (socket < 0) continue;
    open_sockets_.insert(socket);
    workers_.emplace_back([this, socket] { Serve(socket); });
  }
}

void RawHttpServer::Serve(int socket) {
  RawConnection connection(*this, socket);
  if (ReadRequest(socket, connection.request_)) {
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back(connection.request_);
    }
    handler_(connection);
  }
  const std::lock_guard lock(mutex_);
  open_sockets_.erase(socket);
  shutdown(socket, SHUT_WR);
  close(socket);
}

}  // namespace kestrilo::testing
