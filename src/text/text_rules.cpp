#include "text/text_rules.h"

#include <climits>

namespace qrh {

namespace {

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

}  // namespace

std::size_t CharLength(const Text& text, std::size_t i) {
  if (i + 1 < text.size() && IsLeadByte(text[i])) return 2;
  return 1;
}

char FoldAscii(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
  return c;
}

Text ToLowerAscii(const Text& text) {
  Text out = text;
  // Only bytes below 0x80 can be letters; a trail byte of a two-byte
  // character may look like one, so step by characters.
  for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    if (!IsLeadByte(out[i])) out[i] = FoldAscii(out[i]);
  }
  return out;
}

bool EqualsIgnoreCase(const Text& a, const Text& b) {
  return a.size() == b.size() && TextAt(a, 0, b, true);
}

bool TextAt(const Text& text, std::size_t i, const Text& needle, bool ignoreCase) {
  if (i > text.size() || text.size() - i < needle.size()) return false;
  if (!ignoreCase) return text.compare(i, needle.size(), needle) == 0;
  // Fold ASCII letters only, and only those that stand as characters of
  // their own in the needle (a trail byte is compared exactly).
  std::size_t k = 0;
  while (k < needle.size()) {
    std::size_t len = CharLength(needle, k);
    if (len == 1) {
      if (FoldAscii(text[i + k]) != FoldAscii(needle[k])) return false;
    } else if (text[i + k] != needle[k] || text[i + k + 1] != needle[k + 1]) {
      return false;
    }
    k += len;
  }
  return true;
}

int FindText(const Text& text, const Text& needle, int startPosition, bool ignoreCase) {
  if (needle.empty() || text.size() < needle.size()) return -1;
  std::size_t start = startPosition < 1 ? 0 : static_cast<std::size_t>(startPosition - 1);
  for (std::size_t i = 0; i + needle.size() <= text.size(); i += CharLength(text, i)) {
    if (i >= start && TextAt(text, i, needle, ignoreCase)) return static_cast<int>(i + 1);
  }
  return -1;
}

Text TrimText(const Text& text) {
  // One walk over the characters: skip leading spaces, then remember where
  // the last character that is not a space ends. A trailing A1 A1 counts as
  // a full-width space only when it is a whole character.
  auto isSpaceAt = [&](std::size_t i, std::size_t len) {
    if (len == 1) return text[i] == ' ';
    return static_cast<unsigned char>(text[i]) == 0xA1 &&
           static_cast<unsigned char>(text[i + 1]) == 0xA1;
  };
  std::size_t i = 0;
  while (i < text.size() && isSpaceAt(i, CharLength(text, i))) i += CharLength(text, i);
  const std::size_t begin = i;
  std::size_t end = begin;
  while (i < text.size()) {
    std::size_t len = CharLength(text, i);
    i += len;
    if (!isSpaceAt(i - len, len)) end = i;
  }
  return text.substr(begin, end - begin);
}

TextArray SplitText(const Text& text, const Text& separator) {
  TextArray pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  std::size_t pieceStart = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (TextAt(text, i, separator, false)) {
      pieces.push_back(text.substr(pieceStart, i - pieceStart));
      i += separator.size();
      pieceStart = i;
    } else {
      i += CharLength(text, i);
    }
  }
  if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
  return pieces;
}

std::int32_t TextToInt(const Text& text) {
  // Fold full-width ASCII (A3 A1 .. A3 FE in code page 936) and the
  // full-width space (A1 A1) to their ASCII forms first.
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLength(text, i);
    unsigned char b0 = static_cast<unsigned char>(text[i]);
    if (len == 2) {
      unsigned char b1 = static_cast<unsigned char>(text[i + 1]);
      if (b0 == 0xA3 && b1 >= 0xA1 && b1 <= 0xFE) {
        folded.push_back(static_cast<char>(b1 - 0x80));
      } else if (b0 == 0xA1 && b1 == 0xA1) {
        folded.push_back(' ');
      } else {
        folded.append(text, i, 2);
      }
    } else {
      folded.push_back(text[i]);
    }
    i += len;
  }
  std::size_t i = 0;
  while (i < folded.size() && (folded[i] == ' ' || (folded[i] >= '\t' && folded[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) {
    negative = folded[i] == '-';
    ++i;
  }
  long long value = 0;
  while (i < folded.size() && folded[i] >= '0' && folded[i] <= '9') {
    value = value * 10 + (folded[i] - '0');
    if (value > static_cast<long long>(INT32_MAX) + 1) value = static_cast<long long>(INT32_MAX) + 1;
    ++i;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return static_cast<std::int32_t>(value);
}

Text IntToText(long long value) { return std::to_string(value); }

Text CutAtZero(const std::string& bytes) {
  std::size_t zero = bytes.find('\0');
  return zero == std::string::npos ? bytes : bytes.substr(0, zero);
}

}  // namespace qrh
