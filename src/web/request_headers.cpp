#include "web/request_headers.h"

#include "text/text_rules.h"
#include "text/text_slicing.h"

namespace qrh {

void CompleteRequestHeaders(Text& block, const Text& url, bool withUserAgent) {
  auto lacks = [&](const char* name) { return FindText(block, name) == -1; };
  if (block.empty()) {
    block = "Accept: */*";
  } else if (lacks("Accept:")) {
    block += "\r\nAccept: */*";
  }
  if (lacks("Referer:")) block += "\r\nReferer: " + url;
  if (lacks("Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (withUserAgent && lacks("User-Agent:")) block += Text("\r\nUser-Agent: ") + kDefaultUserAgent;
  if (lacks("Content-Type:")) block += "\r\nContent-Type: application/x-www-form-urlencoded";
}

TextArray HeaderBlockLines(const Text& block) {
  TextArray lines;
  for (Text& piece : SplitText(block, "\r\n")) {
    if (!piece.empty()) lines.push_back(std::move(piece));
  }
  return lines;
}

Text UnifySetCookie(const Text& headers) {
  return ReplaceMany(headers, {{"Set-Cookie", "Set-Cookie"}});
}

Text CollectReturnedCookies(const Text& headers) {
  Text cookies;
  for (const Text& line : SplitText(headers, "\r\n")) {
    if (FindText(line, "Set-Cookie") == -1) continue;
    if (FindText(line, ";") != -1) {
      cookies += TrimText(TextBetween(line, "Set-Cookie:", ";"));
    } else {
      cookies += TrimText(ReplaceMany(line, {{"Set-Cookie:", ""}}));
    }
    cookies += "; ";
  }
  if (cookies.size() >= 2) cookies.resize(cookies.size() - 2);
  return cookies;
}

const char* RequestVerb(int method) {
  switch (method) {
    case 1: return "POST";
    case 2: return "HEAD";
    default: return "GET";
  }
}

}  // namespace qrh
