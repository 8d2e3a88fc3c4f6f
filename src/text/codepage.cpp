#include "text/codepage.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "text/codepage_best_fit.h"

namespace qrh {

namespace {

// ---------------------------------------------------------------------------
// Code page 936 tables.
//
// glibc's "CP936" is plain GBK: it lacks the euro sign at 0x80, the single
// byte 0xFF and the 2149 two-byte codes Windows maps to the private use area
// (the three user-defined areas and 255 codes of the symbol rows). The tables
// below are read from glibc iconv once, then completed with Windows' private
// use assignments: AA A1..AF FE from U+E000, F8 A1..FE FE next, A1 40..A7 A0
// next, and every code still unmapped, in ascending order, from U+E766. After
// that every two-byte code (lead 81..FE, trail 40..7E or 80..FE) has a
// character, as in Windows. Encoding also takes Windows' best-fit choices
// for characters the code page lacks (codepage_best_fit.cpp); any other such
// character becomes "?". The tables are read-only once built, so any
// number of threads may convert at once without iconv handles of their own.

constexpr char16_t kNoChar = 0;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char kSubstitute = '?';

constexpr int kLeadCount = 0xFE - 0x81 + 1;   // 126
constexpr int kTrailCount = 0xFE - 0x40 + 1;  // 191, 0x7F never used

bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

struct Gbk {
  // Two-byte code to UTF-16 unit; kNoChar where unmapped.
  std::array<std::array<char16_t, kTrailCount>, kLeadCount> decode{};
  // UTF-16 unit to code page 936 bytes (lead << 8 | trail, or a single byte
  // 0x80 / 0xFF); 0 where code page 936 lacks the character.
  std::array<std::uint16_t, 0x10000> encode{};

  char16_t& At(unsigned lead, unsigned trail) { return decode[lead - 0x81][trail - 0x40]; }
};

void ReadFromIconv(Gbk& gbk) {
  iconv_t cd = iconv_open("UTF-16LE", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      unsigned char out[8] = {};
      char* inPtr = in;
      char* outPtr = reinterpret_cast<char*>(out);
      std::size_t inLeft = 2;
      std::size_t outLeft = sizeof out;
      std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      // Exactly one UTF-16 unit from both bytes, and no surrogate.
      if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || sizeof out - outLeft != 2) continue;
      char16_t unit = static_cast<char16_t>(out[0] | (out[1] << 8));
      if (unit >= 0xD800 && unit <= 0xDFFF) continue;
      gbk.At(lead, trail) = unit;
    }
  }
  iconv_close(cd);
}

void AddPrivateUse(Gbk& gbk) {
  char16_t next = 0xE000;
  auto assignArea = [&](unsigned leadFrom, unsigned leadTo, unsigned trailFrom, unsigned trailTo) {
    for (unsigned lead = leadFrom; lead <= leadTo; ++lead) {
      for (unsigned trail = trailFrom; trail <= trailTo; ++trail) {
        if (trail == 0x7F) continue;
        char16_t& slot = gbk.At(lead, trail);
        if (slot == kNoChar) slot = next;
        ++next;
      }
    }
  };
  assignArea(0xAA, 0xAF, 0xA1, 0xFE);  // U+E000..U+E233
  assignArea(0xF8, 0xFE, 0xA1, 0xFE);  // U+E234..U+E4C5
  assignArea(0xA1, 0xA7, 0x40, 0xA0);  // U+E4C6..U+E765
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char16_t& slot = gbk.At(lead, trail);
      if (slot == kNoChar && next <= 0xE864) slot = next++;
    }
  }
}

std::unique_ptr<Gbk> BuildGbk() {
  auto gbk = std::make_unique<Gbk>();
  ReadFromIconv(*gbk);
  AddPrivateUse(*gbk);
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      char16_t unit = gbk->At(lead, trail);
      if (unit != kNoChar && gbk->encode[unit] == 0) {
        gbk->encode[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
      }
    }
  }
  gbk->encode[0x20AC] = 0x80;
  gbk->encode[0xF8F5] = 0xFF;
  for (std::size_t i = 0; i < kBestFit936Count; ++i) {
    std::uint16_t& slot = gbk->encode[kBestFit936[i].unit];
    if (slot == 0) slot = kBestFit936[i].bytes;
  }
  return gbk;
}

const Gbk& Tables() {
  // Built once (thread-safe) and never destroyed: detached threads may still
  // convert while the process exits and static objects are torn down.
  static const Gbk* const gbk = BuildGbk().release();
  return *gbk;
}

// ---------------------------------------------------------------------------
// Decoding into code points.

// Decodes code page 936 bytes, calling emit(codePoint) for each character.
// 0x80 is the euro sign and 0xFF U+F8F5, as in Windows. A lead byte without a
// valid trail byte becomes "?" on its own; the byte after it is decoded as
// itself, so an ASCII character after a cut-off character survives.
template <typename Emit>
void DecodeGbk(std::string_view text, Emit&& emit) {
  const Gbk& gbk = Tables();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    unsigned char b = p[i];
    if (b < 0x80) {
      emit(b);
      ++i;
    } else if (b == 0x80) {
      emit(0x20AC);
      ++i;
    } else if (b == 0xFF) {
      emit(0xF8F5);
      ++i;
    } else if (i + 1 < n && IsTrail(p[i + 1])) {
      char16_t unit = gbk.decode[b - 0x81][p[i + 1] - 0x40];
      emit(unit == kNoChar ? static_cast<char32_t>(kSubstitute) : unit);
      i += 2;
    } else {
      emit(static_cast<char32_t>(kSubstitute));
      ++i;
    }
  }
}

// Decodes UTF-8, calling emit(codePoint). Every maximal ill-formed subpart
// (overlong forms, surrogates, values above U+10FFFF, truncated sequences,
// stray continuation bytes) becomes one U+FFFD.
template <typename Emit>
void DecodeUtf8(std::string_view bytes, Emit&& emit) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      emit(b);
      ++i;
      continue;
    }
    int need;
    char32_t cp;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;  // no overlong forms
      if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;  // no overlong forms
      if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
      emit(kReplacement);
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n || p[j] < lo || p[j] > hi) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (p[j] & 0x3F);
      lo = 0x80;
      hi = 0xBF;
    }
    emit(ok ? cp : kReplacement);
    i = j;
  }
}

// Decodes UTF-16 units, calling emit(codePoint); a lone surrogate gives
// U+FFFD.
template <typename Emit>
void DecodeUtf16(std::u16string_view units, Emit&& emit) {
  const std::size_t n = units.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      emit(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      emit(kReplacement);
    } else {
      emit(u);
    }
  }
}

// ---------------------------------------------------------------------------
// Encoding code points.

void AppendGbk(std::string& out, char32_t cp, const Gbk& gbk) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  std::uint16_t code = cp <= 0xFFFF ? gbk.encode[cp] : 0;
  if (code == 0) {
    out.push_back(kSubstitute);
  } else if (code <= 0xFF) {
    out.push_back(static_cast<char>(code));
  } else {
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

enum class Encoding { kGbk, kUtf8, kUnsupported };

Encoding EncodingOf(int codePage) {
  if (codePage == kCodePageAnsi || codePage == kCodePageGbk) return Encoding::kGbk;
  if (codePage == kCodePageUtf8) return Encoding::kUtf8;
  return Encoding::kUnsupported;
}

std::string_view UpToZero(std::string_view bytes) {
  std::size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

std::u16string LittleEndianUnitsUpToZero(const Bytes& wideBytes) {
  std::u16string units;
  units.reserve(wideBytes.size() / 2);
  for (std::size_t i = 0; i + 1 < wideBytes.size(); i += 2) {
    char16_t u = static_cast<char16_t>(static_cast<unsigned char>(wideBytes[i]) |
                                       (static_cast<unsigned char>(wideBytes[i + 1]) << 8));
    if (u == 0) break;
    units.push_back(u);
  }
  return units;
}

}  // namespace

Bytes TextToWide(const Text& text, int codePage) {
  Encoding encoding = EncodingOf(codePage);
  if (encoding == Encoding::kUnsupported) return Bytes();
  std::u16string units;
  auto emit = [&](char32_t cp) { AppendUtf16(units, cp); };
  std::string_view source = UpToZero(text);
  if (encoding == Encoding::kGbk) {
    DecodeGbk(source, emit);
  } else {
    DecodeUtf8(source, emit);
  }
  units.push_back(0);
  Bytes out;
  out.reserve(units.size() * 2);
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

Text WideToText(const Bytes& wideBytes, int codePage) {
  Encoding encoding = EncodingOf(codePage);
  if (encoding == Encoding::kUnsupported) return Text();
  std::u16string units = LittleEndianUnitsUpToZero(wideBytes);
  Text out;
  out.reserve(units.size() * 2);
  if (encoding == Encoding::kGbk) {
    const Gbk& gbk = Tables();
    DecodeUtf16(units, [&](char32_t cp) { AppendGbk(out, cp, gbk); });
  } else {
    DecodeUtf16(units, [&](char32_t cp) { AppendUtf8(out, cp); });
  }
  return out;
}

Text AnsiToUtf8(const Text& text) {
  Text out;
  out.reserve(text.size() * 3 / 2);
  DecodeGbk(UpToZero(text), [&](char32_t cp) { AppendUtf8(out, cp); });
  return out;
}

Text Utf8BytesToText(const Bytes& bytes) {
  // A zero byte is always a character of its own in UTF-8 and the result
  // ends at the first zero, so the input can be cut there first.
  std::string_view source = UpToZero(bytes);
  Text out;
  out.reserve(source.size());
  const Gbk& gbk = Tables();
  DecodeUtf8(source, [&](char32_t cp) { AppendGbk(out, cp, gbk); });
  return out;
}

std::u16string TextToUtf16(const Text& text) {
  std::u16string out;
  out.reserve(text.size());
  DecodeGbk(text, [&](char32_t cp) { AppendUtf16(out, cp); });
  return out;
}

Text Utf16ToText(std::u16string_view utf16) {
  Text out;
  out.reserve(utf16.size() * 2);
  const Gbk& gbk = Tables();
  DecodeUtf16(utf16, [&](char32_t cp) { AppendGbk(out, cp, gbk); });
  return out;
}

}  // namespace qrh
