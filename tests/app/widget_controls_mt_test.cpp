// Control operations from many threads at once, and the window closing under
// them.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <functional>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/shutdown.h"
#include "harvest/run_state.h"
#include "text/text_rules.h"

namespace qrh::test {
namespace {

using app::MainWindow;

constexpr int kThreads = 20;
constexpr int kWritesPerThread = 10000;  // 200,000 cells in all
constexpr int kRowsPerThread = 50;
constexpr int kColumns = 12;

// Runs the GUI thread's event loop, as the program does, until done() holds;
// false when the bound passed first.
bool RunEventLoopUntil(const std::function<bool()>& done, int boundMs) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(5);
  QTimer::singleShot(boundMs, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

Text CellText(int thread, int write) { return IntToText(thread) + "号线程第" + IntToText(write) + "次"; }

// Counts of a set of threads, waited on with a bound.
class Progress {
 public:
  void Add(int thread) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++counts_[thread];
    }
    changed_.notify_all();
  }
  bool WaitAllAtLeast(int n, std::chrono::seconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, bound, [&] {
      for (int c : counts_) {
        if (c < n) return false;
      }
      return true;
    });
  }
  bool AllAtLeast(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int c : counts_) {
      if (c < n) return false;
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> counts_ = std::vector<int>(kThreads, 0);
};

TEST(WidgetControlsThreads, TwentyThreadsWriteCellsThenTheWindowClosesUnderThem) {
  RunState run;
  auto window = std::make_unique<MainWindow>(run);
  Controls& controls = window->controls();

  // Phase 1: every thread appends its rows and writes 10,000 cells, reading
  // some back, while the GUI thread runs its event loop.
  std::vector<std::vector<int>> rowsOf(kThreads);
  std::atomic<int> finished{0};
  std::atomic<int> torn{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int r = 0; r < kRowsPerThread; ++r) rowsOf[t].push_back(controls.AppendRow());
      for (int i = 0; i < kWritesPerThread; ++i) {
        const int row = rowsOf[t][i % kRowsPerThread];
        const Text text = CellText(t, i);
        controls.SetCell(row, i % kColumns, text);
        // Nobody else writes this cell: it reads back whole.
        if (i % 16 == 0 && controls.GetCell(row, i % kColumns) != text) ++torn;
      }
      ++finished;
    });
  }
  ASSERT_TRUE(RunEventLoopUntil([&] { return finished.load() == kThreads; }, 280000));
  for (auto& thread : threads) thread.join();
  threads.clear();
  EXPECT_EQ(torn.load(), 0);
  ASSERT_EQ(controls.RowCount(), kThreads * kRowsPerThread);
  for (int t = 0; t < kThreads; ++t) {
    // The last write of each of the thread's cells is what the table holds.
    std::vector<std::vector<Text>> expected(kRowsPerThread, std::vector<Text>(kColumns));
    for (int i = 0; i < kWritesPerThread; ++i) {
      expected[i % kRowsPerThread][i % kColumns] = CellText(t, i);
    }
    for (int r = 0; r < kRowsPerThread; ++r) {
      for (int c = 0; c < kColumns; ++c) {
        ASSERT_EQ(controls.GetCell(rowsOf[t][r], c), expected[r][c]) << "thread " << t;
      }
    }
  }

  // Phase 2: the threads keep calling; the window closes under them. From
  // then on every call returns at once with an empty result, although the
  // GUI thread no longer runs any event loop.
  std::atomic<bool> stop{false};
  std::atomic<bool> closed{false};
  std::atomic<int> nonEmptyAfterClose{0};
  Progress before;
  Progress after;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; !stop.load(); ++i) {
        const bool wasClosed = closed.load();
        const int row = rowsOf[t][i % kRowsPerThread];
        controls.SetCell(row, i % kColumns, "late");
        const Text cell = controls.GetCell(row, 0);
        const int rows = controls.AppendRow();
        if (wasClosed && (!cell.empty() || rows != 0)) ++nonEmptyAfterClose;
        (wasClosed ? after : before).Add(t);
      }
    });
  }
  ASSERT_TRUE(RunEventLoopUntil([&] { return before.AllAtLeast(20); }, 60000));
  window->close();
  closed = true;
  EXPECT_TRUE(after.WaitAllAtLeast(1000, std::chrono::seconds(60)));
  stop = true;
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(nonEmptyAfterClose.load(), 0);
  EXPECT_EQ(controls.RowCount(), 0);
  window.reset();
}

// A thread that calls the controls without end, as a harvest would.
void CallForever(Controls* controls, std::atomic<int>* calls) {
  for (;;) {
    const int row = controls->AppendRow();
    controls->SetCell(row, 11, "正在采集中");
    ++*calls;
  }
}

// Shows a window, starts threads that keep calling the controls and one that
// waits for ever, then closes the window. Returns only if the process did not
// end.
[[noreturn]] void CloseWindowWhileThreadsRun() {
  static RunState run;
  auto* window = new MainWindow(run);
  QObject::connect(window, &MainWindow::Closed, [] { app::EndProgram(run); });
  static std::atomic<int> calls{0};
  for (int t = 0; t < 4; ++t) std::thread(CallForever, &window->controls(), &calls).detach();
  // A thread in the middle of a long wait, as a fetch would be.
  static std::mutex neverReleased;
  neverReleased.lock();
  std::thread([] { std::lock_guard<std::mutex> wait(neverReleased); }).detach();
  if (!QTest::qWaitFor([] { return calls.load() > 100; }, 60000)) std::_Exit(3);
  window->close();
  std::_Exit(4);
}

TEST(WidgetControlsThreadsDeathTest, ClosingTheWindowEndsTheProcessAtOnceWithStatusZero) {
  EXPECT_EXIT(CloseWindowWhileThreadsRun(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qrh::test
