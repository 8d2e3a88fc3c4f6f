// Basic text types of the system.
//
// Every text the program shows, stores, compares or writes is a byte string in
// code page 936 (GBK). Narrow string literals in this code base are compiled to
// code page 936 as well (-fexec-charset=GB18030, a superset whose two-byte part is code page 936), so "正在采集中" is already a Text.
// Conversion to UTF-8 or UTF-16 happens only at the edges (widgets, files,
// engines, the wire).
#pragma once

#include <string>
#include <vector>

namespace qrh {

// A code page 936 text. Positions and lengths count bytes; a byte of 0x80 or
// more begins a two-byte character. A Text never holds a zero byte.
using Text = std::string;

// A counted byte string that may hold zero bytes: bodies, UTF-16 data.
using Bytes = std::string;

// An ordered list of texts.
using TextArray = std::vector<Text>;

}  // namespace qrh
