// kestrilo-cli run as a child process against fake versions of the six
// sites, served from this test process and reached through --connect-to.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/gbk.h"

#include "support/fake_sites.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"

extern char** environ;

namespace kestrilo {
namespace {

using testing::ExpectedSiteKeywords;
using testing::FakeSiteList;
using testing::FakeSites;
using ::testing::HasSubstr;
using testing::LoopbackServer;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
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
              ("kestrilo_cli_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  // The routing and trust options that send every site to the fake ones.
  std::vector<std::string> Routed(bool refused = false) const {
    std::vector<std::string> args;
    const std::vector<std::string> routes = sites_.Routes();
    for (std::size_t i = 0; i < routes.size(); ++i) {
      const testing::FakeSite& site = FakeSiteList()[i];
      args.push_back("--connect-to");
      args.push_back(refused ? std::string(site.host) + ":" + (site.secure ? "443" : "80") +
                                   ":127.0.0.1:" + std::to_string(closed_port_)
                             : routes[i]);
    }
    args.push_back("--cacert");
    args.push_back(sites_.CaFile());
    return args;
  }

  Outcome Cli(std::vector<std::string> args) const {
    args.insert(args.begin(), KESTRILO_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = PathOf("stdout"), err = PathOf("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    Outcome outcome;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << argv[0];
      return outcome;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    outcome.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.cpu_seconds =
        static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = ReadFile(out);
    outcome.err = ReadFile(err);
    return outcome;
  }

  Outcome FullRun(std::vector<std::string> extra) const {
    std::vector<std::string> args = Routed();
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli(args);
  }

  std::filesystem::path folder_;
  FakeSites sites_;
  // A port nothing listens on any more: connections to it are refused.
  int closed_port_ = LoopbackServer([](httplib::Server&) {}).port();
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
  std::vector<std::string> args = Routed(true);
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
  std::vector<std::string> args = Routed(true);
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
        RefusalRow{"OptionWithoutItsValue", {"手机", "-o"}, "needs a value"}),
    [](const auto& row) { return std::string(row.param.name); });

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
