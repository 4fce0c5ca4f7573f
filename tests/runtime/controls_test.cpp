#include "runtime/controls.h"

#include <gtest/gtest.h>

#include "runtime/memory_controls.h"

namespace kestrilo {
namespace {

TEST(StatusBarTest, AddPartFillsDefaultsAndNumbersPartsFromZero) {
  MemoryStatusBar bar;
  EXPECT_EQ(StatusBarAddPart(bar), 0);
  EXPECT_EQ(StatusBarAddPart(bar, "t", -7, "tip", 3, 1), 1);
  StatusBarAddPart(bar, {}, -1, {}, {}, 2);
  StatusBarAddPart(bar, {}, 0, {}, {}, 3);
  const auto& parts = bar.Parts();
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0].width, 50);
  EXPECT_EQ(parts[0].icon, -1);
  EXPECT_EQ(parts[0].style, StatusPartStyle::kSunken);
  EXPECT_EQ(parts[1].text, "t");
  EXPECT_EQ(parts[1].tip, "tip");
  EXPECT_EQ(parts[1].width, -1);  // clamped
  EXPECT_EQ(parts[1].icon, 3);
  EXPECT_EQ(parts[1].style, StatusPartStyle::kNoBorder);
  EXPECT_EQ(parts[2].width, -1);
  EXPECT_EQ(parts[2].style, StatusPartStyle::kRaised);
  EXPECT_EQ(parts[3].width, 0);
  EXPECT_EQ(parts[3].style, StatusPartStyle::kSunken);
}

TEST(StatusBarTest, SetTextChangesOnlyThatPart) {
  MemoryStatusBar bar;
  StatusBarAddPart(bar, "a");
  StatusBarAddPart(bar, "b");
  StatusBarSetText(bar, 1, "c");
  EXPECT_EQ(bar.Parts()[0].text, "a");
  EXPECT_EQ(bar.Parts()[1].text, "c");
}

TEST(EditAppendTest, AppendsEveryTextInOrder) {
  MemoryEditBox box;
  box.SetContent("x");
  EditAppend(box, "a", Text("b"), "\r\n");
  EXPECT_EQ(box.Content(), "xab\r\n");
}

TEST(MemoryProgressBarTest, StartsAtMinimumAndClamps) {
  MemoryProgressBar bar(5, 100);
  EXPECT_EQ(bar.Position(), 5);
  bar.SetPosition(150);
  EXPECT_EQ(bar.Position(), 100);
  bar.SetPosition(-3);
  EXPECT_EQ(bar.Position(), 5);
}

}  // namespace
}  // namespace kestrilo
