// The program's own patterns, run over search and detail pages by RegexObject
// and by JavaScript's RegExp (Node.js, flags "gim"): every match and every
// group must agree.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/regex_object.h"

namespace qrh {
namespace {

namespace fs = std::filesystem;

Text S(int count) { return Text(static_cast<std::size_t>(count), ' '); }

struct NamedPattern {
  std::string name;
  Text pattern;
};

// The search-hit and source patterns of the harvest run and the six patterns
// of the detail worker, written out here so that the test holds them as the
// site's layout fixes them.
std::vector<NamedPattern> SystemPatterns() {
  return {
      {"hit", "<a rpos=\"\" cpos=\"title\" href=\"(.*?)\" target=\"_blank\">\r\n(.*?)\r\n.*?</a>\r"},
      {"source", "<span>来自：(.*?)</span>"},
      {"description",
       "<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">"
       ".*?([\\s\\S]*?).*?<i class=\"wxqicon_1 weixinqunICON\">\n"},
      {"industry", "/.*?&amp;t=.*?\">\n" + S(44) + "(.*?)\n" + S(40) + "</a>"},
      {"time", "时间：\n" + S(44) + "(.*?)\n" + S(36) + "</li>\n"},
      {"region", "地区：\n" + S(40) + "<a href=\".*?&amp;m=.*?\">\n" + S(44) + "(.*?)\n" + S(40) +
                     "</a>\n"},
      {"tags", "标签：\n" + S(40) + "\n" + S(40) + "\n" + S(40) + "<a href=\"\">\n" + S(44) +
                   "(.*?)\n" + S(40) + "</a>"},
      {"wechatId", "微信号：\n" + S(40) + "</span>\n" + S(40) +
                       "<span class=\"des_info_text2\" style=\"width:340px;color:#8ec31f;\">\n" +
                       S(43) + "(.*?)\n" + S(40) + "</span>\n" + S(36) + "\n" + S(32) + "</li>"},
  };
}

// One hit of a search result page; lines end in "\r\n".
Text SearchHit(int id, const Text& title, const Text& source, bool capitals) {
  const Text nl = "\r\n";
  Text a = capitals ? "<A RPOS=\"\" CPOS=\"TITLE\" HREF=\"" : "<a rpos=\"\" cpos=\"title\" href=\"";
  Text aEnd = capitals ? "\" TARGET=\"_BLANK\">" : "\" target=\"_blank\">";
  Text s = "<div class=\"result f s0\">" + nl + "<h3 class=\"c-title\">" + nl;
  s += a + "http://qun.example.cn/qun/" + std::to_string(id) + ".html" + aEnd + nl;
  s += title + nl + (capitals ? "</A>" : "</a>") + nl + "</h3>" + nl;
  s += "<div class=\"c-abstract\">本群每日分享/交流，欢迎加入。</div>" + nl;
  if (!source.empty()) {
    s += "<div class=\"c-showurl\">" + Text(capitals ? "<SPAN>" : "<span>") + "来自：" + source +
         (capitals ? "</SPAN>" : "</span>") + " 2024-03-0" + std::to_string(id % 9 + 1) +
         "</div>" + nl;
  }
  s += "</div>" + nl;
  return s;
}

Text SearchPage(bool capitals) {
  const std::vector<Text> titles = {
      "<em>上海</em>宝妈交流群",         "北京<em>二手</em>闲置 ",
      "\"深圳\"程序员？交流",            "广州美食<em>群</em>",
      "ΑΒΓ希腊字母群",                   "杭州 IT 交流群",
      "成都<em>驴友</em>群？",           "weChat Group <EM>Mixed</EM>",
      "　全角空格群　",                   "最后一个群"};
  Text page = "<!DOCTYPE html>\r\n<html>\r\n<body>\r\n<div id=\"results\">\r\n";
  for (std::size_t i = 0; i < titles.size(); ++i) {
    // Ten hits and nine sources: the last hit has none.
    Text source = i + 1 < titles.size() ? (i % 2 == 0 ? "微信群" : "个人号") : "";
    page += SearchHit(static_cast<int>(i) + 1, titles[i], source, capitals);
  }
  page += "</div>\r\n</body>\r\n</html>\r\n";
  return page;
}

struct Listing {
  Text description = "本群为上海宝妈交流群，\n" + S(40) + "每天分享育儿经验。\n" + S(44) +
                     "欢迎加入！";
  Text industry = "母婴育儿";
  Text time = "2024-03-05";
  Text region = "上海";
  Text tags = "宝妈 育儿";
  Text wechatId = "shbm2024";
  bool hasWechatId = true;
};

// The listing part of a detail page; lines end in "\n".
Text DetailBlock(const Listing& l, bool capitals) {
  auto c = [capitals](const char* lower, const char* upper) { return Text(capitals ? upper : lower); };
  Text s = "<div class=\"des_info\">\n";
  s += c("<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">",
         "<SPAN CLASS=\"DES_INFO_TEXT2\" STYLE=\"WIDTH:380PX; MARGIN-LEFT:48PX;\">");
  s += "  " + l.description + c("</span></li>\n", "</SPAN></LI>\n") + S(40);
  s += c("<ul class=\"other-info\"><li style=\"width:185px;\"><i class=\"wxqicon_1 weixinqunICON\">\n",
         "<UL CLASS=\"OTHER-INFO\"><LI STYLE=\"WIDTH:185PX;\"><I CLASS=\"WXQICON_1 WEIXINQUNICON\">\n");
  s += S(36) + "<li>行业：\n" + S(40) + c("<a href=\"/list.php?c=qun&amp;t=3\">\n",
                                          "<A HREF=\"/LIST.PHP?C=QUN&AMP;T=3\">\n") +
       S(44) + l.industry + "\n" + S(40) + c("</a>\n", "</A>\n") + S(36) + "</li>\n";
  s += S(36) + "<li>时间：\n" + S(44) + l.time + "\n" + S(36) + c("</li>\n", "</LI>\n");
  s += S(36) + "<li>地区：\n" + S(40) + c("<a href=\"/list.php?c=qun&amp;m=7\">\n",
                                          "<A HREF=\"/LIST.PHP?C=QUN&AMP;M=7\">\n") +
       S(44) + l.region + "\n" + S(40) + c("</a>\n", "</A>\n") + S(36) + "</li>\n";
  s += S(36) + "<li>标签：\n" + S(40) + "\n" + S(40) + "\n" + S(40) +
       c("<a href=\"\">\n", "<A HREF=\"\">\n") + S(44) + l.tags + "\n" + S(40) +
       c("</a>", "</A>") + "\n" + S(36) + "</li>\n";
  if (l.hasWechatId) {
    s += S(36) + "<li><span class=\"des_info_text1\">微信号：\n" + S(40) + c("</span>\n", "</SPAN>\n") +
         S(40) +
         c("<span class=\"des_info_text2\" style=\"width:340px;color:#8ec31f;\">\n",
           "<SPAN CLASS=\"DES_INFO_TEXT2\" STYLE=\"WIDTH:340PX;COLOR:#8EC31F;\">\n") +
         S(43) + l.wechatId + "\n" + S(40) + c("</span>\n", "</SPAN>\n") + S(36) + "\n" + S(32) +
         c("</li>", "</LI>") + "\n";
  }
  s += "</ul>\n</div>\n<div class=\"qrcode\">\n"
       "<!--<span class=\"expired\" style=\"display: none;\"></span>-->\n"
       "<img src=\"http://qun.example.cn/qr/1.gif\" alt=\"二维码\">\n</div>\n"
       "<!--<div class=\"tool\">\n<a href=\"#\">举报</a>\n</div>-->\n";
  return s;
}

Text DetailPage(const Listing& l, bool capitals) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<title>上海宝妈交流群 - 微信群导航</title>\n</head>\n<body>\n" +
         DetailBlock(l, capitals) + "</body>\n</html>\n";
}

Text NoMatchPage() {
  return "<!DOCTYPE html>\r\n<html>\r\n<body>\r\n<div class=\"noresult\">抱歉，没有找到与“宝妈”相关的结果。"
         "</div>\r\n<p>请换个关键词/再试。</p>\r\n</body>\r\n</html>\r\n";
}

// About 3 MiB: search hits and filler paragraphs, with one listing block
// two thirds of the way down.
Text BigPage() {
  Text page = "<!DOCTYPE html>\r\n<html>\r\n<body>\r\n";
  const std::size_t target = 3 * 1024 * 1024;
  bool detailPlaced = false;
  for (int i = 1; page.size() < target; ++i) {
    page += SearchHit(i, "第" + std::to_string(i) + "个<em>交流</em>群", i % 7 == 0 ? "" : "微信群",
                      i % 5 == 0);
    page += "<p>段落" + std::to_string(i) + "：这里是一些说明文字 / 链接 a/b/c &amp;x=1 时间：无</p>\r\n";
    if (!detailPlaced && page.size() > target * 2 / 3) {
      Listing l;
      l.description = "大页面中的群\n" + S(40) + "第二行";
      page += DetailBlock(l, false);
      detailPlaced = true;
    }
  }
  return page + "</body>\r\n</html>\r\n";
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.push_back("");
  return parts;
}

using MatchList = std::vector<std::vector<std::string>>;  // UTF-8 texts per match

MatchList RegexObjectMatches(const Text& pattern, const Text& page) {
  RegexObject regex;
  EXPECT_TRUE(regex.Search(pattern, page));
  MatchList out;
  for (int k = 1; k <= regex.MatchCount(); ++k) {
    std::vector<std::string> match{AnsiToUtf8(regex.MatchText(k))};
    for (int g = 1; g <= regex.SubMatchCount(); ++g) match.push_back(AnsiToUtf8(regex.SubMatchText(k, g)));
    out.push_back(match);
  }
  return out;
}

MatchList ParseNodeLine(const std::string& line) {
  MatchList out;
  std::size_t bar = line.find('|');
  if (bar == std::string::npos) return out;
  std::size_t count = std::stoul(line.substr(0, bar));
  if (count == 0) return out;
  for (const std::string& match : Split(line.substr(bar + 1), ';')) {
    std::vector<std::string> groups;
    for (const std::string& group : Split(match, ',')) groups.push_back(Unhex(group));
    out.push_back(groups);
  }
  EXPECT_EQ(out.size(), count);
  return out;
}

bool RunCommand(const std::string& command, std::string& output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  return ::pclose(pipe) == 0;
}

std::string FindNode() {
  std::string path;
  if (!RunCommand("command -v node 2>/dev/null", path)) return std::string();
  while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
  return path;
}

struct Page {
  std::string name;
  Text text;
};

class RegexDifferential : public ::testing::Test {
 protected:
  void SetUp() override {
    node_ = FindNode();
    if (node_.empty()) {
      GTEST_SKIP() << "Node.js (node) is not on PATH: the comparison with JavaScript's RegExp "
                      "cannot run on this machine";
    }
    dir_ = fs::temp_directory_path() / ("qrh_regex_diff_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) {
      std::error_code ignored;
      fs::remove_all(dir_, ignored);
    }
  }

  // Runs every pattern over every page in Node.js; result[page][pattern].
  std::vector<std::vector<MatchList>> NodeMatches(const std::vector<NamedPattern>& patterns,
                                                  const std::vector<Page>& pages) {
    std::ofstream patternFile(dir_ / "patterns.txt", std::ios::binary);
    for (const NamedPattern& p : patterns) patternFile << Hex(AnsiToUtf8(p.pattern)) << '\n';
    patternFile.close();
    std::string command = node_ + " " + QRH_TEST_DATA_DIR "/regex/regexp_matches.js " +
                          (dir_ / "patterns.txt").string();
    for (const Page& page : pages) {
      fs::path file = dir_ / (page.name + ".html");
      std::ofstream out(file, std::ios::binary);
      out << AnsiToUtf8(page.text);
      out.close();
      command += " " + file.string();
    }
    std::string output;
    EXPECT_TRUE(RunCommand(command, output)) << command;
    std::vector<std::string> lines = Split(output, '\n');
    std::vector<std::vector<MatchList>> result(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
      for (std::size_t k = 0; k < patterns.size(); ++k) {
        std::size_t line = i * patterns.size() + k;
        result[i].push_back(line < lines.size() ? ParseNodeLine(lines[line]) : MatchList());
      }
    }
    return result;
  }

  // Every pattern over every page by RegexObject: every match and group as
  // Node.js found them.
  static void ExpectAgreement(const std::vector<NamedPattern>& patterns,
                              const std::vector<Page>& pages,
                              const std::vector<std::vector<MatchList>>& expected) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      for (std::size_t k = 0; k < patterns.size(); ++k) {
        SCOPED_TRACE(pages[i].name + " / " + patterns[k].name);
        const MatchList ours = RegexObjectMatches(patterns[k].pattern, pages[i].text);
        const MatchList& theirs = expected[i][k];
        ASSERT_EQ(ours.size(), theirs.size());
        for (std::size_t m = 0; m < ours.size(); ++m) {
          ASSERT_EQ(ours[m], theirs[m]) << "match " << m + 1;
        }
      }
    }
  }

  std::string node_;
  fs::path dir_;
};

TEST_F(RegexDifferential, SystemPatternsAgreeWithJavaScriptRegExp) {
  Listing noId;
  noId.hasWechatId = false;
  const std::vector<Page> pages = {
      {"search_typical", SearchPage(false)},   {"search_capitals", SearchPage(true)},
      {"detail_typical", DetailPage(Listing(), false)},
      {"detail_capitals", DetailPage(Listing(), true)},
      {"detail_without_id", DetailPage(noId, false)},
      {"no_match", NoMatchPage()},              {"big_3mib", BigPage()},
  };
  const std::vector<NamedPattern> patterns = SystemPatterns();
  const auto expected = NodeMatches(patterns, pages);
  ExpectAgreement(patterns, pages, expected);

  // The agreement is not an empty one: the pages hold what they were built with.
  auto count = [&](const char* page, const char* pattern) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      for (std::size_t k = 0; k < patterns.size(); ++k) {
        if (pages[i].name == page && patterns[k].name == pattern) return expected[i][k].size();
      }
    }
    return std::size_t{0};
  };
  EXPECT_EQ(count("search_typical", "hit"), 10u);
  EXPECT_EQ(count("search_typical", "source"), 9u);
  EXPECT_EQ(count("search_capitals", "hit"), 10u);
  EXPECT_EQ(count("search_capitals", "source"), 9u);
  for (const char* field : {"description", "industry", "time", "region", "tags", "wechatId"}) {
    EXPECT_EQ(count("detail_typical", field), 1u) << field;
    EXPECT_EQ(count("detail_capitals", field), 1u) << field;
    EXPECT_EQ(count("big_3mib", field), 1u) << field;
    EXPECT_EQ(count("no_match", field), 0u) << field;
  }
  EXPECT_EQ(count("detail_without_id", "wechatId"), 0u);
  EXPECT_GT(count("big_3mib", "hit"), 5000u);
}

// Other parts of the dialect over the same pages: anchors at the "\r\n" line
// ends of search pages, back references and letters of other scripts
// without regard to case, groups that took no part, look-ahead, empty
// matches.
TEST_F(RegexDifferential, DialectAgreesWithJavaScriptRegExp) {
  const std::vector<Page> pages = {
      {"search_typical", SearchPage(false)},
      {"search_capitals", SearchPage(true)},
      {"detail_typical", DetailPage(Listing(), false)},
      {"no_match", NoMatchPage()},
  };
  const std::vector<NamedPattern> patterns = {
      {"lazyLines", "^(.*?)$"},
      {"greedyLines", "^(.*)$"},
      {"lastWord", "(\\w+)$"},
      {"firstTag", "^<(\\w+)"},
      {"backReference", "<(em)>(.*?)</\\1>"},
      {"greek", "(αβγ)(希腊)?"},
      {"alternatives", "(<em>)|(</em>)|(来自)"},
      {"lookAhead", "[^<>]+(?=</span>)"},
      {"date", "(\\d{4})-(\\d\\d)-(\\d\\d)"},
      {"wordBoundary", "\\bgroup\\b"},
      {"emptyMatches", "(<)?h*"},
      {"crossLines", "<h3[\\s\\S]*?</h3>"},
      {"quotes", "href=\"([^\"]*)\""},
  };
  const auto expected = NodeMatches(patterns, pages);
  ExpectAgreement(patterns, pages, expected);
  EXPECT_GT(expected[0][0].size(), 20u) << "the lines of the search page";
}

// The values themselves, as the harvest reads them with SubMatchText(1, 1).
TEST(RegexSystemPatterns, DetailFieldsOfATypicalPage) {
  const Text page = DetailPage(Listing(), true);
  RegexObject regex;
  std::vector<Text> firstGroups;
  for (const NamedPattern& p : SystemPatterns()) {
    ASSERT_TRUE(regex.Search(p.pattern, page)) << p.name;
    firstGroups.push_back(regex.SubMatchText(1, 1));
  }
  EXPECT_EQ(firstGroups[3], "母婴育儿");
  EXPECT_EQ(firstGroups[4], "2024-03-05");
  EXPECT_EQ(firstGroups[5], "上海");
  EXPECT_EQ(firstGroups[6], "宝妈 育儿");
  EXPECT_EQ(firstGroups[7], "shbm2024");
  EXPECT_NE(firstGroups[2].find("每天分享育儿经验"), Text::npos) << firstGroups[2];

  const Text search = SearchPage(true);
  ASSERT_TRUE(regex.Search(SystemPatterns()[0].pattern, search));
  EXPECT_EQ(regex.SubMatchText(1, 1), "http://qun.example.cn/qun/1.html");
  EXPECT_EQ(regex.SubMatchText(1, 2), "<em>上海</em>宝妈交流群");
}

}  // namespace
}  // namespace qrh
