#include "runtime/file_writer.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "runtime/conversion.h"
#include "file_writer_fixture.h"

namespace kestrilo {
namespace {

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
  EXPECT_EQ(Write("missing/out.txt", "x").why, "No such file or directory");
  EXPECT_EQ(Write("sub", "x").why, "Is a directory");
  EXPECT_EQ(Listing(), std::set<std::string>{"sub"});
}

TEST_F(WriteToFileTest, GbkFileNameBecomesUtf8OnDisk) {
  EXPECT_TRUE(WriteToFile(PathOf("关键词.txt"), {ToBytes("x")}));
  EXPECT_EQ(Listing(), std::set<std::string>{"关键词.txt"});
}

// A name GBK cannot hold reaches the disk exactly, through the UTF-8 path.
TEST_F(WriteToFileTest, ANameOutsideGbkIsKeptExactly) {
  const std::string name = "한국어 \xF0\x9F\x98\x80 list.txt";
  EXPECT_TRUE(Write(name, "x").written);
  EXPECT_EQ(Listing(), std::set<std::string>{name});
  EXPECT_EQ(Read(name), "x");
}

TEST(RunDirectoryTest, IsTheFolderOfTheExecutable) {
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::u8string folder = fs::path(std::wstring(path, n)).parent_path().u8string();
  EXPECT_EQ(Utf8FromGbk(RunDirectory()), std::string(folder.begin(), folder.end()));
#else
  EXPECT_EQ(Utf8FromGbk(RunDirectory()), fs::read_symlink("/proc/self/exe").parent_path().string());
#endif
}

}  // namespace
}  // namespace kestrilo
