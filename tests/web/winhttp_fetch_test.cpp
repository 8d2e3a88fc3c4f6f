// WinHttpFetch against the loopback server: what goes on the wire and what
// comes back.
#include "web/winhttp_fetch.h"

#include <gtest/gtest.h>

#include "fetch_test_support.h"
#include "support/loopback_server.h"

namespace qrh::test {
namespace {

constexpr char kUa[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr char kCt[] = "Content-Type: application/x-www-form-urlencoded";

struct HeaderCase {
  const char* name;
  std::string callerBlock;
  std::string sendCookies;
  std::vector<std::string> completedBlock;  // {url} stands for the address
  std::vector<std::string> wire;            // without Host and Content-Length
};

class WinHttpHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(WinHttpHeaders, CompletesTheBlockAndSendsItsLinesInOrder) {
  const HeaderCase& c = GetParam();
  LoopbackServer server;
  server.Serve("/page", Reply::Body("ok"));
  const std::string url = server.Url("/page");
  Text headers = c.callerBlock;
  Text cookies = c.sendCookies;
  int status = 0;
  Bytes body = WinHttpFetch(url, 0, {}, &cookies, nullptr, &headers, nullptr, &status);
  EXPECT_EQ(body, "ok");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(headers, Join(WithUrl(c.completedBlock, url), "\r\n"));
  ASSERT_EQ(server.RequestCount(), 1u);
  const RecordedRequest r = server.LastRequest();
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(CallerLines(r), WithUrl(c.wire, url));
  EXPECT_EQ(r.HeaderCount("Host"), 1);
  EXPECT_EQ(r.HeaderCount("Content-Length"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, WinHttpHeaders,
    ::testing::Values(
        HeaderCase{"Default", "", "",
                   {"Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kUa, kCt},
                   {"Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kUa, kCt}},
        HeaderCase{"UserAgentOnly", "User-Agent: Probe/1", "",
                   {"User-Agent: Probe/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt},
                   {"User-Agent: Probe/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kCt}},
        HeaderCase{"LowerCaseUserAgentKeepsTheDefaultToo", "user-agent: low/1", "",
                   {"user-agent: low/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kUa, kCt},
                   {"user-agent: low/1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kUa, kCt}},
        HeaderCase{"CallerAcceptLanguage", "Accept-Language: en-us", "",
                   {"Accept-Language: en-us", "Accept: */*", "Referer: {url}", kUa, kCt},
                   {"Accept-Language: en-us", "Accept: */*", "Referer: {url}", kUa, kCt}},
        HeaderCase{"CookieFirstThenTheBlockCookie", "Cookie: inblock=1", "a=1; b=2",
                   {"Cookie: inblock=1", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kUa, kCt},
                   {"Cookie: a=1; b=2", "Cookie: inblock=1", "Accept: */*", "Referer: {url}",
                    "Accept-Language: zh-cn", kUa, kCt}},
        HeaderCase{"LinesAreTrimmedDuplicatesKept", "  X-Tag :  one \r\n\r\nX-Tag: two\r\nno colon here", "",
                   {"  X-Tag :  one ", "", "X-Tag: two", "no colon here", "Accept: */*", "Referer: {url}",
                    "Accept-Language: zh-cn", kUa, kCt},
                   {"X-Tag: one", "X-Tag: two", "Accept: */*", "Referer: {url}", "Accept-Language: zh-cn", kUa,
                    kCt}}),
    [](const auto& info) { return std::string(info.param.name); });

struct VerbCase {
  const char* name;
  int method;
  std::string postText;
  std::string postBytes;
  std::string wireMethod;
  std::string wireBody;
};

class WinHttpVerbs : public ::testing::TestWithParam<VerbCase> {};

TEST_P(WinHttpVerbs, SendsTheVerbAndTheBody) {
  const VerbCase& c = GetParam();
  LoopbackServer server;
  server.Serve("/v", Reply::Body("answer"));
  int status = 0;
  Bytes body = WinHttpFetch(server.Url("/v"), c.method, c.postText, nullptr, nullptr, nullptr, nullptr,
                            &status, false, c.postBytes);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body, c.wireMethod == "HEAD" ? "" : "answer");
  const RecordedRequest r = server.LastRequest();
  EXPECT_EQ(r.method, c.wireMethod);
  EXPECT_EQ(r.body, c.wireBody);
  EXPECT_EQ(r.Header("Content-Length"), c.wireBody.empty() && c.wireMethod != "POST"
                                            ? ""
                                            : std::to_string(c.wireBody.size()));
  EXPECT_EQ(r.HeaderCount("Expect"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, WinHttpVerbs,
    ::testing::Values(VerbCase{"MethodSevenIsGet", 7, "", "", "GET", ""},
                      VerbCase{"MethodMinusOneIsGet", -1, "", "", "GET", ""},
                      VerbCase{"GetCarriesPostText", 0, "q=1", "", "GET", "q=1"},
                      VerbCase{"PostText", 1, "a=1&b=2", "", "POST", "a=1&b=2"},
                      VerbCase{"PostBytesWinOverPostText", 1, "ignored", std::string("b\0y\xfft", 4), "POST",
                               std::string("b\0y\xfft", 4)},
                      VerbCase{"EmptyPost", 1, "", "", "POST", ""},
                      VerbCase{"HeadWithBody", 2, "h=1", "", "HEAD", "h=1"},
                      VerbCase{"BigPostWithoutExpect", 1, std::string(2 << 20, 'p'), "", "POST",
                               std::string(2 << 20, 'p')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WinHttpFetch, ReturnsHeadersCookiesAndStatusAndMergesCookies) {
  LoopbackServer server;
  Reply reply = Reply::Body("made");
  reply.status = 201;
  reply.headers = {"set-cookie: sid=abc; Path=/; HttpOnly", "SET-COOKIE: theme=dark", "X-Other: 1",
                   "Set-Cookie: gone=deleted; Path=/"};
  server.Serve("/c", reply);
  Text cookies = "old=1; theme=light; gone=2";
  Text returnedCookies = "stale", returnedHeaders = "stale";
  int status = 0;
  Bytes body = WinHttpFetch(server.Url("/c"), 0, {}, &cookies, &returnedCookies, nullptr, &returnedHeaders,
                            &status);
  EXPECT_EQ(body, "made");
  EXPECT_EQ(status, 201);
  EXPECT_EQ(returnedHeaders,
            "Set-Cookie: sid=abc; Path=/; HttpOnly\r\nSet-Cookie: theme=dark\r\n"
            "X-Other: 1\r\nSet-Cookie: gone=deleted; Path=/\r\nContent-Length: 4\r\n\r\n");
  EXPECT_EQ(returnedCookies, "sid=abc;theme=dark;gone=deleted");
  EXPECT_EQ(cookies, "sid=abc; theme=dark; old=1");
  EXPECT_EQ(server.LastRequest().Header("Cookie"), "old=1; theme=light; gone=2");

  server.Serve("/plain", Reply::Body("p"));
  WinHttpFetch(server.Url("/plain"), 0, {}, &cookies, &returnedCookies);
  EXPECT_EQ(returnedCookies, "");
  EXPECT_EQ(cookies, "sid=abc; theme=dark; old=1");
}

TEST(WinHttpFetch, FollowsRedirectsUnlessToldNot) {
  LoopbackServer server;
  server.Serve("/r1", Reply::Redirect(302, "/r2"));
  server.Serve("/r2", Reply::Redirect(301, server.Url("/final")));
  server.Serve("/final", Reply::Body("end"));
  int status = 0;
  Text headers;
  EXPECT_EQ(WinHttpFetch(server.Url("/r1"), 0, {}, nullptr, nullptr, nullptr, &headers, &status), "end");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(server.RequestCount(), 3u);
  EXPECT_EQ(headers.find("Location"), std::string::npos);

  EXPECT_EQ(WinHttpFetch(server.Url("/r1"), 0, {}, nullptr, nullptr, nullptr, &headers, &status, true), "");
  EXPECT_EQ(status, 302);
  EXPECT_NE(headers.find("Location: /r2\r\n"), std::string::npos);
  EXPECT_EQ(server.RequestCount(), 4u);
}

TEST(WinHttpFetch, GivesUpOnARedirectLoop) {
  LoopbackServer server;
  server.Serve("/loop", Reply::Redirect(302, "/loop"));
  int status = -1;
  Text headers = "x";
  EXPECT_EQ(WinHttpFetch(server.Url("/loop"), 0, {}, nullptr, nullptr, nullptr, &headers, &status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(server.RequestCount(), 11u);  // the first request and ten redirects
}

TEST(WinHttpFetch, IgnoresCertificateErrors) {
  LoopbackServer server(LoopbackServer::Mode::kHttps);
  server.Serve("/s", Reply::Body("secret"));
  int status = 0;
  EXPECT_EQ(WinHttpFetch(server.Url("/s"), 0, {}, nullptr, nullptr, nullptr, nullptr, &status), "secret");
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(server.LastRequest().tls);
}

TEST(WinHttpFetch, FailureGivesEmptyResultsAndStillMergesCookies) {
  LoopbackServer server;
  const std::string url = server.Url("/gone");
  server.Stop();  // nothing listens there any more
  Text cookies = "a = 1; b=2", returnedCookies = "x", returnedHeaders = "x", headers;
  int status = 99;
  EXPECT_EQ(WinHttpFetch(url, 0, {}, &cookies, &returnedCookies, &headers, &returnedHeaders, &status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(returnedHeaders, "");
  EXPECT_EQ(returnedCookies, "");
  EXPECT_EQ(cookies, "a=1; b=2");
  EXPECT_EQ(headers.rfind("Accept: */*", 0), 0u);  // the block is still completed
}

TEST(WinHttpFetch, ReturnsLargeAndChunkedBodiesWhole) {
  LoopbackServer server;
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  server.Serve("/big", Reply::Body(big, "application/octet-stream"));
  Reply chunked = Reply::Body(big);
  chunked.chunked = true;
  chunked.chunkSize = 10000;
  server.Serve("/chunked", chunked);
  EXPECT_TRUE(WinHttpFetch(server.Url("/big")) == big);
  EXPECT_TRUE(WinHttpFetch(server.Url("/chunked")) == big);
}

TEST(WinHttpFetch, ReusedRequestObjectKeepsItsConnection) {
  LoopbackServer server;
  server.Serve("/a", Reply::Body("first"));
  server.Serve("/b", Reply::Body("second"));
  WinHttpRequestObject object;
  int status = 0;
  EXPECT_EQ(WinHttpFetch(server.Url("/a"), 0, {}, nullptr, nullptr, nullptr, nullptr, &status, false, {}, {}, 0,
                         {}, {}, 1, &object),
            "first");
  Text headers = "X-Second: 1";
  EXPECT_EQ(WinHttpFetch(server.Url("/b"), 1, "p=2", nullptr, nullptr, &headers, nullptr, &status, false, {}, {},
                         0, {}, {}, 1, &object),
            "second");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].connection, requests[1].connection);
  EXPECT_EQ(requests[1].method, "POST");
  EXPECT_EQ(requests[1].HeaderCount("X-Second"), 1);
  EXPECT_EQ(requests[0].HeaderCount("X-Second"), 0);  // nothing carried over from the first call

  WinHttpFetch(server.Url("/a"));
  WinHttpFetch(server.Url("/a"));
  EXPECT_EQ(server.ConnectionCount(), 3);  // a fresh object per call, a fresh connection
}

TEST(WinHttpFetch, GoesThroughANamedProxyWithCredentials) {
  LoopbackServer proxy;
  proxy.SetFallback([](const RecordedRequest& r) {
    if (r.Header("Proxy-Authorization").empty()) {
      Reply challenge = Reply::Status(407, "who?");
      challenge.headers = {"Proxy-Authenticate: Basic realm=\"p\""};
      return challenge;
    }
    return Reply::Body("proxied " + r.target);
  });
  int status = 0;
  Bytes body = WinHttpFetch("http://site.invalid/p?q=1", 0, {}, nullptr, nullptr, nullptr, nullptr, &status, false,
                            {}, proxy.HostPort(), 0, "user", "pass");
  EXPECT_EQ(body, "proxied http://site.invalid/p?q=1");
  EXPECT_EQ(status, 200);
  const RecordedRequest r = proxy.LastRequest();
  EXPECT_EQ(r.Header("Proxy-Authorization"), "Basic dXNlcjpwYXNz");
  EXPECT_EQ(r.HeaderCount("Proxy-Connection"), 0);

  // Target 0: the credentials answer the server's challenge instead.
  proxy.SetFallback([](const RecordedRequest& r) {
    if (r.Header("Authorization").empty()) {
      Reply challenge = Reply::Status(401, "who?");
      challenge.headers = {"WWW-Authenticate: Basic realm=\"s\""};
      return challenge;
    }
    return Reply::Body("served");
  });
  EXPECT_EQ(WinHttpFetch("http://site.invalid/s", 0, {}, nullptr, nullptr, nullptr, nullptr, &status, false, {},
                         proxy.HostPort(), 0, "user", "pass", 0),
            "served");
  EXPECT_EQ(proxy.LastRequest().Header("Authorization"), "Basic dXNlcjpwYXNz");
  EXPECT_EQ(proxy.LastRequest().HeaderCount("Proxy-Authorization"), 0);

  // Credentials without a proxy make no proxy call at all.
  LoopbackServer direct;
  direct.Serve("/d", Reply::Body("direct"));
  EXPECT_EQ(WinHttpFetch(direct.Url("/d"), 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, {}, {}, 0,
                         "user", "pass"),
            "direct");
  EXPECT_EQ(direct.LastRequest().target, "/d");
  EXPECT_EQ(direct.LastRequest().HeaderCount("Proxy-Authorization"), 0);
}

TEST(WinHttpFetch, EscapesAddressBytesAsUtf8AndSendsHeaderBytesUnchanged) {
  LoopbackServer server;
  server.SetFallback([](const RecordedRequest&) { return Reply::Body("any"); });
  Text headers = "X-Word: 中文";
  EXPECT_EQ(WinHttpFetch(server.Url("/搜索 x?k=群"), 0, {}, nullptr, nullptr, &headers), "any");
  const RecordedRequest r = server.LastRequest();
  EXPECT_EQ(r.target, "/%E6%90%9C%E7%B4%A2%20x?k=%E7%BE%A4");
  EXPECT_EQ(r.Header("X-Word"), "\xD6\xD0\xCE\xC4");
}

}  // namespace
}  // namespace qrh::test
