// Percent-encoding of a text for a query string.
#pragma once

#include "text/text.h"

namespace qrh {

// Escapes every byte as "%XX" (upper-case hexadecimal), except ASCII
// letters, digits, "-" and "." when keepLettersDigits is true. With asUtf8
// the UTF-8 bytes of the text are encoded, otherwise its code page 936 bytes.
// A space becomes "%20"; an empty text gives an empty text.
Text UrlEncodeText(const Text& text, bool keepLettersDigits = false, bool asUtf8 = false);

}  // namespace qrh
