// Conversion between code page 936, UTF-16 and UTF-8.
//
// Valid input converts to exactly the bytes Windows' MultiByteToWideChar and
// WideCharToMultiByte give for code pages 936 and 65001. A malformed UTF-8
// sequence decodes to U+FFFD. A character that code page 936 lacks becomes
// Windows' best-fit equivalent where there is one (U+00A5 as the full-width
// yen sign, U+00B2 as "2"), otherwise "?" (U+FFFD, emoji). All routines are
// pure and may run on any thread at once.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace qrh {

constexpr int kCodePageAnsi = 0;  // the system's ANSI code page: 936
constexpr int kCodePageGbk = 936;
constexpr int kCodePageUtf8 = 65001;

// Converts a zero-terminated multi-byte text in codePage (the text up to its
// first zero byte) to little-endian UTF-16, including the terminating zero unit.
Bytes TextToWide(const Text& text, int codePage = kCodePageUtf8);

// Converts zero-terminated little-endian UTF-16 (up to its first zero unit) to
// a multi-byte text in codePage; the result ends at its first zero byte.
Text WideToText(const Bytes& wideBytes, int codePage = kCodePageAnsi);

// The UTF-8 form of a code page 936 text: WideToText(TextToWide(text, 936), 65001).
Text AnsiToUtf8(const Text& text);

// Decodes all the bytes as UTF-8 and encodes the result in code page 936; the
// result ends at its first zero byte.
Text Utf8BytesToText(const Bytes& bytes);

// Edge helpers for the widget toolkit and file names: code page 936 text to
// and from UTF-16 code units (no terminating unit, nothing cut).
std::u16string TextToUtf16(const Text& text);
Text Utf16ToText(std::u16string_view utf16);

}  // namespace qrh
