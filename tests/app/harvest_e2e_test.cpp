// Whole harvests in the real main window (offscreen) against the demo site:
// keywords typed, buttons clicked, then the table, the status texts, the
// region list and the collect button checked.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <dirent.h>
#include <sched.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "app/wiring.h"
#include "harvest/demo_site_process.h"
#include "harvest/harvest_expectations.h"
#include "harvest/harvest_run.h"
#include "harvest/paced_wait.h"
#include "harvest/site_endpoint.h"
#include "text/text_rules.h"
#include "web/wininet_fetch.h"

namespace qrh::test {
namespace {

using app::Dialogs;
using app::FromQString;
using app::MainWindow;
using app::ToQString;

constexpr int kBoundMs = 60000;

// Whether every thread of this process may run on one processor only.
bool EveryThreadOnOneProcessor() {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return false;
  bool one = true;
  while (dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(std::atoi(entry->d_name), sizeof set, &set) == 0) {
      one = one && CPU_COUNT(&set) == 1;
    }
  }
  closedir(tasks);
  return one;
}

class HarvestEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(site_.Ready()) << "demo-site did not start";
    Dialogs::Reset();
    setenv("QRHARVEST_SITE", site_.Host().c_str(), 1);
    window_.emplace(run_);
    app::WireActions(*window_);  // as the program does
    window_->show();
    QObject::connect(window_->Control<QStatusBar>("状态条1"), &QStatusBar::messageChanged,
                     [this](const QString& text) {
                       if (!text.isEmpty()) statuses_.push_back(FromQString(text));
                     });
  }
  void TearDown() override {
    site_.Stall("none");
    if (window_) {
      Click("按钮_停止");
      WaitFor([this] { return RunEnded() && run_.RunningDetailWorkers.load() == 0; });
      window_.reset();
    }
    Dialogs::Reset();
    unsetenv("QRHARVEST_SITE");
  }

  // Waits on the GUI thread with its events served (the harvest's control
  // operations run here).
  static bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, kBoundMs); }
  bool RunEnded() {
    auto* run = dynamic_cast<HarvestRunContext*>(run_.HarvestThread.get());
    return run == nullptr || run->Ended();
  }
  bool WaitHarvestDone() {
    return WaitFor([this] { return RunEnded() && run_.RunningDetailWorkers.load() == 0; });
  }
  bool WaitSiteHolding(int n) {
    return WaitFor([&] { return site_.DetailInFlight() >= n; });
  }

  void Click(std::string_view button) {
    QTest::mouseClick(window_->Button(button), Qt::LeftButton);
  }
  void TypeKeywords(const std::vector<QString>& lines) {
    auto* box = window_->Control<QPlainTextEdit>("编辑框_关键词");
    box->clear();
    box->setFocus();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(box, Qt::Key_Return);
      // Chinese is typed through the input method, which commits whole words.
      QInputMethodEvent commit;
      commit.setCommitString(lines[i]);
      QCoreApplication::sendEvent(box, &commit);
    }
  }
  void TypePages(const QString& pages) {
    auto* box = window_->Control<QLineEdit>("编辑框_采集页数");
    box->selectAll();
    QTest::keyClicks(box, pages);
  }
  void ChooseThreads(int index) { window_->Control<QComboBox>("组合框1")->setCurrentIndex(index); }
  void CheckFilter(std::string_view radio) {
    QTest::mouseClick(window_->Control<QRadioButton>(radio), Qt::LeftButton);
  }
  bool CollectEnabled() { return window_->Button("按钮_采集")->isEnabled(); }
  TextArray Regions() {
    TextArray out;
    auto* list = window_->Control<QComboBox>("组合框2");
    for (int i = 0; i < list->count(); ++i) out.push_back(FromQString(list->itemText(i)));
    return out;
  }
  int RowsInState(const Text& state) {
    int n = 0;
    for (int r = 0; r < window_->controls().RowCount(); ++r) n += window_->controls().GetCell(r, 11) == state;
    return n;
  }
  std::vector<std::string> SearchRequests() {
    std::vector<std::string> out;
    for (const auto& r : site_.Requests()) {
      if (r.rfind("/cse/search", 0) == 0) out.push_back(r);
    }
    return out;
  }
  void ExpectTable(const std::vector<ExpectedRow>& expected) {
    Controls& c = window_->controls();
    ASSERT_EQ(c.RowCount(), static_cast<int>(expected.size()));
    for (int r = 0; r < c.RowCount(); ++r) {
      for (int col = 0; col < 12; ++col) {
        EXPECT_EQ(c.GetCell(r, col), expected[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)])
            << "row " << r << " column " << col;
      }
    }
  }
  void ExpectRegionList(const std::vector<ExpectedRow>& expected) {
    TextArray got = Regions();
    TextArray want = ExpectRegions(expected);
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    EXPECT_EQ(window_->Control<QComboBox>("组合框2")->currentIndex(), want.empty() ? -1 : 0);
  }

  DemoSite site_;
  RunState run_;
  std::optional<MainWindow> window_;
  TextArray statuses_;
};

TEST_F(HarvestEndToEnd, ThreeKeywordsWithAnEmptyMiddleOne) {
  TypeKeywords({u"宝妈"_qs, QString(), u"读书"_qs});
  Click("按钮_采集");
  // Disabled from the run's start until well after the last status text.
  EXPECT_TRUE(WaitFor([this] { return !CollectEnabled(); }));
  ASSERT_TRUE(WaitHarvestDone());

  const auto expected = ExpectRows(site_, {"宝妈", "", "读书"}, 1, "&nsid=0");
  ExpectTable(expected);
  auto any = [&](int column, const Text& text) {
    return std::any_of(expected.begin(), expected.end(), [&](const auto& row) {
      return row[static_cast<std::size_t>(column)] == text;
    });
  };
  EXPECT_TRUE(any(4, "文章已经删除"));  // a listing that is gone
  EXPECT_TRUE(any(9, "无"));            // one without a WeChat id
  EXPECT_TRUE(any(10, ""));             // one without the QR block
  EXPECT_EQ(statuses_,
            (TextArray{"正在采集关键词：宝妈1/3   第1页", "正在采集关键词：2/3   第1页",
                       "正在采集关键词：读书3/3   第1页", "正在采集详细信息,请稍候...",
                       "采集完成！共计采集结果：" + IntToText(static_cast<long long>(expected.size())) + "条"}));
  ExpectRegionList(expected);
  EXPECT_TRUE(CollectEnabled());
  EXPECT_EQ(run_.RunningDetailWorkers.load(), 0);
  EXPECT_EQ(SearchRequests().size(), 3u);
  EXPECT_TRUE(EveryThreadOnOneProcessor());

  // The QR addresses the table holds give real images.
  for (const auto& row : expected) {
    if (row[10].empty() || row[10] == "文章已经删除") continue;
    QImage image;
    const Bytes gif = WinInetFetch(row[10]);
    ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(gif.data()),
                                   static_cast<int>(gif.size()), "GIF"));
    EXPECT_EQ(image.width(), 132);
    break;
  }
}

TEST_F(HarvestEndToEnd, PacedWaitOnTheGuiThreadKeepsEventsServed) {
  bool fired = false;
  QTimer::singleShot(0, [&] { fired = true; });
  EXPECT_TRUE(PacedWait(200));
  EXPECT_TRUE(fired);
}

TEST_F(HarvestEndToEnd, TwoPagesWithinOneDay) {
  TypeKeywords({u"宝妈"_qs});
  TypePages(u"2"_qs);
  CheckFilter("单选框_一天内");
  Click("按钮_采集");
  ASSERT_TRUE(WaitHarvestDone());
  const Text prefix = "/cse/search?q=%E5%AE%9D%E5%A6%88&p=";
  const Text suffix = "&s=" + SiteSearchId() + "&sti=1440&nsid=0&entry=1";
  EXPECT_EQ(SearchRequests(), (std::vector<std::string>{prefix + "1" + suffix, prefix + "2" + suffix}));
  ExpectTable(ExpectRows(site_, {"宝妈"}, 2, "&sti=1440&nsid=0&entry=1"));
}

TEST_F(HarvestEndToEnd, EmptyKeywordBoxAsksForKeywords) {
  Click("按钮_采集");
  const auto requests = Dialogs::Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(FromQString(requests[0].text), "请输入关键词或导入关键词");
  EXPECT_EQ(FromQString(requests[0].title), "信息：");
  EXPECT_EQ(run_.HarvestThread, nullptr);
}

TEST_F(HarvestEndToEnd, StopInEveryPhaseThenANormalRun) {
  enum class Phase { kSearch, kDispatch, kCompletion };
  struct Case {
    const char* name;
    Phase phase;
    QString pages;
  };
  const Case cases[] = {
      {"search stalled", Phase::kSearch, u"2"_qs},
      {"dispatch throttled", Phase::kDispatch, u"2"_qs},
      {"completion waiting for its workers", Phase::kCompletion, u"1"_qs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    site_.Requests(true);
    TypeKeywords({u"宝妈"_qs, u"读书"_qs});
    TypePages(c.pages);
    ChooseThreads(c.phase == Phase::kCompletion ? 2 : 0);
    site_.Stall(c.phase == Phase::kSearch ? "search" : "detail");
    Click("按钮_采集");
    if (c.phase == Phase::kSearch) {
      ASSERT_TRUE(WaitFor([&] { return !SearchRequests().empty(); }));
    } else {
      ASSERT_TRUE(WaitSiteHolding(c.phase == Phase::kDispatch ? 5 : 20));
    }
    const int dispatched = RowsInState("正在采集中");
    Click("按钮_停止");
    EXPECT_TRUE(CollectEnabled());
    ASSERT_TRUE(WaitFor([this] { return RunEnded(); }));
    site_.Stall("none");
    ASSERT_TRUE(WaitHarvestDone());
    EXPECT_EQ(RowsInState("采集完成"), dispatched);
    EXPECT_TRUE(Regions().empty());
    EXPECT_NE(FromQString(window_->Control<QStatusBar>("状态条1")->currentMessage()).rfind("采集完成", 0), 0u);
    if (c.phase == Phase::kSearch) {
      EXPECT_EQ(SearchRequests().size(), 1u);
      EXPECT_EQ(window_->controls().RowCount(), 0);
    }
    if (c.phase == Phase::kDispatch) {
      EXPECT_EQ(dispatched, 5);
      EXPECT_GT(window_->controls().RowCount(), 5);
    }
  }
  TypeKeywords({u"读书"_qs});
  TypePages(u"1"_qs);
  Click("按钮_采集");
  ASSERT_TRUE(WaitHarvestDone());
  const auto expected = ExpectRows(site_, {"读书"}, 1, "&nsid=0");
  ExpectTable(expected);
  ExpectRegionList(expected);
  EXPECT_TRUE(CollectEnabled());
}

TEST_F(HarvestEndToEnd, ThreadCountRaisedFromFiveToTwentyMidDispatch) {
  TypeKeywords({u"宝妈"_qs});
  TypePages(u"3"_qs);
  site_.Stall("detail");
  Click("按钮_采集");
  ASSERT_TRUE(WaitSiteHolding(5));
  EXPECT_EQ(run_.RunningDetailWorkers.load(), 5);
  EXPECT_EQ(site_.DetailMaxInFlight(), 5);
  ChooseThreads(2);
  ASSERT_TRUE(WaitSiteHolding(20));
  EXPECT_EQ(site_.DetailMaxInFlight(), 20);
  site_.Stall("none");
  ASSERT_TRUE(WaitHarvestDone());
  EXPECT_EQ(site_.DetailMaxInFlight(), 20);
  ExpectTable(ExpectRows(site_, {"宝妈"}, 3, "&nsid=0"));
  EXPECT_EQ(run_.RunningDetailWorkers.load(), 0);
}

TEST_F(HarvestEndToEnd, ClearDuringDispatchKeepsOldWorkersOutOfTheNextRun) {
  // The first run's five workers hang on their pages until the next run has
  // finished; the next run's keyword shares no listing with them.
  const HeldListings held = HoldListingsOf(site_, "宝妈", 5);
  ASSERT_FALSE(held.newKeyword.empty());
  const QString newKeyword = ToQString(held.newKeyword);
  const std::vector<ExpectedRow>& expected = held.newRows;

  site_.Stall(held.stallPaths);
  TypeKeywords({u"宝妈"_qs});
  Click("按钮_采集");
  ASSERT_TRUE(WaitSiteHolding(5));
  Click("按钮_清空");
  Click("按钮_停止");
  ASSERT_TRUE(WaitFor([this] { return RunEnded(); }));

  TypeKeywords({newKeyword});
  ChooseThreads(2);
  Click("按钮_采集");
  ASSERT_TRUE(WaitFor([this] { return RunEnded(); }));
  ExpectTable(expected);
  EXPECT_EQ(run_.RunningDetailWorkers.load(), 5);

  site_.Stall("none");
  ASSERT_TRUE(WaitHarvestDone());
  ExpectTable(expected);
  ExpectRegionList(expected);
}

}  // namespace
}  // namespace qrh::test
