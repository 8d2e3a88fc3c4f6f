// Cutting texts by plain substring search, and batch replacement.
//
// All routines follow the text rules (text_rules.h): 1-based byte positions,
// searches that step over two-byte characters whole and never match at a
// second byte, ASCII-only case folding. They are pure and may run on any
// thread at once.
#pragma once

#include <vector>

#include "text/text.h"

namespace qrh {

// Written inside a marker of TextBetween, stands for one double quote, so a
// marker holding a double quote needs no escaping.
inline constexpr char kQuoteMarker[] = "#引号";

// The part of a header line before its first ":", trimmed; empty when the
// line has no colon.
Text HeaderName(const Text& line);

// The part of a header line after its first ":" (later colons included),
// trimmed; empty when the line has no colon. Trimming removes ASCII and
// full-width spaces only, so a tab stays in the value.
Text HeaderValue(const Text& line);

// The text between the first startMarker found at or after startPosition and
// the first endMarker after it; empty when either is not found. kQuoteMarker
// in a marker stands for a double quote. An empty startMarker is found at
// startPosition of a non-empty text; an empty endMarker is never found.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker,
                 int startPosition = 1, bool ignoreCase = false);

// One replacement of ReplaceMany; an empty find changes nothing, an empty
// replacement deletes.
struct FindReplace {
  Text find;
  Text replacement;
};

struct ReplaceOptions {
  // Replacements per pair at most; negative means every occurrence, 0 none.
  int count = -1;
  // Bytes before this 1-based position are copied unchanged; below 1 means 1.
  int startPosition = 1;
  // false folds ASCII letters (two-byte characters always compare exactly).
  bool caseSensitive = false;
};

// Applies the pairs one after another, each to the result of the one before:
// every non-overlapping occurrence of find, scanned left to right from
// startPosition, is replaced, and a replacement is never scanned again.
//   ReplaceMany(title, {{"<em>", ""}, {"</em>", ""}})
Text ReplaceMany(const Text& text, const std::vector<FindReplace>& pairs,
                 const ReplaceOptions& options = {});

}  // namespace qrh
