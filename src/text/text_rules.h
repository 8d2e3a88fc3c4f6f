// The text rules every part of the program follows.
//
// Positions are 1-based byte positions; -1 means "not found". Searches step
// through a text character by character: a byte of 0x80 or more begins a
// two-byte character, and a search never matches starting at its second byte.
// Case-insensitive comparison folds ASCII letters only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/text.h"

namespace qrh {

// Length in bytes of the character that starts at byte index i (0-based):
// 2 for a lead byte followed by another byte, otherwise 1.
std::size_t CharLength(const Text& text, std::size_t i);

// ASCII-only case folding.
char FoldAscii(char c);
Text ToLowerAscii(const Text& text);
bool EqualsIgnoreCase(const Text& a, const Text& b);

// 1-based position of the first occurrence of needle that begins at a
// character boundary at or after startPosition, or -1. An empty needle is
// never found. A startPosition below 1 counts as 1.
int FindText(const Text& text, const Text& needle, int startPosition = 1,
             bool ignoreCase = false);

// Whether the bytes of needle stand at byte index i (0-based) of text.
bool TextAt(const Text& text, std::size_t i, const Text& needle, bool ignoreCase);

// Removes ASCII spaces and full-width spaces (A1 A1) from both ends; nothing
// else (not tabs, CR or LF).
Text TrimText(const Text& text);

// Splits at every occurrence of separator. Empty pieces between separators
// and before the first are kept; no piece follows a trailing separator; an
// empty text gives no pieces. An empty separator gives the whole text.
TextArray SplitText(const Text& text, const Text& separator);

// Full-width characters folded to ASCII, then optional white space, an
// optional sign and decimal digits up to the first other character; anything
// else gives 0. Values beyond the 32-bit range saturate.
std::int32_t TextToInt(const Text& text);

// Plain decimal.
Text IntToText(long long value);

// The text up to (not including) its first zero byte.
Text CutAtZero(const std::string& bytes);

}  // namespace qrh
