#include "harvest/site_endpoint.h"

#include <cstdlib>

#include "text/text_rules.h"
#include "web/url_encoding.h"

#ifndef QRH_SITE_HOST
#define QRH_SITE_HOST "127.0.0.1:8080"
#endif
#ifndef QRH_SITE_SEARCH_ID
#define QRH_SITE_SEARCH_ID "1234567890123456789"
#endif

namespace qrh {

Text SiteHost() {
  const char* fromEnvironment = std::getenv("QRHARVEST_SITE");
  if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
  return QRH_SITE_HOST;
}

Text SiteSearchId() { return QRH_SITE_SEARCH_ID; }

Text SearchBaseAddress(const Text& host) { return "http://" + host + kSearchPath; }

Text TimeFilterSuffix(Controls& controls) {
  struct Filter {
    const char* button;
    const char* suffix;
  };
  static const Filter kFilters[] = {
      {"单选框_一个月内", "&sti=43200&nsid=0"},
      {"单选框_一周内", "&sti=10080&nsid=0"},
      {"单选框_一天内", "&sti=1440&nsid=0&entry=1"},
      {"单选框_全部时间", "&nsid=0"},
  };
  for (const Filter& filter : kFilters) {
    if (controls.IsChecked(filter.button)) return filter.suffix;
  }
  return "&nsid=0";
}

Text SearchAddress(const Text& host, const Text& searchId, const Text& keyword, int page,
                   const Text& timeFilterSuffix) {
  return SearchBaseAddress(host) + "?q=" + UrlEncodeText(keyword, true, true) +
         "&p=" + IntToText(page) + "&s=" + searchId + timeFilterSuffix;
}

}  // namespace qrh
