// What both request routines refuse or give up on: other schemes, huge
// bodies, stalls, resets, cancellation.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>

#include "support/loopback_server.h"
#include "web/fetch_cancel.h"
#include "web/winhttp_fetch.h"
#include "web/wininet_fetch.h"

namespace qrh::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Routine {
  const char* name;
  std::function<Bytes(const std::string& url)> fetch;
};

const Routine kRoutines[] = {
    {"WinHttpFetch", [](const std::string& url) { return WinHttpFetch(url); }},
    {"WinInetFetch", [](const std::string& url) { return WinInetFetch(url); }},
};

class BothRoutines : public ::testing::TestWithParam<Routine> {};

TEST_P(BothRoutines, RefuseSchemesOtherThanHttpAndHttps) {
  LoopbackServer server;
  server.Serve("/to-file", Reply::Redirect(302, "file:///etc/passwd"));
  server.Serve("/to-ftp", Reply::Redirect(302, "ftp://" + server.HostPort() + "/x"));
  server.SetFallback([](const RecordedRequest&) { return Reply::Body("served"); });
  for (const std::string& url : {std::string("file:///etc/passwd"), std::string("FILE:///etc/hostname"),
                                "ftp://" + server.HostPort() + "/x", "gopher://" + server.HostPort() + "/x",
                                server.Url("/to-file"), server.Url("/to-ftp")}) {
    SCOPED_TRACE(url);
    EXPECT_EQ(GetParam().fetch(url), "");
  }
  EXPECT_EQ(server.RequestCount(), 2u);  // only the two redirecting pages were asked for
}

TEST_P(BothRoutines, RefuseABodyOverSixtyFourMebibytes) {
  LoopbackServer server;
  Reply announced;
  announced.generatedBodyBytes = (64u << 20) + 1;
  server.Serve("/announced", announced);
  Reply chunked = announced;
  chunked.chunked = true;
  server.Serve("/chunked", chunked);
  EXPECT_EQ(GetParam().fetch(server.Url("/announced")).size(), 0u);
  EXPECT_EQ(GetParam().fetch(server.Url("/chunked")).size(), 0u);
}

TEST_P(BothRoutines, GiveNoBodyForAResetOrABrokenTransfer) {
  LoopbackServer server;
  server.Serve("/reset", Reply::Reset());
  Reply midway = Reply::Body(std::string(100000, 'm'));
  midway.fault = Reply::Fault::kResetMidBody;
  server.Serve("/midway", midway);
  EXPECT_EQ(GetParam().fetch(server.Url("/reset")), "");
  EXPECT_EQ(GetParam().fetch(server.Url("/midway")), "");
}

TEST_P(BothRoutines, ReturnPromptlyWhenCancelled) {
  LoopbackServer server;
  server.Serve("/stall", Reply::Stall());
  FetchCancel cancel;
  auto result = std::async(std::launch::async, [&] {
    FetchCancelScope scope(cancel);
    Bytes body = GetParam().fetch(server.Url("/stall"));
    return std::make_pair(body, Clock::now());
  });
  ASSERT_TRUE(server.WaitForRequests(1, std::chrono::seconds(20)));
  const auto cancelledAt = Clock::now();
  cancel.Cancel();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto [body, returnedAt] = result.get();
  EXPECT_EQ(body, "");
  // The point: it does not wait for the 15 or 30 s stall timeout. The usual
  // latency, a few milliseconds, is what bench_fetch reports.
  EXPECT_LT(returnedAt - cancelledAt, std::chrono::seconds(1));

  // A raised token stops later requests before they reach the server.
  FetchCancelScope scope(cancel);
  server.Serve("/ok", Reply::Body("ok"));
  EXPECT_EQ(GetParam().fetch(server.Url("/ok")), "");
  EXPECT_EQ(server.RequestCount("/ok"), 0u);
  cancel.Reset();
  EXPECT_EQ(GetParam().fetch(server.Url("/ok")), "ok");
}

INSTANTIATE_TEST_SUITE_P(Routines, BothRoutines, ::testing::ValuesIn(kRoutines),
                         [](const auto& info) { return std::string(info.param.name); });

struct TimeoutCase {
  const char* name;
  Reply reply;
  int timeoutSeconds;
  bool succeeds;
};

Reply Faulty(Reply::Fault fault) {
  Reply r = Reply::Body(std::string(50000, 'b'));
  r.fault = fault;
  return r;
}

Reply Delayed(std::chrono::milliseconds delay) {
  Reply r = Reply::Body("late");
  r.delay = delay;
  return r;
}

Reply Trickling() {
  Reply r = Reply::Body(std::string(5, 't'));
  r.chunked = true;
  r.chunkSize = 1;
  r.chunkDelay = std::chrono::milliseconds(600);
  return r;
}

class WinHttpTimeouts : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(WinHttpTimeouts, BoundStallsNotDownloadsThatKeepMoving) {
  const TimeoutCase& c = GetParam();
  LoopbackServer server;
  server.Serve("/t", c.reply);
  int status = -1;
  const auto start = Clock::now();
  Bytes body = WinHttpFetch(server.Url("/t"), 0, {}, nullptr, nullptr, nullptr, nullptr, &status, false, {}, {},
                            c.timeoutSeconds);
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(!body.empty(), c.succeeds);
  EXPECT_EQ(status, c.succeeds ? 200 : 0);
  if (!c.succeeds) {
    EXPECT_LT(elapsed, std::chrono::seconds(c.timeoutSeconds + 2));
  }
  server.ReleaseStalls();
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, WinHttpTimeouts,
    ::testing::Values(TimeoutCase{"NoAnswer", Reply::Stall(), 1, false},
                      TimeoutCase{"StallAfterHeaders", Faulty(Reply::Fault::kStallAfterHeaders), 1, false},
                      TimeoutCase{"StallMidBody", Faulty(Reply::Fault::kStallMidBody), 2, false},
                      TimeoutCase{"SlowAnswer", Delayed(std::chrono::milliseconds(2500)), 1, false},
                      TimeoutCase{"SlowAnswerWithinPlatformTimeouts", Delayed(std::chrono::milliseconds(2500)), -1,
                                  true},
                      TimeoutCase{"SlowAnswerWithinDefault", Delayed(std::chrono::milliseconds(1500)), 0, true},
                      TimeoutCase{"TricklingDownloadLongerThanTheTimeout", Trickling(), 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrh::test
