#pragma once

// A loopback server that speaks HTTP by hand: it records every request's raw
// bytes exactly as they arrived (header order and letter case included) and
// answers with whatever bytes the test scripts, which is how tests reach the
// replies a well-behaved server never sends: a close mid-body, a stall, a
// header block of any size, garbage. Given absolute-form request lines it
// also serves as a plain-HTTP forward proxy.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kestrilo::testing {

class RawHttpServer;

// A loopback port where nothing listens (it did a moment ago).
int UnusedPort();

// One accepted connection, handed to the test's handler after its request
// (headers and a Content-Length body) has been read.
class RawConnection {
 public:
  const std::string& request() const { return request_; }
  // False once the client has gone.
  bool Send(std::string_view bytes);
  // Waits, but returns early when the server shuts down.
  void Pause(std::chrono::milliseconds duration);
  // Ends the connection with a reset rather than an orderly close.
  void Reset();

 private:
  friend class RawHttpServer;

// A loopback port where nothing listens (it did a moment ago).
int UnusedPort();
  RawConnection(RawHttpServer& server, int socket) : server_(server), socket_(socket) {}

  RawHttpServer& server_;
  int socket_;
  std::string request_;
};

class RawHttpServer {
 public:
  using Handler = std::function<void(RawConnection&)>;

  // Answers every request with `canned_reply`, then closes.
  explicit RawHttpServer(std::string canned_reply);
  explicit RawHttpServer(Handler handler);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  int port() const { return port_; }
  std::string Origin() const;   // "http://127.0.0.1:PORT"
  std::string Address() const;  // "127.0.0.1:PORT", as a proxy is named

  // Every request so far, raw, in arrival order.
  std::vector<std::string> Requests() const;

 private:
  friend class RawConnection;
  void AcceptLoop();
  void Serve(int socket);

  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::set<int> open_sockets_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace kestrilo::testing
