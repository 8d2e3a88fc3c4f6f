// The request routines on many threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_server.h"
#include "web/fetch_cancel.h"
#include "web/winhttp_fetch.h"
#include "web/wininet_fetch.h"

namespace qrh::test {
namespace {

std::string BodyFor(const std::string& path) { return "body of " + path + std::string(3000, '.'); }

TEST(FetchThreads, TwoHundredWinInetFetchesFromTwentyThreadsGetTheirOwnBodies) {
  constexpr int kThreads = 20;
  constexpr int kPerThread = 10;
  LoopbackServer server;
  server.SetFallback([](const RecordedRequest& r) {
    Reply reply = Reply::Body(BodyFor(r.Path()));
    // Every answer also sets a cookie, so the shared cookie store is busy too.
    reply.headers.push_back("Set-Cookie: " + r.Path().substr(4, 3) + "=1; Path=/mt");
    return reply;
  });
  std::latch start(kThreads);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < kPerThread; ++i) {
        const std::string path = "/mt/t" + std::to_string(100 + t) + "/" + std::to_string(i);
        if (WinInetFetch(server.Url(path)) != BodyFor(path)) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(server.RequestCount(), static_cast<std::size_t>(kThreads * kPerThread));
}

TEST(FetchThreads, OneCancelStopsEveryRequestWaitingUnderIt) {
  constexpr int kThreads = 6;
  LoopbackServer server;
  server.Serve("/stall", Reply::Stall());
  FetchCancel cancel;
  std::vector<std::future<Bytes>> results;
  for (int t = 0; t < kThreads; ++t) {
    results.push_back(std::async(std::launch::async, [&, t] {
      FetchCancelScope scope(cancel);
      return t % 2 == 0 ? WinInetFetch(server.Url("/stall")) : WinHttpFetch(server.Url("/stall"));
    }));
  }
  ASSERT_TRUE(server.WaitForRequests(kThreads, std::chrono::seconds(20)));
  cancel.Cancel();
  for (auto& result : results) {
    ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(result.get(), "");
  }
}

TEST(FetchThreads, CallsOnOneRequestObjectTakeTurns) {
  LoopbackServer server;
  server.SetFallback([](const RecordedRequest& r) { return Reply::Body(BodyFor(r.Path())); });
  WinHttpRequestObject object;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        const std::string path = "/o/" + std::to_string(t) + "/" + std::to_string(i);
        if (WinHttpFetch(server.Url(path), 0, {}, nullptr, nullptr, nullptr, nullptr, nullptr, false, {}, {}, 0, {},
                         {}, 1, &object) != BodyFor(path)) {
          ++wrong;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace qrh::test
