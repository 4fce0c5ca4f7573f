// The hashed RemoveDuplicates against the literal algorithm on lists long
// enough to make its table grow several times, for separators of one and
// two bytes and a GBK one, which only matches at a character boundary.

#include "literal_dedupe.h"

#include <string>

#include <gtest/gtest.h>

#include "runtime/gbk.h"
#include "runtime/text_commands.h"
#include "text/remove_duplicates.h"

#include "keyword_data.h"

namespace kestrilo::bench {
namespace {

struct SeparatorRow {
  const char* name;
  std::string separator;  // UTF-8
};

void PrintTo(const SeparatorRow& row, std::ostream* out) { *out << row.name; }

class LiteralDedupeTest : public ::testing::TestWithParam<SeparatorRow> {};

TEST_P(LiteralDedupeTest, HashedAndLiteralKeepTheSamePiecesInOrder) {
  const Text separator = GbkFromUtf8(GetParam().separator);
  const Text list = ReplaceText(KeywordLines(5000), "\n", std::string_view(separator));
  const Text unique = RemoveDuplicates(list, separator, SplitMode::kSeparator);

  EXPECT_EQ(unique, LiteralRemoveDuplicates(list, separator));
  EXPECT_GT(SplitTextViews(unique, separator).size(), 3000u);
}

INSTANTIATE_TEST_SUITE_P(
    Separators, LiteralDedupeTest,
    ::testing::Values(SeparatorRow{"LineFeedSeparatesLines", "\n"},
                      SeparatorRow{"CrLfSeparatesLines", "\r\n"},
                      SeparatorRow{"FullWidthCommaMatchesOnlyAtCharacterBoundaries", "，"},
                      SeparatorRow{"SeparatorLongerThanSomePieces", "|||||"}),
    [](const ::testing::TestParamInfo<SeparatorRow>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kestrilo::bench
