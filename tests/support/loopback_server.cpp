#include "support/loopback_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "support/test_certificates.h"

namespace kestrilo::testing {

LoopbackServer::LoopbackServer(const Endpoints& endpoints, std::optional<TlsIdentity> tls)
    : secure_(tls.has_value()) {
  if (tls) {
    const TestCertificates& certificates = GetTestCertificates();
    const bool signed_by_ca = *tls == TlsIdentity::kCaSigned;
    server_ = std::make_unique<httplib::SSLServer>(
        (signed_by_ca ? certificates.ca_signed_cert : certificates.self_signed_cert).c_str(),
        (signed_by_ca ? certificates.ca_signed_key : certificates.self_signed_key).c_str());
  } else {
    server_ = std::make_unique<httplib::Server>();
  }
  if (!server_->is_valid()) {
    std::fprintf(stderr, "loopback server: TLS setup failed\n");
    std::abort();
  }
  // Idle keep-alive connections otherwise hold the shutdown up for seconds.
  server_->set_keep_alive_timeout(1);
  // Clients keep a connection open to each site, one per thread: enough
  // workers that a kept connection never makes a new one queue.
  server_->new_task_queue = [] { return new httplib::ThreadPool(64); };
  // As a real site's server does, a connection carries many requests
  // (the library's default closes it after five).
  server_->set_keep_alive_max_count(1000);
  // Small replies go out at once instead of waiting ~40 ms for the client's
  // delayed acknowledgement.
  server_->set_tcp_nodelay(true);
  endpoints(*server_);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    std::fprintf(stderr, "loopback server: no port\n");
    std::abort();
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() is a no-op until the accept loop runs, so a quick destruction
  // must not overtake it.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackServer::~LoopbackServer() {
  server_->stop();
  thread_.join();
}

std::string LoopbackServer::Origin() const {
  return std::string(secure_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

std::string LoopbackServer::RouteFrom(const std::string& host, int port) const {
  return host + ":" + std::to_string(port) + ":127.0.0.1:" + std::to_string(port_);
}

}  // namespace kestrilo::testing
