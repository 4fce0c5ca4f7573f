#include "support/fake_sites.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "support/test_certificates.h"

namespace kestrilo::testing {

const std::vector<FakeSite>& FakeSiteList() {
  static const std::vector<FakeSite> sites = {
      {"baidu suggestion",
       "suggestion.baidu.com",
       false,
       "/su?wd=",
       "text/javascript; charset=gbk",
       "baidu_suggest.js",
       "",
       {"手机壳", "手机 \"a", "b\" 型号", "手机"}},
      {"sogou suggestion",
       "w.sugg.sogou.com",
       false,
       "/sugg/ajaj_json.jsp?key=",
       "text/javascript; charset=gbk",
       "sogou_suggest.js",
       "",
       {"手机壳", "手机游戏", "华为手机"}},
      {"chinaz index",
       "data.chinaz.com",
       true,
       "/keyword/allindex/",
       "text/html",
       "chinaz_index.html",
       "chinaz_page_{page}.html",
       {"手机报价", "坏行<li class=\"col-133 nofoldtxt\"><a title=\"手机品牌", "手机品牌", "手机壳",
        "二手手机"}},
      {"5guanjianci",
       "www.5guanjianci.com",
       true,
       "/ciku/search?word=",
       "text/html; charset=utf-8",
       "5guanjianci.html",
       "",
       {"手机支架", "%E6%89%8B%E6%9C%BA%E8%86%9C", "华为手机"}},
      {"taobao suggestion",
       "suggest.taobao.com",
       true,
       "/sug?",
       "application/javascript; charset=utf-8",
       "taobao_suggest.js",
       "",
       {"手机壳女", "", "手机支架"}},
      {"baidu mobile",
       "m.baidu.com",
       true,
       "/s?word=",
       "text/html; charset=utf-8",
       "baidu_mobile.html",
       "",
       {"手机排行榜", "\\u624b\\u673a\\u58f3", "小米手机", "手机排行榜"}},
      // A source that exists only as a recipe file (fixtures/recipes).
      {"example suggestion",
       "suggest.example.com",
       true,
       "/complete?q=",
       "application/json; charset=utf-8",
       "example_suggest.json",
       "",
       {"手机套", "手机壳", "手机号码"}},
      // The shipped extra set, each in the shape its public samples show.
      {"baidu sugrec",
       "www.baidu.com",
       true,
       "/sugrec?",
       "application/json; charset=utf-8",
       "baidu_sugrec.json",
       "",
       {"手机壳", "手机\"双卡\"版", "手机号"}},
      {"360 suggestion",
       "sug.so.360.cn",
       true,
       "/suggest?",
       "application/json; charset=utf-8",
       "so360_suggest.json",
       "",
       {"手机号码查询", "手机壁纸"}},
      {"sogou html5",
       "sor.html5.qq.com",
       true,
       "/api/getsug?",
       "text/javascript; charset=gbk",
       "sogou_html5.js",
       "",
       {"手机游戏", "手机铃声"}},
      {"shenma suggestion",
       "sugs.m.sm.cn",
       true,
       "/web?",
       "application/json; charset=utf-8",
       "shenma_suggest.json",
       "",
       {"手机银行", "手机支架"}},
      {"bing suggestion",
       "api.bing.com",
       true,
       "/qsonhs.aspx?",
       "application/json; charset=utf-8",
       "bing_suggest.js",
       "",
       {"手机排行榜", "手机nfc"}},
      {"bilibili suggestion",
       "s.search.bilibili.com",
       true,
       "/main/suggest?",
       "application/json; charset=utf-8",
       "bilibili_suggest.json",
       "",
       {"手机测评", "手机摄影"}},
      {"zhihu suggestion",
       "www.zhihu.com",
       true,
       "/api/v4/search/suggest?",
       "application/json; charset=utf-8",
       "zhihu_suggest.json",
       "",
       {"手机推荐", "手机发烫怎么办"}},
  };
  return sites;
}

const FakeSite& SiteOf(const std::string& recipe_name) {
  for (const FakeSite& site : FakeSiteList()) {
    if (site.recipe == recipe_name) return site;
  }
  std::fprintf(stderr, "fake sites: no site for the source \"%s\"\n", recipe_name.c_str());
  std::abort();
}

std::vector<FakeSite> SitesOf(const std::vector<std::string>& recipe_names) {
  std::vector<FakeSite> sites;
  for (const std::string& name : recipe_names) sites.push_back(SiteOf(name));
  return sites;
}

std::string ReadSiteFixture(const std::string& name) {
  const char* root = std::getenv("KESTRILO_FIXTURES");
  std::ifstream file(std::string(root ? root : "tests/fixtures") + "/sites/" + name,
                     std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::string SiteFixtureFor(const std::string& host, const std::string& target) {
  for (const FakeSite& site : FakeSiteList()) {
    if (host != site.host) continue;
    if (target.rfind(site.path_prefix, 0) != 0) return "";
    if (site.page_fixture.empty()) return site.fixture;
    // The pages are the first page's address with "/N" behind.
    const std::string rest = target.substr(site.path_prefix.size());
    const std::size_t slash = rest.rfind('/');
    if (slash == std::string::npos) return site.fixture;
    std::string name = site.page_fixture;
    name.replace(name.find("{page}"), 6, rest.substr(slash + 1));
    return name;
  }
  return "";
}

std::vector<std::string> ExpectedSiteKeywords() {
  std::istringstream text(ReadSiteFixture("expected_keywords.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

void ServeSiteFixture(const httplib::Request& request, httplib::Response& response) {
  const std::string host = request.get_header_value("Host");
  for (const FakeSite& site : FakeSiteList()) {
    if (host != site.host) continue;
    const std::string name = SiteFixtureFor(host, request.target);
    const std::string body = name.empty() ? "" : ReadSiteFixture(name);
    if (body.empty()) {
      response.status = 404;
    } else {
      response.set_content(body, site.content_type);
    }
    return;
  }
  response.status = 421;
}

// A routed request is recorded before it is answered, so a client holding
// its reply finds it on the list; one the library refuses before routing is
// recorded by the logger, after its reply. After a refused request line the
// library reads the header lines that follow as request lines of their own;
// only origin-form targets are requests.
LoopbackServer::Endpoints FakeSites::Endpoints(const std::string& scheme) {
  return [this, scheme](httplib::Server& server) {
    // The request a thread has routed; its logger call follows on the same
    // thread before the connection reads another.
    static thread_local const httplib::Request* routed = nullptr;
    server.Get(".*", [this](const auto& request, auto& response) { Serve(request, response); });
    server.set_pre_routing_handler(
        [this, scheme](const httplib::Request& request, httplib::Response&) {
          routed = &request;
          Record({scheme, request.target});
          return httplib::Server::HandlerResponse::Unhandled;
        });
    server.set_logger([this, scheme](const httplib::Request& request, const httplib::Response&) {
      if (std::exchange(routed, nullptr) != &request) Record({scheme, request.target});
    });
  };
}

void FakeSites::Record(Received received) {
  if (!received.target.starts_with("/")) return;
  {
    std::lock_guard lock(mutex_);
    received_.push_back(std::move(received));
  }
  recorded_.notify_all();
}

std::vector<FakeSites::Received> FakeSites::ReceivedRequests(std::size_t at_least) {
  std::unique_lock lock(mutex_);
  recorded_.wait_for(lock, std::chrono::seconds(10), [&] { return received_.size() >= at_least; });
  return received_;
}

FakeSites::FakeSites()
    : plain_(Endpoints("http")),
      secure_(Endpoints("https"), TlsIdentity::kCaSigned),
      // A port nothing listens on any more: connections to it are refused.
      closed_port_(LoopbackServer([](httplib::Server&) {}).port()) {}

std::vector<std::string> FakeSites::Routes(const std::set<std::string>& refused) const {
  std::vector<std::string> routes;
  for (const FakeSite& site : FakeSiteList()) {
    const int port = site.secure ? 443 : 80;
    routes.push_back(refused.contains(site.host)
                         ? site.host + ":" + std::to_string(port) +
                               ":127.0.0.1:" + std::to_string(closed_port_)
                         : (site.secure ? secure_ : plain_).RouteFrom(site.host, port));
  }
  return routes;
}

std::string FakeSites::CaFile() const { return GetTestCertificates().ca_pem; }

void FakeSites::Override(const std::string& host, Handler handler) {
  std::lock_guard lock(mutex_);
  overrides_[host] = std::move(handler);
}

void FakeSites::ServeFixture(const std::string& host, const std::string& fixture) {
  const std::string content_type = [&] {
    for (const FakeSite& site : FakeSiteList()) {
      if (site.host == host) return site.content_type;
    }
    return std::string("text/plain");
  }();
  Override(host, [body = ReadSiteFixture(fixture), content_type](const httplib::Request&,
                                                                 httplib::Response& response) {
    response.set_content(body, content_type);
  });
}

int FakeSites::MostAtOnceOnOneHost() {
  std::lock_guard lock(mutex_);
  return most_at_once_;
}

void FakeSites::Serve(const httplib::Request& request, httplib::Response& response) {
  ++requests_;
  const std::string host = request.get_header_value("Host");
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    most_at_once_ = std::max(most_at_once_, ++in_flight_[host]);
    const auto found = overrides_.find(host);
    if (found != overrides_.end()) handler = found->second;
  }
  struct Done {
    FakeSites& sites;
    const std::string& host;
    ~Done() {
      std::lock_guard lock(sites.mutex_);
      --sites.in_flight_[host];
    }
  } done{*this, host};
  if (const long long delay = delay_ms_; delay > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  if (handler) {
    handler(request, response);
  } else {
    ServeSiteFixture(request, response);
  }
}

}  // namespace kestrilo::testing
