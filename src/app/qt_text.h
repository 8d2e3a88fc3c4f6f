// Conversion between the system's code page 936 texts and Qt's UTF-16 strings,
// used wherever a text meets a widget, a dialog or a file name.
#pragma once

#include <QString>
#include <string_view>

#include "text/codepage.h"
#include "text/text.h"

namespace qrh::app {

inline QString ToQString(const Text& text) {
  const std::u16string wide = TextToUtf16(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

inline QString ToQString(std::string_view text) { return ToQString(Text(text)); }

// Characters code page 936 lacks become "?".
inline Text FromQString(const QString& text) {
  return Utf16ToText(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<std::size_t>(text.size())));
}

}  // namespace qrh::app
