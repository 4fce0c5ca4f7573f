// kestrilo-cli run as a child process against fake versions of the six
// sites, served from this test process and reached through --connect-to.

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "runtime/gbk.h"

#include "support/child_process.h"
#include "support/fake_sites.h"
#include "support/loopback_server.h"
#include "support/named_rows.h"
#include "support/test_certificates.h"

namespace kestrilo {
namespace {

// Where the program looks for the user's recipe folder, and the file's
// name in that folder as messages show it.
#ifdef _WIN32
constexpr const char* kConfigVariable = "APPDATA";
#define USER_RECIPE_FILE "kestrilo\\sources.toml"
#else
constexpr const char* kConfigVariable = "XDG_CONFIG_HOME";
#define USER_RECIPE_FILE "kestrilo/sources.toml"
#endif

using testing::ExpectedSiteKeywords;
using testing::FakeSiteList;
using testing::FakeSites;
using ::testing::HasSubstr;
using ::testing::Not;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::size_t ReadSiteFixtureSize(const std::string& name) {
  return testing::ReadSiteFixture(name).size();
}

std::string Joined(const std::vector<std::string>& lines, const std::string& separator, bool gbk) {
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i)
    joined += (i == 0 ? "" : separator) + (gbk ? GbkFromUtf8(lines[i]) : lines[i]);
  return joined;
}

struct Outcome {
  int exit_code = -1;
  std::string out;
  std::string err;
  double wall_seconds = 0;
  double cpu_seconds = 0;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kestrilo_cli_" + std::to_string(testing::CurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_ / "config" / "kestrilo");
    // The child reads its user recipes from here, never from the real home.
    testing::SetEnvironment(kConfigVariable, (folder_ / "config").string().c_str());
  }
  void TearDown() override {
    // A child's console host on Windows may hold its files a moment longer.
    std::error_code error;
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (std::filesystem::remove_all(folder_, error) != static_cast<std::uintmax_t>(-1)) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    FAIL() << "cannot remove " << folder_ << ": " << error.message();
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  // The routing and trust options that send every site to the fake ones,
  // or the hosts in `refused` to a port where nothing listens.
  std::vector<std::string> Routed(const std::set<std::string>& refused = {}) const {
    std::vector<std::string> args;
    for (const std::string& route : sites_.Routes(refused)) {
      args.push_back("--connect-to");
      args.push_back(route);
    }
    args.push_back("--cacert");
    args.push_back(sites_.CaFile());
    return args;
  }

  static std::set<std::string> AllHosts() {
    std::set<std::string> hosts;
    for (const testing::FakeSite& site : FakeSiteList()) hosts.insert(site.host);
    return hosts;
  }

  void WriteUserRecipes(const std::string& toml) const {
    std::ofstream(folder_ / "config" / "kestrilo" / "sources.toml", std::ios::binary) << toml;
  }

  // `input` is the child's standard input; `meanwhile` runs while it works.
  Outcome Cli(std::vector<std::string> args, const std::string& input = {},
              const std::function<void(testing::ChildProcess&)>& meanwhile = {}) const {
    args.insert(args.begin(), KESTRILO_CLI_PATH);
    const std::string in = PathOf("stdin"), err = PathOf("stderr");
    const std::string out = stdout_to_.empty() ? PathOf("stdout") : stdout_to_;
    std::ofstream(in, std::ios::binary) << input;
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome;
    testing::ChildProcess child(args, in, out, err, static_cast<bool>(meanwhile));
    if (!child.started()) {
      ADD_FAILURE() << "cannot start " << args[0];
      return outcome;
    }
    if (meanwhile) meanwhile(child);
    const testing::ChildProcess::Ended ended = child.Wait();
    outcome.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.cpu_seconds = ended.cpu_seconds;
    outcome.exit_code = ended.exit_code;
    outcome.out = stdout_to_.empty() ? ReadFile(out) : "";
    outcome.err = ReadFile(err);
    return outcome;
  }

  Outcome FullRun(std::vector<std::string> extra, const std::string& input = {},
                  const std::function<void(testing::ChildProcess&)>& meanwhile = {}) const {
    std::vector<std::string> args = Routed();
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli(args, input, meanwhile);
  }

  // How often Baidu's suggestion service was asked: once per seed mined.
  int SeedsMined() {
    int asked = 0;
    for (const FakeSites::Received& received : sites_.ReceivedRequests()) {
      asked += received.target.starts_with("/su?wd=") ? 1 : 0;
    }
    return asked;
  }

  std::filesystem::path folder_;
  std::string stdout_to_;  // the child's standard output, when not a file of the test's
  mutable FakeSites sites_;
};

// Sites that take a request and never answer it, until the test is over.
class SilentSites {
 public:
  SilentSites(FakeSites& sites, const std::set<std::string>& hosts) {
    for (const std::string& host : hosts) {
      sites.Override(host, [state = state_](const auto&, auto&) {
        std::unique_lock lock(state->mutex);
        state->over.wait_for(lock, std::chrono::seconds(90), [&] { return state->done; });
      });
    }
  }
  ~SilentSites() {
    {
      const std::lock_guard lock(state_->mutex);
      state_->done = true;
    }
    state_->over.notify_all();
  }
  SilentSites(const SilentSites&) = delete;
  SilentSites& operator=(const SilentSites&) = delete;

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable over;
    bool done = false;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

TEST_F(CliTest, FullRunPrintsTheListAsUtf8LinesOnStdout) {
  const Outcome run = FullRun({"--pace", "0", "手机"});

  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, Joined(ExpectedSiteKeywords(), "\n", false) + "\n");
}

TEST_F(CliTest, SecondSeedAddsToTheListWhichStaysDeduplicated) {
  const Outcome run = FullRun({"手机", "phone"});

  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, Joined(ExpectedSiteKeywords(), "\n", false) + "\n");
}

struct FileRow {
  const char* name;
  std::vector<std::string> options;
  bool gbk;
};

class OutputFileTest : public CliTest, public ::testing::WithParamInterface<FileRow> {};

TEST_P(OutputFileTest, FileHoldsTheListWithCrlfBetweenLinesAndNoneAtTheEnd) {
  std::ofstream(PathOf("list.txt")) << "an older list that must be replaced\r\n";
  std::vector<std::string> options = GetParam().options;
  options.insert(options.end(), {"-o", PathOf("list.txt"), "手机"});

  const Outcome run = FullRun(options);

  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFile(PathOf("list.txt")), Joined(ExpectedSiteKeywords(), "\r\n", GetParam().gbk));
}

INSTANTIATE_TEST_SUITE_P(Encodings, OutputFileTest,
                         ::testing::Values(FileRow{"GbkByDefault", {}, true},
                                           FileRow{"Utf8WhenAsked", {"--encoding", "utf-8"}, false},
                                           FileRow{"GbkWhenNamed", {"--encoding", "GBK"}, true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(CliTest, VerboseReportsEachRequestAndEachSourcesLines) {
  const Outcome run = FullRun({"--verbose", "手机"});

  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.err,
              HasSubstr("GET http://suggestion.baidu.com/su?wd=手机&p=3&cb=window.bdsug.sug"
                        " -> HTTP/1.1 200 OK, "));
  EXPECT_THAT(run.err, HasSubstr("GET https://data.chinaz.com/keyword/allindex/手机/2 -> "
                                 "HTTP/1.1 200 OK, "));
  EXPECT_THAT(run.err, HasSubstr("sogou suggestion: 3 lines appended"));
}

TEST_F(CliTest, SeedCharacterGbkLacksIsSentAsQuestionMarkWithAWarning) {
  const Outcome run = FullRun({"--verbose", "手\xF0\x9F\x98\x80机"});  // U+1F600, outside GBK

  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("GBK lacks"));
  EXPECT_THAT(run.err, HasSubstr("GET http://suggestion.baidu.com/su?wd=手?机&p=3"));
}

TEST_F(CliTest, NoSiteRepliesExitsThreeWithOneLine) {
  std::ofstream(PathOf("list.txt")) << "kept";
  std::vector<std::string> args = Routed(AllHosts());
  args.insert(args.end(), {"--verbose", "-o", PathOf("list.txt"), "手机"});

  const Outcome run = Cli(args);

  EXPECT_EQ(run.exit_code, 3);
  EXPECT_THAT(run.err, HasSubstr("no request got any reply"));
  EXPECT_THAT(run.err,
              HasSubstr("GET http://suggestion.baidu.com/su?wd=手机&p=3&cb=window.bdsug.sug"
                        " -> 7"));
  EXPECT_EQ(ReadFile(PathOf("list.txt")), "kept");
}

struct RefusalRow {
  const char* name;
  std::vector<std::string> args;
  const char* message;
};

class RefusedCommandLineTest : public CliTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusedCommandLineTest, ExitsTwoWithoutAskingAnySite) {
  // Routed to a closed port: a request would show as a report or exit 3.
  std::vector<std::string> args = Routed(AllHosts());
  args.push_back("--verbose");
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());

  const Outcome run = Cli(args);

  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr(GetParam().message));
  EXPECT_THAT(run.err, ::testing::Not(HasSubstr("GET ")));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RefusedCommandLineTest,
    ::testing::Values(
        RefusalRow{"EmptySeedIsRefusedAsTheWindowRefusesIt", {""}, "请输入想要挖掘的关键词\n"},
        RefusalRow{"EmptySeedAmongOthersStopsBeforeAnyRun", {"手机", ""}, "请输入想要挖掘的关键词"},
        RefusalRow{"NoSeedPrintsUsage", {}, "usage: kestrilo-cli"},
        RefusalRow{"UnknownOptionPrintsUsage", {"--frobnicate", "手机"}, "usage: kestrilo-cli"},
        RefusalRow{"PaceMustBeMilliseconds", {"--pace", "fast", "手机"}, "usage: kestrilo-cli"},
        RefusalRow{
            "TimeoutMustBeWholePositiveSeconds", {"--timeout", "0", "手机"}, "whole seconds"},
        RefusalRow{"UnknownEncodingIsRefused", {"--encoding", "latin1", "手机"}, "gbk or utf-8"},
        RefusalRow{"OptionWithoutItsValue", {"手机", "-o"}, "needs a value"},
        RefusalRow{"JobsBeyondTheLimit", {"--jobs", "65", "手机"}, "from 1 to 64, not '65'"},
        RefusalRow{
            "GbkForStandardOutput", {"--encoding", "gbk", "手机"}, "standard output is UTF-8"},
        RefusalRow{"SourcesNamingNeitherASetNorAFile",
                   {"--sources", "current,nosuch", "手机"},
                   "kestrilo-cli: --sources: nosuch: is neither a recipe set (builtin, current, "
                   "extra) nor a readable file\n"},
        RefusalRow{"SourcesWithAnEmptyElement",
                   {"--sources", "current,,extra", "手机"},
                   "separated by commas, not 'current,,extra'"}),
    [](const auto& row) { return std::string(row.param.name); });

// --- sources as recipes -------------------------------------------------------

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::string kCurrentRecipes = KESTRILO_RECIPE_DIR "/current.toml";

// How one fake site departs from its fixtures.
enum class SiteChange { kNone, kPFalse, kRefused, kEmptyBody, kServerError };

struct CheckRow {
  const char* name;
  const char* source;  // whose site changes
  SiteChange change;
  std::vector<std::string> options;
  const char* verdict;  // that source's; every other one is "ok"
  const char* outcome;  // in that source's line
  int exit_code;
};

class CheckTest : public CliTest, public ::testing::WithParamInterface<CheckRow> {
 protected:
  // The sites' changes, and the hosts to refuse.
  std::set<std::string> Change(const std::string& source, SiteChange change) {
    const std::string host = source.empty() ? "" : testing::SiteOf(source).host;
    switch (change) {
      case SiteChange::kPFalse: sites_.ServeFixture(host, "baidu_suggest_p_false.js"); break;
      case SiteChange::kRefused: return {host};
      case SiteChange::kEmptyBody:
        sites_.Override(host, [](const auto&, auto& response) { response.status = 200; });
        break;
      case SiteChange::kServerError:
        sites_.Override(host, [](const auto&, auto& response) {
          response.status = 500;
          response.set_content("<html><body>服务器错误</body></html>", "text/html; charset=utf-8");
        });
        break;
      case SiteChange::kNone: break;
    }
    return {};
  }
};

TEST_P(CheckTest, SaysWhichSourceStoppedGivingKeywords) {
  const CheckRow& row = GetParam();
  std::vector<std::string> args = Routed(Change(row.source, row.change));
  args.insert(args.end(), row.options.begin(), row.options.end());
  args.push_back("--check");

  const Outcome run = Cli(args);

  EXPECT_EQ(run.exit_code, row.exit_code) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 6u) << run.out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& name = testing::FakeSiteList()[i].recipe;
    EXPECT_TRUE(lines[i].starts_with(name + " ")) << lines[i];
    const bool changed = name == row.source;
    EXPECT_TRUE(lines[i].ends_with("  " + std::string(changed ? row.verdict : "ok"))) << lines[i];
    if (changed) {
      EXPECT_THAT(lines[i], HasSubstr(row.outcome));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sites, CheckTest,
    ::testing::Values(CheckRow{"EverySiteAsDesignedIsOk", "", SiteChange::kNone, {}, "ok", "", 0},
                      // The chinaz source asks its count page and two pages.
                      CheckRow{"APagedSourceCountsAllItsRequests",
                               "chinaz index",
                               SiteChange::kNone,
                               {},
                               "ok",
                               "HTTP/1.1 200 OK (3 requests)",
                               0},
                      CheckRow{"TodaysBaiduReplyCutsNothingWithTheBuiltIn",
                               "baidu suggestion",
                               SiteChange::kPFalse,
                               {},
                               "no keywords",
                               "HTTP/1.1 200 OK",
                               4},
                      CheckRow{"TheCurrentSetCutsTodaysBaiduReply",
                               "baidu suggestion",
                               SiteChange::kPFalse,
                               {"--sources", kCurrentRecipes},
                               "ok",
                               "HTTP/1.1 200 OK",
                               0},
                      CheckRow{"ARefusedConnectionFailed",
                               "sogou suggestion",
                               SiteChange::kRefused,
                               {},
                               "failed",
                               "no reply",
                               4},
                      CheckRow{"AReplyWithoutBodyIsEmpty",
                               "taobao suggestion",
                               SiteChange::kEmptyBody,
                               {},
                               "empty",
                               "0 bytes",
                               4},
                      CheckRow{"AnErrorPageCutsNothing",
                               "baidu mobile",
                               SiteChange::kServerError,
                               {},
                               "no keywords",
                               "HTTP/1.1 500 Internal Server Error",
                               4}),
    [](const auto& row) { return std::string(row.param.name); });

struct WarningRow {
  const char* name;
  std::vector<std::string> options;
  bool warns;
  bool baidu_keywords;
};

class NoKeywordsWarningTest : public CliTest, public ::testing::WithParamInterface<WarningRow> {};

TEST_P(NoKeywordsWarningTest, ARunNamesTheSourceWhoseReplyGaveNothing) {
  const WarningRow& row = GetParam();
  sites_.ServeFixture(testing::SiteOf("baidu suggestion").host, "baidu_suggest_p_false.js");
  std::vector<std::string> options = row.options;
  options.push_back("手机");

  const Outcome run = FullRun(options);

  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string warning =
      "kestrilo-cli: warning: baidu suggestion: the reply (HTTP/1.1 200 OK, " +
      std::to_string(ReadSiteFixtureSize("baidu_suggest_p_false.js")) + " bytes) gave no keywords";
  EXPECT_EQ(run.err.find(warning) != std::string::npos, row.warns) << run.err;
  EXPECT_EQ(Lines(run.err).size(), row.warns ? 1u : 0u) << run.err;
  EXPECT_EQ(run.out.find("b\" 型号\n") != std::string::npos, row.baidu_keywords) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Runs, NoKeywordsWarningTest,
                         ::testing::Values(WarningRow{"EvenWithoutVerbose", {}, true, false},
                                           WarningRow{"SilencedByQuiet", {"--quiet"}, false, false},
                                           WarningRow{"NotWhenTheCurrentSetCutsIt",
                                                      {"--sources", kCurrentRecipes},
                                                      false,
                                                      true}),
                         [](const auto& row) { return std::string(row.param.name); });

// Every source of the extra set cuts its keywords from a reply in the shape
// its public samples show, after the six built-ins.
TEST_F(CliTest, TheExtraSetChecksOkOverTheFakeSites) {
  const Outcome run = FullRun({"--sources", "extra", "--check"});

  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 13u) << run.out;
  EXPECT_THAT(lines[6], ::testing::StartsWith("baidu sugrec "));
  EXPECT_THAT(lines[12], ::testing::StartsWith("zhihu suggestion "));
  for (const std::string& line : lines) EXPECT_TRUE(line.ends_with("  ok")) << line;
}

// A site changed as Baidu's did (p:false), another answers a page with
// nothing known in it: the first is mended from what the other sources
// found, the mended recipe checks ok, the second is said to be beyond it.
TEST_F(CliTest, SuggestMendsAChangedSourceFromWhatTheOthersFound) {
  sites_.Override(testing::SiteOf("baidu suggestion").host, [](const auto&, auto& response) {
    response.set_content(
        GbkFromUtf8("window.bdsug.sug({q:\"手机\",p:false,s:[\"手机壳\",\"手机游戏\","
                    "\"华为手机\",\"手机支架\",\"手机新品\"]});"),
        "text/javascript; charset=gbk");
  });
  sites_.Override(testing::SiteOf("baidu mobile").host, [](const auto&, auto& response) {
    response.set_content("<html><title>百度安全验证</title></html>", "text/html; charset=utf-8");
  });

  const Outcome suggest = FullRun({"--check", "--suggest", PathOf("mend.toml")});
  const Outcome mended = FullRun({"--sources", PathOf("mend.toml"), "--check"});

  EXPECT_EQ(suggest.exit_code, 4) << suggest.err;
  const std::vector<std::string> lines = Lines(suggest.out);
  ASSERT_EQ(lines.size(), 8u) << suggest.out;
  EXPECT_EQ(lines[6], "baidu suggestion   suggested  5 keywords");
  EXPECT_EQ(
      lines[7],
      "baidu mobile       no suggestion  none of the 7 keywords other sources found is in the "
      "reply (3 needed)");
  EXPECT_THAT(ReadFile(PathOf("mend.toml")), HasSubstr("手机壳, 手机游戏, 华为手机, 手机支架"));
  EXPECT_EQ(mended.exit_code, 4) << mended.err;
  const std::vector<std::string> checked = Lines(mended.out);
  ASSERT_EQ(checked.size(), 6u) << mended.out;
  EXPECT_THAT(checked[0], HasSubstr("5 keywords"));
  EXPECT_TRUE(checked[0].ends_with("  ok")) << checked[0];
}

TEST_F(CliTest, ListSourcesShowsTheSetInEffectAndWhereEachCameFrom) {
  WriteUserRecipes(
      "[[source]]\nname = \"baidu mobile\"\nenabled = false\n\n" +
      ReadFile(std::string(std::getenv("KESTRILO_FIXTURES")) + "/recipes/seventh_source.toml"));

  const std::vector<std::string> user = Lines(Cli({"--list-sources"}).out);
  const std::vector<std::string> given =
      Lines(Cli({"--sources", kCurrentRecipes, "--list-sources"}).out);

  ASSERT_EQ(user.size(), 6u);
  EXPECT_THAT(user[0], ::testing::StartsWith("baidu suggestion "));
  EXPECT_THAT(user[0], HasSubstr(" built-in "));
  EXPECT_THAT(user[4], ::testing::StartsWith("taobao suggestion "));
  EXPECT_THAT(user[5], ::testing::StartsWith("example suggestion "));
  EXPECT_THAT(user[5], HasSubstr(USER_RECIPE_FILE ":7 "));
  EXPECT_THAT(user[5], HasSubstr(" https://suggest.example.com/complete?q={seed}&limit=10"));
  // --sources is read instead of the user's file.
  ASSERT_EQ(given.size(), 6u);
  EXPECT_THAT(given[0], HasSubstr("current.toml:"));
  EXPECT_THAT(given[5], ::testing::StartsWith("baidu mobile "));
}

struct LayersRow {
  const char* name;
  std::vector<std::string> sources;  // --sources values; "@/" is the test's folder
  std::string toml;                  // in the folder's mine.toml
  std::vector<std::string> listed;   // "NAME@ORIGIN", without lines or folders
};

class ListSourcesLayersTest : public CliTest, public ::testing::WithParamInterface<LayersRow> {};

TEST_P(ListSourcesLayersTest, SaysWhichSetOrFileEachSourceCameFrom) {
  const LayersRow& row = GetParam();
  // Never read while --sources is given.
  WriteUserRecipes("use = [\"extar\"]\n");
  std::ofstream(PathOf("mine.toml")) << row.toml;
  std::vector<std::string> args;
  for (const std::string& sources : row.sources) {
    std::string value = sources;
    for (std::size_t at; (at = value.find("@/")) != std::string::npos;) {
      value.replace(at, 2, PathOf(""));
    }
    args.insert(args.end(), {"--sources", value});
  }
  args.push_back("--list-sources");

  const Outcome run = Cli(args);

  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::vector<std::string> listed;
  for (const std::string& line : Lines(run.out)) {
    // Columns are set apart by two spaces or more; names hold single ones.
    const std::size_t name_end = line.find("  ");
    const std::size_t origin = line.find_first_not_of(' ', name_end);
    std::string from = line.substr(origin, line.find("  ", origin) - origin);
    from = std::filesystem::path(from.substr(0, from.rfind(':'))).filename().string();
    listed.push_back(line.substr(0, name_end) + "@" + from);
  }
  EXPECT_THAT(listed, ::testing::ElementsAreArray(row.listed)) << run.out;
}

const std::vector<std::string> kSixWithCurrent = {
    "baidu suggestion@current", "sogou suggestion@built-in",  "chinaz index@current",
    "5guanjianci@built-in",     "taobao suggestion@built-in", "baidu mobile@built-in"};

std::vector<std::string> Listed(std::vector<std::string> first,
                                const std::vector<std::string>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

INSTANTIATE_TEST_SUITE_P(
    Layers, ListSourcesLayersTest,
    ::testing::Values(
        LayersRow{"ShippedSetsGivenAsAList",
                  {"current,extra"},
                  "",
                  Listed(kSixWithCurrent,
                         {"baidu sugrec@extra", "360 suggestion@extra", "sogou html5@extra",
                          "shenma suggestion@extra", "bing suggestion@extra",
                          "bilibili suggestion@extra", "zhihu suggestion@extra"})},
        // The file comes after the set, so it can take the set's source out.
        LayersRow{"RepeatedSourcesAddToTheList",
                  {"current", "@/mine.toml"},
                  "[[source]]\nname = \"chinaz index\"\nenabled = false\n\n"
                  "[[source]]\nname = \"mine\"\nengine = \"inet\"\n"
                  "address = \"https://a.example/q?w={seed}\"\nseed = \"uri\"\nreply = \"utf-8\"\n"
                  "[[source.cut]]\nitems = ['<b>', '</b>']\n",
                  {"baidu suggestion@current", "sogou suggestion@built-in", "5guanjianci@built-in",
                   "taobao suggestion@built-in", "baidu mobile@built-in", "mine@mine.toml"}},
        LayersRow{"AFilesUseLaysItsSetsFirst",
                  {"builtin,@/mine.toml"},
                  "use = [\"current\"]\n[[source]]\nname = \"baidu mobile\"\nenabled = false\n",
                  {"baidu suggestion@current", "sogou suggestion@built-in", "chinaz index@current",
                   "5guanjianci@built-in", "taobao suggestion@built-in"}}),
    [](const auto& row) { return std::string(row.param.name); });

struct BadRecipeRow {
  const char* name;
  bool user_file;  // the user's sources.toml rather than --sources
  const char* toml;
  const char* message;
  bool fifo = false;  // --sources names a FIFO nobody writes to
};

class BadRecipeFileTest : public CliTest, public ::testing::WithParamInterface<BadRecipeRow> {};

TEST_P(BadRecipeFileTest, ExitsTwoBeforeAnyRequest) {
  const BadRecipeRow& row = GetParam();
  std::vector<std::string> args = Routed(AllHosts());
  args.push_back("--verbose");
  if (row.user_file) {
    WriteUserRecipes(row.toml);
  } else {
    if (row.toml) std::ofstream(PathOf("bad.toml")) << row.toml;
    if (row.fifo) {
#ifdef _WIN32
      GTEST_SKIP() << "Windows has no FIFOs in its file system";
#else
      ASSERT_EQ(mkfifo(PathOf("bad.toml").c_str(), 0600), 0);
#endif
    }
    args.insert(args.end(), {"--sources", PathOf("bad.toml")});
  }
  args.push_back("手机");

  const Outcome run = Cli(args);

  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr(row.message));
  EXPECT_THAT(run.err, ::testing::Not(HasSubstr("GET ")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadRecipeFileTest,
    ::testing::Values(
        BadRecipeRow{"UserFileWithASyntaxError", true, "[[source]\n",
                     USER_RECIPE_FILE ":1: Error while parsing"},
        BadRecipeRow{"GivenFileWithAWrongType", false,
                     "[[source]]\nname = \"baidu mobile\"\nenabled = 0\n",
                     "bad.toml:3: source \"baidu mobile\", key \"enabled\": is an integer"},
        BadRecipeRow{"GivenFileThatIsNotThere", false, nullptr,
                     "bad.toml: is neither a recipe set (builtin, current, extra) nor a readable "
                     "file"},
        BadRecipeRow{"UserFileUsingAnUnknownSet", true, "\nuse = [\"current\", \"extar\"]\n",
                     USER_RECIPE_FILE ":2: key \"use\": 'extar' is not a recipe set "
                     "(builtin, current, extra)"},
        BadRecipeRow{"GivenFileThatIsAFifo", false, nullptr, "bad.toml: is not a regular file",
                     true},
        BadRecipeRow{"AddressThatIsAHostForTheSeed", false,
                     "[[source]]\nname = \"x\"\nengine = \"web\"\n"
                     "address = \"http://{seed}/\"\nseed = \"gbk\"\nreply = \"gbk\"\n"
                     "[[source.cut]]\nitems = ['a', 'b']\n",
                     "bad.toml:4: source \"x\", key \"address\": has {seed} before the path"}),
    [](const auto& row) { return std::string(row.param.name); });

// --- deeper mining ---------------------------------------------------------------

struct DeepRow {
  const char* name;
  std::vector<std::string> args;  // the seed included
  std::string input;              // standard input
  int exit_code;
  int seeds_mined;
  std::vector<std::string> out_has;
  std::vector<std::string> out_lacks;
  const char* err_has;
};

class DeepMiningTest : public CliTest, public ::testing::WithParamInterface<DeepRow> {};

TEST_P(DeepMiningTest, MinesFiltersAndWritesAsAsked) {
  const DeepRow& row = GetParam();
  const Outcome run = FullRun(row.args, row.input);

  EXPECT_EQ(run.exit_code, row.exit_code) << run.err;
  EXPECT_EQ(SeedsMined(), row.seeds_mined);
  for (const std::string& part : row.out_has) EXPECT_THAT(run.out, HasSubstr(part));
  for (const std::string& part : row.out_lacks) EXPECT_THAT(run.out, Not(HasSubstr(part)));
  EXPECT_THAT(run.err, HasSubstr(row.err_has));
}

// The fixtures give every seed the same 17 lines: 15 of them are new
// non-empty seeds for the second level (手机 itself was mined).
INSTANTIATE_TEST_SUITE_P(
    Options, DeepMiningTest,
    ::testing::Values(
        DeepRow{"DepthTwoMinesEachFirstLevelKeywordOnce",
                {"--depth", "2", "手机"},
                "",
                0,
                16,
                {"手机壳\n", "小米手机\n"},
                {},
                ""},
        DeepRow{"MaxSeedsStopsTheRunAndSaysSo",
                {"--depth", "2", "--max-seeds", "3", "手机"},
                "",
                0,
                3,
                {},
                {},
                "stopped at --max-seeds 3"},
        DeepRow{"SeedsFileSkipsBlankAndCommentLines",
                {"-i", "-", "phone"},
                "# seeds\n\n手机\r\n",
                0,
                2,
                {"手机壳\n"},
                {},
                ""},
        // Ten first-level keywords hold 手机 and not 品牌; only they go on.
        DeepRow{"FiltersKeepTheListAndTheNextSeeds",
                {"--depth", "2", "--include", "手机", "--exclude", "品牌", "手机"},
                "",
                0,
                11,
                {"手机壳\n", "二手手机\n"},
                {"品牌", "b\" 型号", "%E6"},
                ""},
        DeepRow{"IgnoreCaseAppliesToThePatterns",
                {"--include", "E6%89", "--ignore-case", "手机"},
                "",
                0,
                1,
                {"%E6%89%8B%E6%9C%BA%E8%86%9C\n"},
                {"手机壳"},
                ""},
        DeepRow{"ABadPatternIsNamedWithItsPositionBeforeAnyRequest",
                {"--exclude", "a(b", "手机"},
                "",
                2,
                0,
                {},
                {},
                "--exclude 'a(b': missing closing parenthesis at character 4"},
        DeepRow{"CsvQuotesAndNamesTheFirstFinder",
                {"--format", "csv", "手机"},
                "",
                0,
                1,
                {"keyword,source,seed,depth\n手机壳,baidu suggestion,手机,1\n",
                 "\"手机 \"\"a\",baidu suggestion,手机,1\n", "手机支架,5guanjianci,手机,1\n"},
                {},
                ""},
        DeepRow{"JsonLinesCarryTheSameFields",
                {"--format", "jsonl", "--include", "^华为", "手机"},
                "",
                0,
                1,
                {"{\"keyword\":\"华为手机\",\"source\":\"sogou suggestion\",\"seed\":\"手机\","
                 "\"depth\":1}\n"},
                {"手机壳"},
                ""}),
    [](const auto& row) { return std::string(row.param.name); });

// Seeds mined at once come out as one at a time would give them, and no
// site ever has two requests of the run at once.
TEST_F(CliTest, JobsGiveTheSameListWithOneRequestPerSiteAtATime) {
  sites_.SetReplyDelay(std::chrono::milliseconds(10));
  const Outcome one = FullRun({"--depth", "2", "--format", "csv", "手机", "phone"});
  const Outcome four = FullRun({"--depth", "2", "--format", "csv", "--jobs", "4", "手机", "phone"});

  EXPECT_EQ(four.exit_code, 0) << four.err;
  EXPECT_EQ(four.out, one.out);
  EXPECT_EQ(SeedsMined(), 2 * 17);
  EXPECT_EQ(sites_.MostAtOnceOnOneHost(), 1);
}

TEST_F(CliTest, CsvFileIsUtf8WithAMarkUnlessGbkIsAsked) {
  EXPECT_EQ(FullRun({"--format", "csv", "-o", PathOf("u.csv"), "手机"}).exit_code, 0);
  EXPECT_EQ(
      FullRun({"--format", "csv", "--encoding", "gbk", "-o", PathOf("g.csv"), "手机"}).exit_code,
      0);

  EXPECT_THAT(ReadFile(PathOf("u.csv")),
              ::testing::StartsWith("\xEF\xBB\xBFkeyword,source,seed,depth\r\n手机壳,"));
  EXPECT_THAT(ReadFile(PathOf("g.csv")),
              ::testing::StartsWith("keyword,source,seed,depth\r\n" + GbkFromUtf8("手机壳,")));
}

// The first Ctrl+C stops after the request under way and still writes what
// was found; the sites answer slowly so that it lands in the middle.
TEST_F(CliTest, CtrlCStopsTheRunAndWritesWhatWasFound) {
  sites_.SetReplyDelay(std::chrono::milliseconds(400));

  const Outcome run = FullRun({"-o", PathOf("list.txt"), "手机"}, "", [](testing::ChildProcess& child) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    child.Interrupt();
  });

  EXPECT_EQ(run.exit_code, 130) << run.err;
  EXPECT_THAT(run.err, HasSubstr("stopped by Ctrl+C"));
  EXPECT_THAT(ReadFile(PathOf("list.txt")), ::testing::StartsWith(GbkFromUtf8("手机壳\r\n")));
  EXPECT_LT(run.wall_seconds, 3.0);
}

struct CtrlCRow {
  const char* name;
  std::vector<std::string> args;  // the seeds included
  std::set<std::string> silent;   // sources whose sites never answer
  std::vector<int> ctrl_c_ms;     // when each Ctrl+C comes, from the start
  const char* err_has;
  const char* list_starts;  // the -o file, UTF-8
};

class CtrlCTest : public CliTest, public ::testing::WithParamInterface<CtrlCRow> {};

// Every wait ends at the first Ctrl+C, whatever its length (here a minute,
// or more: a run that sleeps through it takes that long), and what was
// found is written even when Ctrl+C comes again.
TEST_P(CtrlCTest, EndsEveryWaitAtOnceAndWritesWhatWasFound) {
  const CtrlCRow& row = GetParam();
  std::set<std::string> hosts;
  for (const std::string& source : row.silent) hosts.insert(testing::SiteOf(source).host);
  const SilentSites silent(sites_, hosts);
  std::vector<std::string> args = {"--timeout", "90", "-o", PathOf("list.txt")};
  args.insert(args.end(), row.args.begin(), row.args.end());

  const Outcome run = FullRun(args, "", [&](testing::ChildProcess& child) {
    const auto start = std::chrono::steady_clock::now();
    for (const int at : row.ctrl_c_ms) {
      std::this_thread::sleep_until(start + std::chrono::milliseconds(at));
      child.Interrupt();
    }
  });

  EXPECT_EQ(run.exit_code, 130) << run.err;
  EXPECT_THAT(run.err, HasSubstr(row.err_has));
  EXPECT_THAT(run.err, Not(HasSubstr("network")));
  EXPECT_THAT(ReadFile(PathOf("list.txt")), ::testing::StartsWith(GbkFromUtf8(row.list_starts)));
  EXPECT_LT(run.wall_seconds, 20.0);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, CtrlCTest,
    ::testing::Values(
        CtrlCRow{"ARequestThatIsNeverAnswered",
                 {"手机", "phone", "pad"},
                 {"taobao suggestion"},
                 {1500},
                 "after beginning 1 seed;",
                 "手机壳\r\n"},
        CtrlCRow{
            "APauseBetweenKeywords", {"--pace", "60000", "手机"}, {}, {1500}, "", "手机壳\r\n"},
        // The second seed's requests queue behind the first's at each site.
        CtrlCRow{"ATurnAtASite",
                 {"--pace", "60000", "--jobs", "2", "手机", "phone"},
                 {},
                 {1500},
                 "after beginning 2 seeds;",
                 "手机壳\r\n"},
        CtrlCRow{"BeforeAnyReply",
                 {"手机"},
                 {"baidu suggestion"},
                 {1000},
                 "stopped by Ctrl+C after beginning 1 seed; writing the 0 keywords found",
                 ""},
        CtrlCRow{"ASecondCtrlCStillWritesTheList",
                 {"手机"},
                 {"taobao suggestion"},
                 {1500, 1520},
                 "stopped by Ctrl+C",
                 "手机壳\r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

// Keywords come from the web: what they hold must not act in a spreadsheet
// or on a terminal.
struct HostileKeywordRow {
  const char* name;
  std::vector<std::string> options;
  const char* file;  // the -o file, or nullptr for standard output
  std::vector<std::string> has;
  std::vector<std::string> lacks;
};

class HostileKeywordTest : public CliTest,
                           public ::testing::WithParamInterface<HostileKeywordRow> {};

TEST_P(HostileKeywordTest, NeitherCalculatesNorControlsTheTerminal) {
  const HostileKeywordRow& row = GetParam();
  sites_.Override(testing::SiteOf("baidu suggestion").host, [](const auto&, auto& response) {
    response.set_content(
        "window.bdsug.sug({q:\"x\",p:true,s:[\"=cmd|' /C calc'!A0\",\"+SUM(1)\",\"-2+3\","
        "\"@SUM(1,2)\",\"\tx\",\"\x1b[31mred\",\"a\nb\"]});",
        "text/javascript");
  });
  std::vector<std::string> args = row.options;
  if (row.file) args.insert(args.end(), {"-o", PathOf(row.file)});
  args.push_back("手机");

  const Outcome run = FullRun(args);

  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::string written = row.file ? ReadFile(PathOf(row.file)) : run.out;
  for (const std::string& part : row.has) EXPECT_THAT(written, HasSubstr(part));
  for (const std::string& part : row.lacks) EXPECT_THAT(written, Not(HasSubstr(part)));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, HostileKeywordTest,
    ::testing::Values(
        HostileKeywordRow{
            "CsvFileQuotesFormulasAsText",
            {"--format", "csv"},
            "list.csv",
            {"\r\n\"'=cmd|' /C calc'!A0\",baidu suggestion,手机,1\r\n", "\r\n\"'+SUM(1)\",",
             "\r\n\"'-2+3\",", "\r\n\"'@SUM(1,2)\",", "\r\n\"'\tx\","},
            {"\n=", "\n+", "\n-", "\n@"}},
        HostileKeywordRow{"CsvOnStdoutShowsControlsAsQuestionMarks",
                          {"--format", "csv"},
                          nullptr,
                          {"\n\"'=cmd|' /C calc'!A0\",", "\n?[31mred,", "\na?b,"},
                          {"\x1b"}},
        HostileKeywordRow{"LinesOnStdoutShowControlsAsQuestionMarks",
                          {},
                          nullptr,
                          {"=cmd|' /C calc'!A0\n+SUM(1)\n", "\n?[31mred\n", "\na?b\n", "\n\tx\n"},
                          {"\x1b", "\na\n"}},
        HostileKeywordRow{
            "LinesFileKeepsTheBytes", {}, "list.txt", {"\r\n\x1b[31mred\r\na\nb"}, {}},
        HostileKeywordRow{
            "JsonLinesEscapeThem",
            {"--format", "jsonl"},
            nullptr,
            {"{\"keyword\":\"\\u001b[31mred\",", "{\"keyword\":\"=cmd|' /C calc'!A0\","},
            {"\x1b"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(CliTest, AFullStandardOutputIsAFailureSaidAsSuch) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no /dev/full";
#endif
  stdout_to_ = "/dev/full";

  const Outcome run = FullRun({"手机"});

  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr("could not write to standard output: No space left on device"));
}

// A libcurl.so.4 without curl's functions, found first through
// LD_LIBRARY_PATH.
TEST_F(CliTest, ALibcurlThatCannotLoadIsNamedWithAnExitCodeOfItsOwn) {
#ifdef _WIN32
  GTEST_SKIP() << "libcurl is linked into the Windows program";
#else
  testing::SetEnvironment("LD_LIBRARY_PATH", KESTRILO_BROKEN_CURL_DIR);
  const Outcome run = FullRun({"--verbose", "手机"});
  const Outcome check = FullRun({"--check"});
  testing::SetEnvironment("LD_LIBRARY_PATH", nullptr);

  EXPECT_EQ(run.exit_code, 5);
  EXPECT_EQ(Lines(run.err),
            std::vector<std::string>{
                "kestrilo-cli: libcurl could not be loaded: " KESTRILO_BROKEN_CURL_DIR
                "/libcurl.so.4: undefined symbol: curl_global_init"});
  EXPECT_EQ(check.exit_code, 5);
  EXPECT_EQ(check.out, "");
  EXPECT_EQ(sites_.Requests(), 0);
#endif
}

TEST_F(CliTest, HelpAndVersionGoToStdout) {
  EXPECT_THAT(Cli({"--help"}).out, HasSubstr("usage: kestrilo-cli"));
  const Outcome version = Cli({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_THAT(version.out, HasSubstr("kestrilo-cli 0."));
}

// The paced run waits after each of the 8 chinaz and 5guanjianci keywords:
// 3.2 s in all. The margin is wide, because a loaded machine (a sanitizer
// build, parallel tests) slows either run by a second or more.
TEST_F(CliTest, PacingSlowsTheRunByItsWaits) {
  const Outcome fast = FullRun({"--pace", "0", "手机"});
  const Outcome paced = FullRun({"--pace", "400", "手机"});

  EXPECT_EQ(paced.out, fast.out);
  EXPECT_GE(paced.wall_seconds - fast.wall_seconds, 1.6)
      << "--pace 0: " << fast.wall_seconds << " s, --pace 400: " << paced.wall_seconds << " s";
}

}  // namespace
}  // namespace kestrilo
