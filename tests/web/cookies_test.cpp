#include "web/cookies.h"

#include <gtest/gtest.h>

namespace qrh {
namespace {

auto RowName = [](const auto& info) { return std::string(info.param.name); };

struct MergeCase {
  const char* name;
  Text current;
  Text fresh;
  Text merged;
  Text freshAfter;  // newCookies as the call leaves it
};

class CookieMergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(CookieMergeTest, MergesInPlace) {
  const MergeCase& c = GetParam();
  Text current = c.current;
  Text fresh = c.fresh;
  Text returned = CookieMerge(current, fresh);
  EXPECT_EQ(current, c.merged);
  EXPECT_EQ(returned, c.merged);
  EXPECT_EQ(fresh, c.freshAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieMergeTest,
    ::testing::Values(
        MergeCase{"newReplacesOld", "a=1; b=2", "b=3", "b=3; a=1", "b=3"},
        MergeCase{"deletedDropsCookie", "a=1", "a=deleted", "", "a=deleted"},
        MergeCase{"deletedAndAdded", "a=1; b=2", "b=deleted; c=3", "c=3; a=1", "b=deleted;c=3"},
        MergeCase{"noCurrent", "", "x=1;y=2", "x=1; y=2", "x=1;y=2"},
        MergeCase{"noNew", "a=1", "", "a=1", ""},
        MergeCase{"bothEmpty", "", "", "", ""},
        MergeCase{"identicalNewCollapse", "a=1", "b=2; b=2", "b=2; a=1", "b=2;b=2"},
        MergeCase{"sameNameNewBothKept", "", "b=1; b=2", "b=1; b=2", "b=1;b=2"},
        MergeCase{"firstOldOfNameWins", "a=1;a=2", "", "a=1", ""},
        MergeCase{"namesCaseSensitive", "Sid=1", "sid=2", "sid=2; Sid=1", "sid=2"},
        MergeCase{"newLosesSpaces", "", "b=3; c=4", "b=3; c=4", "b=3;c=4"},
        MergeCase{"spacesInsideValueRemoved", "t=a b", "", "t=ab", ""},
        MergeCase{"fullWidthSpacesRemoved", "t=\xA1\xA1" "a", "u=\xA1\xA1" "b", "u=b; t=a", "u=b"},
        // B0 A1 is one character: its second byte with the next A1 is no space.
        MergeCase{"fullWidthOnlyWhole", "t=\xB0\xA1\xA1\xA1", "", "t=\xB0\xA1", ""},
        MergeCase{"itemWithoutEquals", "flag; a=1", "a=2", "a=2; flag", "a=2"},
        MergeCase{"deletedIsWholeSuffixOnly", "a=1", "a=undeleted", "a=undeleted", "a=undeleted"},
        MergeCase{"shortItemComparedWhole", "deleted", "", "deleted", ""},
        MergeCase{"trailingSeparatorNoEmptyItem", "a=1;", "b=2;", "b=2; a=1", "b=2;"}),
    RowName);

struct NameCase {
  const char* name;
  Text item;
  Text cookieName;
};

class CookieNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CookieNameTest, Names) { EXPECT_EQ(CookieName(GetParam().item), GetParam().cookieName); }

INSTANTIATE_TEST_SUITE_P(Cases, CookieNameTest,
                         ::testing::Values(NameCase{"plain", "sid=1", "sid"},
                                           NameCase{"firstEquals", "k=a=b", "k"},
                                           NameCase{"trimmed", " \xA1\xA1k =1", "k"},
                                           NameCase{"noEquals", " flag ", "flag"},
                                           NameCase{"emptyName", "=v", ""}),
                         RowName);

TEST(CookieArrayTest, HasCookieNameAndFindTextInArray) {
  const TextArray items = {"a=1", " b =2", "c"};
  EXPECT_TRUE(HasCookieName(items, "b"));
  EXPECT_TRUE(HasCookieName(items, "c"));
  EXPECT_FALSE(HasCookieName(items, "A"));
  EXPECT_FALSE(HasCookieName({}, ""));
  EXPECT_EQ(FindTextInArray(items, "c"), 3);
  EXPECT_EQ(FindTextInArray(items, "b =2"), -1);
  EXPECT_EQ(FindTextInArray({}, ""), -1);
}

struct JoinCase {
  const char* name;
  Text text;
  Text separator;
  Text expected;
};

class JoinDistinctTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinDistinctTest, Joins) {
  EXPECT_EQ(JoinDistinct(GetParam().text, GetParam().separator), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinDistinctTest,
    ::testing::Values(JoinCase{"repeatsDropped", "a; b; a; c; b", "; ", "a; b; c"},
                      JoinCase{"caseMatters", "a,A,a", ",", "a,A"},
                      JoinCase{"emptyPiecesCollapse", ",,a,,", ",", ",a"},
                      JoinCase{"empty", "", "; ", ""},
                      JoinCase{"emptySeparator", "abc", "", "abc"}),
    RowName);

}  // namespace
}  // namespace qrh
