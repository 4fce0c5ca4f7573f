// What the writer does on Linux beyond the common part: links, the file's
// permissions, and the in-place write when the folder takes no new file.

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/conversion.h"
#include "file_writer_fixture.h"

namespace kestrilo {
namespace {

constexpr uid_t kNobody = 65534;

// Makes the write itself fail past `limit` bytes, which works even for root.
template <typename Write>
Outcome UnderFileSizeLimit(rlim_t limit, Write write) {
  if (limit == RLIM_INFINITY) return write();
  rlimit saved{};
  EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = limit;
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const Outcome outcome = write();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous_handler);
  return outcome;
}

// A folder's permissions do not stop root, so then the write runs as nobody
// in a child: the exit status says whether it wrote, a pipe carries the why.
template <typename Write>
Outcome AsUser(Write write) {
  if (::geteuid() != 0) return write();
  int ends[2];
  if (::pipe(ends) != 0) return {false, "no pipe"};
  const pid_t child = ::fork();
  if (child == 0) {
    const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    const Outcome outcome = dropped ? write() : Outcome{false, "could not become nobody"};
    [[maybe_unused]] const ssize_t sent = ::write(ends[1], outcome.why.data(), outcome.why.size());
    ::_exit(outcome.written ? 0 : 1);
  }
  ::close(ends[1]);
  Outcome outcome;
  char buffer[256];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
    outcome.why.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(ends[0]);
  int status = 1;
  ::waitpid(child, &status, 0);
  outcome.written = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return outcome;
}

// A file-size limit makes the write itself fail, which works even for root.
TEST_F(WriteToFileTest, FailedWriteKeepsTheOldFileIntact) {
  Create("out.txt", "old");
  const Outcome outcome =
      UnderFileSizeLimit(4, [&] { return Write("out.txt", "new and much longer"); });

  EXPECT_FALSE(outcome.written);
  EXPECT_EQ(outcome.why, "File too large");
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

  // A chain through a linked folder and a relative "..".
  fs::create_directory(dir_ / "sub");
  fs::create_symlink("../real.txt", dir_ / "sub" / "hop");
  fs::create_symlink("sub", dir_ / "folder");
  fs::create_symlink("folder/hop", dir_ / "chain.txt");
  EXPECT_TRUE(Write("chain.txt", "newer").written);
  EXPECT_EQ(Read("real.txt"), "newer");
}

// A loop fails as the kernel would; a dangling link is replaced by the file.
TEST_F(WriteToFileTest, LinksThatLeadNowhere) {
  fs::create_symlink("b", dir_ / "a");
  fs::create_symlink("a", dir_ / "b");
  fs::create_symlink("missing.txt", dir_ / "dangling");
  EXPECT_EQ(Write("a", "x").why, "Too many levels of symbolic links");
  EXPECT_TRUE(Write("dangling", "x").written);
  EXPECT_EQ(Read("dangling"), "x");
  EXPECT_TRUE(fs::is_symlink(dir_ / "a") && !fs::is_symlink(dir_ / "dangling"));
  EXPECT_EQ(Listing(), (std::set<std::string>{"a", "b", "dangling"}));
}

// A writable file in a folder that takes no new file: no temporary file can
// stand beside it, so it is rewritten where it is. Root may write anywhere,
// so then the write runs as nobody.
TEST_F(WriteToFileTest, AWritableFileInAFolderThatTakesNoNewFileIsRewrittenInPlace) {
  Create("kept.txt", "old content");
  fs::permissions(dir_ / "kept.txt", fs::perms(0666));
  fs::permissions(dir_, fs::perms(0555));
  const Outcome rewritten = AsUser([&] { return Write("kept.txt", "new"); });
  const Outcome created = AsUser([&] { return Write("new.txt", "new"); });
  fs::permissions(dir_, fs::perms(0755));

  EXPECT_TRUE(rewritten.written) << rewritten.why;
  EXPECT_FALSE(created.written);
  EXPECT_EQ(created.why, "Permission denied");
  EXPECT_EQ(Read("kept.txt"), "new");
  EXPECT_EQ(Listing(), std::set<std::string>{"kept.txt"});
}

// Every way the in-place write can fail leaves the old file byte for byte.
struct InPlaceCase {
  const char* name;
  std::size_t old_size;
  std::size_t new_size;
  rlim_t size_limit;
  bool lock_held;
  const char* why;  // null when the write succeeds
};

class InPlaceWriteTest : public WriteToFileTest,
                         public ::testing::WithParamInterface<InPlaceCase> {};

TEST_P(InPlaceWriteTest, KeepsTheOldFileUnlessTheNewOneIsWrittenWhole) {
  const InPlaceCase& test = GetParam();
  const std::string old_content(test.old_size, 'o');
  const std::string new_content(test.new_size, 'n');
  Create("list.txt", old_content);
  fs::permissions(dir_ / "list.txt", fs::perms(0666));
  // flock() locks belong to the open file description, so this one stands
  // against the writer's own open() even in a forked child.
  const int holder = ::open((dir_ / "list.txt").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  if (test.lock_held) {
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  }

  fs::permissions(dir_, fs::perms(0555));
  const Outcome outcome = AsUser([&] {
    return UnderFileSizeLimit(test.size_limit, [&] { return Write("list.txt", new_content); });
  });
  fs::permissions(dir_, fs::perms(0755));
  ::close(holder);

  const std::string expected = test.why == nullptr ? new_content : old_content;
  const std::string content = Read("list.txt");
  EXPECT_EQ(outcome.written, test.why == nullptr) << outcome.why;
  EXPECT_NE(outcome.why.find(test.why == nullptr ? "" : test.why), std::string::npos);
  EXPECT_EQ(content.size(), expected.size());
  EXPECT_TRUE(content == expected);
  EXPECT_EQ(Listing(), std::set<std::string>{"list.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InPlaceWriteTest,
    ::testing::Values(InPlaceCase{"Grows", 10, 6000, RLIM_INFINITY, false, nullptr},
                      InPlaceCase{"Shrinks", 6800, 3, RLIM_INFINITY, false, nullptr},
                      InPlaceCase{"LockHeldElsewhere", 6800, 3, RLIM_INFINITY, true, "lock"},
                      // Refused when the size is reserved, before any byte is written.
                      InPlaceCase{"NoRoomToGrow", 10, 6000, 4096, false, "File too large"},
                      // Refused at the limit with 4096 old bytes already overwritten.
                      InPlaceCase{"FailsPartWay", 6000, 5000, 4096, false, "File too large"}),
    [](const auto& row) { return std::string(row.param.name); });

// Root writing into a shared folder must not be steered through a link that
// someone else planted there, as the kernel's protected_symlinks rule has it.
struct SharedLinkCase {
  const char* name;
  mode_t folder_mode;
  uid_t folder_owner;
  uid_t link_owner;
  bool links_the_folder;  // rather than the file itself
  bool followed;
};

class SharedLinkTest : public WriteToFileTest,
                       public ::testing::WithParamInterface<SharedLinkCase> {};

TEST_P(SharedLinkTest, FollowsOnlyLinksOfTheUserOrTheFolderOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the link to another user";
  const SharedLinkCase& test = GetParam();
  fs::create_directory(dir_ / "shared");
  ASSERT_EQ(::chmod((dir_ / "shared").c_str(), test.folder_mode), 0);
  ASSERT_EQ(::chown((dir_ / "shared").c_str(), test.folder_owner, test.folder_owner), 0);
  fs::create_directory(dir_ / "victim");
  Create("victim/config", "victim data");
  const std::string link = test.links_the_folder ? "shared/sub" : "shared/list.txt";
  fs::create_symlink(test.links_the_folder ? dir_ / "victim" : dir_ / "victim" / "config",
                     dir_ / link);
  ASSERT_EQ(::lchown((dir_ / link).c_str(), test.link_owner, test.link_owner), 0);

  const Outcome outcome = Write(test.links_the_folder ? "shared/sub/config" : link, "new list");

  EXPECT_EQ(outcome.written, test.followed) << outcome.why;
  EXPECT_EQ(Read("victim/config"), test.followed ? "new list" : "victim data");
  EXPECT_TRUE(fs::is_symlink(dir_ / link));
  EXPECT_EQ(Listing("shared"), std::set<std::string>{fs::path(link).filename().string()});
  EXPECT_EQ(Listing("victim"), std::set<std::string>{"config"});
  if (!test.followed) {
    EXPECT_NE(outcome.why.find(link + " is a link that another user placed"), std::string::npos)
        << outcome.why;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedLinkTest,
    ::testing::Values(SharedLinkCase{"AnotherUsersLinkToTheFile", 01777, 0, kNobody, false, false},
                      SharedLinkCase{"AnotherUsersLinkToTheFolder", 01777, 0, kNobody, true, false},
                      SharedLinkCase{"OwnLink", 01777, 0, 0, false, true},
                      SharedLinkCase{"FolderOwnersLink", 01777, kNobody, kNobody, false, true},
                      SharedLinkCase{"FolderNotSticky", 0777, 0, kNobody, false, true}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kestrilo
