#include "text/regex_object.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <list>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "text/codepage.h"
#include "text/text_rules.h"

namespace qrh {

namespace {

// Resource limits of one engine call. A search over a page of several MiB
// with the program's patterns needs far less; a pattern that backtracks
// without end on such a page stops at these bounds within seconds and the
// search yields nothing.
constexpr std::uint32_t kMatchLimit = 200'000'000;
constexpr std::uint32_t kDepthLimit = 5'000'000;
constexpr std::uint32_t kHeapLimitKiB = 256 * 1024;
constexpr std::size_t kJitStackStart = 64 * 1024;
constexpr std::size_t kJitStackMax = 32 * 1024 * 1024;
// Upper bound of stored match offsets (pairs of 32-bit numbers): a global
// search that would keep more gives up instead of exhausting memory.
constexpr std::size_t kMaxStoredOffsets = std::size_t{1} << 25;

// The marker text that stands for a double quote in a pattern.
const Text kQuoteMarker = "#引号";

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t Utf8CharLength(const std::string& s, std::size_t i) {
  std::size_t n = 1;
  while (i + n < s.size() && IsUtf8Continuation(s[i + n])) ++n;
  return n;
}

// Whether bytes are well-formed UTF-8 as the engine requires it (no
// overlong forms, no surrogates, nothing above U+10FFFF). The engine's own
// check walks byte by byte; pages are mostly ASCII, which this skips eight
// bytes at a time.
bool IsValidUtf8(const std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length;
    std::uint32_t min;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2, min = 0x80, cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3, min = 0x800, cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4, min = 0x10000, cp = c & 0x07u;
    } else {
      return false;
    }
    if (n - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

// A compiled pattern. pcre2_code may be used by several threads at once.
struct Compiled {
  pcre2_code* code = nullptr;
  bool jit = false;
  std::uint32_t captureCount = 0;

  Compiled() = default;
  Compiled(const Compiled&) = delete;
  Compiled& operator=(const Compiled&) = delete;
  ~Compiled() { pcre2_code_free(code); }
};

bool JitAvailable() {
  static const bool available = [] {
    std::uint32_t jit = 0;
    return pcre2_config(PCRE2_CONFIG_JIT, &jit) >= 0 && jit != 0;
  }();
  return available;
}

std::shared_ptr<const Compiled> Compile(const std::string& patternUtf8, std::uint32_t options) {
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  if (context == nullptr) return nullptr;
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);
  // Unknown escapes such as "\i" stand for the character itself, as in the
  // ECMAScript dialect.
  pcre2_set_compile_extra_options(context, PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternUtf8.data()), patternUtf8.size(), options,
                    &errorCode, &errorOffset, context);
  pcre2_compile_context_free(context);
  if (code == nullptr) return nullptr;
  auto compiled = std::make_shared<Compiled>();
  compiled->code = code;
  pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &compiled->captureCount);
  compiled->jit = JitAvailable() && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
  return compiled;
}

// Compiled patterns shared by every object of the process. Compiling the
// description pattern again for each detail page is pure waste; the cache
// is small and forgets the least recently used pattern first. It is never
// destroyed, so that threads still searching while the process exits find it.
class PatternCache {
 public:
  std::shared_ptr<const Compiled> Get(const std::string& patternUtf8, std::uint32_t options) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->options == options && it->pattern == patternUtf8) {
          entries_.splice(entries_.begin(), entries_, it);
          return entries_.front().compiled;
        }
      }
    }
    std::shared_ptr<const Compiled> compiled = Compile(patternUtf8, options);
    if (compiled == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_front(Entry{patternUtf8, options, compiled});
    if (entries_.size() > kCapacity) entries_.pop_back();
    return compiled;
  }

 private:
  static constexpr std::size_t kCapacity = 32;
  struct Entry {
    std::string pattern;
    std::uint32_t options;
    std::shared_ptr<const Compiled> compiled;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
};

PatternCache& Cache() {
  static PatternCache* cache = new PatternCache;
  return *cache;
}

Text ReplaceQuoteMarker(const Text& pattern) {
  Text out;
  int from = 1;
  for (;;) {
    int found = FindText(pattern, kQuoteMarker, from, false);
    if (found < 0) break;
    out.append(pattern, static_cast<std::size_t>(from - 1), static_cast<std::size_t>(found - from));
    out.push_back('"');
    from = found + static_cast<int>(kQuoteMarker.size());
  }
  out.append(pattern, static_cast<std::size_t>(from - 1), Text::npos);
  return out;
}

// Rewrites what the engine reads differently from the dialect:
// - "[]" never matches and "[^]" matches any character. The engine's own
//   empty class cannot be made optional ("[]?" fails), so both are written as
//   ordinary classes.
// - In multi-line mode "^" also matches after, and "$" also before, a
//   carriage return as well as a line feed. The engine's line ends are line
//   feeds alone (so that "." takes a carriage return), hence the two anchors
//   are written as look-arounds.
std::string RewriteForDialect(const std::string& pattern, bool multiline) {
  std::string out;
  out.reserve(pattern.size());
  bool inClass = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      out.append(pattern, i, 2);
      ++i;
      continue;
    }
    if (inClass) {
      if (c == ']') inClass = false;
      out.push_back(c);
      continue;
    }
    if (c == '[') {
      if (pattern.compare(i, 2, "[]") == 0) {
        out += "[^\\s\\S]";
        ++i;
        continue;
      }
      if (pattern.compare(i, 3, "[^]") == 0) {
        out += "[\\s\\S]";
        i += 2;
        continue;
      }
      inClass = true;
      // A "^" right after the bracket belongs to the class syntax.
      out.push_back(c);
      if (i + 1 < pattern.size() && pattern[i + 1] == '^') {
        out.push_back('^');
        ++i;
      }
      continue;
    }
    if (multiline && c == '^') {
      out += "(?<![^\\r\\n])";
    } else if (multiline && c == '$') {
      out += "(?![^\\r\\n])";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Per-search engine resources: match data sized for the pattern, a match
// context with the limits, and a JIT stack when the pattern was compiled
// for JIT.
class MatchResources {
 public:
  explicit MatchResources(const Compiled& compiled) {
    data_ = pcre2_match_data_create_from_pattern(compiled.code, nullptr);
    context_ = pcre2_match_context_create(nullptr);
    if (context_ != nullptr) {
      pcre2_set_match_limit(context_, kMatchLimit);
      pcre2_set_depth_limit(context_, kDepthLimit);
      pcre2_set_heap_limit(context_, kHeapLimitKiB);
      if (compiled.jit) {
        stack_ = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
        if (stack_ != nullptr) pcre2_jit_stack_assign(context_, nullptr, stack_);
      }
    }
  }
  MatchResources(const MatchResources&) = delete;
  MatchResources& operator=(const MatchResources&) = delete;
  ~MatchResources() {
    pcre2_jit_stack_free(stack_);
    pcre2_match_context_free(context_);
    pcre2_match_data_free(data_);
  }
  bool ok() const { return data_ != nullptr && context_ != nullptr; }
  pcre2_match_data* data() const { return data_; }
  pcre2_match_context* context() const { return context_; }

 private:
  pcre2_match_data* data_ = nullptr;
  pcre2_match_context* context_ = nullptr;
  pcre2_jit_stack* stack_ = nullptr;
};

}  // namespace

struct RegexObject::Engine {
  Text pattern;  // after quote-marker conversion
  bool ignoreCase = true;
  bool global = true;
  std::shared_ptr<const Compiled> compiled;  // none when the pattern was rejected
};

struct RegexObject::Matches {
  static constexpr std::uint32_t kUnset = std::numeric_limits<std::uint32_t>::max();
  std::shared_ptr<const std::string> subjectUtf8;
  std::uint32_t groupCount = 0;
  // For each match, (groupCount + 1) pairs of UTF-8 byte offsets [start, end);
  // kUnset for a group that took no part.
  std::vector<std::uint32_t> offsets;
  std::size_t matchCount = 0;

  std::size_t count() const { return matchCount; }
  const std::uint32_t* pair(std::size_t match, std::size_t group) const {
    return &offsets[(match * (groupCount + 1) + group) * 2];
  }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive,
                         bool multiline, bool global, bool convertQuoteMarker) {
  engine_.reset();
  matches_.reset();

  auto engine = std::make_shared<Engine>();
  engine->pattern = convertQuoteMarker ? ReplaceQuoteMarker(pattern) : pattern;
  engine->ignoreCase = !caseSensitive;
  engine->global = global;

  std::uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX |
                          PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C |
                          PCRE2_DOLLAR_ENDONLY;
  if (engine->ignoreCase) options |= PCRE2_CASELESS;
  // Multi-line anchors are rewritten; the rewritten pattern is the cache key.
  engine->compiled =
      Cache().Get(RewriteForDialect(AnsiToUtf8(engine->pattern), multiline), options);
  engine_ = engine;
  // The detail worker runs one pattern after another over the same page:
  // its UTF-8 form is made once.
  if (!subjectUtf8_ || subject != subject_) {
    subject_ = subject;
    subjectUtf8_.reset();
  }
  if (engine->compiled == nullptr) return false;
  if (!subjectUtf8_) {
    auto converted = std::make_shared<std::string>(AnsiToUtf8(subject_));
    if (converted->size() >= Matches::kUnset || !IsValidUtf8(*converted)) return false;
    subjectUtf8_ = std::move(converted);
  }

  const Compiled& compiled = *engine->compiled;
  auto matches = std::make_shared<Matches>();
  matches->subjectUtf8 = subjectUtf8_;
  matches->groupCount = compiled.captureCount;
  const std::string& utf8 = *subjectUtf8_;

  MatchResources resources(compiled);
  if (!resources.ok()) return false;
  const auto* subjectBytes = reinterpret_cast<PCRE2_SPTR>(utf8.data());
  const std::size_t length = utf8.size();
  const std::size_t pairs = compiled.captureCount + 1;
  std::size_t start = 0;
  // The subject was checked above.
  const std::uint32_t matchOptions = PCRE2_NO_UTF_CHECK;
  while (start <= length) {
    int rc = pcre2_match(compiled.code, subjectBytes, length, start, matchOptions,
                         resources.data(), resources.context());
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
      // The JIT stack is bounded; the interpreter keeps its backtracking
      // data on the heap under its own limits.
      rc = pcre2_match(compiled.code, subjectBytes, length, start, matchOptions | PCRE2_NO_JIT,
                       resources.data(), resources.context());
    }
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) return false;  // a resource limit, or an engine failure
    if (matches->offsets.size() + pairs * 2 > kMaxStoredOffsets) return false;

    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(resources.data());
    for (std::size_t g = 0; g < pairs; ++g) {
      bool set = g < static_cast<std::size_t>(rc) && ovector[2 * g] != PCRE2_UNSET;
      matches->offsets.push_back(set ? static_cast<std::uint32_t>(ovector[2 * g]) : Matches::kUnset);
      matches->offsets.push_back(set ? static_cast<std::uint32_t>(ovector[2 * g + 1])
                                     : Matches::kUnset);
    }
    std::size_t matchStart = ovector[0];
    std::size_t matchEnd = ovector[1];
    ++matches->matchCount;

    if (!engine->global) break;
    std::size_t next = matchEnd < start ? start : matchEnd;
    if (matchStart == matchEnd || next == start) {
      // An empty match: go on one character further.
      if (next >= length) break;
      next += Utf8CharLength(utf8, next);
    }
    start = next;
  }
  matches_ = std::move(matches);
  return true;
}

Text RegexObject::GetPattern() const { return engine_ ? engine_->pattern : Text(); }

Text RegexObject::ReplaceMatches(const Text& replacement) const {
  if (!engine_ || !matches_) return Text();
  const Matches& m = *matches_;
  const std::string& subject = *m.subjectUtf8;
  const std::string with = AnsiToUtf8(replacement);
  std::string out;
  out.reserve(subject.size());
  std::size_t copiedTo = 0;
  for (std::size_t k = 0; k < m.count(); ++k) {
    const std::uint32_t* whole = m.pair(k, 0);
    if (whole[0] < copiedTo) continue;
    out.append(subject, copiedTo, whole[0] - copiedTo);
    for (std::size_t i = 0; i < with.size(); ++i) {
      char c = with[i];
      if (c != '$' || i + 1 >= with.size()) {
        out.push_back(c);
        continue;
      }
      char n = with[i + 1];
      if (n == '$') {
        out.push_back('$');
        ++i;
      } else if (n == '&') {
        out.append(subject, whole[0], whole[1] - whole[0]);
        ++i;
      } else if (n == '`') {
        out.append(subject, 0, whole[0]);
        ++i;
      } else if (n == '\'') {
        out.append(subject, whole[1], Text::npos);
        ++i;
      } else if (n >= '0' && n <= '9') {
        // "$nn" when that group exists, else "$n" when it exists, else literal.
        std::size_t group = static_cast<std::size_t>(n - '0');
        std::size_t used = 1;
        if (i + 2 < with.size() && with[i + 2] >= '0' && with[i + 2] <= '9') {
          std::size_t two = group * 10 + static_cast<std::size_t>(with[i + 2] - '0');
          if (two >= 1 && two <= m.groupCount) {
            group = two;
            used = 2;
          }
        }
        if (group >= 1 && group <= m.groupCount) {
          const std::uint32_t* p = m.pair(k, group);
          if (p[0] != Matches::kUnset) out.append(subject, p[0], p[1] - p[0]);
          i += used;
        } else {
          out.push_back(c);
        }
      } else {
        out.push_back(c);
      }
    }
    copiedTo = whole[1];
  }
  out.append(subject, copiedTo, Text::npos);
  return Utf8BytesToText(out);
}

int RegexObject::MatchCount() const {
  return matches_ ? static_cast<int>(matches_->count()) : 0;
}

Text RegexObject::MatchText(int matchIndex, int* position) const {
  return CapturedText(matchIndex, 0, position);
}

Text RegexObject::SubMatchText(int matchIndex, int groupIndex, int* position) const {
  if (groupIndex < 1) return Text();
  return CapturedText(matchIndex, groupIndex, position);
}

Text RegexObject::CapturedText(int matchIndex, int group, int* position) const {
  if (!matches_ || matchIndex < 1) return Text();
  const Matches& m = *matches_;
  std::size_t match = static_cast<std::size_t>(matchIndex) - 1;
  if (match >= m.count() || static_cast<std::uint32_t>(group) > m.groupCount) return Text();
  const std::uint32_t* p = m.pair(match, static_cast<std::size_t>(group));
  Text found;
  if (p[0] != Matches::kUnset) found = Utf8BytesToText(m.subjectUtf8->substr(p[0], p[1] - p[0]));
  if (position != nullptr) *position = PositionOf(found, match);
  return found;
}

int RegexObject::PositionOf(const Text& found, std::size_t match) const {
  if (subject_.empty()) return -2;
  if (found.empty()) return 0;
  // Where the match starts in the subject: the code page 936 length of the
  // UTF-8 text before it. Each character converts back to no more bytes
  // than it had, so the search below never starts after the match.
  const Matches& m = *matches_;
  std::size_t startUtf8 = m.pair(match, 0)[0];
  std::size_t start = Utf8BytesToText(m.subjectUtf8->substr(0, startUtf8)).size();
  int at = FindText(subject_, found, static_cast<int>(start) + 1, engine_->ignoreCase);
  if (at < 0) {
    // A subject that does not convert back byte for byte: start at the
    // number of characters before the match, which is never too far.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < startUtf8; ++i) {
      if (!IsUtf8Continuation((*m.subjectUtf8)[i])) ++characters;
    }
    at = FindText(subject_, found, static_cast<int>(characters) + 1, engine_->ignoreCase);
  }
  return at < 0 ? -2 : at - 1;
}

int RegexObject::SubMatchCount() const {
  if (!matches_ || matches_->count() == 0) return 0;
  return static_cast<int>(matches_->groupCount);
}

}  // namespace qrh
