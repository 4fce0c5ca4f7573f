#include "support/fake_sites.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/test_certificates.h"

namespace kestrilo::testing {

const std::vector<FakeSite>& FakeSiteList() {
  static const std::vector<FakeSite> sites = {
      {"suggestion.baidu.com", false, "/su?wd=", "text/javascript; charset=gbk"},
      {"w.sugg.sogou.com", false, "/sugg/ajaj_json.jsp?key=", "text/javascript; charset=gbk"},
      {"data.chinaz.com", true, "/keyword/allindex/", "text/html"},
      {"www.5guanjianci.com", true, "/ciku/search?word=", "text/html; charset=utf-8"},
      {"suggest.taobao.com", true, "/sug?", "application/javascript; charset=utf-8"},
      {"m.baidu.com", true, "/s?word=", "text/html; charset=utf-8"},
  };
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
    if (host == "suggestion.baidu.com") return "baidu_suggest.js";
    if (host == "w.sugg.sogou.com") return "sogou_suggest.js";
    if (host == "www.5guanjianci.com") return "5guanjianci.html";
    if (host == "suggest.taobao.com") return "taobao_suggest.js";
    if (host == "m.baidu.com") return "baidu_mobile.html";
    const std::string rest = target.substr(std::string(site.path_prefix).size());
    const std::size_t slash = rest.rfind('/');
    return slash == std::string::npos ? "chinaz_index.html"
                                      : "chinaz_page_" + rest.substr(slash + 1) + ".html";
  }
  return "";
}

std::vector<std::string> ExpectedSiteKeywords() {
  std::istringstream text(ReadSiteFixture("expected_keywords.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

const std::vector<std::vector<std::string>>& SiteKeywordLines() {
  static const std::vector<std::vector<std::string>> lines = {
      {"手机壳", "手机 \"a", "b\" 型号", "手机"},
      {"手机壳", "手机游戏", "华为手机"},
      {"手机报价", "坏行<li class=\"col-133 nofoldtxt\"><a title=\"手机品牌", "手机品牌", "手机壳",
       "二手手机"},
      {"手机支架", "%E6%89%8B%E6%9C%BA%E8%86%9C", "华为手机"},
      {"手机壳女", "", "手机支架"},
      {"手机排行榜", "\\u624b\\u673a\\u58f3", "小米手机", "手机排行榜"},
  };
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

FakeSites::FakeSites()
    : plain_(
          [this](httplib::Server& s) { s.Get(".*", [this](auto& q, auto& r) { Serve(q, r); }); }),
      secure_(
          [this](httplib::Server& s) { s.Get(".*", [this](auto& q, auto& r) { Serve(q, r); }); },
          TlsIdentity::kCaSigned) {}

std::vector<std::string> FakeSites::Routes() const {
  std::vector<std::string> routes;
  for (const FakeSite& site : FakeSiteList()) {
    routes.push_back((site.secure ? secure_ : plain_).RouteFrom(site.host, site.secure ? 443 : 80));
  }
  return routes;
}

std::string FakeSites::CaFile() const { return GetTestCertificates().ca_pem; }

void FakeSites::Serve(const httplib::Request& request, httplib::Response& response) {
  ++requests_;
  if (const long long delay = delay_ms_; delay > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  ServeSiteFixture(request, response);
}

}  // namespace kestrilo::testing
