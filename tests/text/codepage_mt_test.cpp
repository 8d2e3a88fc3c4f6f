#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "text/codepage.h"

namespace qrh {
namespace {

// The first conversions of the process run on many threads at once: the
// tables are built once and read by all, and every thread gets the same bytes.
TEST(CodePageThreadsTest, ConcurrentFirstUseGivesSameResults) {
  const Bytes page = reinterpret_cast<const char*>(u8"<p>群二维码：采集完成 \U0001F600 €</p>");
  const Text expected = "<p>群二维码：采集完成 ? \x80</p>";
  constexpr int kThreads = 8;
  std::vector<Text> results(kThreads);
  std::vector<Text> roundTrips(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        results[t] = Utf8BytesToText(page);
        roundTrips[t] = WideToText(TextToWide(AnsiToUtf8(results[t])), kCodePageGbk);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(results[t], expected);
    EXPECT_EQ(roundTrips[t], expected);
  }
}

}  // namespace
}  // namespace qrh
