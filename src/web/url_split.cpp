#include "web/url_split.h"

#include "text/text_rules.h"
#include "text/text_slicing.h"

namespace qrh {

Text UrlHost(const Text& url, bool keepPort) {
  Text address = ToLowerAscii(url);
  if (address.empty() || address.back() != '/') address += '/';
  Text marker = "https://";
  if (address.compare(0, marker.size(), marker) != 0) {
    marker = "http://";
    if (FindText(address, marker) == -1) address = marker + address;
  }
  Text host = TextBetween(address, marker, "/");
  if (!keepPort) {
    const int colon = FindText(host, ":");
    if (colon != -1) host.resize(static_cast<std::size_t>(colon - 1));
  }
  return host;
}

int UrlPort(const Text& url) {
  const Text host = UrlHost(url, true);
  const std::size_t colon = host.rfind(':');
  if (colon != Text::npos) return TextToInt(host.substr(colon + 1));
  return ToLowerAscii(url.substr(0, 5)) == "https" ? 443 : 80;
}

Text UrlPath(const Text& url) {
  const Text host = UrlHost(url, false);
  int at = FindText(url, host, 1, true);
  if (at == -1) at = 1;  // an empty host is found at the start
  const int slash = FindText(url, "/", at);
  if (slash == -1) return "/";
  return url.substr(static_cast<std::size_t>(slash - 1));
}

Text RemoveBlanks(Text& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == Text::npos) {
    text.clear();
  } else {
    text.erase(text.find_last_not_of(' ') + 1);
    text.erase(0, first);
  }
  return text;
}

}  // namespace qrh
