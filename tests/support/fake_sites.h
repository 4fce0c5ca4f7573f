#pragma once

// Fake versions of the six keyword sites, served from tests/fixtures/sites
// by a plain and a TLS loopback server, and the routing that sends the real
// host names to them.

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace kestrilo::testing {

struct FakeSite {
  const char* host;
  bool secure;
  const char* path_prefix;  // what the source asks the site for
  const char* content_type;
};

// The six sites in the order a run asks them.
const std::vector<FakeSite>& FakeSiteList();

// The content of fixtures/sites/`name`; empty when there is no such file.
std::string ReadSiteFixture(const std::string& name);
// Which fixture answers `target` at `host`; chinaz numbers its pages. Empty
// for an address no fixture answers.
std::string SiteFixtureFor(const std::string& host, const std::string& target);
// The list a full run over the fixtures gives for "手机", one UTF-8 line
// per keyword.
std::vector<std::string> ExpectedSiteKeywords();
// What each site of FakeSiteList contributes to that run, in order,
// duplicates included (UTF-8 here; the run sees GBK).
const std::vector<std::vector<std::string>>& SiteKeywordLines();
// Answers `request` as the fake site its Host names does: the fixture, 404
// for an address no fixture answers, 421 for an unknown host.
void ServeSiteFixture(const httplib::Request& request, httplib::Response& response);

class FakeSites {
 public:
  FakeSites();

  // connect-to rules sending each site's host and port to the fake servers.
  std::vector<std::string> Routes() const;
  // The CA file that signs the TLS server's certificate.
  std::string CaFile() const;
  // Each reply waits this long first (0 by default), so that a run takes
  // long enough for a test to act in the middle of it.
  void SetReplyDelay(std::chrono::milliseconds delay) { delay_ms_ = delay.count(); }
  int Requests() const { return requests_; }

 private:
  void Serve(const httplib::Request& request, httplib::Response& response);

  std::atomic<long long> delay_ms_{0};
  std::atomic<int> requests_{0};
  LoopbackServer plain_;
  LoopbackServer secure_;
};

}  // namespace kestrilo::testing
