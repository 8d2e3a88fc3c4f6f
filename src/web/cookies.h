// Merging the cookies a response set into the cookie text sent next time.
//
// A cookie text is items separated by ";", each normally name=value. Names
// compare exactly (case-sensitive, byte for byte). The routines use only
// their arguments and may run on any thread at once.
#pragma once

#include "text/text.h"

namespace qrh {

// Removes every ASCII and full-width space from both texts (stored back into
// them) and sets currentCookies to the cookies to send next time: the new
// items in the response's order, then the old items whose name the response
// did not set (the first old item of a name wins), without items ending in
// "=deleted" and without exact repeats, joined by "; ". Returns a copy of the
// new currentCookies.
Text CookieMerge(Text& currentCookies, Text& newCookies);

// The text before the first "=" of an item (the whole item without one),
// trimmed.
Text CookieName(const Text& item);

// Whether some item has the cookie name name.
bool HasCookieName(const TextArray& items, const Text& name);

// text split on separator, later repeats of a piece dropped, joined again.
Text JoinDistinct(const Text& text, const Text& separator);

// 1-based position of the first item equal to text, or -1.
int FindTextInArray(const TextArray& items, const Text& text);

}  // namespace qrh
