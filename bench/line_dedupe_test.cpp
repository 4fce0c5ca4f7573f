// The dedupe driver's output against awk's own for the same bytes: the
// comparison script times the two and only means something while they agree.

#include "line_dedupe.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "runtime/text_commands.h"
#include "text/remove_duplicates.h"

#include "keyword_data.h"

namespace kestrilo::bench {
namespace {

std::string AwkUnique(const std::string& content) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kestrilo_dedupe_" + std::to_string(getpid()));
  std::ofstream(path, std::ios::binary) << content;
  std::string output;
  if (std::FILE* awk = popen(("awk '!seen[$0]++' " + path.string()).c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, awk)) > 0;)
      output.append(buffer, n);
    pclose(awk);
  }
  std::filesystem::remove(path);
  return output;
}

struct Row {
  const char* name;
  std::string content;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class DedupeLinesTest : public ::testing::TestWithParam<Row> {};

TEST_P(DedupeLinesTest, BothMethodsPrintWhatAwkPrints) {
  const std::string& content = GetParam().content;
  const std::string expected = AwkUnique(content);
  EXPECT_EQ(DedupeLines(content, DedupeMethod::kKestrilo), expected);
  EXPECT_EQ(DedupeLines(content, DedupeMethod::kLiteral), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DedupeLinesTest,
    ::testing::Values(Row{"EmptyFileGivesNothing", ""}, Row{"LoneLineBreakIsOneEmptyLine", "\n"},
                      Row{"RepeatsAfterTheFirstAreDropped", "b\na\nb\nb\na\n"},
                      Row{"MissingFinalLineBreakIsAdded", "a\nb\na"},
                      Row{"EmptyLinesCountAsOneLine", "a\n\nb\n\n"},
                      Row{"TrailingEmptyLineIsKept", "a\n\n"},
                      Row{"CarriageReturnIsPartOfTheLine", "a\r\na\nb\r\na\r\n"},
                      Row{"GbkLinesCompareByBytes",
                          "\xCA\xD6\xBB\xFA\n\xCA\xD6\n\xCA\xD6\xBB\xFA\n"},  // 手机 手
                      Row{"GeneratedListOfTwoThousandLines", KeywordLines(2000)}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

TEST(KeywordLinesTest, SameLengthGivesSameBytesAndAboutThirtyPercentRepeats) {
  const Text list = KeywordLines(20'000);
  EXPECT_EQ(list, KeywordLines(20'000));
  const Text unique = RemoveDuplicates(list, "\n", SplitMode::kSeparator);
  const auto lines = static_cast<double>(SplitTextViews(list, "\n").size());
  const auto repeats = lines - static_cast<double>(SplitTextViews(unique, "\n").size());
  EXPECT_EQ(lines, 20'000);
  EXPECT_NEAR(repeats / lines, 0.30, 0.02);
}

}  // namespace
}  // namespace kestrilo::bench
