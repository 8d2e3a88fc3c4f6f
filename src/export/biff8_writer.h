// An Excel 97-2003 workbook (BIFF8) whose cells are all text cells.
//
// Every cell gets the built-in text number format "@" (format 49), so digit
// strings with leading zeros and dates stay exactly the text they are. The
// first row of every sheet holds the titles; a sheet holds at most 65,535 data
// rows below them and further rows continue on the next sheet, which again
// starts with the titles. Texts longer than 32,767 characters are cut there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/shared_strings.h"
#include "text/text.h"

namespace qrh {

class TextWorkbook {
 public:
  static constexpr std::size_t kMaxCellChars = 32767;
  static constexpr std::size_t kMaxDataRowsPerSheet = 65535;
  static constexpr std::size_t kMaxColumns = 256;  // titles past it are left out

  explicit TextWorkbook(const std::vector<std::u16string>& titles);

  // Appends one data row; cells past the number of titles are ignored and
  // missing ones are empty. An empty cell still carries the text format.
  void AddRow(const std::vector<std::u16string>& cells);

  std::size_t ColumnCount() const { return titleIndexes_.size(); }
  std::size_t DataRowCount() const;
  std::size_t SheetCount() const;

  // Where the parts of the workbook stream fall: its size and each sheet's
  // offset (the globals with the string table come first).
  struct StreamPlan {
    std::uint64_t size = 0;
    std::vector<std::uint64_t> sheetOffsets;
  };
  StreamPlan Plan() const;

  // Writes the workbook stream of the plan through sink, a megabyte or so at
  // a time. Returns false once the sink has failed.
  bool WriteStream(const StreamPlan& plan, const biff::ByteSink& sink) const;

  // The complete workbook stream in memory.
  Bytes BuildStream() const;

 private:
  void WriteGlobals(biff::RecordWriter& w, const std::vector<std::uint64_t>& sheetOffsets) const;
  void WriteSheet(biff::RecordWriter& w, std::size_t sheet) const;
  std::size_t SheetDataRows(std::size_t sheet) const;
  std::uint64_t SheetSize(std::size_t sheet) const;

  SharedStrings strings_;
  std::vector<std::uint32_t> titleIndexes_;  // string index of each title
  std::vector<std::uint32_t> cells_;         // per data cell: string index + 1, 0 = empty
  std::uint64_t nonEmptyCells_ = 0;
};

// The text cut to the longest cell text a workbook can hold, never inside a
// surrogate pair.
std::u16string_view CutToCellLimit(std::u16string_view text);

}  // namespace qrh
