#include "runtime/file_writer.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/conversion.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

namespace fs = std::filesystem;

class WriteToFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "/kestrilo-runtime-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  Text PathOf(const std::string& name) const { return GbkFromUtf8((dir_ / name).string()); }

  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  void Create(const std::string& name, const std::string& content) const {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }

  // Catches a temporary file left behind as well as a file written in the wrong place.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  fs::path dir_;
};

TEST_F(WriteToFileTest, EmptyNameFailsWithoutTouchingTheDisk) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_);
  EXPECT_FALSE(WriteToFile("", {ToBytes("x")}));
  fs::current_path(previous);
  EXPECT_TRUE(Listing().empty());
}

TEST_F(WriteToFileTest, OnlyEmptyBlocksCreateAnEmptyFile) {
  EXPECT_TRUE(WriteToFile(PathOf("a.txt"), {Bytes{}, Bytes{}}));
  EXPECT_TRUE(WriteToFile(PathOf("b.txt"), std::span<const Bytes>{}));
  EXPECT_EQ(Listing(), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(fs::file_size(dir_ / "a.txt"), 0u);
  EXPECT_EQ(fs::file_size(dir_ / "b.txt"), 0u);
}

TEST_F(WriteToFileTest, WritesBlocksInOrderAndReplacesOldContent) {
  Create("out.txt", "old content that is longer");
  EXPECT_TRUE(WriteToFile(PathOf("out.txt"), {ToBytes("ab"), Bytes{}, Bytes{0, 'c'}}));
  EXPECT_EQ(Read("out.txt"), std::string("ab\0c", 4));
  EXPECT_EQ(Listing(), std::set<std::string>{"out.txt"});
}

TEST_F(WriteToFileTest, MissingFolderOrDirectoryTargetFails) {
  EXPECT_FALSE(WriteToFile(PathOf("missing/out.txt"), {ToBytes("x")}));
  fs::create_directory(dir_ / "sub");
  EXPECT_FALSE(WriteToFile(PathOf("sub"), {ToBytes("x")}));
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
  EXPECT_EQ(Listing(), std::set<std::string>{"sub"});
}

// A file-size limit makes the write itself fail, which works even for root.
TEST_F(WriteToFileTest, FailedWriteKeepsTheOldFileIntact) {
  Create("out.txt", "old");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4;
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WriteToFile(PathOf("out.txt"), {ToBytes("new and much longer")});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);

  EXPECT_FALSE(written);
  EXPECT_EQ(Read("out.txt"), "old");
  EXPECT_EQ(Listing(), std::set<std::string>{"out.txt"});
}

TEST_F(WriteToFileTest, PermissionsOfReplacedFileAreKeptAndNewFilesFollowTheUmask) {
  Create("old.txt", "old");
  fs::permissions(dir_ / "old.txt", fs::perms(0640));
  const mode_t previous_mask = ::umask(022);
  EXPECT_TRUE(WriteToFile(PathOf("old.txt"), {ToBytes("x")}));
  EXPECT_TRUE(WriteToFile(PathOf("new.txt"), {ToBytes("x")}));
  ::umask(previous_mask);
  EXPECT_EQ(fs::status(dir_ / "old.txt").permissions(), fs::perms(0640));
  EXPECT_EQ(fs::status(dir_ / "new.txt").permissions(), fs::perms(0644));
}

TEST_F(WriteToFileTest, WritingThroughSymlinkUpdatesItsTarget) {
  Create("real.txt", "old");
  fs::create_symlink("real.txt", dir_ / "link.txt");
  EXPECT_TRUE(WriteToFile(PathOf("link.txt"), {ToBytes("new")}));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
  EXPECT_EQ(Read("real.txt"), "new");
}

TEST_F(WriteToFileTest, GbkFileNameBecomesUtf8OnDisk) {
  EXPECT_TRUE(WriteToFile(GbkFromUtf8(dir_.string() + "/") + "关键词.txt"_gbk, {ToBytes("x")}));
  EXPECT_EQ(Listing(), std::set<std::string>{"关键词.txt"});
}

// A writable file in a folder that takes no new file: no temporary file can
// stand beside it, so it is rewritten where it is. Root may write anywhere,
// so then the write runs as nobody.
TEST_F(WriteToFileTest, AWritableFileInAFolderThatTakesNoNewFileIsRewrittenInPlace) {
  Create("kept.txt", "old content");
  fs::permissions(dir_ / "kept.txt", fs::perms(0666));
  fs::permissions(dir_, fs::perms(0555));
  const auto write = [&](const std::string& name) {
    const Bytes content{'n', 'e', 'w'};
    return WriteToPath((dir_ / name).string(), std::span<const Bytes>(&content, 1));
  };
  const auto as_user = [&](const std::string& name) {
    if (::geteuid() != 0) return write(name);
    const pid_t child = ::fork();
    if (child == 0) {
      const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
      ::_exit(dropped && write(name) ? 0 : 1);
    }
    int status = 1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };

  const bool rewritten = as_user("kept.txt");
  const bool created = as_user("new.txt");
  fs::permissions(dir_, fs::perms(0755));

  EXPECT_TRUE(rewritten);
  EXPECT_FALSE(created);
  EXPECT_EQ(Read("kept.txt"), "new");
  EXPECT_EQ(Listing(), std::set<std::string>{"kept.txt"});
}

TEST(RunDirectoryTest, IsTheFolderOfTheExecutable) {
  EXPECT_EQ(Utf8FromGbk(RunDirectory()), fs::read_symlink("/proc/self/exe").parent_path().string());
}

}  // namespace
}  // namespace kestrilo
