// The shared string table of a BIFF8 workbook: every distinct cell text once,
// cells refer to it by index.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "export/biff_records.h"

namespace qrh {

class SharedStrings {
 public:
  // The index of the string, adding it the first time it is seen.
  std::uint32_t Add(std::u16string_view s);

  std::uint32_t Count() const { return static_cast<std::uint32_t>(starts_.size()); }
  std::u16string_view At(std::uint32_t index) const;

  // Appends the SST record (with CONTINUE records wherever the data passes
  // 8,224 bytes) and the EXTSST index. `totalReferences` is the number of
  // cells that refer to the table. The writer's buffer must be the workbook
  // stream from its start: EXTSST holds stream offsets.
  void WriteRecords(biff::RecordWriter& w, std::uint32_t totalReferences) const;

 private:
  void Grow();
  std::size_t Slot(std::u16string_view s) const;

  std::vector<char16_t> chars_;        // all strings, back to back
  std::vector<std::uint32_t> starts_;  // where each string starts in chars_
  std::vector<std::uint32_t> slots_;   // open-addressing hash: index + 1, 0 = free
};

}  // namespace qrh
