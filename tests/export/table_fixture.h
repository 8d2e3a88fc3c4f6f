// A main window whose result table is served from memory: for tests that
// export large tables without recording every cell write.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "support/recording_controls.h"
#include "text/text.h"

namespace qrh::test {

using TableRow = std::array<Text, 12>;

// The 12 result column titles, in column order.
const TextArray& ExportTitles();

class TableWindow : public RecordingControls {
 public:
  explicit TableWindow(std::vector<TableRow> rows = {}) : rows_(std::move(rows)) {}
  int RowCount() override { return static_cast<int>(rows_.size()); }
  Text GetCell(int row, int column) override {
    if (row < 0 || row >= RowCount() || column < 0 || column >= 12) return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  std::vector<TableRow>& rows() { return rows_; }

 private:
  std::vector<TableRow> rows_;
};

}  // namespace qrh::test
