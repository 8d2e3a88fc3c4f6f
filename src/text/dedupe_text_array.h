// Removal of repeated values from a text array and an integer array.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

namespace qrh {

// Removes, in place, every value that occurs again later in the same array:
// of each group of equal values the last stays, and the values that stay keep
// their order (p, q, p, r, q becomes p, r, q). Values are equal when their
// bytes are equal (letter case and spaces count). A value that cannot be part
// of an XML name ("a" followed by the value; a space, a tab and most
// punctuation are not allowed) is never found to repeat and always stays.
// Integers are compared by their decimal text. Each array given is worked on
// its own. Returns the size of numbers when given, else of texts when given,
// else -1 (and does nothing).
int DedupeTextArray(TextArray* texts, std::vector<std::int32_t>* numbers = nullptr);

}  // namespace qrh
