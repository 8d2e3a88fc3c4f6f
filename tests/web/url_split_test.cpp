#include "web/url_split.h"

#include <gtest/gtest.h>

namespace qrh {
namespace {

struct SplitCase {
  const char* name;
  Text url;
  Text host;
  Text hostWithPort;
  int port;
  Text path;
};

class UrlSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(UrlSplit, GivesHostPortAndPath) {
  const SplitCase& c = GetParam();
  EXPECT_EQ(UrlHost(c.url), c.host);
  EXPECT_EQ(UrlHost(c.url, true), c.hostWithPort);
  EXPECT_EQ(UrlPort(c.url), c.port);
  EXPECT_EQ(UrlPath(c.url), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, UrlSplit,
    ::testing::Values(
        SplitCase{"CapitalsAndPort", "HTTP://WWW.Example.COM:8080/A/b?x=1", "www.example.com",
                  "www.example.com:8080", 8080, "/A/b?x=1"},
        SplitCase{"BareHost", "Example.com", "example.com", "example.com", 80, "/"},
        SplitCase{"HttpsDefaultPort", "https://secure.example/x", "secure.example", "secure.example", 443, "/x"},
        SplitCase{"HttpDefaultPort", "http://plain.example/x", "plain.example", "plain.example", 80, "/x"},
        SplitCase{"EndsAfterHost", "http://h.example", "h.example", "h.example", 80, "/"},
        SplitCase{"HostWithPortNoScheme", "h.example:81/p", "h.example", "h.example:81", 81, "/p"},
        SplitCase{"UnreadablePort", "http://h.example:abc/p", "h.example", "h.example:abc", 0, "/p"},
        SplitCase{"TwoByteCharactersKept", "http://h.example/群/A?q=中", "h.example", "h.example", 80,
                  "/群/A?q=中"},
        SplitCase{"HttpsUpperCase", "HTTPS://S.example", "s.example", "s.example", 443, "/"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BlankCase {
  const char* name;
  Text in;
  Text out;
};

class Blanks : public ::testing::TestWithParam<BlankCase> {};

TEST_P(Blanks, RemovesLeadingAndTrailingSpacesInPlace) {
  Text text = GetParam().in;
  EXPECT_EQ(RemoveBlanks(text), GetParam().out);
  EXPECT_EQ(text, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Texts, Blanks,
                         ::testing::Values(BlankCase{"TwoLeadingOneTrailing", "  abc ", "abc"},
                                           BlankCase{"InnerSpacesKept", " a b ", "a b"},
                                           BlankCase{"OnlySpaces", "   ", ""},
                                           BlankCase{"Empty", "", ""},
                                           BlankCase{"TabsAndFullWidthKept", "\t\xA1\xA1x\xA1\xA1 ", "\t\xA1\xA1x\xA1\xA1"},
                                           BlankCase{"Chinese", " 群二维码 ", "群二维码"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrh
