// The pages of the demo directory site, in the layout of the real directory:
// search result pages with CR LF line ends, detail pages with LF line ends
// and their fixed runs of indentation.
#pragma once

#include <string>
#include <vector>

#include "listings.h"

namespace demo {

// A search result page: the hits of one page, or a "no result" page.
std::string SearchPage(const std::string& host, const std::string& keyword,
                       const std::vector<const Listing*>& hits, int page);

// The detail page of a listing; a listing that is gone gets the site's
// deleted-listing page.
std::string DetailPage(const std::string& host, const Listing& listing);

// The start page with a search form.
std::string IndexPage(int listingCount);

// What a correct reading of the pages yields, for the tests: one line per hit
// of a search page ("URL \t title \t source"), and one line per listing
// ("gone \t description \t industry \t time \t region \t tags \t id \t QR address",
// line feeds inside a field written as "\n").
std::string SearchOracle(const std::string& host, const std::string& keyword,
                         const std::vector<const Listing*>& hits, int page);
std::string DetailOracle(const std::string& host, const Listing& listing);

std::string DetailUrl(const std::string& host, int id);
std::string QrUrl(const std::string& host, int id);

}  // namespace demo
