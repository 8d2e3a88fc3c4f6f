#include "text/dedupe_text_array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qrh {
namespace {

struct TextCase {
  std::string name;
  TextArray in;
  TextArray out;
};

class DedupeTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(DedupeTexts, KeepsTheLastOfEachValueInOrder) {
  TextArray values = GetParam().in;
  EXPECT_EQ(DedupeTextArray(&values), static_cast<int>(GetParam().out.size()));
  EXPECT_EQ(values, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DedupeTexts,
    ::testing::Values(
        TextCase{"Empty", {}, {}},
        TextCase{"LastOccurrenceStays", {"p", "q", "p", "r", "q"}, {"p", "r", "q"}},
        TextCase{"ABA", {"a", "b", "a"}, {"b", "a"}},
        TextCase{"CaseCounts", {"x", "X", "x"}, {"X", "x"}},
        TextCase{"TrailingSpaceDiffers", {"v", "v ", "v"}, {"v ", "v"}},
        TextCase{"ValuesWithASpaceNeverCompared", {"a b", "a b"}, {"a b", "a b"}},
        TextCase{"RefusedPunctuationStays", {"x,y", "x,y", "(1)", "(1)"}, {"x,y", "x,y", "(1)", "(1)"}},
        TextCase{"EmptyTexts", {"", "", "c"}, {"", "c"}},
        TextCase{"ChineseRegions", {"北京", "上海", "北京", "广东 深圳", "广东 深圳", "北京"},
                 {"上海", "广东 深圳", "广东 深圳", "北京"}},
        TextCase{"NameCharacters", {"a-1.b_c", "1", "a-1.b_c", "1"}, {"a-1.b_c", "1"}},
        TextCase{"NoRepeat", {"甲", "乙", "丙"}, {"甲", "乙", "丙"}}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(DedupeTextArray, NumbersAlone) {
  std::vector<std::int32_t> numbers{3, -1, 3, -1};
  EXPECT_EQ(DedupeTextArray(nullptr, &numbers), 2);
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{3, -1}));
}

TEST(DedupeTextArray, NumbersAtTheEdgesOfTheRange) {
  std::vector<std::int32_t> numbers{INT32_MIN, 0, INT32_MAX, 0, INT32_MIN, -0};
  EXPECT_EQ(DedupeTextArray(nullptr, &numbers), 3);
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{INT32_MAX, INT32_MIN, 0}));
}

TEST(DedupeTextArray, BothArraysEachOnItsOwnResultIsTheNumbers) {
  // "a3" from the texts never meets 3 from the numbers.
  TextArray texts{"3", "x", "3", "x", "y"};
  std::vector<std::int32_t> numbers{3, 3, 3};
  EXPECT_EQ(DedupeTextArray(&texts, &numbers), 1);
  EXPECT_EQ(texts, (TextArray{"3", "x", "y"}));
  EXPECT_EQ(numbers, (std::vector<std::int32_t>{3}));
}

TEST(DedupeTextArray, NeitherArray) { EXPECT_EQ(DedupeTextArray(nullptr, nullptr), -1); }

TEST(DedupeTextArray, ManyRepeatsOfFewValues) {
  TextArray values;
  for (int i = 0; i < 20000; ++i) values.push_back("地区" + std::to_string(i % 37));
  DedupeTextArray(&values);
  ASSERT_EQ(values.size(), 37u);
  // The last 37 values were the last occurrences, in their order.
  for (int i = 0; i < 37; ++i) EXPECT_EQ(values[i], "地区" + std::to_string((20000 - 37 + i) % 37));
}

}  // namespace
}  // namespace qrh
