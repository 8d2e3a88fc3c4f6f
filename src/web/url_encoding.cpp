#include "web/url_encoding.h"

#include "text/codepage.h"

namespace qrh {

namespace {

bool IsKept(unsigned char b) {
  return b == '-' || b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
         (b >= 'a' && b <= 'z');
}

}  // namespace

Text UrlEncodeText(const Text& text, bool keepLettersDigits, bool asUtf8) {
  if (text.empty()) return Text();
  static const char kHex[] = "0123456789ABCDEF";
  const Text source = asUtf8 ? AnsiToUtf8(text) : text;
  Text out;
  out.reserve(source.size() * 3);
  for (unsigned char b : source) {
    if (keepLettersDigits && IsKept(b)) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    }
  }
  return out;
}

}  // namespace qrh
