#include "text/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qrh {
namespace {

// One search with the default options (case-insensitive, multi-line, global)
// unless said otherwise, and every match with its groups as expected.
struct SearchCase {
  std::string name;
  Text pattern;
  Text subject;
  std::vector<std::vector<Text>> matches;  // per match: whole text, then groups
  bool caseSensitive = false;
  bool multiline = true;
  bool global = true;
};

class RegexSearch : public ::testing::TestWithParam<SearchCase> {};

TEST_P(RegexSearch, FindsTheExpectedMatchesAndGroups) {
  const SearchCase& c = GetParam();
  RegexObject regex;
  ASSERT_TRUE(regex.Search(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global));
  ASSERT_EQ(regex.MatchCount(), static_cast<int>(c.matches.size()));
  for (std::size_t k = 0; k < c.matches.size(); ++k) {
    const int match = static_cast<int>(k) + 1;
    EXPECT_EQ(regex.MatchText(match), c.matches[k][0]) << "match " << match;
    for (std::size_t g = 1; g < c.matches[k].size(); ++g) {
      EXPECT_EQ(regex.SubMatchText(match, static_cast<int>(g)), c.matches[k][g])
          << "match " << match << " group " << g;
    }
  }
  if (!c.matches.empty()) {
    EXPECT_EQ(regex.SubMatchCount(), static_cast<int>(c.matches[0].size()) - 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, RegexSearch,
    ::testing::Values(
        SearchCase{"NoMatch", "<b>(.*?)</b>", "<i>x</i>", {}},
        SearchCase{"LazyDotStopsAtLineFeed", "a(.*?)z", "a1\nz a2z", {{"a2z", "2"}}},
        SearchCase{"AnyClassCrossesLines", "a([\\s\\S]*?)z", "a1\nz a2z",
                   {{"a1\nz", "1\n"}, {"a2z", "2"}}},
        SearchCase{"DotTakesCarriageReturn", "a(.)b", "a\rb a\nb", {{"a\rb", "\r"}}},
        SearchCase{"LiteralCrLfInPattern", "x\r\n(.*?)\r\n", "x\r\n标题\r\nrest", {{"x\r\n标题\r\n", "标题"}}},
        SearchCase{"IgnoresAsciiCase", "<A HREF=\"(.*?)\">", "<a href=\"u1\"> <A Href=\"u2\">",
                   {{"<a href=\"u1\">", "u1"}, {"<A Href=\"u2\">", "u2"}}},
        SearchCase{"IgnoresGreekAndCyrillicCase", "(αβγ)-(д)", "ΑΒΓ-Д", {{"ΑΒΓ-Д", "ΑΒΓ", "Д"}}},
        SearchCase{"CaseSensitiveWhenAsked", "Ab", "ab Ab AB", {{"Ab"}}, true},
        SearchCase{"ChineseAndFullWidthColon", "<span>来自：(.*?)</span>",
                   "<span>来自：微信群</span><span>来自：个人号</span>",
                   {{"<span>来自：微信群</span>", "微信群"}, {"<span>来自：个人号</span>", "个人号"}}},
        SearchCase{"GroupsNumberedByOpeningParenthesis", "((a)(b))(c)", "abc",
                   {{"abc", "ab", "a", "b", "c"}}},
        SearchCase{"GroupInUnmatchedAlternativeIsEmpty", "(x)|(y)", "y", {{"y", "", "y"}}},
        SearchCase{"OptionalGroupThatTookNoPart", "a(b)?c", "ac", {{"ac", ""}}},
        SearchCase{"CaretAndDollarAtEveryLine", "^(\\w+)$", "one\ntwo\nthree",
                   {{"one", "one"}, {"two", "two"}, {"three", "three"}}},
        SearchCase{"CaretAndDollarAtCarriageReturns", "^(.*?)$", "ab\r\ncd\rx",
                   {{"ab", "ab"}, {"", ""}, {"cd", "cd"}, {"x", "x"}}},
        SearchCase{"EscapedAnchorsAndAnchorsInClassesAreCharacters", "\\^[$^]\\$", "^$$ ^^$",
                   {{"^$$"}, {"^^$"}}},
        SearchCase{"CaretOnlyAtStartWithoutMultiline", "^(\\w+)", "one\ntwo", {{"one", "one"}},
                   false, false},
        SearchCase{"DollarOnlyAtEndWithoutMultiline", "(\\w+)$", "one\ntwo\n", {}, false, false},
        SearchCase{"FirstMatchOnlyWithoutGlobal", "(\\d)", "1 2 3", {{"1", "1"}}, false, true,
                   false},
        SearchCase{"EmptyMatchesAdvanceByOneCharacter", "x*", "中a", {{""}, {""}, {""}}},
        SearchCase{"EmptyMatchThenNonEmptyAtNextCharacter", "a*", "baa", {{""}, {"aa"}, {""}}},
        SearchCase{"UnknownEscapeIsTheCharacter", "\\i\\d", "i5", {{"i5"}}},
        SearchCase{"EcmaScriptHexAndUnicodeEscapes", "\\x41\\u4e2d", "A中", {{"A中"}}},
        SearchCase{"NegatedEmptyClassIsAnyCharacter", "a[^]b", "a\nb", {{"a\nb"}}},
        SearchCase{"EmptyClassNeverMatches", "a[]b|(c)[]?d", "ab cd", {{"cd", "c"}}},
        SearchCase{"BracketRightAfterOpeningEndsTheClass", "[]a]|(b)", "]a] b", {{"b", "b"}}},
        SearchCase{"EscapedBracketInAClass", "[\\]]+", "]]", {{"]]"}}},
        SearchCase{"BackReference", "(\\w)\\1", "abccd", {{"cc", "c"}}},
        SearchCase{"GroupOfAMissingPairIsEmpty", "<i>(.*?)</i>|<b>(.*?)</b>", "<b>粗</b><i>斜</i>",
                   {{"<b>粗</b>", "", "粗"}, {"<i>斜</i>", "斜", ""}}}),
    [](const ::testing::TestParamInfo<SearchCase>& info) { return info.param.name; });

TEST(RegexObject, EmptyBeforeAnySearch) {
  RegexObject regex;
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1), "");
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
  EXPECT_EQ(regex.GetPattern(), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "");
}

TEST(RegexObject, NoMatchIsASuccessfulSearch) {
  RegexObject regex;
  EXPECT_TRUE(regex.Search("(z)", "abc"));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
  EXPECT_EQ(regex.ReplaceMatches("x"), "abc");
}

TEST(RegexObject, InvalidPatternAfterAGoodOneLeavesNothing) {
  for (const Text& bad : {Text("(a"), Text("a)"), Text("[b"), Text("a{2,1}"), Text("*"),
                          Text("(?<n>a)(?<n>b)")}) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("(a)", "aaa"));
    ASSERT_EQ(regex.MatchCount(), 3);
    EXPECT_FALSE(regex.Search(bad, "aaa")) << bad;
    EXPECT_EQ(regex.MatchCount(), 0) << bad;
    EXPECT_EQ(regex.SubMatchCount(), 0) << bad;
    EXPECT_EQ(regex.MatchText(1), "") << bad;
    EXPECT_EQ(regex.SubMatchText(1, 1), "") << bad;
    EXPECT_EQ(regex.ReplaceMatches("x"), "") << bad;
    EXPECT_EQ(regex.GetPattern(), bad);
  }
}

TEST(RegexObject, SubjectWithBytesThatAreNoCharacterIsStillSearched) {
  // A lone lead byte at the end and a lead byte before a space: whatever they
  // convert to, the text around them is found.
  const Text subject = "<b>甲</b>\x81 <b>乙</b>\xFE";
  RegexObject regex;
  ASSERT_TRUE(regex.Search("<b>(.*?)</b>", subject));
  ASSERT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.SubMatchText(1, 1), "甲");
  EXPECT_EQ(regex.SubMatchText(2, 1), "乙");
}

TEST(RegexObject, NumbersOutsideTheMatchesGiveEmptyTexts) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(\\d)-(\\d)", "1-2 3-4"));
  ASSERT_EQ(regex.MatchCount(), 2);
  EXPECT_EQ(regex.SubMatchText(1, 2), "2");
  EXPECT_EQ(regex.SubMatchText(1, 3), "");
  EXPECT_EQ(regex.SubMatchText(1, 0), "");
  EXPECT_EQ(regex.SubMatchText(1, -1), "");
  EXPECT_EQ(regex.SubMatchText(0, 1), "");
  EXPECT_EQ(regex.SubMatchText(-5, 1), "");
  EXPECT_EQ(regex.SubMatchText(regex.MatchCount() + 1, 1), "");
  EXPECT_EQ(regex.MatchText(0), "");
  EXPECT_EQ(regex.MatchText(3), "");
  int position = 99;
  EXPECT_EQ(regex.SubMatchText(3, 1, &position), "");
  EXPECT_EQ(position, 99);
}

TEST(RegexObject, SecondSearchKnowsNothingOfTheFirst) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)(b)(c)", "abc abc"));
  ASSERT_EQ(regex.SubMatchCount(), 3);
  ASSERT_TRUE(regex.Search("x(y)", "xy"));
  EXPECT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.SubMatchCount(), 1);
  EXPECT_EQ(regex.SubMatchText(1, 1), "y");
  EXPECT_EQ(regex.SubMatchText(1, 2), "");
  EXPECT_EQ(regex.MatchText(2), "");
  EXPECT_EQ(regex.GetPattern(), "x(y)");
  // The same subject again, then another one of the same length.
  ASSERT_TRUE(regex.Search("(x)", "xy"));
  EXPECT_EQ(regex.SubMatchText(1, 1), "x");
  ASSERT_TRUE(regex.Search("(x)", "zx"));
  int position = -1;
  EXPECT_EQ(regex.MatchText(1, &position), "x");
  EXPECT_EQ(position, 1);
  EXPECT_EQ(regex.ReplaceMatches("-"), "z-");
}

TEST(RegexObject, QuoteMarker) {
  const Text pattern = "href=#引号(.*?)#引号";
  const Text subject = "<a href=\"/q/1\">";
  RegexObject regex;
  ASSERT_TRUE(regex.Search(pattern, subject, false, true, true, true));
  ASSERT_EQ(regex.MatchCount(), 1);
  EXPECT_EQ(regex.SubMatchText(1, 1), "/q/1");
  EXPECT_EQ(regex.GetPattern(), "href=\"(.*?)\"");

  // Without the option the marker is looked for as it stands.
  ASSERT_TRUE(regex.Search(pattern, subject));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.GetPattern(), pattern);
  ASSERT_TRUE(regex.Search(pattern, "href=#引号x#引号"));
  EXPECT_EQ(regex.SubMatchText(1, 1), "x");

  // Only the exact marker is replaced: "#引" alone and "#号" stay.
  ASSERT_TRUE(regex.Search("#引#号#引号", "", false, true, true, true));
  EXPECT_EQ(regex.GetPattern(), "#引#号\"");
}

struct PositionCase {
  std::string name;
  Text pattern;
  Text subject;
  int match;
  int group;  // 0: MatchText
  Text text;
  int position;
};

class RegexPosition : public ::testing::TestWithParam<PositionCase> {};

TEST_P(RegexPosition, IsTheCodePage936ByteOffset) {
  const PositionCase& c = GetParam();
  RegexObject regex;
  ASSERT_TRUE(regex.Search(c.pattern, c.subject));
  int position = 12345;
  Text text = c.group == 0 ? regex.MatchText(c.match, &position)
                           : regex.SubMatchText(c.match, c.group, &position);
  EXPECT_EQ(text, c.text);
  EXPECT_EQ(position, c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegexPosition,
    ::testing::Values(
        PositionCase{"AsciiFirst", "abc", "xxabcabc", 1, 0, "abc", 2},
        PositionCase{"AsciiSecond", "abc", "xxabcabc", 2, 0, "abc", 5},
        PositionCase{"ChineseBefore", "abc", "中文abc中文abc", 2, 0, "abc", 11},
        PositionCase{"ChineseMatch", "文", "中文中文", 2, 0, "文", 6},
        // The second "a" of "aa" after four two-byte characters: a count of
        // characters would start the search at the first one.
        PositionCase{"RepeatedTextAfterChinese", "a", "中中中中aa", 2, 0, "a", 9},
        PositionCase{"GroupInsideItsMatch", "<(b)>", "b<b>", 1, 1, "b", 2},
        PositionCase{"CaseFoldedSearch", "abc", "ABC abc", 2, 0, "abc", 4},
        PositionCase{"CaseFoldedFirst", "abc", "ABC abc", 1, 0, "ABC", 0},
        PositionCase{"EmptyGroupIsZero", "x(y?)z", "中xz", 1, 1, "", 0},
        PositionCase{"EmptySubject", "x*", "", 1, 0, "", -2}),
    [](const ::testing::TestParamInfo<PositionCase>& info) { return info.param.name; });

TEST(RegexObject, ReplaceMatches) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(\\w+)@(\\w+)", "甲 ann@host, bob@site"));
  EXPECT_EQ(regex.ReplaceMatches("$2:$1"), "甲 host:ann, site:bob");
  EXPECT_EQ(regex.ReplaceMatches("[$&]"), "甲 [ann@host], [bob@site]");
  EXPECT_EQ(regex.ReplaceMatches("$$1 $3 $"), "甲 $1 $3 $, $1 $3 $");
  EXPECT_EQ(regex.ReplaceMatches(), "甲 , ");
  ASSERT_TRUE(regex.Search("b", "abc"));
  EXPECT_EQ(regex.ReplaceMatches("<$`|$'>"), "a<a|c>c");
  // Without the global option only the first match is replaced.
  ASSERT_TRUE(regex.Search("o", "foo", false, true, false));
  EXPECT_EQ(regex.ReplaceMatches("0"), "f0o");
  // "$10" is group 1 followed by "0" when there is no group 10.
  ASSERT_TRUE(regex.Search("(a)", "a"));
  EXPECT_EQ(regex.ReplaceMatches("$10"), "a0");
}

TEST(RegexObject, CopySharesMatchesAndKeepsItsOwnSubject) {
  RegexObject original;
  ASSERT_TRUE(original.Search("(a)(b)?", "ab a"));
  RegexObject copy(original);
  ASSERT_TRUE(original.Search("z", "zzz"));
  EXPECT_EQ(copy.MatchCount(), 2);
  EXPECT_EQ(copy.SubMatchText(1, 2), "b");
  EXPECT_EQ(copy.GetPattern(), "(a)(b)?");
  int position = -1;
  EXPECT_EQ(copy.MatchText(2, &position), "a");
  EXPECT_EQ(position, 3);
  EXPECT_EQ(copy.ReplaceMatches("-"), "- -");
  copy = original;
  EXPECT_EQ(copy.MatchCount(), 3);
}

TEST(RegexObject, PatternCachedAcrossObjectsAndOptions) {
  // The same pattern text compiled with different options must not be
  // confused by the cache of compiled patterns.
  RegexObject a;
  RegexObject b;
  ASSERT_TRUE(a.Search("Ab", "ab AB", false));
  ASSERT_TRUE(b.Search("Ab", "ab AB", true));
  EXPECT_EQ(a.MatchCount(), 2);
  EXPECT_EQ(b.MatchCount(), 0);
  ASSERT_TRUE(a.Search("Ab", "ab AB", true));
  EXPECT_EQ(a.MatchCount(), 0);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(a.Search("p" + std::to_string(i), "p7"));
  ASSERT_TRUE(b.Search("Ab", "ab AB", false));
  EXPECT_EQ(b.MatchCount(), 2);
}

// A search that runs into the engine's bounds yields nothing and returns
// within a short time instead of hanging or exhausting the stack.
TEST(RegexObject, RunawayBacktrackingGivesNoMatches) {
  RegexObject regex;
  ASSERT_TRUE(regex.Search("(a)", "a"));
  // The "b" at the end keeps the engine from ruling the match out at once.
  Text subject = Text(40, 'a') + "cb";
  EXPECT_FALSE(regex.Search("(a+)+b", subject));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.SubMatchText(1, 1), "");
}

TEST(RegexObject, DeepRepetitionOverAHugeSubjectDoesNotCrash) {
  Text subject;
  for (int i = 0; i < 1 << 20; ++i) subject += "ab";
  subject += "xc";
  RegexObject regex;
  bool ok = regex.Search("^(?:(a)|b)*c", subject);
  // Either the engine gives up at its bounds or it finds that nothing
  // matches; no crash in either case.
  EXPECT_EQ(regex.MatchCount(), 0);
  if (ok) {
    EXPECT_EQ(regex.SubMatchCount(), 0);
  }
}

}  // namespace
}  // namespace qrh
