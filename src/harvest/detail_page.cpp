#include "harvest/detail_page.h"

#include <string>
#include <vector>

#include "text/regex_object.h"
#include "text/text_rules.h"
#include "text/text_slicing.h"
#include "web/url_split.h"

namespace qrh {
namespace {

Text S(int count) { return Text(static_cast<std::size_t>(count), ' '); }

const Text& DescriptionPattern() {
  static const Text p =
      "<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">"
      ".*?([\\s\\S]*?).*?<i class=\"wxqicon_1 weixinqunICON\">\n";
  return p;
}
const Text& IndustryPattern() {
  static const Text p = "/.*?&amp;t=.*?\">\n" + S(44) + "(.*?)\n" + S(40) + "</a>";
  return p;
}
const Text& TimePattern() {
  static const Text p = "时间：\n" + S(44) + "(.*?)\n" + S(36) + "</li>\n";
  return p;
}
const Text& RegionPattern() {
  static const Text p = "地区：\n" + S(40) + "<a href=\".*?&amp;m=.*?\">\n" + S(44) +
                        "(.*?)\n" + S(40) + "</a>\n";
  return p;
}
const Text& TagsPattern() {
  static const Text p = "标签：\n" + S(40) + "\n" + S(40) + "\n" + S(40) + "<a href=\"\">\n" +
                        S(44) + "(.*?)\n" + S(40) + "</a>";
  return p;
}
const Text& WechatIdPattern() {
  static const Text p =
      "微信号：\n" + S(40) + "</span>\n" + S(40) +
      "<span class=\"des_info_text2\" style=\"width:340px;color:#8ec31f;\">\n" + S(43) +
      "(.*?)\n" + S(40) + "</span>\n" + S(36) + "\n" + S(32) + "</li>";
  return p;
}

const char* const kQrBlockStart = "<!--<span class=\"expired\" style=\"display: none;\"></span>-->";
const char* const kQrBlockEnd = "<!--<div class=\"tool\">";

Text FirstGroup(RegexObject& regex, const Text& pattern, const Text& page) {
  regex.Search(pattern, page);
  return regex.SubMatchText(1, 1);
}

}  // namespace

const char* const kGoneMarker = "获得更多金币秘籍";
const char* const kGoneText = "文章已经删除";
const char* const kNoWechatId = "无";

DetailFields ReadDetailPage(const Text& page) {
  DetailFields fields;
  if (FindText(page, kGoneMarker) > 0) {
    fields.gone = true;
    fields.description = fields.industry = fields.time = fields.region = fields.tags =
        fields.wechatId = fields.qrAddress = kGoneText;
    return fields;
  }
  RegexObject regex;
  Text description = FirstGroup(regex, DescriptionPattern(), page);
  RemoveBlanks(description);
  static const std::vector<FindReplace> kDescriptionPairs = {
      {S(40), ""},
      {"</span>", ""},
      {"</li>", ""},
      {"<ul class=\"other-info\">", ""},
      {"<li style=\"width:185px;\">", ""},
  };
  fields.description = ReplaceMany(description, kDescriptionPairs);
  fields.industry = FirstGroup(regex, IndustryPattern(), page);
  fields.time = FirstGroup(regex, TimePattern(), page);
  fields.region = FirstGroup(regex, RegionPattern(), page);
  fields.tags = FirstGroup(regex, TagsPattern(), page);
  fields.wechatId = FirstGroup(regex, WechatIdPattern(), page);
  if (fields.wechatId.empty()) fields.wechatId = kNoWechatId;
  const Text qrBlock = TextBetween(page, kQrBlockStart, kQrBlockEnd);
  fields.qrAddress = TextBetween(qrBlock, "<img src=\"", "\"");
  return fields;
}

}  // namespace qrh
