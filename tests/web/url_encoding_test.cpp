#include "web/url_encoding.h"

#include <gtest/gtest.h>

namespace qrh {
namespace {

struct EncodeCase {
  const char* name;
  Text text;
  bool keepLettersDigits;
  bool asUtf8;
  Text expected;
};

class UrlEncodeTextTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(UrlEncodeTextTest, Encodes) {
  const EncodeCase& c = GetParam();
  EXPECT_EQ(UrlEncodeText(c.text, c.keepLettersDigits, c.asUtf8), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlEncodeTextTest,
    ::testing::Values(
        EncodeCase{"emptyBothOptions", "", true, true, ""},
        EncodeCase{"emptyNoOptions", "", false, false, ""},
        EncodeCase{"utf8Kept", "群 a_b-1.Z~/", true, true, "%E7%BE%A4%20a%5Fb-1.Z%7E%2F"},
        EncodeCase{"gbkKept", "群 a_b-1.Z~/", true, false, "%C8%BA%20a%5Fb-1.Z%7E%2F"},
        EncodeCase{"everyByteEscaped", "abc", false, false, "%61%62%63"},
        EncodeCase{"everyUtf8ByteEscaped", "群", false, true, "%E7%BE%A4"},
        EncodeCase{"lineFeedTwoDigits", "\n", true, true, "%0A"},
        EncodeCase{"spaceNeverPlus", "a b", true, false, "a%20b"},
        EncodeCase{"reservedEscaped", "*+&=?#%", true, true, "%2A%2B%26%3D%3F%23%25"},
        EncodeCase{"euroSign", "\x80", true, true, "%E2%82%AC"},
        EncodeCase{"highBytesUpperHex", "\xFE\xFE", true, false, "%FE%FE"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrh
