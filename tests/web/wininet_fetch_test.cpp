// WinInetFetch against the loopback server.
#include "web/wininet_fetch.h"

#include <gtest/gtest.h>

#include "fetch_test_support.h"
#include "support/loopback_server.h"

namespace qrh::test {
namespace {

constexpr char kUa[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr char kCt[] = "Content-Type: application/x-www-form-urlencoded";
const std::string kNoResponse(5000, ' ');

struct HeaderCase {
  const char* name;
  std::string callerBlock;
  const char* sendCookies;  // nullptr: omitted
  std::vector<std::string> completedBlock;
  std::vector<std::string> wire;  // without Host and Content-Length
};

class WinInetHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(WinInetHeaders, CompletesTheBlockAndSendsItsLinesInOrder) {
  const HeaderCase& c = GetParam();
  LoopbackServer server;
  server.Serve("/page", Reply::Body("ok"));
  const std::string url = server.Url("/page");
  Text headers = c.callerBlock;
  Text cookies = c.sendCookies != nullptr ? c.sendCookies : "";
  Bytes body = WinInetFetch(url, 0, {}, c.sendCookies != nullptr ? &cookies : nullptr, nullptr, &headers);
  EXPECT_EQ(body, "ok");
  EXPECT_EQ(headers, Join(WithUrl(c.completedBlock, url), "\r\n"));
  const RecordedRequest r = server.LastRequest();
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(CallerLines(r), WithUrl(c.wire, url));
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, WinInetHeaders,
    ::testing::Values(
        HeaderCase{"Default", "", nullptr,
                   {"Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt},
                   {"Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt, kUa}},
        HeaderCase{"UserAgentOnlyIsTheAgent", "User-Agent: Probe/1", nullptr,
                   {"User-Agent: Probe/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt},
                   {"User-Agent: Probe/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt}},
        HeaderCase{"LowerCaseUserAgent", "user-agent: low/1", nullptr,
                   {"user-agent: low/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt},
                   {"user-agent: low/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt}},
        HeaderCase{"AgentFromAnyUserAgentText", "X-User-Agent: spy/2\r\nAccept: text/html", nullptr,
                   {"X-User-Agent: spy/2", "Accept: text/html", "Referer: {url}", "Accept-Language: zh-cn", kCt},
                   {"X-User-Agent: spy/2", "Accept: text/html", "Referer: {url}", "Accept-Language: zh-cn", kCt,
                    "User-Agent: spy/2"}},
        HeaderCase{"CallerAcceptLanguage", "Accept-Language: en-us", nullptr,
                   {"Accept-Language: en-us", "Accept: */*", "Referer: {url}", kCt},
                   {"Accept-Language: en-us", "Accept: */*", "Referer: {url}", kCt, kUa}},
        HeaderCase{"CookieLineAddedEvenWithOneInTheBlock", "Cookie: inblock=1", "a=1; b=2",
                   {"Cookie: inblock=1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt,
                    "Cookie: a=1; b=2"},
                   {"Cookie: inblock=1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt,
                    "Cookie: a=1; b=2", kUa}},
        HeaderCase{"GivenButEmptyCookiesAddNoLine", "", "",
                   {"Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt},
                   {"Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt, kUa}}),
    [](const auto& info) { return std::string(info.param.name); });

struct VerbCase {
  const char* name;
  int method;
  std::string postText;
  std::string postBytes;
  std::string wireMethod;
  std::string wireBody;
  std::string postBytesAfter;
};

class WinInetVerbs : public ::testing::TestWithParam<VerbCase> {};

TEST_P(WinInetVerbs, SendsTheVerbAndTheBody) {
  const VerbCase& c = GetParam();
  LoopbackServer server;
  server.Serve("/v", Reply::Body("answer"));
  Bytes postBytes = c.postBytes;
  Bytes body = WinInetFetch(server.Url("/v"), c.method, c.postText, nullptr, nullptr, nullptr, nullptr, false,
                            &postBytes);
  EXPECT_EQ(body, c.wireMethod == "HEAD" ? "" : "answer");
  const RecordedRequest r = server.LastRequest();
  EXPECT_EQ(r.method, c.wireMethod);
  EXPECT_EQ(r.body, c.wireBody);
  EXPECT_EQ(postBytes, c.postBytesAfter);
  EXPECT_EQ(r.HeaderCount("Expect"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, WinInetVerbs,
    ::testing::Values(
        VerbCase{"GetSendsNoBodyAndLeavesPostBytes", 0, "q=1", "", "GET", "", ""},
        VerbCase{"OutOfRangeIsGet", 9, "q=1", "keep", "GET", "", "keep"},
        VerbCase{"PostFillsPostBytesFromPostText", 1, "a=1&b=2", "", "POST", "a=1&b=2", "a=1&b=2"},
        VerbCase{"PostBytesWinOverPostText", 1, "x", std::string("bin\0", 4), "POST", std::string("bin\0", 4),
                 std::string("bin\0", 4)},
        VerbCase{"HeadWithBody", 2, "h=1", "", "HEAD", "h=1", "h=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WinInetFetch, ReturnsTheRawHeaderBlockAndCookies) {
  LoopbackServer server;
  Reply reply = Reply::Body("made");
  reply.status = 201;
  // Paths keep these cookies, which the second call stores, away from other tests.
  reply.headers = {"set-cookie: sid=abc; Path=/c; HttpOnly", "SET-COOKIE: theme=dark"};
  server.Serve("/c/x", reply);
  Text cookies = "old=1; theme=light";
  Text returnedCookies, returnedHeaders;
  Bytes body = WinInetFetch(server.Url("/c/x"), 0, {}, &cookies, &returnedCookies, nullptr, &returnedHeaders);
  EXPECT_EQ(body, "made");
  EXPECT_EQ(returnedHeaders,
            "HTTP/1.1 201 Created\r\nSet-Cookie: sid=abc; Path=/c; HttpOnly\r\nSet-Cookie: theme=dark\r\n"
            "Content-Length: 4\r\n\r\n");
  EXPECT_EQ(returnedCookies, "sid=abc;theme=dark");
  EXPECT_EQ(cookies, "sid=abc; theme=dark; old=1");

  // Without sendCookies no merge happens and the pairs keep their spaces.
  WinInetFetch(server.Url("/c/x"), 0, {}, nullptr, &returnedCookies);
  EXPECT_EQ(returnedCookies, "sid=abc; theme=dark");
}

TEST(WinInetFetch, HeaderBlockThatWouldNotFitGivesSpaces) {
  LoopbackServer server;
  Reply near = Reply::Body("n");
  near.headers = {"X-Fill: " + std::string(4900, 'f')};
  server.Serve("/near", near);
  Reply over = Reply::Body("o");
  over.headers = {"X-Fill: " + std::string(5000, 'f'), "Set-Cookie: lost=1; Path=/over"};
  server.Serve("/over", over);
  Text headers, cookies;
  EXPECT_EQ(WinInetFetch(server.Url("/near"), 0, {}, nullptr, nullptr, nullptr, &headers), "n");
  EXPECT_LT(headers.size(), 5000u);
  EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_EQ(WinInetFetch(server.Url("/over"), 0, {}, nullptr, &cookies, nullptr, &headers), "o");
  EXPECT_EQ(headers, kNoResponse);
  EXPECT_EQ(cookies, "");
}

TEST(WinInetFetch, FollowsRedirectsUnlessToldNot) {
  LoopbackServer server;
  server.Serve("/r1", Reply::Redirect(302, "/r2"));
  server.Serve("/r2", Reply::Redirect(307, server.Url("/final")));
  server.Serve("/final", Reply::Body("end"));
  server.Serve("/loop", Reply::Redirect(302, "/loop"));
  Text headers;
  EXPECT_EQ(WinInetFetch(server.Url("/r1"), 0, {}, nullptr, nullptr, nullptr, &headers), "end");
  EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_EQ(server.RequestCount(), 3u);

  Reply moved = Reply::Redirect(302, "/r2");
  moved.body = "moved";
  server.Serve("/r1", moved);
  EXPECT_EQ(WinInetFetch(server.Url("/r1"), 0, {}, nullptr, nullptr, nullptr, &headers, true), "moved");
  EXPECT_EQ(headers.rfind("HTTP/1.1 302 Found\r\nLocation: /r2\r\n", 0), 0u);
  EXPECT_EQ(server.RequestCount(), 4u);

  EXPECT_EQ(WinInetFetch(server.Url("/loop")), "");
}

TEST(WinInetFetch, VerifiesCertificates) {
  LoopbackServer server(LoopbackServer::Mode::kHttps);
  server.Serve("/s", Reply::Body("secret"));
  Text headers;
  EXPECT_EQ(WinInetFetch(server.Url("/s"), 0, {}, nullptr, nullptr, nullptr, &headers), "");
  EXPECT_EQ(headers, kNoResponse);
  EXPECT_TRUE(server.WaitForFailedHandshakes(1, std::chrono::seconds(10)));
  EXPECT_EQ(server.RequestCount(), 0u);
  EXPECT_EQ(server.FailedHandshakeCount(), 1);
}

TEST(WinInetFetch, UnreachableHostGivesSpacesAndNoCookies) {
  LoopbackServer server;
  const std::string url = server.Url("/gone");
  server.Stop();
  Text headers, cookies = "x", sendCookies = "a = 1";
  EXPECT_EQ(WinInetFetch(url, 0, {}, &sendCookies, &cookies, nullptr, &headers), "");
  EXPECT_EQ(headers, kNoResponse);
  EXPECT_EQ(cookies, "");
  EXPECT_EQ(sendCookies, "a=1");
}

TEST(WinInetFetch, AddressWithoutAHostTouchesNothing) {
  Text headers = "keep", returnedHeaders = "keep", cookies = "a = 1";
  Bytes postBytes;
  EXPECT_EQ(WinInetFetch("", 1, "p", &cookies, nullptr, &headers, &returnedHeaders, false, &postBytes), "");
  EXPECT_EQ(headers, "keep");
  EXPECT_EQ(returnedHeaders, "keep");
  EXPECT_EQ(cookies, "a = 1");
  EXPECT_EQ(postBytes, "");
}

TEST(WinInetFetch, PlatformCookiesAreKeptOnlyWhenSendCookiesIsOmitted) {
  LoopbackServer server;
  Reply sets = Reply::Body("set");
  sets.headers = {"Set-Cookie: platformKept=1; Path=/pc"};
  server.Serve("/pc/set", sets);
  Reply setsOther = Reply::Body("set");
  setsOther.headers = {"Set-Cookie: notKept=2; Path=/pc"};
  server.Serve("/pc/set-given", setsOther);
  server.Serve("/pc/check", Reply::Body("c"));

  WinInetFetch(server.Url("/pc/set"));
  WinInetFetch(server.Url("/pc/check"));
  EXPECT_NE(server.LastRequest().Header("Cookie").find("platformKept=1"), std::string::npos);

  Text given;
  WinInetFetch(server.Url("/pc/check"), 0, {}, &given);
  EXPECT_EQ(server.LastRequest().HeaderCount("Cookie"), 0);  // the store is not used

  WinInetFetch(server.Url("/pc/set-given"), 0, {}, &given);
  EXPECT_EQ(given, "notKept=2");
  WinInetFetch(server.Url("/pc/check"));
  EXPECT_EQ(server.LastRequest().Header("Cookie").find("notKept"), std::string::npos);
}

TEST(WinInetFetch, GoesThroughANamedProxy) {
  LoopbackServer proxy;
  proxy.SetFallback([](const RecordedRequest& r) { return Reply::Body("proxied " + r.target); });
  EXPECT_EQ(WinInetFetch("http://site.invalid/p?q=1", 0, {}, nullptr, nullptr, nullptr, nullptr, false, nullptr,
                         proxy.HostPort()),
            "proxied http://site.invalid/p?q=1");
  EXPECT_EQ(proxy.LastRequest().HeaderCount("Proxy-Connection"), 0);
}

TEST(WinInetFetch, EscapesCodePageBytesOfTheAddress) {
  LoopbackServer server;
  server.SetFallback([](const RecordedRequest&) { return Reply::Body("any"); });
  EXPECT_EQ(WinInetFetch(server.Url("/搜索 x?k=群")), "any");
  EXPECT_EQ(server.LastRequest().target, "/%CB%D1%CB%F7%20x?k=%C8%BA");
}

TEST(WinInetFetch, ReturnsLargeAndChunkedBodiesWhole) {
  LoopbackServer server;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 13 + i / 1000);
  server.Serve("/big", Reply::Body(big, "image/gif"));
  Reply chunked = Reply::Body(big);
  chunked.chunked = true;
  chunked.chunkSize = 1000;
  server.Serve("/chunked", chunked);
  EXPECT_TRUE(WinInetFetch(server.Url("/big")) == big);
  EXPECT_TRUE(WinInetFetch(server.Url("/chunked")) == big);
}

}  // namespace
}  // namespace qrh::test
