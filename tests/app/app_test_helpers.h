// Helpers shared by the GUI tests.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <string>

#include "app/qt_text.h"
#include "text/text.h"

namespace qrh::test {

// UTF-8 bytes of a u8 literal.
inline std::string Utf8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

// UTF-16 bytes of a u literal, little- or big-endian, without a byte-order mark.
inline std::string Utf16Bytes(const char16_t* s, bool bigEndian) {
  std::string out;
  for (; *s; ++s) {
    const char hi = static_cast<char>(*s >> 8);
    const char lo = static_cast<char>(*s & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

// Writes bytes to a file named name in dir and returns its path.
QString WriteFile(const QTemporaryDir& dir, const QString& name, const std::string& bytes);

}  // namespace qrh::test
