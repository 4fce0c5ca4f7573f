#pragma once

// Fake versions of the keyword sites, served from tests/fixtures/sites by a
// plain and a TLS loopback server, and the routing that sends the real host
// names to them. Every site is one entry of one table: a source with a fake
// site needs nothing else here.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace kestrilo::testing {

struct FakeSite {
  std::string recipe;  // the name of the source it stands in for
  std::string host;
  bool secure;
  std::string path_prefix;  // what the source asks the site for
  std::string content_type;
  std::string fixture;  // the reply, a file under fixtures/sites
  // A paged site: page N is this name with "{page}" made N; `fixture` is
  // then the first page, which gives the count.
  std::string page_fixture;
  // What the site adds to a run for "手机", in order, duplicates included
  // (UTF-8 here; the run sees GBK).
  std::vector<std::string> keywords;
};

// Every fake site: the built-in sources' in run order, then the rest.
const std::vector<FakeSite>& FakeSiteList();
// The sites of the named sources, in the order named; a name without a fake
// site is a test's mistake and aborts.
std::vector<FakeSite> SitesOf(const std::vector<std::string>& recipe_names);
const FakeSite& SiteOf(const std::string& recipe_name);

// The content of fixtures/sites/`name`; empty when there is no such file.
std::string ReadSiteFixture(const std::string& name);
// Which fixture answers `target` at `host`. Empty for an address no fixture
// answers.
std::string SiteFixtureFor(const std::string& host, const std::string& target);
// The list a full run of the built-in sources over the fixtures gives for
// "手机", one UTF-8 line per keyword, derived by hand.
std::vector<std::string> ExpectedSiteKeywords();
// Answers `request` as the fake site its Host names does: the fixture, 404
// for an address no fixture answers, 421 for an unknown host.
void ServeSiteFixture(const httplib::Request& request, httplib::Response& response);

class FakeSites {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  FakeSites();

  // connect-to rules sending each site's host and port to the fake servers;
  // the hosts in `refused` go to a port where nothing listens.
  std::vector<std::string> Routes(const std::set<std::string>& refused = {}) const;
  // The CA file that signs the TLS server's certificate.
  std::string CaFile() const;
  // Each reply waits this long first (0 by default), so that a run takes
  // long enough for a test to act in the middle of it.
  void SetReplyDelay(std::chrono::milliseconds delay) { delay_ms_ = delay.count(); }
  // `host` answers with `handler` from now on instead of its fixtures.
  void Override(const std::string& host, Handler handler);
  // `host` answers every request with fixtures/sites/`fixture`.
  void ServeFixture(const std::string& host, const std::string& fixture);
  int Requests() const { return requests_; }
  // The most requests any one host was answering at the same time.
  int MostAtOnceOnOneHost();

  // A request line as a site received it.
  struct Received {
    std::string scheme;  // "http" or "https"
    std::string target;
    friend bool operator==(const Received&, const Received&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Received& r) {
      return out << r.scheme << " " << r.target;
    }
  };
  // Every request so far, including those the server library refuses to
  // route (it rejects a second "?", which real sites take). A refused one is
  // recorded only after its reply has gone: a caller that knows how many
  // came passes `at_least` to wait (up to 10 s) for the last of them.
  std::vector<Received> ReceivedRequests(std::size_t at_least = 0);

 private:
  LoopbackServer::Endpoints Endpoints(const std::string& scheme);
  void Serve(const httplib::Request& request, httplib::Response& response);
  void Record(Received received);

  std::atomic<long long> delay_ms_{0};
  std::atomic<int> requests_{0};
  std::mutex mutex_;
  std::map<std::string, Handler> overrides_;
  std::map<std::string, int> in_flight_;  // by host
  int most_at_once_ = 0;
  std::vector<Received> received_;
  std::condition_variable recorded_;
  LoopbackServer plain_;
  LoopbackServer secure_;
  int closed_port_;
};

}  // namespace kestrilo::testing
