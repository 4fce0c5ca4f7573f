#pragma once

// A well-behaved HTTP or HTTPS server on 127.0.0.1 for web tests: the test
// registers its endpoints, the server picks a free port, runs on a thread of
// its own and stops when it goes out of scope.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <httplib.h>

namespace kestrilo::testing {

// Which certificate an HTTPS server presents (see test_certificates.h).
enum class TlsIdentity { kSelfSigned, kCaSigned };

class LoopbackServer {
 public:
  using Endpoints = std::function<void(httplib::Server&)>;

  // Plain HTTP unless `tls` names the certificate to present.
  explicit LoopbackServer(const Endpoints& endpoints,
                          std::optional<TlsIdentity> tls = std::nullopt);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string Origin() const;  // "http://127.0.0.1:PORT" or "https://..."
  // A connect-to rule sending `host`:`port` to this server.
  std::string RouteFrom(const std::string& host, int port) const;

 private:
  std::unique_ptr<httplib::Server> server_;
  bool secure_ = false;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace kestrilo::testing
