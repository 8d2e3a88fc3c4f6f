// Reading the fields of one listing's detail page.
#pragma once

#include "text/text.h"

namespace qrh {

// Found anywhere in the page: the listing has been deleted.
extern const char* const kGoneMarker;
// Written into columns 4 to 10 of a listing that is gone.
extern const char* const kGoneText;
// Written into column 9 when the page gives no WeChat id.
extern const char* const kNoWechatId;

struct DetailFields {
  bool gone = false;
  Text description;  // column 4
  Text industry;     // column 5
  Text time;         // column 6
  Text region;       // column 7
  Text tags;         // column 8
  Text wechatId;     // column 9, kNoWechatId when the page has none
  Text qrAddress;    // column 10
};

// Cuts the fields out of a detail page with the site's fixed patterns and
// markers; whatever they do not find is an empty text. A gone page gives
// gone = true and kGoneText in every field.
DetailFields ReadDetailPage(const Text& pageText);

}  // namespace qrh
