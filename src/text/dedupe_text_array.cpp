#include "text/dedupe_text_array.h"

#include <cstddef>
#include <functional>

#include "text/text_rules.h"
#include "text/xml_document.h"

namespace qrh {

namespace {

// Walks the array from its end. Every value seen becomes an attribute named
// "a" + value on one scratch element; when setting it replaces an attribute
// already there, the value occurred at a higher index and this element goes.
template <typename T>
void DedupeOne(XmlDocument& document, std::vector<T>& values,
               const std::function<Text(const T&)>& valueText) {
  document.NewDocument("数组");
  Text parentPath = "数组";
  document.AddElement(parentPath, "qu");
  Text elementPath = "数组/qu";
  XmlNode seen = document.SelectNode(elementPath);
  XmlDom dom = document.DocumentObject();
  for (std::size_t i = values.size(); i >= 1; --i) {
    Text name = "a";
    name += valueText(values[i - 1]);
    XmlNode attribute = dom.CreateAttribute(name);
    if (seen.SetAttributeNode(attribute)) {
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(i - 1));
    }
  }
}

}  // namespace

int DedupeTextArray(TextArray* texts, std::vector<std::int32_t>* numbers) {
  if (texts == nullptr && numbers == nullptr) return -1;
  XmlDocument document;
  if (texts != nullptr) {
    DedupeOne<Text>(document, *texts, [](const Text& t) { return t; });
  }
  if (numbers != nullptr) {
    DedupeOne<std::int32_t>(document, *numbers, [](const std::int32_t& n) { return IntToText(n); });
  }
  document.Close();
  return static_cast<int>(numbers != nullptr ? numbers->size() : texts->size());
}

}  // namespace qrh
