#include "text/text_rules.h"

#include <gtest/gtest.h>

namespace qrh {
namespace {

struct FindCase {
  const char* name;
  Text text;
  Text needle;
  int start;
  bool ignoreCase;
  int expected;
};

class FindTextTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, Finds) {
  const FindCase& c = GetParam();
  EXPECT_EQ(FindText(c.text, c.needle, c.start, c.ignoreCase), c.expected);
}

// "吖" is 85 40 in code page 936 (trail byte '@'); "丂" is 81 40.
INSTANTIATE_TEST_SUITE_P(
    Cases, FindTextTest,
    ::testing::Values(
        FindCase{"plain", "abcabc", "bc", 1, false, 2},
        FindCase{"fromStart", "abcabc", "bc", 3, false, 5},
        FindCase{"notFound", "abc", "x", 1, false, -1},
        FindCase{"emptyNeedle", "abc", "", 1, false, -1},
        FindCase{"neverAtTrailByte", "\x85\x40@", "@", 1, false, 3},
        FindCase{"chineseNeedle", "a正在b", "在", 1, false, 4},
        FindCase{"caseFolded", "ABC", "bc", 1, true, 2},
        FindCase{"caseExact", "ABC", "bc", 1, false, -1},
        FindCase{"trailByteNotFolded", "\x81\x41", "\x81\x61", 1, true, -1},
        FindCase{"startInsideTwoByteChar", "\x85\x40@", "@", 2, false, 3},
        FindCase{"startBeyondEnd", "abc", "c", 9, false, -1},
        FindCase{"startBelowOne", "abc", "a", -4, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct TrimCase {
  const char* name;
  Text in;
  Text out;
};

class TrimTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTest, Trims) { EXPECT_EQ(TrimText(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimTest,
    ::testing::Values(TrimCase{"spaces", "  a b  ", "a b"},
                      TrimCase{"fullWidth", "\xA1\xA1" "a\xA1\xA1 ", "a"},
                      TrimCase{"tabsKept", "\ta\r\n", "\ta\r\n"},
                      TrimCase{"allSpace", " \xA1\xA1 ", ""},
                      // B0 A1 is one character followed by A1 A1: the final
                      // A1 A1 is a full-width space, the B0 A1 is kept.
                      TrimCase{"trailByteA1", "\xB0\xA1\xA1\xA1", "\xB0\xA1"},
                      TrimCase{"oddA1", "x\xA1\xA1\xA1", "x\xA1\xA1\xA1"},
                      // 81 20 is one (broken) character: its space byte stays.
                      TrimCase{"spaceAsSecondByte", "x\x81 ", "x\x81 "},
                      TrimCase{"empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitTextTest, KeepsEmptyPiecesButNoneAfterTrailingSeparator) {
  EXPECT_EQ(SplitText("a\r\n\r\nb\r\n", "\r\n"), (TextArray{"a", "", "b"}));
  EXPECT_EQ(SplitText("\r\na", "\r\n"), (TextArray{"", "a"}));
  EXPECT_EQ(SplitText("", "\r\n"), TextArray{});
  EXPECT_EQ(SplitText("abc", "\r\n"), TextArray{"abc"});
}

struct IntCase {
  const char* name;
  Text in;
  int out;
};

class TextToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(TextToIntTest, Converts) { EXPECT_EQ(TextToInt(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToIntTest,
    ::testing::Values(IntCase{"plain", "12", 12}, IntCase{"leadingSpace", "  7x", 7},
                      IntCase{"negative", "-3", -3}, IntCase{"letters", "abc", 0},
                      IntCase{"empty", "", 0}, IntCase{"fullWidthDigits", "１２", 12},
                      IntCase{"fullWidthMinus", "－５", -5},
                      IntCase{"saturates", "99999999999", 2147483647},
                      IntCase{"saturatesNegative", "-99999999999", -2147483647 - 1},
                      IntCase{"fullWidthSpaceThenDigits", "\xA1\xA1" "42", 42},
                      IntCase{"signWithoutDigits", "-x", 0},
                      IntCase{"digitsAfterText", "x12", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrh
