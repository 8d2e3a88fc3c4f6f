#include "qr_image.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "listings.h"

namespace demo {
namespace {

constexpr int kModules = 29;
constexpr int kScale = 4;
constexpr int kBorder = 8;
constexpr int kSize = kModules * kScale + 2 * kBorder;  // 132

bool FinderModule(int x, int y) {
  auto inSquare = [](int dx, int dy) {
    if (dx < 0 || dy < 0 || dx > 6 || dy > 6) return -1;
    const int ring = std::min(std::min(dx, dy), std::min(6 - dx, 6 - dy));
    return ring == 1 ? 0 : 1;
  };
  for (auto [ox, oy] : {std::pair{0, 0}, std::pair{kModules - 7, 0}, std::pair{0, kModules - 7}}) {
    const int v = inSquare(x - ox, y - oy);
    if (v >= 0) return v == 1;
  }
  return false;
}

bool InFinderArea(int x, int y) {
  auto near = [](int v, int o) { return v >= o - 1 && v <= o + 7; };
  return (near(x, 0) && near(y, 0)) || (near(x, kModules - 7) && near(y, 0)) ||
         (near(x, 0) && near(y, kModules - 7));
}

// Writes codes of a fixed width, least significant bit first, as GIF wants.
class BitWriter {
 public:
  void Put(unsigned code, int width) {
    for (int i = 0; i < width; ++i) {
      if (code & (1u << i)) current_ |= static_cast<unsigned char>(1u << used_);
      if (++used_ == 8) Flush();
    }
  }
  std::string Finish() {
    if (used_ > 0) Flush();
    return std::move(bytes_);
  }

 private:
  void Flush() {
    bytes_ += static_cast<char>(current_);
    current_ = 0;
    used_ = 0;
  }
  std::string bytes_;
  unsigned char current_ = 0;
  int used_ = 0;
};

}  // namespace

std::string QrGif(int id) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(kSize * kSize), 0);
  for (int y = 0; y < kModules; ++y) {
    for (int x = 0; x < kModules; ++x) {
      const bool dark = InFinderArea(x, y)
                            ? FinderModule(x, y)
                            : (Mix(static_cast<std::uint64_t>(id) * 1000003u +
                                   static_cast<std::uint64_t>(y * kModules + x)) & 1) != 0;
      if (!dark) continue;
      for (int py = 0; py < kScale; ++py) {
        for (int px = 0; px < kScale; ++px) {
          pixels[static_cast<std::size_t>((kBorder + y * kScale + py) * kSize + kBorder +
                                          x * kScale + px)] = 1;
        }
      }
    }
  }

  std::string gif = "GIF89a";
  auto put16 = [&gif](int v) {
    gif += static_cast<char>(v & 0xFF);
    gif += static_cast<char>((v >> 8) & 0xFF);
  };
  put16(kSize);
  put16(kSize);
  gif += static_cast<char>(0x80);  // global colour table of 2 entries
  gif += '\0';                     // background colour
  gif += '\0';                     // aspect ratio
  gif += std::string("\xFF\xFF\xFF", 3);  // 0: white
  gif += std::string("\x00\x00\x00", 3);  // 1: black
  gif += ',';
  put16(0);
  put16(0);
  put16(kSize);
  put16(kSize);
  gif += '\0';  // no local colour table, not interlaced

  // LZW with a minimum code size of 2 (codes 0..3 colours, 4 clear, 5 end).
  // A clear code before every two pixels keeps the dictionary from growing,
  // so every code stays 3 bits wide: a valid, uncompressed stream.
  constexpr unsigned kClear = 4, kEnd = 5;
  BitWriter bits;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (i % 2 == 0) bits.Put(kClear, 3);
    bits.Put(pixels[i], 3);
  }
  bits.Put(kEnd, 3);
  const std::string data = bits.Finish();
  gif += '\x02';
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::string block = data.substr(at, 255);
    gif += static_cast<char>(block.size());
    gif += block;
  }
  gif += '\0';  // block terminator
  gif += ';';   // trailer
  return gif;
}

}  // namespace demo
