// The demo site's pages, read by the program's own patterns and markers: a page
// the patterns cannot read fails here, not silently as an empty cell.
#include <gtest/gtest.h>

#include <set>

#include "harvest/demo_site_process.h"
#include "harvest/detail_page.h"
#include "harvest/harvest_expectations.h"
#include "harvest/search_page.h"
#include "harvest/site_endpoint.h"
#include "text/codepage.h"
#include "web/winhttp_fetch.h"
#include "web/wininet_fetch.h"

namespace qrh {
namespace {

constexpr int kListings = 120;

class DemoSitePages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { site_ = new test::DemoSite(0, kListings); }
  static void TearDownTestSuite() {
    delete site_;
    site_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(site_->Ready()) << "demo-site did not start"; }
  static test::DemoSite* site_;
};
test::DemoSite* DemoSitePages::site_ = nullptr;

TEST_F(DemoSitePages, SearchPagesGiveEveryHitWithTitleAndSource) {
  struct Case {
    const char* name;
    Text keyword;
    int page;
    Text suffix;
  };
  const Case cases[] = {
      {"first page", "宝妈", 1, "&nsid=0"},
      {"second page", "宝妈", 2, "&nsid=0"},
      {"third page, a partial one", "宝妈", 3, "&nsid=0"},
      {"past the last page", "宝妈", 9, "&nsid=0"},
      {"one day", "读书", 1, "&sti=1440&nsid=0&entry=1"},
      {"one week", "读书", 1, "&sti=10080&nsid=0"},
      {"one month", "读书", 1, "&sti=43200&nsid=0"},
      {"ASCII keyword with a space", "a b", 1, "&nsid=0"},
      {"empty keyword", "", 1, "&nsid=0"},
  };
  int hitsSeen = 0;
  for (const Case& c : cases) {
    const Text address = SearchAddress(site_->Host(), SiteSearchId(), c.keyword, c.page, c.suffix);
    const auto hits = ReadSearchPage(Utf8BytesToText(WinHttpFetch(address)));
    const auto expected = test::DemoSite::Lines(
        site_->Get(test::OracleSearchPath(c.keyword, c.page, c.suffix)));
    ASSERT_EQ(hits.size(), expected.size()) << c.name;
    for (std::size_t k = 0; k < hits.size(); ++k) {
      const auto f = test::DemoSite::Fields(expected[k]);
      EXPECT_EQ(hits[k].address, f.at(0)) << c.name;
      EXPECT_EQ(hits[k].title, Utf8BytesToText(f.at(1))) << c.name;
      EXPECT_EQ(hits[k].source, Utf8BytesToText(f.at(2))) << c.name;
      EXPECT_FALSE(hits[k].title.empty()) << c.name;
    }
    hitsSeen += static_cast<int>(hits.size());
  }
  EXPECT_GT(hitsSeen, 40);
}

TEST_F(DemoSitePages, TimeFiltersKeepFewerListings) {
  auto count = [](const Text& suffix) {
    int n = 0;
    for (int p = 1; p <= 4; ++p) {
      n += static_cast<int>(
          test::DemoSite::Lines(site_->Get(test::OracleSearchPath("宝妈", p, suffix))).size());
    }
    return n;
  };
  const int day = count("&sti=1440&nsid=0&entry=1");
  const int week = count("&sti=10080&nsid=0");
  const int all = count("&nsid=0");
  EXPECT_LT(day, week);
  EXPECT_LT(week, all);
  EXPECT_GE(all, 20);
}

TEST_F(DemoSitePages, DetailPagesGiveEveryFieldAndTheMixOfARealSite) {
  int gone = 0, withoutId = 0, withoutQr = 0, withoutRegion = 0, spacedRegion = 0;
  std::set<Text> regions;
  int regionRows = 0;
  for (int id = 1; id <= kListings; ++id) {
    const std::string url = "http://" + site_->Host() + "/qun/" + std::to_string(id) + ".html";
    const DetailFields f = ReadDetailPage(Utf8BytesToText(WinInetFetch(url)));
    const test::ExpectedDetail e = test::ExpectDetail(*site_, url);
    ASSERT_EQ(f.gone, e.gone) << url;
    const Text got[7] = {f.description, f.industry, f.time, f.region,
                         f.tags,        f.wechatId, f.qrAddress};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(got[c], e.cells[static_cast<std::size_t>(c)]) << url << " column " << c + 4;
    if (e.gone) {
      ++gone;
      continue;
    }
    // Fields every listing has must really be there.
    EXPECT_FALSE(f.description.empty()) << url;
    EXPECT_FALSE(f.industry.empty()) << url;
    EXPECT_FALSE(f.time.empty()) << url;
    EXPECT_FALSE(f.tags.empty()) << url;
    withoutId += f.wechatId == "无";
    withoutQr += f.qrAddress.empty();
    withoutRegion += f.region.empty();
    spacedRegion += f.region.find(' ') != Text::npos;
    if (!f.region.empty()) {
      regions.insert(f.region);
      ++regionRows;
    }
  }
  EXPECT_GT(gone, 0);
  EXPECT_GT(withoutId, 0);
  EXPECT_GT(withoutQr, 0);
  EXPECT_GT(withoutRegion, 0);
  EXPECT_GT(spacedRegion, 0);
  EXPECT_LT(regions.size(), static_cast<std::size_t>(regionRows));  // regions repeat
}

TEST_F(DemoSitePages, QrImagesAreGifs) {
  const Bytes gif = WinInetFetch("http://" + site_->Host() + "/qr/7.gif");
  ASSERT_GT(gif.size(), 100u);
  EXPECT_EQ(gif.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif.back(), ';');
  EXPECT_EQ(gif, WinInetFetch("http://" + site_->Host() + "/qr/7.gif"));
  EXPECT_NE(gif, WinInetFetch("http://" + site_->Host() + "/qr/8.gif"));
}

}  // namespace
}  // namespace qrh
