// Header-block work both request routines share: the default request lines
// and the cookies a response sets.
#pragma once

#include "text/text.h"

namespace qrh {

// The agent both routines announce unless the caller names another.
inline constexpr char kDefaultUserAgent[] = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Appends the default lines the block lacks, each test a case-sensitive
// search anywhere in the block: "Accept: */*" (the whole block when it is
// empty), "Referer: " + url, "Accept-Language: zh-cn", with withUserAgent the
// default User-Agent, and "Content-Type: application/x-www-form-urlencoded".
void CompleteRequestHeaders(Text& block, const Text& url, bool withUserAgent);

// The request verb of a method number: 1 POST, 2 HEAD, anything else GET.
const char* RequestVerb(int method);

// The lines of a block: split at "\r\n", empty pieces skipped.
TextArray HeaderBlockLines(const Text& block);

// The block with every "Set-Cookie" (any letter case) written "Set-Cookie".
Text UnifySetCookie(const Text& headers);

// The name=value parts of every Set-Cookie line of a unified response block,
// joined by "; "; empty when there is none.
Text CollectReturnedCookies(const Text& headers);

}  // namespace qrh
