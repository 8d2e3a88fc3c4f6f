// RegexObject: one regular expression run over one subject text.
//
// The object keeps the matches of its latest Search and answers questions
// about them by 1-based match number and 1-based group number. Patterns are
// written in an ECMAScript-like dialect: lazy quantifiers (".*?"), classes such
// as [\s\S] and \s, escaped characters, capturing groups numbered by their
// opening parenthesis, literal "\r" and "\n". "." matches any character except
// a line feed (a carriage return included).
//
// The pattern and the subject are code page 936 texts; they are converted to
// UTF-8 for the engine (PCRE2), and every text handed back is converted to
// code page 936 again.
//
// Nothing is reported: a pattern the engine rejects, a search that runs into
// the engine's resource limits, a match or group number outside the matches
// all give the empty value of the asked type (false, 0 or an empty text).
//
// An object belongs to one thread at a time. Copies share the compiled
// pattern and the matches (both immutable) and hold their own subject.
#pragma once

#include <memory>
#include <string>

#include "text/text.h"

namespace qrh {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject& other);

  // Runs pattern over subject and keeps the matches. With global every
  // non-overlapping match is kept, left to right (an empty match moves the
  // next search on by one character); otherwise the first. With multiline "^"
  // and "$" also match at line feeds. With convertQuoteMarker every "#引号" in
  // the pattern stands for one double quote. Returns false, with no matches,
  // when the pattern is rejected or the search exceeds the engine's limits;
  // true otherwise, also when nothing matched.
  bool Search(const Text& pattern, const Text& subject, bool caseSensitive = false,
              bool multiline = true, bool global = true, bool convertQuoteMarker = false);

  // The pattern of the latest Search (after quote-marker conversion), also
  // when it was rejected; empty before the first Search.
  Text GetPattern() const;

  // The subject of the latest successful Search with its kept matches
  // replaced. In replacement, "$1".."$99" stand for a group, "$&" for the
  // match, "$`" and "$'" for the text before and after it, "$$" for "$";
  // anything else is literal. Empty when the latest Search failed or there
  // was none.
  Text ReplaceMatches(const Text& replacement = Text()) const;

  // Number of kept matches; 0 when the latest Search failed or there was none.
  int MatchCount() const;

  // The text of match matchIndex (1-based). When position is given it
  // receives the 0-based byte offset of that text in the subject, found by
  // searching forward from where the match starts (letters compared without
  // regard to case when the search ignored case): for a group, its first
  // occurrence from the start of its match. 0 for an empty text in a
  // non-empty subject, -2 when nothing is found.
  Text MatchText(int matchIndex, int* position = nullptr) const;

  // The text captured by group groupIndex (1-based) in match matchIndex
  // (1-based); empty for a group that took no part in the match. position as
  // for MatchText.
  Text SubMatchText(int matchIndex, int groupIndex, int* position = nullptr) const;

  // Number of capturing groups of the pattern when there is at least one
  // match; 0 otherwise.
  int SubMatchCount() const;

  struct Engine;   // compiled pattern and options (shared, immutable)
  struct Matches;  // UTF-8 subject and match offsets (shared, immutable)

 private:
  // group 0 is the whole match.
  Text CapturedText(int matchIndex, int group, int* position) const;
  int PositionOf(const Text& found, std::size_t match) const;

  std::shared_ptr<const Engine> engine_;
  std::shared_ptr<const Matches> matches_;
  Text subject_;
  // The UTF-8 form of subject_ once it has been made (shared, immutable).
  std::shared_ptr<const std::string> subjectUtf8_;
};

}  // namespace qrh
