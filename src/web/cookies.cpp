#include "web/cookies.h"

#include <string_view>
#include <unordered_set>

#include "text/text_rules.h"

namespace qrh {

namespace {

// Removes ASCII spaces and full-width spaces (A1 A1 as a whole character).
Text RemoveSpaces(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLength(text, i);
    bool space = len == 1 ? text[i] == ' '
                          : static_cast<unsigned char>(text[i]) == 0xA1 &&
                                static_cast<unsigned char>(text[i + 1]) == 0xA1;
    if (!space) out.append(text, i, len);
    i += len;
  }
  return out;
}

// Whether item ends in "=deleted", the ending starting at a character
// boundary; an item of eight bytes or fewer is compared whole.
bool IsDeleted(const Text& item) {
  constexpr std::string_view kDeleted = "=deleted";
  if (item.size() <= kDeleted.size()) return item == kDeleted;
  const std::size_t from = item.size() - kDeleted.size();
  std::size_t i = 0;
  while (i < from) i += CharLength(item, i);
  return i == from && std::string_view(item).substr(from) == kDeleted;
}

}  // namespace

Text CookieMerge(Text& currentCookies, Text& newCookies) {
  currentCookies = RemoveSpaces(currentCookies);
  newCookies = RemoveSpaces(newCookies);
  const TextArray oldItems = SplitText(currentCookies, ";");
  TextArray items = SplitText(newCookies, ";");
  for (const Text& item : oldItems) {
    if (!HasCookieName(items, CookieName(item))) items.push_back(item);
  }
  currentCookies.clear();
  for (const Text& item : items) {
    if (IsDeleted(item)) continue;
    currentCookies += item;
    currentCookies += "; ";
  }
  if (!currentCookies.empty()) currentCookies.resize(currentCookies.size() - 2);
  currentCookies = JoinDistinct(currentCookies, "; ");
  return currentCookies;
}

Text CookieName(const Text& item) {
  const int equals = FindText(item, "=");
  return TrimText(equals < 0 ? item : item.substr(0, static_cast<std::size_t>(equals - 1)));
}

bool HasCookieName(const TextArray& items, const Text& name) {
  for (const Text& item : items) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

Text JoinDistinct(const Text& text, const Text& separator) {
  Text out;
  std::unordered_set<Text> taken;
  for (const Text& piece : SplitText(text, separator)) {
    if (!taken.insert(piece).second) continue;
    out += piece;
    out += separator;
  }
  if (!out.empty()) out.resize(out.size() - separator.size());
  return out;
}

int FindTextInArray(const TextArray& items, const Text& text) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return static_cast<int>(i + 1);
  }
  return -1;
}

}  // namespace qrh
