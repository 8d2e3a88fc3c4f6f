#include "text/codepage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace qrh {
namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
    out += ' ';
  }
  return out;
}

std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

// Code page 936 bytes and the UTF-8 form Windows gives them. The private use
// rows are where glibc's GBK has no character and Windows has one.
struct MappingCase {
  const char* name;
  Text gbk;
  std::string utf8;
};

class MappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MappingTest, DecodesAndEncodesLikeWindows) {
  const MappingCase& c = GetParam();
  EXPECT_EQ(Hex(AnsiToUtf8(c.gbk)), Hex(c.utf8));
  EXPECT_EQ(Hex(Utf8BytesToText(c.utf8)), Hex(c.gbk));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MappingTest,
    ::testing::Values(
        MappingCase{"ascii", "a-Z 9\r\n", "a-Z 9\r\n"},
        MappingCase{"chinese", "正在采集中", U8(u8"正在采集中")},
        MappingCase{"groupCharacter", "\xC8\xBA", U8(u8"群")},
        MappingCase{"euroSingleByte", "\x80", "\xE2\x82\xAC"},
        MappingCase{"singleByteFF", "\xFF", "\xEF\xA3\xB5"},             // U+F8F5
        MappingCase{"middleDot", "\xA1\xA4", "\xC2\xB7"},                // U+00B7
        MappingCase{"emDash", "\xA1\xAA", "\xE2\x80\x94"},               // U+2014
        MappingCase{"userAreaFirst", "\xAA\xA1", "\xEE\x80\x80"},        // U+E000
        MappingCase{"userAreaSecondEnd", "\xFE\xFE", "\xEE\x93\x85"},    // U+E4C5
        MappingCase{"userAreaThirdFirst", "\xA1\x40", "\xEE\x93\x86"},   // U+E4C6
        MappingCase{"userAreaThirdEnd", "\xA7\xA0", "\xEE\x9D\xA5"},     // U+E765
        MappingCase{"symbolRowFirst", "\xA2\xAB", "\xEE\x9D\xA6"},       // U+E766
        MappingCase{"twoByteEuroIsPrivate", "\xA2\xE3", "\xEE\x9D\xAC"}, // U+E76C
        MappingCase{"lastPrivate", "\xFE\xA0", "\xEE\xA1\xA4"},          // U+E864
        MappingCase{"compatibilityIdeograph", "\xFE\x4F", "\xEF\xA8\xA9"}),  // U+FA29
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrh
