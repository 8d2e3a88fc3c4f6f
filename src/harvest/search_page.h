// Reading the hits of one search result page.
#pragma once

#include <vector>

#include "text/text.h"

namespace qrh {

// The pattern of one hit: group 1 the detail address, group 2 the title.
extern const char* const kHitPattern;
// The pattern of one hit's source: group 1 the kind of listing.
extern const char* const kSourcePattern;

struct SearchHit {
  Text address;  // the detail page, as the hit gives it
  Text title;    // cleaned: no highlighting, quotes or question marks, trimmed
  Text source;   // empty when the page has fewer sources than hits
};

// The title of a hit without its highlighting, double quotes and question
// marks, and without spaces at its two ends.
Text CleanTitle(const Text& rawTitle);

// Every hit of a search page, in page order; hits and sources are paired by
// their number on the page.
std::vector<SearchHit> ReadSearchPage(const Text& pageText);

}  // namespace qrh
