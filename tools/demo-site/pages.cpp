#include "pages.h"

#include <algorithm>

namespace demo {
namespace {

std::string Spaces(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Title(const Listing& l, const std::string& keyword) {
  return l.city + "<em>" + Escape(keyword) + "</em>" + l.suffix;
}

// The title as the operator should see it: no highlighting, no quotes, no
// question marks, no spaces at the ends.
std::string CleanTitle(const Listing& l, const std::string& keyword) {
  std::string out;
  for (char c : l.city + Escape(keyword) + l.suffix) {
    if (c != '"' && c != '?') out += c;
  }
  const auto first = out.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string Field(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

int FirstHit(int page) { return (std::max(page, 1) - 1) * kHitsPerPage; }

}  // namespace

std::string DetailUrl(const std::string& host, int id) {
  return "http://" + host + "/qun/" + std::to_string(id) + ".html";
}

std::string QrUrl(const std::string& host, int id) {
  return "http://" + host + "/qr/" + std::to_string(id) + ".gif";
}

std::string SearchPage(const std::string& host, const std::string& keyword,
                       const std::vector<const Listing*>& hits, int page) {
  const std::string nl = "\r\n";
  std::string s = "<!DOCTYPE html>" + nl + "<html>" + nl + "<head>" + nl +
                  "<meta charset=\"utf-8\">" + nl + "<title>" + Escape(keyword) +
                  " - 站内搜索</title>" + nl + "</head>" + nl + "<body>" + nl +
                  "<div id=\"results\">" + nl;
  const int first = FirstHit(page);
  int shown = 0;
  for (int i = first; i < static_cast<int>(hits.size()) && i < first + kHitsPerPage; ++i) {
    const Listing& l = *hits[static_cast<std::size_t>(i)];
    s += "<div class=\"result f s0\">" + nl + "<h3 class=\"c-title\">" + nl;
    s += "<a rpos=\"\" cpos=\"title\" href=\"" + DetailUrl(host, l.id) +
         "\" target=\"_blank\">" + nl;
    s += Title(l, keyword) + nl;
    s += "</a>" + nl + "</h3>" + nl;
    s += "<div class=\"c-abstract\">" + Escape(l.description.front()) + "</div>" + nl;
    s += "<div class=\"c-showurl\"><span>来自：" + l.source + "</span> " + l.date +
         "</div>" + nl + "</div>" + nl;
    ++shown;
  }
  if (shown == 0) s += "<div class=\"noresult\">抱歉，没有找到与“" + Escape(keyword) +
                       "”相关的结果。</div>" + nl;
  s += "</div>" + nl;
  const int pages = (static_cast<int>(hits.size()) + kHitsPerPage - 1) / kHitsPerPage;
  if (pages > 0) {
    s += "<div id=\"page\">";
    for (int p = 1; p <= pages; ++p) s += "<span>" + std::to_string(p) + "</span>";
    s += "</div>" + nl;
  }
  s += "</body>" + nl + "</html>" + nl;
  return s;
}

std::string DetailPage(const std::string& host, const Listing& l) {
  std::string s = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                  l.city + l.suffix + " - 微信群导航</title>\n</head>\n<body>\n";
  if (l.gone) {
    s += "<div class=\"notice\">\n    <p>该信息已被删除或过期。</p>\n"
         "    <p><a href=\"/\">返回首页</a>，获得更多金币秘籍</p>\n</div>\n</body>\n</html>\n";
    return s;
  }
  s += "<div class=\"des_info\">\n";
  s += "<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">";
  if (l.descriptionIndented) s += "  ";
  for (std::size_t i = 0; i < l.description.size(); ++i) {
    if (i > 0) s += "\n" + Spaces(40);
    s += l.description[i];
  }
  s += "</span></li>\n" + Spaces(40) +
       "<ul class=\"other-info\"><li style=\"width:185px;\"><i class=\"wxqicon_1 "
       "weixinqunICON\">\n";
  s += Spaces(36) + "<li>行业：\n" + Spaces(40) + "<a href=\"/list.php?c=qun&amp;t=" +
       std::to_string(l.industryId) + "\">\n" + Spaces(44) + l.industry + "\n" + Spaces(40) +
       "</a>\n" + Spaces(36) + "</li>\n";
  s += Spaces(36) + "<li>时间：\n" + Spaces(44) + l.date + "\n" + Spaces(36) + "</li>\n";
  if (l.hasRegion) {
    s += Spaces(36) + "<li>地区：\n" + Spaces(40) + "<a href=\"/list.php?c=qun&amp;m=" +
         std::to_string(l.regionId) + "\">\n" + Spaces(44) + l.region + "\n" + Spaces(40) +
         "</a>\n" + Spaces(36) + "</li>\n";
  }
  s += Spaces(36) + "<li>标签：\n" + Spaces(40) + "\n" + Spaces(40) + "\n" + Spaces(40) +
       "<a href=\"\">\n" + Spaces(44) + l.tags + "\n" + Spaces(40) + "</a>\n" + Spaces(36) +
       "</li>\n";
  if (l.hasIdBlock) {
    s += Spaces(36) + "<li><span class=\"des_info_text1\">微信号：\n" + Spaces(40) +
         "</span>\n" + Spaces(40) +
         "<span class=\"des_info_text2\" style=\"width:340px;color:#8ec31f;\">\n" +
         Spaces(43) + l.wechatId + "\n" + Spaces(40) + "</span>\n" + Spaces(36) + "\n" +
         Spaces(32) + "</li>\n";
  }
  s += "</ul>\n</div>\n<div class=\"qrcode\">\n";
  if (l.hasQrBlock) s += "<!--<span class=\"expired\" style=\"display: none;\"></span>-->\n";
  s += "<img src=\"" + QrUrl(host, l.id) + "\" alt=\"二维码\" width=\"132\" height=\"132\">\n";
  s += "</div>\n<!--<div class=\"tool\">\n<a href=\"#\">举报</a>\n</div>-->\n";
  s += "</body>\n</html>\n";
  return s;
}

std::string IndexPage(int listingCount) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>微信群导航（演示站）</title>\n</head>\n<body>\n"
         "<h1>微信群导航（演示站）</h1>\n<p>共收录 " +
         std::to_string(listingCount) +
         " 条信息。</p>\n<form action=\"/cse/search\" method=\"get\">\n"
         "<input name=\"q\"><input type=\"hidden\" name=\"s\" value=\"0\">\n"
         "<button type=\"submit\">搜索</button>\n</form>\n</body>\n</html>\n";
}

std::string SearchOracle(const std::string& host, const std::string& keyword,
                         const std::vector<const Listing*>& hits, int page) {
  std::string s;
  const int first = FirstHit(page);
  for (int i = first; i < static_cast<int>(hits.size()) && i < first + kHitsPerPage; ++i) {
    const Listing& l = *hits[static_cast<std::size_t>(i)];
    s += DetailUrl(host, l.id) + "\t" + Field(CleanTitle(l, keyword)) + "\t" + l.source + "\n";
  }
  return s;
}

std::string DetailOracle(const std::string& host, const Listing& l) {
  std::string description;
  for (const std::string& line : l.description) description += line + "\n";
  return std::string(l.gone ? "1" : "0") + "\t" + Field(description) + "\t" + l.industry +
         "\t" + l.date + "\t" + (l.hasRegion ? l.region : "") + "\t" + l.tags + "\t" +
         (l.hasIdBlock ? l.wechatId : "") + "\t" + (l.hasQrBlock ? QrUrl(host, l.id) : "") +
         "\n";
}

}  // namespace demo
