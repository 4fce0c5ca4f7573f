#include "support/raw_http_server.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kestrilo::testing {
namespace {

// Winsock's names for the few calls that differ. Its socket handles are
// small numbers in practice, which the int of the interface holds.
#ifdef _WIN32
constexpr int kShutBoth = SD_BOTH;
constexpr int kShutWrite = SD_SEND;
constexpr int kNoSignal = 0;
int OpenListener() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  return static_cast<int>(socket(AF_INET, SOCK_STREAM, 0));
}
int AcceptOne(int listener) { return static_cast<int>(accept(listener, nullptr, nullptr)); }
void CloseSocket(int socket) { closesocket(static_cast<SOCKET>(socket)); }
#else
constexpr int kShutBoth = SHUT_RDWR;
constexpr int kShutWrite = SHUT_WR;
constexpr int kNoSignal = MSG_NOSIGNAL;
int OpenListener() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
int AcceptOne(int listener) { return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC); }
void CloseSocket(int socket) { close(socket); }
#endif

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
    const auto got = recv(socket, buffer, sizeof buffer, 0);
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
    const auto sent = send(socket_, bytes.data(), static_cast<int>(bytes.size()), kNoSignal);
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
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
             sizeof abortive);
  shutdown(socket_, kShutBoth);
}

int UnusedPort() {
  const int probe = OpenListener();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  CloseSocket(probe);
  return ntohs(address.sin_port);
}

RawHttpServer::RawHttpServer(std::string canned_reply)
    : RawHttpServer([reply = std::move(canned_reply)](RawConnection& connection) {
        connection.Send(reply);
      }) {}

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = OpenListener();
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
    for (const int socket : open_sockets_) shutdown(socket, kShutBoth);
  }
  stopped_.notify_all();
  // On Linux this wakes the accept call below; on Windows closing does.
  shutdown(listener_, kShutBoth);
#ifdef _WIN32
  CloseSocket(listener_);
  acceptor_.join();
#else
  acceptor_.join();
  CloseSocket(listener_);
#endif
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
    const int socket = AcceptOne(listener_);
    const std::lock_guard lock(mutex_);
    if (stopping_) {
      if (socket >= 0) CloseSocket(socket);
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
  shutdown(socket, kShutWrite);
  CloseSocket(socket);
}

}  // namespace kestrilo::testing
