// PacedWait off the GUI thread: waits its length, or until its condition
// holds once another thread wakes it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "harvest/paced_wait.h"

namespace qrh {
namespace {

using Clock = std::chrono::steady_clock;

TEST(PacedWait, WaitsAtLeastItsLength) {
  struct Case {
    const char* name;
    int amount;
    int unit;
    std::chrono::milliseconds atLeast;
  };
  const Case cases[] = {
      {"milliseconds by default", 300, 0, std::chrono::milliseconds(300)},
      {"seconds", 1, 1, std::chrono::milliseconds(1000)},
      {"unknown unit counts as milliseconds", 50, 9, std::chrono::milliseconds(50)},
  };
  for (const Case& c : cases) {
    const auto start = Clock::now();
    EXPECT_TRUE(PacedWait(c.amount, c.unit)) << c.name;
    EXPECT_GE(Clock::now() - start, c.atLeast) << c.name;
  }
}

TEST(PacedWait, EndsWhenItsConditionHoldsAfterAWake) {
  std::atomic<bool> done{false};
  std::thread other([&] {
    done.store(true);
    WakePacedWaits();
  });
  // An hour unless the wake ends it.
  EXPECT_TRUE(PacedWait(1, 3, [&] { return done.load(); }));
  EXPECT_TRUE(done.load());
  other.join();
}

TEST(PacedWait, ZeroOrNegativeAmountReturnsAtOnce) {
  EXPECT_TRUE(PacedWait(0));
  EXPECT_TRUE(PacedWait(-5, 2));
}

}  // namespace
}  // namespace qrh
