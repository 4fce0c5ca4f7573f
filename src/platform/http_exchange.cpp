#include "platform/http_exchange.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/late_bound_curl.h"
#include "platform/system_certificates.h"
#include "runtime/double_byte.h"
#include "runtime/ui_port.h"

namespace kestrilo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kEventInterval{20};
constexpr long kMaxRedirects = 10;

std::atomic<bool> g_cancelled{false};
// Bumped whenever the routing or the trusted certificates change: open
// connections were made under the old ones.
std::atomic<std::uint64_t> g_settings_generation{0};
thread_local std::optional<ExchangeStage> t_fault;

struct ProcessSettings {
  std::mutex mutex;
  std::vector<std::string> connect_to;
  std::string extra_ca;
};

ProcessSettings& Settings() {
  static ProcessSettings settings;
  return settings;
}

// Empty once libcurl is loaded and started.
const std::string& CurlProblem() {
  static const std::string problem = [] {
    const late_bound::Functions& functions = late_bound::Get();
    if (!functions.loaded) return functions.problem;
    const CURLcode started = curl_global_init(CURL_GLOBAL_DEFAULT);
    return started == CURLE_OK
               ? std::string()
               : std::string("libcurl did not start: ") + curl_easy_strerror(started);
  }();
  return problem;
}

bool CurlReady() { return CurlProblem().empty(); }

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

// The connections a thread keeps open between its exchanges, so that asking
// a site again costs no new TCP and TLS handshake (curl checks that a kept
// connection fits: host, port, route, proxy, certificate checking). They
// live in the thread's multi handle. A change of the routing or of the
// trusted certificates starts a new one, and an exchange that begins while
// another of the same thread waits (the window pumps events meanwhile) gets
// a handle of its own.
class KeptConnections {
 public:
  KeptConnections() = default;
  KeptConnections(const KeptConnections&) = delete;
  KeptConnections& operator=(const KeptConnections&) = delete;
  ~KeptConnections() {
    if (multi_ != nullptr) curl_multi_cleanup(multi_);
  }

  // Null when the thread's handle is in use or cannot be made.
  CURLM* Borrow() {
    if (in_use_) return nullptr;
    const std::uint64_t generation = g_settings_generation.load();
    if (multi_ != nullptr && generation_ != generation) {
      curl_multi_cleanup(multi_);
      multi_ = nullptr;
    }
    if (multi_ == nullptr) {
      multi_ = curl_multi_init();
      if (multi_ == nullptr) return nullptr;
      // Room for every site of a run.
      curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, 16L);
      generation_ = generation;
    }
    in_use_ = true;
    return multi_;
  }
  void GiveBack() { in_use_ = false; }

 private:
  CURLM* multi_ = nullptr;
  std::uint64_t generation_ = 0;
  bool in_use_ = false;
};
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(static_cast<unsigned char>(text[i])) !=
        FoldAscii(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

// Appends each line, returning false when the list could not grow.
bool Append(HeaderList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) return false;
  static_cast<void>(list.release());
  list.reset(grown);
  return true;
}

bool NeedsEscape(unsigned char byte) {
  return byte <= 0x20 || byte >= 0x7F || std::strchr("\"<>\\^`{|}", byte) != nullptr;
}

// Double-byte characters are escaped whole, so that a trail byte that looks
// like a letter never reaches the wire bare between two escapes.
std::string WireTarget(const Text& target) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < target.size();) {
    const std::size_t length = CharLengthAt(target, i);
    const auto first = static_cast<unsigned char>(target[i]);
    if (length == 1 && first == '#') break;
    if (length == 2 || NeedsEscape(first)) {
      for (std::size_t k = i; k < i + length; ++k) {
        const auto byte = static_cast<unsigned char>(target[k]);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
      }
    } else {
      out += target[i];
    }
    i += length;
  }
  if (out.empty() || out.front() != '/') out.insert(0, 1, '/');
  return out;
}

std::optional<std::string> WireUrl(const HttpRequest& request) {
  if (request.host.empty() || request.port < 1 || request.port > 65535) return std::nullopt;
  std::string host = request.host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  return std::string(request.secure ? "https://" : "http://") + host + ":" +
         std::to_string(request.port) + WireTarget(request.target);
}

// Headers curl would add of its own accord unless the block names them; an
// empty "Name:" entry tells it to leave them out.
constexpr std::string_view kSuppressed[] = {"Accept", "Expect", "Content-Type", "Proxy-Connection"};

bool BlockNames(const std::vector<std::string>& lines, std::string_view name) {
  return std::any_of(lines.begin(), lines.end(), [name](const std::string& line) {
    return StartsWithNoCase(line, name) && line.size() > name.size() &&
           (line[name.size()] == ':' || line[name.size()] == ';');
  });
}

// The caller's lines as curl entries, or nothing when a line cannot be a
// header. curl drops "Name:" with a blank value, so such lines take its
// "Name;" form, which goes out as "Name:".
std::optional<std::vector<std::string>> HeaderEntries(const Text& block) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= block.size();) {
    std::size_t end = block.find("\r\n", start);
    if (end == Text::npos) end = block.size();
    std::string line = block.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string::npos ||
        line.find_first_of("\r\n") != std::string::npos) {
      return std::nullopt;
    }
    if (line.find_first_not_of(" \t", colon + 1) == std::string::npos) {
      line.resize(colon);
      line += ';';
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// What the callbacks learn while the transfer runs; it decides at which
// stage a failure is reported.
struct Progress {
  HttpResponse* response = nullptr;
  bool follow_redirects = true;
  curl_off_t body_to_send = 0;
  bool at_block_start = true;  // the next header line opens a reply
  bool block_has_location = false;
  bool connected = false;  // this hop has its connection; the request is going out
  // A followed redirect's header block has arrived and the next hop has no
  // connection yet: curl is reading the redirect's body.
  bool between_hops = false;
  curl_off_t sent = 0;
  bool reply_started = false;  // a status line arrived in this hop
  bool final_headers = false;  // the kept reply's header block is complete
  bool over_cap = false;
  curl_off_t received = 0;
  Clock::time_point last_activity = Clock::now();
};

int StatusOf(std::string_view status_line) {
  const std::size_t space = status_line.find(' ');
  if (space == std::string_view::npos) return 0;
  int code = 0;
  for (std::size_t i = space + 1; i < status_line.size() && i < space + 4; ++i) {
    const char c = status_line[i];
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  return code;
}

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

void EndHeaderBlock(Progress& progress) {
  const Text& headers = progress.response->raw_headers;
  const int status = StatusOf(std::string_view(headers).substr(0, headers.find("\r\n")));
  if (status >= 100 && status < 200) return;
  if (progress.follow_redirects && progress.block_has_location && IsFollowedRedirect(status)) {
    // The next hop connects afresh as far as failure reporting goes.
    progress.connected = false;
    progress.reply_started = false;
    progress.between_hops = true;
    return;
  }
  progress.final_headers = true;
}

std::size_t OnHeaderLine(char* data, std::size_t size, std::size_t count, void* user) {
  auto& progress = *static_cast<Progress*>(user);
  const std::size_t length = size * count;
  progress.last_activity = Clock::now();
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  HttpResponse& response = *progress.response;
  if (progress.at_block_start) {
    // Lines after a finished block that open no reply are chunked trailers.
    if (!StartsWithNoCase(line, "HTTP/")) return length;
    response.raw_headers.clear();
    response.body.clear();
    progress.received = 0;
    progress.at_block_start = false;
    progress.block_has_location = false;
    progress.reply_started = true;
    progress.final_headers = false;
  }
  response.raw_headers.append(line).append("\r\n");
  if (line.empty()) {
    progress.at_block_start = true;
    EndHeaderBlock(progress);
  } else if (StartsWithNoCase(line, "Location:")) {
    progress.block_has_location = true;
  }
  return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& progress = *static_cast<Progress*>(user);
  const std::size_t length = size * count;
  progress.last_activity = Clock::now();
  Bytes& body = progress.response->body;
  const std::size_t room = kMaxReplyBody - body.size();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  if (length > room) {
    body.insert(body.end(), bytes, bytes + room);
    progress.over_cap = true;
    return CURL_WRITEFUNC_ERROR;
  }
  body.insert(body.end(), bytes, bytes + length);
  return length;
}

int OnProgress(void* user, curl_off_t /*download_total*/, curl_off_t download_now,
               curl_off_t /*upload_total*/, curl_off_t upload_now) {
  auto& progress = *static_cast<Progress*>(user);
  if (upload_now != progress.sent || download_now != progress.received) {
    progress.sent = upload_now;
    progress.received = download_now;
    progress.last_activity = Clock::now();
  }
  return 0;
}

int OnConnected(void* user, char* /*remote_ip*/, char* /*local_ip*/, int /*remote_port*/,
                int /*local_port*/) {
  auto& progress = *static_cast<Progress*>(user);
  progress.connected = true;
  progress.between_hops = false;
  progress.sent = 0;
  progress.last_activity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

// Adds the certificates of a PEM file to `store`; false when it holds none.
bool AddPemCertificates(X509_STORE* store, const std::string& path) {
  BIO* file = BIO_new_file(path.c_str(), "r");
  if (file == nullptr) {
    ERR_clear_error();
    return false;
  }
  int added = 0;
  while (X509* cert = PEM_read_bio_X509(file, nullptr, nullptr, nullptr)) {
    if (X509_STORE_add_cert(store, cert) == 1) ++added;
    X509_free(cert);
  }
  BIO_free(file);
  // The read loop always ends on a "no start line" error; leave none behind
  // for curl to misread as its own.
  ERR_clear_error();
  return added > 0;
}

// The certificates every verifying exchange trusts: the system's, and the
// extra CA file when one is set. Parsing the
// bundle (some 150 certificates) was most of a run's CPU time when every
// TLS connection did it afresh, so it is parsed once per process, and again
// only when the extra file changes. The caller holds a reference of its own;
// null when the extra file is unusable.
class TrustStore {
 public:
  struct Release {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
  };
  using Reference = std::unique_ptr<X509_STORE, Release>;

  static Reference For(const std::string& extra_ca) {
    static TrustStore cache;
    const std::lock_guard lock(cache.mutex_);
    if (!cache.built_ || cache.extra_ca_ != extra_ca) {
      cache.Rebuild(extra_ca);
    }
    if (cache.store_ != nullptr) X509_STORE_up_ref(cache.store_);
    return Reference(cache.store_);
  }

 private:
  void Rebuild(const std::string& extra_ca) {
    // Exchanges under way hold references of their own.
    X509_STORE_free(store_);
    store_ = X509_STORE_new();
    extra_ca_ = extra_ca;
    built_ = true;
    if (store_ == nullptr) return;
    AddSystemCertificates(store_);
    // As curl sets up a store of its own: an intermediate in the bundle
    // anchors a chain too.
    X509_STORE_set_flags(store_, X509_V_FLAG_PARTIAL_CHAIN);
    if (!extra_ca.empty() && !AddPemCertificates(store_, extra_ca)) {
      X509_STORE_free(store_);
      store_ = nullptr;
    }
  }

  std::mutex mutex_;
  bool built_ = false;
  std::string extra_ca_;
  X509_STORE* store_ = nullptr;
};

// Puts the shared store in place of the empty one curl set up (it is told
// to load no bundle of its own).
CURLcode UseTrustStore(CURL* /*easy*/, void* ssl_ctx, void* user) {
  auto* store = static_cast<X509_STORE*>(user);
  if (store == nullptr) return CURLE_SSL_CACERT_BADFILE;
  SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(ssl_ctx), store);
  return CURLE_OK;
}

// Where the transfer stands, for a failure that is not tied to a phase.
ExchangeStage CurrentPhase(const Progress& progress) {
  if (progress.final_headers) return ExchangeStage::kRead;
  if (progress.reply_started) return ExchangeStage::kReceive;
  if (!progress.connected || progress.sent < progress.body_to_send) return ExchangeStage::kSend;
  return ExchangeStage::kReceive;
}

ExchangeStage StageOf(CURLcode code, const Progress& progress) {
  switch (code) {
    case CURLE_SEND_ERROR:
      return progress.final_headers ? ExchangeStage::kRead : ExchangeStage::kSend;
    case CURLE_GOT_NOTHING:
    case CURLE_TOO_MANY_REDIRECTS: return ExchangeStage::kReceive;
    default: return CurrentPhase(progress);
  }
}

HttpResponse Failure(ExchangeStage stage, std::string error, HttpResponse&& so_far = {}) {
  HttpResponse response;
  response.failed_at = stage;
  response.error = std::move(error);
  if (stage >= ExchangeStage::kRead) response.body = std::move(so_far.body);
  if (stage == ExchangeStage::kRead) {
    response.status = so_far.status;
    response.raw_headers = std::move(so_far.raw_headers);
  }
  return response;
}

bool Injected(ExchangeStage stage) { return t_fault == stage; }

constexpr const char* kInjected = "failure injected for a test";

// Collects setopt results of one stage: the first failure is kept.
class Options {
 public:
  explicit Options(CURL* easy) : easy_(easy) {}
  template <typename Value>
  Options& Set(CURLoption option, Value value) {
    if (result_ == CURLE_OK) result_ = curl_easy_setopt(easy_, option, value);
    return *this;
  }
  bool Failed(ExchangeStage stage) const { return result_ != CURLE_OK || Injected(stage); }
  std::string Error() const {
    return result_ != CURLE_OK ? curl_easy_strerror(result_) : kInjected;
  }

 private:
  CURL* easy_;
  CURLcode result_ = CURLE_OK;
};

struct TransferEnd {
  CURLcode code = CURLE_OK;
  std::optional<ExchangeStage> stopped_at;  // stopped by us, not by curl
  std::string reason;
};

TransferEnd RunTransfer(CURLM* multi, CURL* easy, Progress& progress,
                        std::chrono::milliseconds stall_timeout) {
  TransferEnd end;
  if (const CURLMcode added = curl_multi_add_handle(multi, easy); added != CURLM_OK) {
    end.stopped_at = ExchangeStage::kSend;
    end.reason = curl_multi_strerror(added);
    return end;
  }
  Clock::time_point last_events = Clock::now();
  progress.last_activity = last_events;
  for (;;) {
    int running = 0;
    if (const CURLMcode step = curl_multi_perform(multi, &running); step != CURLM_OK) {
      end.stopped_at = CurrentPhase(progress);
      end.reason = curl_multi_strerror(step);
      break;
    }
    if (running == 0) {
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE) end.code = message->data.result;
      }
      break;
    }
    if (Clock::now() - last_events >= kEventInterval) {
      DoEvents();
      last_events = Clock::now();
    }
    if (TransfersCancelled()) {
      end.stopped_at = CurrentPhase(progress);
      end.reason = "transfer cancelled";
      break;
    }
    // Before a connection stands, curl's own connect time-out is in charge.
    if ((progress.connected || progress.between_hops) &&
        Clock::now() - progress.last_activity > stall_timeout) {
      end.stopped_at = CurrentPhase(progress);
      end.reason = "no data moved for " + std::to_string(stall_timeout.count()) + " ms";
      break;
    }
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(kEventInterval.count()), nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  return end;
}

}  // namespace

std::optional<AddressParts> SplitAddress(const Text& url) {
  AddressParts parts;
  std::size_t from = 0;
  if (StartsWithNoCase(url, "http://")) {
    from = 7;
  } else if (StartsWithNoCase(url, "https://")) {
    from = 8;
    parts.secure = true;
  } else {
    return std::nullopt;
  }
  const std::size_t authority_end = std::min(url.find_first_of("/?#", from), url.size());
  std::string_view authority(url.data() + from, authority_end - from);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  parts.port = parts.secure ? 443 : 80;
  const std::size_t colon = authority.rfind(':');
  const std::size_t bracket = authority.rfind(']');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    const std::string_view digits = authority.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    parts.port = port;
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) return std::nullopt;
  parts.host = Text(authority);
  const std::size_t fragment = std::min(url.find('#', authority_end), url.size());
  const std::size_t query = std::min(url.find('?', authority_end), fragment);
  parts.path = url.substr(authority_end, query - authority_end);
  parts.query = url.substr(query, fragment - query);
  return parts;
}

HttpResponse PerformExchange(const HttpRequest& request) {
  if (Injected(ExchangeStage::kPlatformCheck)) {
    return Failure(ExchangeStage::kPlatformCheck, kInjected);
  }
  if (!CurlReady()) return Failure(ExchangeStage::kPlatformCheck, "libcurl failed to start");
  if (TransfersCancelled()) return Failure(ExchangeStage::kPlatformCheck, "transfers cancelled");

  const std::optional<std::string> url_text = WireUrl(request);
  if (!url_text || Injected(ExchangeStage::kAddressSplit)) {
    return Failure(ExchangeStage::kAddressSplit, url_text ? kInjected : "no host or a bad port");
  }
  UrlHandle url(curl_url());
  if (!url) return Failure(ExchangeStage::kAddressSplit, "out of memory");
  // PATH_AS_IS keeps "../" and every escape exactly as written.
  if (const CURLUcode parsed =
          curl_url_set(url.get(), CURLUPART_URL, url_text->c_str(), CURLU_PATH_AS_IS);
      parsed != CURLUE_OK) {
    return Failure(ExchangeStage::kAddressSplit, curl_url_strerror(parsed));
  }

  EasyHandle easy_handle(curl_easy_init());
  thread_local KeptConnections kept;
  struct Borrowed {
    KeptConnections& from;
    CURLM* multi;
    ~Borrowed() {
      if (multi != nullptr) from.GiveBack();
    }
  } borrowed{kept, kept.Borrow()};
  MultiHandle own(borrowed.multi == nullptr ? curl_multi_init() : nullptr);
  CURLM* const multi = borrowed.multi != nullptr ? borrowed.multi : own.get();
  if (!easy_handle || multi == nullptr || Injected(ExchangeStage::kSession)) {
    return Failure(ExchangeStage::kSession,
                   easy_handle && multi != nullptr ? kInjected : "out of memory");
  }
  CURL* easy = easy_handle.get();

  // Stalls are the transfer loop's to watch, not curl's low-speed limit: that
  // one averages over seconds and so cuts a reply that trickles in slower
  // than a byte a second, although it never stands still for a time-out.
  // The total time-out is curl's own: it runs from the first hop's start,
  // so redirects spend from the same allowance.
  Options timeouts(easy);
  timeouts
      .Set(CURLOPT_CONNECTTIMEOUT_MS,
           static_cast<long>(std::max<std::int64_t>(1, request.connect_timeout.count())))
      .Set(CURLOPT_TIMEOUT_MS,
           static_cast<long>(std::max<std::int64_t>(1, request.total_timeout.count())));
  if (timeouts.Failed(ExchangeStage::kTimeouts)) {
    return Failure(ExchangeStage::kTimeouts, timeouts.Error());
  }

  std::string extra_ca;
  HeaderList connect_to;
  {
    ProcessSettings& settings = Settings();
    const std::lock_guard lock(settings.mutex);
    extra_ca = settings.extra_ca;
    for (const std::string& rule : settings.connect_to) {
      if (!Append(connect_to, rule)) return Failure(ExchangeStage::kConnection, "out of memory");
    }
  }
  // Plain addresses use the plain-HTTP proxy; secure ones tunnel through
  // theirs (CONNECT), when one is named.
  const std::optional<Text>& proxy = request.secure ? request.secure_proxy : request.http_proxy;
  const bool use_proxy = proxy && !proxy->empty();
  Options connection(easy);
  connection.Set(CURLOPT_CURLU, url.get())
      .Set(CURLOPT_PATH_AS_IS, 1L)
      .Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1))
      .Set(CURLOPT_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https")
      .Set(CURLOPT_NOSIGNAL, 1L)
      .Set(CURLOPT_CONNECT_TO, connect_to.get())
      // An empty proxy, not an unset one: curl would otherwise read the
      // environment's, and its no_proxy list would bypass a named one.
      .Set(CURLOPT_PROXY, use_proxy ? proxy->c_str() : "")
      .Set(CURLOPT_HTTPPROXYTUNNEL, request.secure && use_proxy ? 1L : 0L)
      // The proxy's answer to CONNECT is not the server's reply: in the
      // header block it would pass for one when the tunnel then fails.
      .Set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L)
      .Set(CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP))
      .Set(CURLOPT_NOPROXY, "");
  if (connection.Failed(ExchangeStage::kConnection)) {
    return Failure(ExchangeStage::kConnection, connection.Error());
  }

  HttpResponse response;
  Progress progress;
  progress.response = &response;
  progress.follow_redirects = request.follow_redirects;
  char error_text[CURL_ERROR_SIZE] = {};
  static constexpr char kNoBody[] = "";
  Options setup(easy);
  setup.Set(CURLOPT_ERRORBUFFER, error_text)
      .Set(CURLOPT_HEADERFUNCTION, OnHeaderLine)
      .Set(CURLOPT_HEADERDATA, &progress)
      .Set(CURLOPT_WRITEFUNCTION, OnBody)
      .Set(CURLOPT_WRITEDATA, &progress)
      .Set(CURLOPT_XFERINFOFUNCTION, OnProgress)
      .Set(CURLOPT_XFERINFODATA, &progress)
      .Set(CURLOPT_NOPROGRESS, 0L)
      .Set(CURLOPT_PREREQFUNCTION, OnConnected)
      .Set(CURLOPT_PREREQDATA, &progress);
  // GET and POST go by curl's own modes so that a redirect turns a POST into
  // a GET the usual way; a custom verb would stick across redirects.
  const bool posts = !request.body.empty() || request.verb == "POST" || request.verb == "PUT";
  if (request.verb == "HEAD") {
    setup.Set(CURLOPT_NOBODY, 1L);
  } else if (posts) {
    progress.body_to_send = static_cast<curl_off_t>(request.body.size());
    setup.Set(CURLOPT_POSTFIELDSIZE_LARGE, progress.body_to_send)
        .Set(CURLOPT_POSTFIELDS,
             request.body.empty() ? kNoBody : reinterpret_cast<const char*>(request.body.data()));
  }
  // A GET that carries a body stays a GET on the wire.
  const bool curl_names_the_verb =
      request.verb == "HEAD" || request.verb == "POST" || (request.verb == "GET" && !posts);
  if (!curl_names_the_verb) {
    setup.Set(CURLOPT_CUSTOMREQUEST, request.verb.c_str());
  }
  if (request.user_agent) setup.Set(CURLOPT_USERAGENT, request.user_agent->c_str());
  if (setup.Failed(ExchangeStage::kRequest)) {
    return Failure(ExchangeStage::kRequest, setup.Error());
  }

  Options credentials(easy);
  if (request.server_credentials) {
    credentials.Set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC))
        .Set(CURLOPT_USERNAME, request.server_credentials->user.c_str())
        .Set(CURLOPT_PASSWORD, request.server_credentials->password.c_str());
  }
  if (request.proxy_credentials) {
    credentials.Set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC))
        .Set(CURLOPT_PROXYUSERNAME, request.proxy_credentials->user.c_str())
        .Set(CURLOPT_PROXYPASSWORD, request.proxy_credentials->password.c_str());
  }
  if (credentials.Failed(ExchangeStage::kCredentials)) {
    return Failure(ExchangeStage::kCredentials, credentials.Error());
  }

  Options tls(easy);
  tls.Set(CURLOPT_SSL_VERIFYPEER, request.verify_certificates ? 1L : 0L)
      .Set(CURLOPT_SSL_VERIFYHOST, request.verify_certificates ? 2L : 0L);
  TrustStore::Reference trust;
  if (request.verify_certificates) {
    trust = TrustStore::For(extra_ca);
    tls.Set(CURLOPT_CAINFO, static_cast<const char*>(nullptr))
        .Set(CURLOPT_CAPATH, static_cast<const char*>(nullptr))
        .Set(CURLOPT_SSL_CTX_FUNCTION, UseTrustStore)
        .Set(CURLOPT_SSL_CTX_DATA, static_cast<void*>(trust.get()));
  }
  if (tls.Failed(ExchangeStage::kTlsOption)) {
    return Failure(ExchangeStage::kTlsOption, tls.Error());
  }

  // curl has no cookie engine until one is asked for, and none ever is.
  if (Injected(ExchangeStage::kCookieOption)) {
    return Failure(ExchangeStage::kCookieOption, kInjected);
  }

  Options redirects(easy);
  redirects.Set(CURLOPT_FOLLOWLOCATION, request.follow_redirects ? 1L : 0L)
      .Set(CURLOPT_MAXREDIRS, kMaxRedirects);
  if (redirects.Failed(ExchangeStage::kRedirectOption)) {
    return Failure(ExchangeStage::kRedirectOption, redirects.Error());
  }

  const std::optional<std::vector<std::string>> lines = HeaderEntries(request.header_block);
  if (!lines) return Failure(ExchangeStage::kHeaderBlock, "a header line without a name");
  HeaderList headers;
  bool listed = true;
  for (const std::string& line : *lines) listed = listed && Append(headers, line);
  for (const std::string_view name : kSuppressed) {
    if (!BlockNames(*lines, name)) listed = listed && Append(headers, std::string(name) + ":");
  }
  if (!listed) return Failure(ExchangeStage::kHeaderBlock, "out of memory");
  Options header_option(easy);
  header_option.Set(CURLOPT_HTTPHEADER, headers.get());
  if (header_option.Failed(ExchangeStage::kHeaderBlock)) {
    return Failure(ExchangeStage::kHeaderBlock, header_option.Error());
  }

  if (Injected(ExchangeStage::kSend)) return Failure(ExchangeStage::kSend, kInjected);
  const TransferEnd end = RunTransfer(multi, easy, progress, request.stall_timeout);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  response.status = static_cast<int>(status);
  if (end.stopped_at) return Failure(*end.stopped_at, end.reason, std::move(response));
  if (end.code != CURLE_OK) {
    if (progress.over_cap) {
      return Failure(ExchangeStage::kRead, "reply body larger than 64 MiB", std::move(response));
    }
    std::string error = error_text[0] != '\0' ? error_text : curl_easy_strerror(end.code);
    return Failure(StageOf(end.code, progress), std::move(error), std::move(response));
  }
  if (Injected(ExchangeStage::kReceive)) return Failure(ExchangeStage::kReceive, kInjected);
  if (Injected(ExchangeStage::kRead)) {
    return Failure(ExchangeStage::kRead, kInjected, std::move(response));
  }
  if (response.raw_headers.empty() || Injected(ExchangeStage::kHeaderQuery)) {
    return Failure(ExchangeStage::kHeaderQuery,
                   response.raw_headers.empty() ? "no header block" : kInjected,
                   std::move(response));
  }
  return response;
}

void SetConnectTo(std::vector<std::string> rules) {
  ProcessSettings& settings = Settings();
  const std::lock_guard lock(settings.mutex);
  settings.connect_to = std::move(rules);
  ++g_settings_generation;
}

void SetExtraTrustedCa(std::string pem_path) {
  ProcessSettings& settings = Settings();
  const std::lock_guard lock(settings.mutex);
  settings.extra_ca = std::move(pem_path);
  ++g_settings_generation;
}

std::string HttpClientProblem() { return CurlProblem(); }

void CancelTransfers(bool cancel) { g_cancelled.store(cancel, std::memory_order_release); }

bool TransfersCancelled() { return g_cancelled.load(std::memory_order_acquire); }

void InjectExchangeFault(std::optional<ExchangeStage> stage) { t_fault = stage; }

}  // namespace kestrilo
