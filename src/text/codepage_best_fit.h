// Best-fit table of code page 936, used by the code-page conversion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qrh {

struct BestFitPair {
  std::uint16_t unit;   // UTF-16 unit the code page lacks
  std::uint16_t bytes;  // what Windows writes for it
};

extern const BestFitPair kBestFit936[];
extern const std::size_t kBestFit936Count;

}  // namespace qrh
