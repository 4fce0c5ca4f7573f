#pragma once

// GBK text commands. Positions are 1-based byte positions; searching,
// replacing, splitting, trimming and case commands follow the double-byte
// rule, while LeftText, RightText and MidText count plain bytes and may cut a
// character in two. No command throws; bad input gives the empty or neutral
// result documented for it.

#include <optional>
#include <string_view>
#include <vector>

#include "runtime/types.h"

namespace kestrilo {

int TextLength(std::string_view text);
Text LeftText(std::string_view text, int n);
Text RightText(std::string_view text, int n);
Text MidText(std::string_view text, int start, int n);

// Position of the first match at or after `start` (absent: the first byte;
// below 1 counts as 1), or -1. The empty sought text matches at 1 whenever
// the searched region is not empty.
int FindText(std::string_view text, std::string_view sought, std::optional<int> start = {},
             bool ignore_case = false);

// Position of the last match lying wholly within the first `start` - 1 bytes
// (absent: the whole text), or -1.
int FindTextBack(std::string_view text, std::string_view sought, std::optional<int> start = {},
                 bool ignore_case = false);

// Replaces matches walking once from `start` (absent or below 1: 1); at most
// `count` of them when given (below 0 counts as 0). Replaced text is never
// searched again. `case_sensitive` false folds ASCII letters.
Text ReplaceText(std::string_view text, std::string_view sought,
                 std::optional<std::string_view> replacement = {}, std::optional<int> start = {},
                 std::optional<int> count = {}, bool case_sensitive = true);

// Separator absent: ",". An empty piece between separators is a member; an
// empty piece after the last separator is not. With `maximum` the walk stops
// once that many members exist and the rest is dropped.
TextList SplitText(std::string_view text, std::optional<std::string_view> separator = {},
                   std::optional<int> maximum = {});
// The same members as views into `text`, for callers that only read them.
std::vector<std::string_view> SplitTextViews(std::string_view text,
                                             std::optional<std::string_view> separator = {},
                                             std::optional<int> maximum = {});

// A space is 0x20 or the full-width space 0xA1 0xA1.
Text TrimSpaces(std::string_view text);
Text RemoveSpaces(std::string_view text);

Text ToUpper(std::string_view text);
Text ToLower(std::string_view text);

// Below, equal to or above 0. Bytes compare unsigned, so a double-byte
// character sorts after every ASCII one; case folding touches single-byte
// letters only.
int CompareText(std::string_view a, std::string_view b, bool case_sensitive);

Text CharFromCode(unsigned char code);

// The byte at `position` (absent: the first) as a signed 8-bit value, so GBK
// lead bytes come out negative; outside the text gives 0.
int CodeAt(std::string_view text, std::optional<int> position = {});

Text SpaceText(int n);

// Copy of the zero-terminated text at `address`; a null address gives empty.
Text TextAtAddress(const char* address);

}  // namespace kestrilo
