// What the writer does on Windows beyond the common part: a file another
// program holds open is replaced only as far as that program shares it.

#include <windows.h>

#include "file_writer_fixture.h"
#include "runtime/windows_text.h"

namespace kestrilo {
namespace {

struct HeldFileCase {
  const char* name;
  DWORD share;      // what the other program lets others do with the file
  const char* why;  // null when the write succeeds
};

class HeldFileTest : public WriteToFileTest, public ::testing::WithParamInterface<HeldFileCase> {};

TEST_P(HeldFileTest, KeepsTheOldFileUnlessItCanBeReplacedWhole) {
  const HeldFileCase& test = GetParam();
  Create("list.txt", "old content");
  const HANDLE holder =
      ::CreateFileW(WideFromUtf8(Utf8PathOf("list.txt")).c_str(), GENERIC_READ, test.share,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const Outcome outcome = Write("list.txt", "new");
  ::CloseHandle(holder);

  EXPECT_EQ(outcome.written, test.why == nullptr) << outcome.why;
  if (test.why != nullptr) {
    EXPECT_EQ(outcome.why, test.why);
  }
  EXPECT_EQ(Read("list.txt"), test.why == nullptr ? "new" : "old content");
  EXPECT_EQ(Listing(), std::set<std::string>{"list.txt"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeldFileTest,
    ::testing::Values(
        HeldFileCase{"SharingNothing", 0, "another program holds a lock on it"},
        HeldFileCase{"SharingReadingOnly", FILE_SHARE_READ, "another program holds a lock on it"},
        HeldFileCase{"SharingEverything", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kestrilo
