#include "text/text_slicing.h"

#include "text/text_rules.h"

namespace qrh {

namespace {

// One replacement pass: the bytes before startIndex are copied; from the first
// character boundary at or after it, each occurrence of find is replaced
// until count replacements are done (count < 0: no limit).
Text ReplacePass(const Text& text, const Text& find, const Text& replacement,
                 std::size_t startIndex, int count, bool ignoreCase) {
  if (text.empty() || find.empty() || startIndex >= text.size() || count == 0) return text;
  Text out;
  out.reserve(text.size());
  std::size_t i = 0;
  // Characters that begin before startIndex (including one that straddles
  // it) are copied whole: a search never starts at a second byte.
  while (i < startIndex) i += CharLength(text, i);
  out.append(text, 0, i);
  int done = 0;
  while (i < text.size()) {
    if ((count < 0 || done < count) && TextAt(text, i, find, ignoreCase)) {
      out += replacement;
      i += find.size();
      ++done;
    } else {
      std::size_t len = CharLength(text, i);
      out.append(text, i, len);
      i += len;
    }
  }
  return out;
}

Text ResolveQuoteMarker(const Text& marker) {
  return ReplacePass(marker, kQuoteMarker, "\"", 0, -1, false);
}

Text AfterFirstColon(const Text& line, bool wantName) {
  int colon = FindText(line, ":");
  if (colon < 0) return Text();
  std::size_t index = static_cast<std::size_t>(colon - 1);
  return TrimText(wantName ? line.substr(0, index) : line.substr(index + 1));
}

}  // namespace

Text HeaderName(const Text& line) { return AfterFirstColon(line, true); }

Text HeaderValue(const Text& line) { return AfterFirstColon(line, false); }

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker,
                 int startPosition, bool ignoreCase) {
  const Text start = ResolveQuoteMarker(startMarker);
  const Text end = ResolveQuoteMarker(endMarker);
  if (text.empty() || end.empty()) return Text();
  if (startPosition < 1) startPosition = 1;
  int found;
  if (start.empty()) {
    if (static_cast<std::size_t>(startPosition) > text.size()) return Text();
    found = startPosition;
  } else {
    found = FindText(text, start, startPosition, ignoreCase);
    if (found < 0) return Text();
  }
  const std::size_t sliceStart = static_cast<std::size_t>(found - 1) + start.size();
  if (sliceStart >= text.size()) return Text();
  const int endFound = FindText(text, end, static_cast<int>(sliceStart + 1), ignoreCase);
  if (endFound < 0) return Text();
  return text.substr(sliceStart, static_cast<std::size_t>(endFound - 1) - sliceStart);
}

Text ReplaceMany(const Text& text, const std::vector<FindReplace>& pairs,
                 const ReplaceOptions& options) {
  const std::size_t startIndex =
      options.startPosition < 1 ? 0 : static_cast<std::size_t>(options.startPosition - 1);
  Text result = text;
  for (const FindReplace& pair : pairs) {
    result = ReplacePass(result, pair.find, pair.replacement, startIndex, options.count,
                         !options.caseSensitive);
  }
  return result;
}

}  // namespace qrh
