// Reading search and detail pages, and building search addresses.
#include <gtest/gtest.h>

#include "harvest/detail_page.h"
#include "harvest/search_page.h"
#include "harvest/site_endpoint.h"
#include "support/recording_controls.h"

namespace qrh {
namespace {

Text Spaces(int n) { return Text(static_cast<std::size_t>(n), ' '); }

TEST(CleanTitle, RemovesHighlightQuotesQuestionMarksAndEndSpaces) {
  struct Case {
    const char* name;
    Text raw;
    Text clean;
  };
  const Case cases[] = {
      {"highlight and trailing space", "深圳<em>宝妈</em>交流群 ", "深圳宝妈交流群"},
      {"upper-case tags", "<EM>读书</EM>会", "读书会"},
      {"quotes and question marks anywhere", "\"北京\"?读书?群", "北京读书群"},
      {"stray em> left by a broken tag", "a<em>bem>c", "abc"},
      {"full-width spaces at the ends", "\xA1\xA1群\xA1\xA1", "群"},
      {"tab stays", "\t群", "\t群"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanTitle(c.raw), c.clean) << c.name;
}

TEST(ReadSearchPage, PairsHitsAndSourcesByNumber) {
  Text page = "<html>\r\n";
  for (int k = 1; k <= 10; ++k) {
    page += "<a rpos=\"\" cpos=\"title\" href=\"http://x/qun/" + std::to_string(k) +
            ".html\" target=\"_blank\">\r\n<em>t</em>" + std::to_string(k) + " \r\n</a>\r\n";
    if (k < 10) page += "<span>来自：微信群" + std::to_string(k) + "</span>\r\n";
  }
  const auto hits = ReadSearchPage(page);
  ASSERT_EQ(hits.size(), 10u);
  EXPECT_EQ(hits[0].address, "http://x/qun/1.html");
  EXPECT_EQ(hits[0].title, "t1");
  EXPECT_EQ(hits[8].source, "微信群9");
  EXPECT_EQ(hits[9].title, "t10");
  EXPECT_EQ(hits[9].source, "");
}

TEST(SearchAddress, KeysAndTimeFilters) {
  struct Case {
    const char* name;
    const char* checked;
    Text keyword;
    int page;
    Text expected;
  };
  const Text base = "http://h:1/cse/search?q=";
  const Case cases[] = {
      {"any time ends with nsid", "单选框_全部时间", "ab", 1,
       base + "ab&p=1&s=1234567890123456789&nsid=0"},
      {"one day, second page", "单选框_一天内", "a b", 2,
       base + "a%20b&p=2&s=1234567890123456789&sti=1440&nsid=0&entry=1"},
      {"one week", "单选框_一周内", "x-y.z", 1,
       base + "x-y.z&p=1&s=1234567890123456789&sti=10080&nsid=0"},
      {"one month, Chinese keyword as UTF-8", "单选框_一个月内", "群", 3,
       base + "%E7%BE%A4&p=3&s=1234567890123456789&sti=43200&nsid=0"},
      {"empty keyword", "单选框_全部时间", "", 1, base + "&p=1&s=1234567890123456789&nsid=0"},
  };
  for (const Case& c : cases) {
    test::RecordingControls controls;
    controls.CheckRadio(c.checked);
    EXPECT_EQ(SearchAddress("h:1", "1234567890123456789", c.keyword, c.page,
                            TimeFilterSuffix(controls)),
              c.expected)
        << c.name;
  }
}

TEST(TimeFilterSuffix, MonthWinsWhenSeveralAreChecked) {
  test::RecordingControls controls;
  controls.SetChecked("单选框_一天内", true);
  controls.SetChecked("单选框_一个月内", true);
  EXPECT_EQ(TimeFilterSuffix(controls), "&sti=43200&nsid=0");
}

TEST(SiteHost, EnvironmentOverridesTheCompiledHost) {
  unsetenv("QRHARVEST_SITE");
  const Text compiled = SiteHost();
  EXPECT_FALSE(compiled.empty());
  setenv("QRHARVEST_SITE", "127.0.0.1:9", 1);
  EXPECT_EQ(SiteHost(), "127.0.0.1:9");
  unsetenv("QRHARVEST_SITE");
  EXPECT_EQ(SiteSearchId().size(), 19u);
}

// A detail page in the site's layout; pieces can be left out.
struct DetailLayout {
  Text description = "群介绍";
  bool withId = true;
  Text wechatId = "wx_1";
  bool withExpiredMarker = true;
};

Text DetailHtml(const DetailLayout& l) {
  Text s = "<html>\n<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">" +
           l.description + "</span></li>\n" + Spaces(40) +
           "<ul class=\"other-info\"><li style=\"width:185px;\"><i class=\"wxqicon_1 "
           "weixinqunICON\">\n";
  s += "<li>行业：\n<a href=\"/l?c=1&amp;t=2\">\n" + Spaces(44) + "教育\n" + Spaces(40) + "</a>\n";
  s += "<li>时间：\n" + Spaces(44) + "2024-05-01\n" + Spaces(36) + "</li>\n";
  s += "<li>地区：\n" + Spaces(40) + "<a href=\"/l?c=1&amp;m=3\">\n" + Spaces(44) + "广东 深圳\n" +
       Spaces(40) + "</a>\n";
  s += "<li>标签：\n" + Spaces(40) + "\n" + Spaces(40) + "\n" + Spaces(40) + "<a href=\"\">\n" +
       Spaces(44) + "交友\n" + Spaces(40) + "</a>\n";
  if (l.withId) {
    s += "微信号：\n" + Spaces(40) + "</span>\n" + Spaces(40) +
         "<span class=\"des_info_text2\" style=\"width:340px;color:#8ec31f;\">\n" + Spaces(43) +
         l.wechatId + "\n" + Spaces(40) + "</span>\n" + Spaces(36) + "\n" + Spaces(32) + "</li>\n";
  }
  if (l.withExpiredMarker) s += "<!--<span class=\"expired\" style=\"display: none;\"></span>-->\n";
  s += "<img src=\"http://x/qr/1.gif\" alt=\"\">\n<!--<div class=\"tool\">\n";
  return s;
}

TEST(ReadDetailPage, EveryField) {
  const DetailFields f = ReadDetailPage(DetailHtml({}));
  EXPECT_FALSE(f.gone);
  EXPECT_EQ(f.description, "群介绍\n");
  EXPECT_EQ(f.industry, "教育");
  EXPECT_EQ(f.time, "2024-05-01");
  EXPECT_EQ(f.region, "广东 深圳");
  EXPECT_EQ(f.tags, "交友");
  EXPECT_EQ(f.wechatId, "wx_1");
  EXPECT_EQ(f.qrAddress, "http://x/qr/1.gif");
}

TEST(ReadDetailPage, MissingPieces) {
  struct Case {
    const char* name;
    DetailLayout layout;
    Text description, wechatId, qrAddress;
  };
  DetailLayout noId;
  noId.withId = false;
  DetailLayout emptyId;
  emptyId.wechatId = "";
  DetailLayout noMarker;
  noMarker.withExpiredMarker = false;
  DetailLayout spaces;
  // Spaces at both ends go; a run of 44 inside loses 40; line feeds stay.
  spaces.description = "  a" + Spaces(44) + "b\n" + Spaces(40) + "c  ";
  const Case cases[] = {
      {"no id block", noId, "群介绍\n", "无", "http://x/qr/1.gif"},
      {"empty id", emptyId, "群介绍\n", "无", "http://x/qr/1.gif"},
      {"image outside the marked block", noMarker, "群介绍\n", "wx_1", ""},
      {"description spaces", spaces, "a    b\nc  \n", "wx_1", "http://x/qr/1.gif"},
  };
  for (const Case& c : cases) {
    const DetailFields f = ReadDetailPage(DetailHtml(c.layout));
    EXPECT_EQ(f.description, c.description) << c.name;
    EXPECT_EQ(f.wechatId, c.wechatId) << c.name;
    EXPECT_EQ(f.qrAddress, c.qrAddress) << c.name;
    EXPECT_EQ(f.region, "广东 深圳") << c.name;
  }
}

TEST(ReadDetailPage, GoneListingFillsEveryField) {
  const DetailFields f = ReadDetailPage(DetailHtml({}) + "获得更多金币秘籍");
  EXPECT_TRUE(f.gone);
  for (const Text* t : {&f.description, &f.industry, &f.time, &f.region, &f.tags, &f.wechatId,
                        &f.qrAddress}) {
    EXPECT_EQ(*t, "文章已经删除");
  }
}

TEST(ReadDetailPage, FailedFetchGivesEmptyFieldsAndNoId) {
  const DetailFields f = ReadDetailPage("");
  EXPECT_FALSE(f.gone);
  EXPECT_EQ(f.description, "");
  EXPECT_EQ(f.region, "");
  EXPECT_EQ(f.wechatId, "无");
  EXPECT_EQ(f.qrAddress, "");
}

}  // namespace
}  // namespace qrh
