#include "text/text_slicing.h"

#include <gtest/gtest.h>

namespace qrh {
namespace {

auto RowName = [](const auto& info) { return std::string(info.param.name); };

struct HeaderCase {
  const char* name;
  Text line;
  Text headerName;
  Text headerValue;
};

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, SplitsAtFirstColon) {
  EXPECT_EQ(HeaderName(GetParam().line), GetParam().headerName);
  EXPECT_EQ(HeaderValue(GetParam().line), GetParam().headerValue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderTest,
    ::testing::Values(
        HeaderCase{"plain", "Accept: */*", "Accept", "*/*"},
        HeaderCase{"noColon", "Accept */*", "", ""},
        HeaderCase{"valueWithColons", "Referer: http://a.b:81/c", "Referer", "http://a.b:81/c"},
        HeaderCase{"spacesEverywhere", "  Host  :  a.b  ", "Host", "a.b"},
        HeaderCase{"fullWidthSpaces", "\xA1\xA1X:\xA1\xA1y\xA1\xA1", "X", "y"},
        HeaderCase{"tabStays", "Host:\ta.b", "Host", "\ta.b"},
        HeaderCase{"emptyValue", "X-Empty:", "X-Empty", ""},
        HeaderCase{"empty", "", "", ""}),
    RowName);

struct BetweenCase {
  const char* name;
  Text text;
  Text startMarker;
  Text endMarker;
  int startPosition;
  bool ignoreCase;
  Text expected;
};

class TextBetweenTest : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenTest, Cuts) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(TextBetween(c.text, c.startMarker, c.endMarker, c.startPosition, c.ignoreCase),
            c.expected);
}

// "吖" is 85 40 and "丄" is 81 43: their second bytes are "@" and "C".
INSTANTIATE_TEST_SUITE_P(
    Cases, TextBetweenTest,
    ::testing::Values(
        BetweenCase{"cookie", "Set-Cookie: a=1; path=/", "Set-Cookie:", ";", 1, false, " a=1"},
        BetweenCase{"cookieWithoutSemicolon", "Set-Cookie: a=1", "Set-Cookie:", ";", 1, false, ""},
        BetweenCase{"endDirectlyAfterStart", "ab;", "ab", ";", 1, false, ""},
        BetweenCase{"startAtVeryEnd", "xxab", "ab", ";", 1, false, ""},
        BetweenCase{"firstOccurrencesOnly", "<a>1</a><a>2</a>", "<a>", "</a>", 1, false, "1"},
        BetweenCase{"endBeforeStartIgnored", "];[x]", "[", "]", 1, false, "x"},
        BetweenCase{"quoteMarker", "src=\"q.gif\" alt", "src=#引号", "#引号", 1, false, "q.gif"},
        BetweenCase{"literalQuoteMarkerNotFound", "src=#引号q.gif#引号", "src=#引号", "#引号", 1,
                    false, ""},
        BetweenCase{"emptyEndMarker", "abc", "a", "", 1, false, ""},
        BetweenCase{"emptyStartMarker", "abc;d", "", ";", 1, false, "abc"},
        BetweenCase{"emptyText", "", "", ";", 1, false, ""},
        BetweenCase{"startPosition", "[1][2]", "[", "]", 2, false, "2"},
        BetweenCase{"startPositionBelowOne", "[1][2]", "[", "]", -5, false, "1"},
        BetweenCase{"ignoreCase", "<DIV>x</div>", "<div>", "</DIV>", 1, true, "x"},
        BetweenCase{"caseExactByDefault", "<DIV>x</div>", "<div>", "</div>", 1, false, ""},
        BetweenCase{"notInsideTwoByteChar", "\x85\x40" "a@b@", "@", "@", 1, false, "b"},
        BetweenCase{"endNotInsideTwoByteChar", "[\x81\x43]C", "[", "C", 1, true, "\x81\x43]"}),
    RowName);

struct ReplaceCase {
  const char* name;
  Text text;
  std::vector<FindReplace> pairs;
  ReplaceOptions options;
  Text expected;
};

class ReplaceManyTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceManyTest, Replaces) {
  const ReplaceCase& c = GetParam();
  EXPECT_EQ(ReplaceMany(c.text, c.pairs, c.options), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceManyTest,
    ::testing::Values(
        ReplaceCase{"tagsAnyCase", "<em>a</em> <EM>b</Em>", {{"<em>", ""}, {"</em>", ""}}, {},
                    "a b"},
        ReplaceCase{"caseSensitive", "<em>a</em> <EM>b</EM>", {{"<em>", ""}, {"</em>", ""}},
                    {.caseSensitive = true}, "a <EM>b</EM>"},
        ReplaceCase{"passesChain", "a", {{"a", "b"}, {"b", "c"}}, {}, "c"},
        ReplaceCase{"countOne", "xaxa-ybyb", {{"a", "1"}, {"b", "2"}}, {.count = 1}, "x1xa-y2yb"},
        ReplaceCase{"countZero", "aaa", {{"a", "b"}}, {.count = 0}, "aaa"},
        ReplaceCase{"negativeCountAll", "aaa", {{"a", "b"}}, {.count = -3}, "bbb"},
        ReplaceCase{"startPosition", "aaaa", {{"a", "b"}}, {.startPosition = 3}, "aabb"},
        ReplaceCase{"startPositionBeyondEnd", "aa", {{"a", "b"}}, {.startPosition = 3}, "aa"},
        ReplaceCase{"startPositionBelowOne", "aa", {{"a", "b"}}, {.startPosition = -1}, "bb"},
        ReplaceCase{"noOverlapNoRescan", "aaaa", {{"aa", "a"}}, {}, "aa"},
        ReplaceCase{"replacementNotRescanned", "ab", {{"a", "aa"}}, {}, "aab"},
        ReplaceCase{"emptyFindUnchanged", "abc", {{"", "x"}}, {}, "abc"},
        ReplaceCase{"emptyReplacementDeletes", "a&quot;b", {{"&QUOT;", ""}}, {}, "ab"},
        ReplaceCase{"emptyText", "", {{"a", "b"}}, {}, ""},
        // 85 40 is "吖": its second byte "@" is not an occurrence.
        ReplaceCase{"notAtSecondByte", "\x85\x40@", {{"@", "#"}}, {}, "\x85\x40#"},
        // The second byte 41 of 81 41 is not folded to match "a".
        ReplaceCase{"twoByteExact", "\x81\x41" "A", {{"\x81\x61", "x"}, {"a", "y"}}, {},
                    "\x81\x41y"},
        // Position 2 is the second byte of 85 40: the whole character is kept.
        ReplaceCase{"startInsideTwoByteChar", "\x85\x40@", {{"@", "#"}}, {.startPosition = 2},
                    "\x85\x40#"},
        ReplaceCase{"chinese", "正在采集中", {{"采集", "下载"}}, {}, "正在下载中"}),
    RowName);

}  // namespace
}  // namespace qrh
