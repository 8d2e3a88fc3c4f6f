// RegexObject and DedupeTextArray on several threads at once, as the detail
// workers and the harvest thread use them: each thread owns its objects, and
// the compiled patterns are shared through one cache.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "text/dedupe_text_array.h"
#include "text/regex_object.h"

namespace qrh {
namespace {

TEST(RegexObjectThreads, SearchesOnManyThreadsShareTheCompiledPatterns) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 200;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrong] {
      RegexObject regex;
      for (int i = 0; i < kRounds; ++i) {
        // A pattern every thread uses, and one of more than the cache holds,
        // so that entries are added and dropped while others read them.
        const Text shared = "<span>来自：(.*?)</span>";
        const Text own = "(\\d+)-" + std::to_string((t * kRounds + i) % 50);
        const Text page = "<span>来自：群" + std::to_string(t) + "</span> 7-" +
                          std::to_string((t * kRounds + i) % 50);
        if (!regex.Search(shared, page) || regex.SubMatchText(1, 1) != "群" + std::to_string(t)) {
          ++wrong;
        }
        if (!regex.Search(own, page) || regex.SubMatchText(1, 1) != "7") ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(DedupeTextArrayThreads, EachThreadItsOwnArray) {
  constexpr int kThreads = 4;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int round = 0; round < 20; ++round) {
        TextArray regions{"北京", "上海", "北京", "线程" + std::to_string(t), "上海"};
        DedupeTextArray(&regions);
        if (regions != TextArray{"北京", "线程" + std::to_string(t), "上海"}) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace qrh
