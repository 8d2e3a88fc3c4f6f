// The directory site's search endpoint: where the harvest sends its searches.
//
// Host and site-search identifier are compiled in (CMake cache variables
// QRH_SITE_HOST and QRH_SITE_SEARCH_ID). The environment variable
// QRHARVEST_SITE, host or host:port, overrides the host at run time. The
// defaults point at the local demo site; a build for a real directory gives
//   cmake -DQRH_SITE_HOST=<host> -DQRH_SITE_SEARCH_ID=<19 digits> ...
#pragma once

#include "text/controls.h"
#include "text/text.h"

namespace qrh {

inline constexpr char kSearchPath[] = "/cse/search";

// The host to search: QRHARVEST_SITE when set and not empty, else the
// compiled-in host. Reads the environment on every call.
Text SiteHost();

// The 19-digit site-search identifier sent as the key "s".
Text SiteSearchId();

// "http://" + host + "/cse/search".
Text SearchBaseAddress(const Text& host);

// The query suffix of the time filter: the first checked of
// 单选框_一个月内, 单选框_一周内, 单选框_一天内, 单选框_全部时间, in that
// order; "&nsid=0" when none is checked.
Text TimeFilterSuffix(Controls& controls);

// The search address of a keyword's page (the first page is 1).
Text SearchAddress(const Text& host, const Text& searchId, const Text& keyword, int page,
                   const Text& timeFilterSuffix);

}  // namespace qrh
