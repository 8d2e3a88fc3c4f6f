// The loopback server itself: what it records and what it plays, seen
// through a bare libcurl client.
#include "support/loopback_server.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace qrh::test {
namespace {

struct Exchange {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body;
  std::string headers;
};

std::size_t Append(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

Exchange Get(const std::string& url, std::vector<std::string> lines = {}, const std::string& proxy = {},
             const std::string* post = nullptr) {
  Exchange e;
  CURL* curl = curl_easy_init();
  curl_slist* list = nullptr;
  for (const auto& l : lines) list = curl_slist_append(list, l.c_str());
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
  if (!proxy.empty()) curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
  if (post != nullptr) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, post->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(post->size()));
  }
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &e.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &e.headers);
  e.code = curl_easy_perform(curl);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &e.status);
  curl_easy_cleanup(curl);
  curl_slist_free_all(list);
  return e;
}

TEST(LoopbackServer, RecordsHeaderLinesInWireOrderAndTheBody) {
  LoopbackServer server;
  server.Serve("/form", Reply::Body("done"));
  const std::string body = "a=1&b=2";
  Exchange e = Get(server.Url("/form?x=1"), {"zeta: 1", "Alpha: 2", "zeta: 3"}, {}, &body);
  ASSERT_EQ(e.code, CURLE_OK);
  EXPECT_EQ(e.body, "done");
  RecordedRequest r = server.LastRequest();
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/form?x=1");
  EXPECT_EQ(r.body, body);
  std::vector<std::string> names = r.HeaderNames();
  auto at = [&](const std::string& n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
  EXPECT_LT(at("zeta"), at("Alpha"));
  EXPECT_EQ(r.HeaderCount("ZETA"), 2);
  EXPECT_EQ(r.Header("zeta"), "1");
}

TEST(LoopbackServer, PlaysScriptedReplies) {
  LoopbackServer server;
  Reply cookies = Reply::Body("c");
  cookies.headers = {"set-cookie: a=1; Path=/", "SET-COOKIE: b=2"};
  server.Serve("/cookies", cookies);
  Reply chunked = Reply::Body(std::string(100000, 'x'));
  chunked.chunked = true;
  server.Serve("/chunked", chunked);
  server.Serve("/loop", Reply::Redirect(302, "/loop"));

  Exchange e = Get(server.Url("/cookies"));
  EXPECT_NE(e.headers.find("set-cookie: a=1; Path=/\r\nSET-COOKIE: b=2\r\n"), std::string::npos);
  e = Get(server.Url("/chunked"));
  EXPECT_EQ(e.body.size(), 100000u);
  EXPECT_NE(e.headers.find("Transfer-Encoding: chunked"), std::string::npos);
  e = Get(server.Url("/loop"));
  EXPECT_EQ(e.status, 302);
  EXPECT_NE(e.headers.find("Location: /loop"), std::string::npos);
  e = Get(server.Url("/nothing-here"));
  EXPECT_EQ(e.status, 404);
}

TEST(LoopbackServer, StallsUntilReleasedAndResets) {
  LoopbackServer server;
  server.Serve("/stall", Reply::Stall());
  server.Serve("/reset", Reply::Reset());
  EXPECT_NE(Get(server.Url("/reset")).code, CURLE_OK);

  std::thread releaser([&] {
    if (server.WaitForRequests(2, std::chrono::seconds(10))) server.ReleaseStalls();
  });
  Exchange e = Get(server.Url("/stall"));
  releaser.join();
  EXPECT_NE(e.code, CURLE_OK);
  EXPECT_EQ(server.RequestCount("/stall"), 1u);
}

TEST(LoopbackServer, ServesTlsWithItsOwnCertificate) {
  LoopbackServer server(LoopbackServer::Mode::kHttps);
  server.Serve("/s", Reply::Body("secret"));
  EXPECT_NE(server.CertificatePem().find("BEGIN CERTIFICATE"), std::string::npos);
  Exchange e = Get(server.Url("/s"));
  EXPECT_EQ(e.body, "secret");
  EXPECT_TRUE(server.LastRequest().tls);
}

TEST(LoopbackServer, TakesAbsoluteFormTargetsAsAProxy) {
  LoopbackServer proxy;
  proxy.Serve("/page", Reply::Body("via proxy"));
  Exchange e = Get("http://example.invalid/page?q=1", {}, proxy.HostPort());
  EXPECT_EQ(e.body, "via proxy");
  RecordedRequest r = proxy.LastRequest();
  EXPECT_EQ(r.target, "http://example.invalid/page?q=1");
  EXPECT_EQ(r.Path(), "/page");
  EXPECT_EQ(r.Header("Host"), "example.invalid");
}

}  // namespace
}  // namespace qrh::test
