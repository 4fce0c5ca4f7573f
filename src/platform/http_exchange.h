#pragma once

// One synchronous HTTP/1.1 exchange, the client both request engines stand
// on (libcurl underneath, private to this folder). It goes through the
// stages the engines report failures by, in this order, and says at which
// one it stopped. While it waits on the network it lets the UI port process
// pending events about every 20 ms, so a request never freezes the window.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/types.h"

namespace kestrilo {

enum class ExchangeStage {
  kPlatformCheck,  // the HTTP client is usable
  kAddressSplit,   // the address could be taken apart and put on the wire
  kSession,
  kTimeouts,
  kConnection,
  kRequest,
  kCredentials,     // server or proxy credentials
  kTlsOption,       // certificate checking switched on or off
  kCookieOption,    // the client's own cookie handling switched off
  kRedirectOption,  // redirect following switched off
  kHeaderBlock,     // the caller's header lines could be attached
  kSend,            // connecting, name resolution, TLS and sending the request
  kReceive,         // the reply's header block arriving
  kRead,            // the body arriving after the headers
  kHeaderQuery,     // the final reply's raw header block
  kDone,            // no failure
};

// An address taken apart the way the platform's URL cracker does: "http://"
// or "https://" required, port 80/443 when none is named, `path` empty when
// the address has none, `query` with its "?" (the fragment is dropped).
struct AddressParts {
  bool secure = false;
  Text host;
  int port = 0;
  Text path;
  Text query;
};
std::optional<AddressParts> SplitAddress(const Text& url);

struct Credentials {
  Text user;
  Text password;
};

struct HttpRequest {
  std::string verb = "GET";
  bool secure = false;
  Text host;
  int port = 80;
  // Path and query as sent in the request line. Bytes a URL cannot carry
  // (0x80 and above, space, controls, '"', '<', '>', '\', '^', '`', '{',
  // '|', '}') go on the wire percent-encoded as the GBK bytes they are;
  // "#" starts a fragment that is not sent.
  Text target = "/";
  // Header lines separated by "\r\n", sent in this order as they are. Only
  // what the client must add itself (Host, Content-Length) is added.
  Text header_block;
  Bytes body;
  std::optional<Text> user_agent;  // absent: no User-Agent beyond the block's
  // "host:port" of a proxy for plain-HTTP addresses; ignored for secure
  // ones. Empty or absent: direct, whatever the environment says.
  std::optional<Text> http_proxy;
  // "host:port" of a proxy that secure addresses tunnel through (CONNECT).
  // Empty or absent: secure addresses go direct.
  std::optional<Text> secure_proxy;
  std::optional<Credentials> server_credentials;  // Basic
  std::optional<Credentials> proxy_credentials;   // Basic
  bool verify_certificates = true;                // system trust store
  bool follow_redirects = true;                   // HTTP to HTTPS included
  // Resolve plus connect, and the longest time without a byte moving while
  // sending or receiving.
  std::chrono::milliseconds connect_timeout{60000};
  std::chrono::milliseconds stall_timeout{60000};
  // The whole exchange, redirects included. A reply that keeps trickling in
  // never stalls, so this is what ends it, failing where the transfer
  // stands as a stall would.
  std::chrono::milliseconds total_timeout{std::chrono::minutes(10)};
};

inline constexpr std::size_t kMaxReplyBody = 64u << 20;

struct HttpResponse {
  ExchangeStage failed_at = ExchangeStage::kDone;
  std::string error;  // the client's own words, for diagnostics
  int status = 0;
  // The final reply's header block: status line first, every line ended by
  // "\r\n", then the empty line. Headers of redirects and interim replies
  // are not in it.
  Text raw_headers;
  Bytes body;  // what arrived, also after a failed read (cut at kMaxReplyBody)

  bool ok() const { return failed_at == ExchangeStage::kDone; }
};

HttpResponse PerformExchange(const HttpRequest& request);

// Loads and starts the HTTP client if that has not happened yet. Empty when
// it can be used; otherwise why not, in the system's words (a library or a
// function of it that could not be loaded), the same for every call.
std::string HttpClientProblem();

// --- process-wide settings ---------------------------------------------------

// curl's connect-to rules, "HOST:PORT:ADDR:PORT", so that tests and the
// command line can send real host names to loopback servers.
void SetConnectTo(std::vector<std::string> rules);
// A PEM file whose certificates are trusted besides the system store.
void SetExtraTrustedCa(std::string pem_path);

// Set when the main window closes: a transfer under way stops at its next
// look (failing where it is), and new ones fail at once until cleared.
void CancelTransfers(bool cancel);
bool TransfersCancelled();

// Makes the next exchanges on this thread fail at `stage` as if the client
// had refused it there; absent clears it. For tests of the failure paths
// that a working machine never takes.
void InjectExchangeFault(std::optional<ExchangeStage> stage);

}  // namespace kestrilo
