// Which QR image addresses the download window takes from the table.
#include <gtest/gtest.h>

#include <string>

#include "export/download_links.h"
#include "support/recording_controls.h"

namespace qrh::test {
namespace {

struct Row {
  Text source;  // column 3 "来自"
  Text region;  // column 7 "地区"
  Text image;   // column 10 "二维码图片"
};

// Rows 1 to 8 of every case, addresses "qN" for row N.
const Row kRows[] = {
    {"微信群", "上海", "q1"},
    {"个人微信", "北京", "q2"},
    {"来自微信群频道", "上海", "q3"},       // "微信群" inside a longer text
    {"个人微信号", "", "q4"},               // "个人微信" inside a longer text
    {"微信群", "文章已经删除", "文章已经删除"},  // a deleted listing
    {"公众号", "广州", ""},                 // no image address
    {"微信群", "上海", "q1"},               // the same address again
    {"微信", "上海市", "q8"},               // neither kind; a longer region
};

struct Case {
  const char* name;
  const char* checked;  // the image choice, or nullptr for none
  int regionSelection;  // selection of "组合框2" (items 上海, 北京)
  TextArray links;
};

const Case kCases[] = {
    {"AllSkipsOnlyDeleted", "单选框2", -1, {"q1", "q2", "q3", "q4", "", "q1", "q8"}},
    {"GroupBySubstring", "单选框_微信群", -1, {"q1", "q3", "q1"}},
    {"PersonalBySubstring", "单选框_个人微信", -1, {"q2", "q4"}},
    {"RegionByEquality", "单选框_地区", 0, {"q1", "q3", "q1"}},
    {"NoRegionSelectedTakesEmptyRegions", "单选框_地区", -1, {"q4"}},
    {"NoChoice", nullptr, 0, {}},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class DownloadLinks : public ::testing::TestWithParam<Case> {};

TEST_P(DownloadLinks, FollowsTheChosenFilter) {
  const Case& c = GetParam();
  RecordingControls window;
  window.SetChecked("单选框1", false);
  if (c.checked != nullptr) window.CheckRadio(c.checked);
  window.SetItems("组合框2", {"上海", "北京"}, c.regionSelection);
  for (const Row& r : kRows) {
    const int row = window.AppendRow();
    window.SetCell(row, 3, r.source);
    window.SetCell(row, 7, r.region);
    window.SetCell(row, 10, r.image);
  }
  TextArray links = {"left over from the last opening"};

  EXPECT_EQ(SelectDownloadLinks(window, links), c.links.size());
  EXPECT_EQ(links, c.links);
}

INSTANTIATE_TEST_SUITE_P(Filters, DownloadLinks, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DownloadLinks, FirstCheckedImageChoiceDecides) {
  RecordingControls window;
  window.SetChecked("单选框_个人微信", true);
  window.SetChecked("单选框_微信群", true);
  EXPECT_EQ(ReadDownloadFilter(window), DownloadFilter::kGroup);
  window.SetChecked("单选框2", true);
  EXPECT_EQ(ReadDownloadFilter(window), DownloadFilter::kAll);
}

TEST(DownloadLinks, CountText) {
  EXPECT_EQ(LinkCountText(0), "共计：0个有效二维码链接");
  EXPECT_EQ(LinkCountText(12), "共计：12个有效二维码链接");
}

}  // namespace
}  // namespace qrh::test
