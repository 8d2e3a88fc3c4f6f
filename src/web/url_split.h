// Splitting an address into host, port and path, and trimming blanks.
#pragma once

#include "text/text.h"

namespace qrh {

// The host of the address, lower-cased (ASCII letters only). Without keepPort
// the part from its first ":" on is cut; with it, a ":port" stays.
Text UrlHost(const Text& url, bool keepPort = false);

// The port written after the host, or 443 for an address starting "https"
// (any case) and 80 otherwise. An unreadable port gives 0.
int UrlPort(const Text& url);

// The rest of the address from the first "/" after the host, letter case and
// query kept; "/" when there is none.
Text UrlPath(const Text& url);

// Removes leading and trailing ASCII spaces of `text` in place and returns a
// copy of the result.
Text RemoveBlanks(Text& text);

}  // namespace qrh
