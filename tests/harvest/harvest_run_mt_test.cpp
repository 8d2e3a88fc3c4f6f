// Whole harvests against the demo site with the recording controls: the
// search phase, the throttled dispatch, stops in every phase, stale workers
// and the completion.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>

#include "harvest/demo_site_process.h"
#include "harvest/harvest_buttons.h"
#include "harvest/harvest_expectations.h"
#include "harvest/harvest_run.h"
#include "harvest/paced_wait.h"
#include "harvest/site_endpoint.h"
#include "support/recording_controls.h"
#include "text/text_rules.h"

namespace qrh {
namespace {

using namespace std::chrono_literals;

class HarvestRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.Ready()) << "demo-site did not start";
    setenv("QRHARVEST_SITE", site_.Host().c_str(), 1);
    // Sample the running count at every control call a run or worker makes.
    controls_.SetOnCall([this](const test::RecordedCall&) {
      const int now = state_.RunningDetailWorkers.load();
      int seen = maxRunning_.load();
      while (now > seen && !maxRunning_.compare_exchange_weak(seen, now)) {
      }
    });
  }
  void TearDown() override {
    site_.Stall("none");
    StopButtonClicked(controls_, state_);
    WaitRunEnded();
    WaitWorkersEnded();
    unsetenv("QRHARVEST_SITE");
  }

  void Collect(const Text& keywords) {
    controls_.SetText("编辑框_关键词", keywords);
    CollectButtonClicked(controls_, state_, false);
  }
  HarvestRunContext* Run() { return dynamic_cast<HarvestRunContext*>(state_.HarvestThread.get()); }
  bool WaitRunEnded() { return Run() == nullptr || Run()->WaitEnded(60s); }
  bool WaitWorkersEnded() {
    const auto due = std::chrono::steady_clock::now() + 60s;
    while (state_.RunningDetailWorkers.load() > 0 && std::chrono::steady_clock::now() < due) {
      PacedWait(200, 0, [this] { return state_.RunningDetailWorkers.load() == 0; });
    }
    return state_.RunningDetailWorkers.load() == 0;
  }
  int RowsInState(const Text& state) {
    int n = 0;
    for (const auto& row : controls_.Table()) n += row[11] == state;
    return n;
  }
  bool WaitCollecting(int n) {
    return controls_.WaitUntil([&] { return RowsInState("正在采集中") >= n; }, 30s);
  }
  // Waits for a state of the site, which tells nobody when it changes: polled,
  // with a bound.
  static bool PollUntil(const std::function<bool()>& done) {
    const auto due = std::chrono::steady_clock::now() + 30s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > due) return false;
      PacedWait(10);
    }
    return true;
  }
  // The site has n detail requests on hold.
  bool WaitSiteHolding(int n) {
    return PollUntil([&] { return site_.DetailInFlight() >= n; });
  }
  std::vector<std::string> SearchRequests() {
    std::vector<std::string> out;
    for (const auto& r : site_.Requests()) {
      if (r.rfind("/cse/search", 0) == 0) out.push_back(r);
    }
    return out;
  }
  void ExpectTable(const std::vector<test::ExpectedRow>& expected) {
    const auto table = controls_.Table();
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t r = 0; r < table.size(); ++r) {
      for (std::size_t c = 0; c < 12; ++c) {
        EXPECT_EQ(table[r][c], expected[r][c]) << "row " << r << " column " << c;
      }
    }
  }

  test::DemoSite site_;
  test::RecordingControls controls_;
  RunState state_;
  std::atomic<int> maxRunning_{0};
};

TEST_F(HarvestRunTest, ThreeKeywordsWithAnEmptyMiddleOneFillEveryRow) {
  controls_.SetText("编辑框_采集页数", "2");
  Collect("宝妈\r\n\r\n读书\r\n");
  ASSERT_TRUE(WaitRunEnded());
  ASSERT_TRUE(WaitWorkersEnded());

  const auto expected = test::ExpectRows(site_, {"宝妈", "", "读书"}, 2, "&nsid=0");
  ExpectTable(expected);
  // The mix of the site reached the table.
  auto any = [&](int column, const Text& text) {
    return std::any_of(expected.begin(), expected.end(),
                       [&](const auto& row) { return row[static_cast<std::size_t>(column)] == text; });
  };
  EXPECT_TRUE(any(4, "文章已经删除"));
  EXPECT_TRUE(any(9, "无"));
  EXPECT_TRUE(any(10, ""));

  const Text count = IntToText(static_cast<long long>(expected.size()));
  EXPECT_EQ(controls_.StatusHistory(),
            (TextArray{"正在采集关键词：宝妈1/3   第1页", "正在采集关键词：宝妈1/3   第2页",
                       "正在采集关键词：2/3   第1页", "正在采集关键词：2/3   第2页",
                       "正在采集关键词：读书3/3   第1页", "正在采集关键词：读书3/3   第2页",
                       "正在采集详细信息,请稍候...", "采集完成！共计采集结果：" + count + "条"}));
  const auto searches = SearchRequests();
  ASSERT_EQ(searches.size(), 6u);
  EXPECT_EQ(searches[2], "/cse/search?q=&p=1&s=" + SiteSearchId() + "&nsid=0");
  TextArray regions = controls_.Items("组合框2");
  TextArray expectedRegions = test::ExpectRegions(expected);
  std::sort(regions.begin(), regions.end());
  std::sort(expectedRegions.begin(), expectedRegions.end());
  EXPECT_EQ(regions, expectedRegions);
  EXPECT_EQ(controls_.Selection("组合框2"), 0);
  EXPECT_TRUE(controls_.IsEnabled("按钮_采集"));
  EXPECT_EQ(state_.RunningDetailWorkers.load(), 0);
  EXPECT_LE(maxRunning_.load(), 5);
}

TEST_F(HarvestRunTest, OneDayFilterOnTheSecondPage) {
  controls_.SetText("编辑框_采集页数", "2");
  controls_.CheckRadio("单选框_一天内");
  Collect("宝妈");
  ASSERT_TRUE(WaitRunEnded());
  ASSERT_TRUE(WaitWorkersEnded());
  const auto searches = SearchRequests();
  ASSERT_EQ(searches.size(), 2u);
  EXPECT_EQ(searches[1], "/cse/search?q=%E5%AE%9D%E5%A6%88&p=2&s=" + SiteSearchId() +
                             "&sti=1440&nsid=0&entry=1");
  ExpectTable(test::ExpectRows(site_, {"宝妈"}, 2, "&sti=1440&nsid=0&entry=1"));
}

TEST_F(HarvestRunTest, EmptyKeywordBoxShowsTheMessageAndChangesNothing) {
  controls_.SetItems("组合框2", {"A"}, 0);
  Collect("");
  EXPECT_EQ(controls_.Messages(), TextArray{"请输入关键词或导入关键词"});
  EXPECT_EQ(state_.HarvestThread, nullptr);
  EXPECT_EQ(controls_.Items("组合框2"), TextArray{"A"});
}

TEST_F(HarvestRunTest, NoPagesCompletesWithAnEmptyTable) {
  controls_.SetText("编辑框_采集页数", "x");
  Collect("宝妈");
  ASSERT_TRUE(WaitRunEnded());
  EXPECT_TRUE(controls_.Table().empty());
  EXPECT_EQ(controls_.Status(), "采集完成！共计采集结果：0条");
  EXPECT_TRUE(controls_.Items("组合框2").empty());
  EXPECT_EQ(controls_.Selection("组合框2"), -1);
  EXPECT_TRUE(controls_.IsEnabled("按钮_采集"));
}

// A stop in each phase ends the run at once: the collect button comes back,
// nothing more is dispatched, the region list stays empty; a new run then
// works normally.
TEST_F(HarvestRunTest, StopInEveryPhaseThenANormalRun) {
  enum class Phase { kSearch, kDispatch, kCompletion };
  struct Case {
    const char* name;
    Phase phase;
    Text keywords;
    const char* pages;
  };
  const Case cases[] = {
      {"search stalled", Phase::kSearch, "宝妈\r\n读书", "2"},
      {"dispatch throttled", Phase::kDispatch, "宝妈", "2"},
      {"completion waiting for workers", Phase::kCompletion, "宝妈", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    site_.Requests(true);
    controls_.SetText("编辑框_采集页数", c.pages);
    controls_.SetSelection("组合框1", c.phase == Phase::kCompletion ? 2 : 0);
    site_.Stall(c.phase == Phase::kSearch ? "search" : "detail");
    Collect(c.keywords);
    if (c.phase == Phase::kSearch) {
      ASSERT_TRUE(PollUntil([&] { return !SearchRequests().empty(); }));
    } else {
      // Every worker that may run is stuck on its page.
      ASSERT_TRUE(WaitCollecting(c.phase == Phase::kDispatch ? 5 : 10));
    }
    const int dispatched = RowsInState("正在采集中");
    StopButtonClicked(controls_, state_);
    ASSERT_TRUE(WaitRunEnded());
    EXPECT_TRUE(controls_.IsEnabled("按钮_采集"));
    site_.Stall("none");
    ASSERT_TRUE(WaitWorkersEnded());
    EXPECT_EQ(RowsInState("采集完成"), dispatched);
    EXPECT_TRUE(controls_.Items("组合框2").empty());
    if (c.phase == Phase::kSearch) {
      EXPECT_EQ(SearchRequests().size(), 1u) << testing::PrintToString(site_.Requests());
      EXPECT_TRUE(controls_.Table().empty());
    }
    if (c.phase == Phase::kDispatch) {
      EXPECT_EQ(dispatched, 5);
      EXPECT_GT(controls_.Table().size(), 5u);
    }
    EXPECT_FALSE(controls_.Status().rfind("采集完成", 0) == 0);
  }
  controls_.SetText("编辑框_采集页数", "1");
  Collect("读书");
  ASSERT_TRUE(WaitRunEnded());
  ASSERT_TRUE(WaitWorkersEnded());
  ExpectTable(test::ExpectRows(site_, {"读书"}, 1, "&nsid=0"));
  EXPECT_FALSE(controls_.Items("组合框2").empty());
}

TEST_F(HarvestRunTest, ThreadCountRaisedDuringDispatchLetsMoreWorkersStart) {
  controls_.SetText("编辑框_采集页数", "3");
  site_.Stall("detail");
  Collect("宝妈");
  ASSERT_TRUE(WaitSiteHolding(5));
  EXPECT_EQ(state_.RunningDetailWorkers.load(), 5);
  EXPECT_LE(maxRunning_.load(), 5);
  EXPECT_EQ(site_.DetailMaxInFlight(), 5);
  controls_.SetSelection("组合框1", 2);  // "20"
  ASSERT_TRUE(WaitSiteHolding(20));
  EXPECT_EQ(site_.DetailMaxInFlight(), 20);
  site_.Stall("none");
  ASSERT_TRUE(WaitRunEnded());
  ASSERT_TRUE(WaitWorkersEnded());
  EXPECT_LE(maxRunning_.load(), 20);
  EXPECT_LE(site_.DetailMaxInFlight(), 20);
  EXPECT_EQ(RowsInState("采集完成"), static_cast<int>(controls_.Table().size()));
}

TEST_F(HarvestRunTest, ClearDuringTheSearchLeavesTheRunFillingTheEmptiedTable) {
  // The clear button is pressed once the first keyword's rows are in.
  controls_.SetOnCall([this](const test::RecordedCall& call) {
    if (call.op == "SetStatus" && call.text == "正在采集关键词：读书2/2   第1页") {
      controls_.DeleteAllRows();
    }
  });
  Collect("宝妈\r\n读书");
  ASSERT_TRUE(WaitRunEnded());
  ASSERT_TRUE(WaitWorkersEnded());
  // The second keyword's rows, numbered from 1 again, each completed.
  const auto expected = test::ExpectRows(site_, {"读书"}, 1, "&nsid=0");
  ExpectTable(expected);
  EXPECT_EQ(controls_.Status(),
            "采集完成！共计采集结果：" + IntToText(static_cast<long long>(expected.size())) + "条");
}

TEST_F(HarvestRunTest, WorkersOfAClearedTableNeverWriteIntoTheNextRun) {
  // Old workers hang on their pages until the next run has finished; only
  // then may they try to write. The next run's keyword shares no listing with
  // them, so its own workers are never held.
  const Text oldKeyword = "宝妈";
  const test::HeldListings held = test::HoldListingsOf(site_, oldKeyword, 5);
  ASSERT_FALSE(held.newKeyword.empty());
  const Text& newKeyword = held.newKeyword;
  const std::vector<test::ExpectedRow>& expected = held.newRows;

  site_.Stall(held.stallPaths);
  Collect(oldKeyword);
  ASSERT_TRUE(WaitSiteHolding(5));
  controls_.DeleteAllRows();  // the clear button
  StopButtonClicked(controls_, state_);
  ASSERT_TRUE(WaitRunEnded());

  controls_.SetSelection("组合框1", 2);  // room for the next run besides the five held
  Collect(newKeyword);
  ASSERT_TRUE(WaitRunEnded());
  ExpectTable(expected);
  EXPECT_EQ(state_.RunningDetailWorkers.load(), 5);

  site_.Stall("none");
  ASSERT_TRUE(WaitWorkersEnded());
  ExpectTable(expected);
  TextArray regions = controls_.Items("组合框2");
  TextArray expectedRegions = test::ExpectRegions(expected);
  std::sort(regions.begin(), regions.end());
  std::sort(expectedRegions.begin(), expectedRegions.end());
  EXPECT_EQ(regions, expectedRegions);
}

}  // namespace
}  // namespace qrh
