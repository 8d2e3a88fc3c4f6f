#include "text/codepage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

// A byte string literal with its zero bytes.
template <std::size_t N>
std::string B(const char (&s)[N]) {
  return std::string(s, N - 1);
}

// Runs command with input on its standard input; the standard output, or
// nothing when the command fails.
std::optional<std::string> RunFilter(const std::string& command, const std::string& input) {
  char path[] = "/tmp/qrh_codepage_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return std::nullopt;
  bool written = write(fd, input.data(), input.size()) == static_cast<ssize_t>(input.size());
  close(fd);
  std::optional<std::string> result;
  if (written) {
    const std::string line = command + " < " + path + " 2>/dev/null";
    if (FILE* pipe = popen(line.c_str(), "r")) {
      std::string out;
      char buffer[65536];
      std::size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
      if (pclose(pipe) == 0) result = std::move(out);
    }
  }
  unlink(path);
  return result;
}

bool HaveCommand(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Every two-byte code of code page 936: lead 81..FE, trail 40..7E and 80..FE.
std::vector<Text> AllTwoByteCodes() {
  std::vector<Text> codes;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  return codes;
}

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

struct DecodeCase {
  const char* name;
  Bytes utf8;
  Text expected;
};

class Utf8BytesToTextTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8BytesToTextTest, Decodes) {
  EXPECT_EQ(Hex(Utf8BytesToText(GetParam().utf8)), Hex(GetParam().expected));
}

// Each maximal ill-formed piece of UTF-8 becomes one U+FFFD, which code page
// 936 lacks, so it ends as one "?".
INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8BytesToTextTest,
    ::testing::Values(
        DecodeCase{"empty", "", ""},
        DecodeCase{"chinesePage", U8(u8"<p>群二维码：采集完成</p>"), "<p>群二维码：采集完成</p>"},
        DecodeCase{"fourthByteZero", B("\xE7\xBE\xA4\0\xE7\xBE\xA4"), "\xC8\xBA"},
        DecodeCase{"zeroFirst", B("\0abc"), ""},
        DecodeCase{"strayContinuation", "a\x80" "b", "a?b"},
        DecodeCase{"invalidByte", "a\xFF\xFE" "b", "a??b"},
        DecodeCase{"truncatedBeforeAscii", "\xE7\xBE" "b", "?b"},
        DecodeCase{"truncatedAtEnd", "a\xE7\xBE", "a?"},
        DecodeCase{"overlongSlash", "\xC0\xAF", "??"},
        DecodeCase{"overlongThreeBytes", "\xE0\x80\xAF", "???"},
        DecodeCase{"encodedSurrogate", "\xED\xA0\x80", "???"},
        DecodeCase{"aboveUnicode", "\xF4\x90\x80\x80", "????"},
        DecodeCase{"emoji", "a\xF0\x9F\x98\x80" "b", "a?b"},
        DecodeCase{"replacementCharacter", "\xEF\xBF\xBD", "?"},
        DecodeCase{"zeroWidthSpace", "\xE2\x80\x8B", "?"},
        // Characters code page 936 lacks but Windows writes as a near equivalent.
        DecodeCase{"bestFitYen", "\xC2\xA5" "9", "\xA3\xA4" "9"},
        DecodeCase{"bestFitSuperscript", "m\xC2\xB2", "m2"},
        DecodeCase{"bestFitCompatibilityIdeograph", "\xEF\xA4\x80", "\xD8\x4D"},
        DecodeCase{"byteOrderMarkNotSkipped", "\xEF\xBB\xBF" "a", "?a"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ToWideCase {
  const char* name;
  Text text;
  int codePage;
  Bytes expected;
};

class TextToWideTest : public ::testing::TestWithParam<ToWideCase> {};

TEST_P(TextToWideTest, Converts) {
  EXPECT_EQ(Hex(TextToWide(GetParam().text, GetParam().codePage)), Hex(GetParam().expected));
}

// 群 is U+7FA4.
INSTANTIATE_TEST_SUITE_P(
    Cases, TextToWideTest,
    ::testing::Values(
        ToWideCase{"emptyKeepsTerminator", "", kCodePageUtf8, B("\0\0")},
        ToWideCase{"utf8", U8(u8"a群"), kCodePageUtf8, B("a\0\xA4\x7F\0\0")},
        ToWideCase{"gbk", "a群", kCodePageGbk, B("a\0\xA4\x7F\0\0")},
        ToWideCase{"ansiIsGbk", "群", kCodePageAnsi, B("\xA4\x7F\0\0")},
        ToWideCase{"supplementaryPair", "\xF0\x9F\x98\x80", kCodePageUtf8,
                   B("\x3D\xD8\x00\xDE\0\0")},
        ToWideCase{"endsAtZero", B("a\0b"), kCodePageGbk, B("a\0\0\0")},
        ToWideCase{"loneLeadAtEnd", "a\x81", kCodePageGbk, B("a\0?\0\0\0")},
        ToWideCase{"leadBeforeAsciiKeepsAscii", "\x81\"", kCodePageGbk, B("?\0\"\0\0\0")},
        ToWideCase{"unsupportedCodePage", "abc", 1252, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ToTextCase {
  const char* name;
  Bytes wide;
  int codePage;
  Text expected;
};

class WideToTextTest : public ::testing::TestWithParam<ToTextCase> {};

TEST_P(WideToTextTest, Converts) {
  EXPECT_EQ(Hex(WideToText(GetParam().wide, GetParam().codePage)), Hex(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WideToTextTest,
    ::testing::Values(
        ToTextCase{"empty", "", kCodePageAnsi, ""},
        ToTextCase{"ansiIsGbk", B("a\0\xA4\x7F\0\0"), kCodePageAnsi, "a群"},
        ToTextCase{"utf8", B("a\0\xA4\x7F\0\0"), kCodePageUtf8, U8(u8"a群")},
        ToTextCase{"endsAtZeroUnit", B("a\0b\0\0\0c\0"), kCodePageUtf8, "ab"},
        ToTextCase{"noTerminator", B("a\0b\0"), kCodePageGbk, "ab"},
        ToTextCase{"oddByteIgnored", B("a\0b"), kCodePageGbk, "a"},
        ToTextCase{"pairToUtf8", B("\x3D\xD8\x00\xDE"), kCodePageUtf8, "\xF0\x9F\x98\x80"},
        ToTextCase{"pairToGbkOneSubstitute", B("\x3D\xD8\x00\xDE"), kCodePageGbk, "?"},
        ToTextCase{"loneSurrogateToUtf8", B("\x00\xD8" "a\0"), kCodePageUtf8, "\xEF\xBF\xBD" "a"},
        ToTextCase{"loneSurrogateToGbk", B("\x00\xDC" "a\0"), kCodePageGbk, "?a"},
        ToTextCase{"euroToSingleByte", B("\xAC\x20"), kCodePageGbk, "\x80"},
        ToTextCase{"unsupportedCodePage", B("a\0"), 1252, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf16EdgeTest, NothingIsCut) {
  const Text withZero = B("a\0\xC8\xBA");
  const std::u16string units = TextToUtf16(withZero);
  EXPECT_EQ(units, (std::u16string{u'a', 0, u'群'}));
  EXPECT_EQ(Utf16ToText(units), withZero);
}

// Every two-byte character survives a trip through UTF-8 and through UTF-16,
// and no two of them share a UTF-8 form.
TEST(CodePageRoundTripTest, EveryTwoByteCharacter) {
  std::set<std::string> seen;
  int failures = 0;
  for (const Text& code : AllTwoByteCodes()) {
    const Text utf8 = AnsiToUtf8(code);
    const bool ok = Utf8BytesToText(utf8) == code && Utf16ToText(TextToUtf16(code)) == code &&
                    WideToText(TextToWide(code, kCodePageGbk)) == code &&
                    utf8.find('?') == std::string::npos && seen.insert(utf8).second;
    if (!ok && ++failures <= 10) ADD_FAILURE() << "code " << Hex(code) << "-> " << Hex(utf8);
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(seen.size(), 23940u);
}

// Any text, valid or not, keeps its byte length through UTF-8 and back: a
// stray lead byte becomes one "?" and the byte after it stays itself. Code
// that maps positions between a text and its UTF-8 form relies on it.
TEST(CodePageRoundTripTest, EveryBytePairKeepsItsLength) {
  int failures = 0;
  for (int first = 1; first <= 0xFF; ++first) {
    for (int second = 1; second <= 0xFF; ++second) {
      const Text text = {static_cast<char>(first), static_cast<char>(second), 'x'};
      if (Utf8BytesToText(AnsiToUtf8(text)).size() != text.size() && ++failures <= 10) {
        ADD_FAILURE() << "text " << Hex(text);
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

// A Chinese page and every character of the GB2312 rows, as UTF-8, give the
// bytes glibc's own converter gives.
TEST(CodePageIndependentTest, SamplePageMatchesIconvCommand) {
  std::string page = U8(
      u8"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>微信群二维码大全</title>"
      u8"</head><body><div class=\"item\"><h3>深圳宝妈交流群</h3><p>地区：广东 深圳；"
      u8"行业：母婴育儿。标签：宝妈、早教、“亲子”活动……</p><span>更新时间：2026-12-11</span>"
      u8"<img src=\"/qr/1.gif\" alt=\"扫码加群\"></div>\r\n</body></html>\n");
  for (int lead = 0xB0; lead <= 0xF7; ++lead) {
    for (int trail = 0xA1; trail <= 0xFE; ++trail) {
      if (lead == 0xD7 && trail >= 0xFA) continue;  // unassigned in GB2312
      page += AnsiToUtf8({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  const std::optional<std::string> expected = RunFilter("iconv -f UTF-8 -t CP936", page);
  ASSERT_TRUE(expected.has_value()) << "iconv failed";
  ASSERT_GT(expected->size(), 10000u);
  EXPECT_TRUE(Utf8BytesToText(page) == *expected);
}

// Windows' own table, as ICU carries it, for every two-byte code and the two
// single bytes glibc lacks.
TEST(CodePageIndependentTest, MatchesWindowsTableOfIcu) {
  if (!HaveCommand("uconv")) GTEST_SKIP() << "uconv (icu-devtools) is not installed";
  std::vector<Text> codes = AllTwoByteCodes();
  codes.push_back("\x80");
  codes.push_back("\xFF");
  std::string input;
  for (const Text& code : codes) input += code + "\n";
  const std::optional<std::string> output =
      RunFilter("uconv -f windows-936-2000 -t UTF-8 --from-callback substitute", input);
  ASSERT_TRUE(output.has_value()) << "uconv failed";
  std::string ours;
  for (const Text& code : codes) ours += AnsiToUtf8(code) + "\n";
  ASSERT_EQ(ours.size(), output->size());
  int failures = 0;
  std::size_t at = 0;
  for (const Text& code : codes) {
    const std::size_t end = ours.find('\n', at);
    if (ours.compare(at, end - at, *output, at, end - at) != 0 && ++failures <= 10) {
      ADD_FAILURE() << "code " << Hex(code);
    }
    at = end + 1;
  }
  EXPECT_EQ(failures, 0);
}

// The other direction, with Windows' best-fit choices, for every character of
// the basic plane from U+0080. ICU drops default-ignorable characters
// (U+200B, U+FEFF, ...) where Windows writes "?": an empty line of ICU's
// output stands for "?".
TEST(CodePageIndependentTest, EncodesLikeWindowsTableOfIcu) {
  if (!HaveCommand("uconv")) GTEST_SKIP() << "uconv (icu-devtools) is not installed";
  std::vector<std::string> characters;
  std::string input;
  for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::string utf8;
    if (c < 0x800) {
      utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
    characters.push_back(utf8);
    input += utf8 + "\n";
  }
  const std::optional<std::string> output = RunFilter(
      "uconv --fallback -f UTF-8 -t windows-936-2000 --to-callback substitute", input);
  ASSERT_TRUE(output.has_value()) << "uconv failed";
  std::size_t at = 0;
  int failures = 0;
  for (const std::string& utf8 : characters) {
    const std::size_t end = output->find('\n', at);
    ASSERT_NE(end, std::string::npos);
    std::string expected = output->substr(at, end - at);
    if (expected.empty()) expected = "?";
    at = end + 1;
    if (Utf8BytesToText(utf8) != expected && ++failures <= 10) {
      ADD_FAILURE() << "UTF-8 " << Hex(utf8) << "gives " << Hex(Utf8BytesToText(utf8))
                    << "instead of " << Hex(expected);
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace qrh
