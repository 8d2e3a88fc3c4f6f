#include "export/biff8_writer.h"

#include <algorithm>
#include <string>

#include "export/biff_records.h"

namespace qrh {

namespace {

constexpr std::uint16_t kTextCellXf = 16;  // the cell XF with format 49 ("@")
constexpr std::uint16_t kTextFormat = 49;
constexpr std::uint16_t kSheetType = 0x0010;
constexpr std::uint16_t kGlobalsType = 0x0005;

void WriteBof(biff::RecordWriter& w, std::uint16_t type) {
  w.Begin(biff::kBof);
  w.U16(0x0600);
  w.U16(type);
  w.U16(0x0DBB);
  w.U16(0x07CC);
  w.U32(0);
  w.U32(6);
  w.End();
}

void WriteEof(biff::RecordWriter& w) {
  w.Begin(biff::kEof);
  w.End();
}

void WriteFont(biff::RecordWriter& w) {
  static constexpr char kName[] = "Arial";
  w.Begin(biff::kFont);
  w.U16(200);     // height in twips
  w.U16(0);       // flags
  w.U16(0x7FFF);  // colour: automatic
  w.U16(400);     // weight: normal
  w.U16(0);       // escapement
  w.U8(0);        // underline
  w.U8(0);        // family
  w.U8(0);        // character set
  w.U8(0);
  w.U8(sizeof kName - 1);
  w.U8(0);  // 8-bit name
  w.Buffer().append(kName, sizeof kName - 1);
  w.End();
}

// An XF record; `style` marks the style XFs, `usedFlags` goes to bits 2-7
// of byte 9 (an attribute this XF sets apart from its style).
void WriteXf(biff::RecordWriter& w, bool style, std::uint16_t format, std::uint8_t usedFlags) {
  w.Begin(biff::kXf);
  w.U16(0);  // font
  w.U16(format);
  w.U16(style ? 0xFFF5 : 0x0001);  // locked; style XF with no parent, or cell XF of style 0
  w.U8(0x20);                      // general alignment, bottom
  w.U8(0);                         // rotation
  w.U8(0);                         // indent, shrink, direction
  w.U8(usedFlags);
  w.U32(0);  // borders
  w.U32(0);  // border colours, fill pattern
  w.U16(0x20C0);
  w.End();
}

void WriteGlobalsHead(biff::RecordWriter& w) {
  WriteBof(w, kGlobalsType);
  w.Begin(biff::kCodePage);
  w.U16(1200);  // UTF-16
  w.End();
  w.Begin(biff::kWindow1);
  for (std::uint16_t v : {0, 0, 0x25BC, 0x1572, 0x0038, 0, 0, 1, 0x0258}) w.U16(v);
  w.End();
  // Five fonts: index 4 is never used, so the fifth record is font 5.
  for (int i = 0; i < 5; ++i) WriteFont(w);
  for (int i = 0; i < 15; ++i) WriteXf(w, true, 0, 0);
  WriteXf(w, false, 0, 0);               // 15: the default cell XF
  WriteXf(w, false, kTextFormat, 0x04);  // 16: text cells, format "@"
  w.Begin(biff::kStyle);
  w.U16(0x8000);  // built-in style of XF 0
  w.U8(0);        // Normal
  w.U8(0xFF);
  w.End();
}

std::string SheetName(std::size_t sheet) { return "Sheet" + std::to_string(sheet + 1); }

void WriteCell(biff::RecordWriter& w, std::uint16_t row, std::uint16_t column,
               std::uint32_t entry) {
  if (entry == 0) {
    w.Begin(biff::kBlank);
    w.U16(row);
    w.U16(column);
    w.U16(kTextCellXf);
  } else {
    w.Begin(biff::kLabelSst);
    w.U16(row);
    w.U16(column);
    w.U16(kTextCellXf);
    w.U32(entry - 1);
  }
  w.End();
}

}  // namespace

std::u16string_view CutToCellLimit(std::u16string_view text) {
  if (text.size() <= TextWorkbook::kMaxCellChars) return text;
  std::size_t length = TextWorkbook::kMaxCellChars;
  if (text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
  return text.substr(0, length);
}

TextWorkbook::TextWorkbook(const std::vector<std::u16string>& titles) {
  for (const std::u16string& title : titles) {
    if (titleIndexes_.size() == kMaxColumns) break;
    const std::u16string_view cut = CutToCellLimit(title);
    titleIndexes_.push_back(cut.empty() ? 0 : strings_.Add(cut) + 1);
  }
}

void TextWorkbook::AddRow(const std::vector<std::u16string>& cells) {
  for (std::size_t k = 0; k < ColumnCount(); ++k) {
    const std::u16string_view text = k < cells.size() ? CutToCellLimit(cells[k]) : u"";
    if (text.empty()) {
      cells_.push_back(0);
    } else {
      cells_.push_back(strings_.Add(text) + 1);
      ++nonEmptyCells_;
    }
  }
}

std::size_t TextWorkbook::DataRowCount() const {
  return ColumnCount() == 0 ? 0 : cells_.size() / ColumnCount();
}

std::size_t TextWorkbook::SheetCount() const {
  return std::max<std::size_t>(1, (DataRowCount() + kMaxDataRowsPerSheet - 1) /
                                      kMaxDataRowsPerSheet);
}

std::size_t TextWorkbook::SheetDataRows(std::size_t sheet) const {
  const std::size_t firstRow = std::min(sheet * kMaxDataRowsPerSheet, DataRowCount());
  return std::min(kMaxDataRowsPerSheet, DataRowCount() - firstRow);
}

// Record sizes, header included: BOF 20, WSBOOL 6, DIMENSIONS 18, a text cell
// 14, an empty cell 10, WINDOW2 22, EOF 4.
std::uint64_t TextWorkbook::SheetSize(std::size_t sheet) const {
  auto cellSize = [](std::uint32_t entry) -> std::uint64_t { return entry == 0 ? 10 : 14; };
  std::uint64_t size = 20 + 6 + 18 + 22 + 4;
  for (std::uint32_t entry : titleIndexes_) size += cellSize(entry);
  const std::size_t first = sheet * kMaxDataRowsPerSheet * ColumnCount();
  const std::size_t count = SheetDataRows(sheet) * ColumnCount();
  for (std::size_t i = first; i < first + count; ++i) size += cellSize(cells_[i]);
  return size;
}

void TextWorkbook::WriteSheet(biff::RecordWriter& w, std::size_t sheet) const {
  const std::size_t firstRow = sheet * kMaxDataRowsPerSheet;
  const std::size_t rows = SheetDataRows(sheet);
  const std::size_t columns = ColumnCount();

  WriteBof(w, kSheetType);
  w.Begin(biff::kWsBool);
  w.U16(0x04C1);
  w.End();
  w.Begin(biff::kDimensions);
  w.U32(0);
  w.U32(static_cast<std::uint32_t>(rows + 1));
  w.U16(0);
  w.U16(static_cast<std::uint16_t>(columns));
  w.U16(0);
  w.End();
  for (std::size_t k = 0; k < columns; ++k) {
    WriteCell(w, 0, static_cast<std::uint16_t>(k), titleIndexes_[k]);
  }
  const std::uint32_t* cell = cells_.data() + firstRow * columns;
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t k = 0; k < columns; ++k) {
      WriteCell(w, static_cast<std::uint16_t>(r + 1), static_cast<std::uint16_t>(k), *cell++);
    }
    w.MaybeFlush();
  }
  w.Begin(biff::kWindow2);
  // Only the first sheet is selected and active, matching WINDOW1.
  w.U16(sheet == 0 ? 0x06B6 : 0x00B6);
  w.U16(0);
  w.U16(0);
  w.U16(0x40);
  w.U16(0);
  w.U16(0);
  w.U16(0);
  w.U32(0);
  w.End();
  WriteEof(w);
}

void TextWorkbook::WriteGlobals(biff::RecordWriter& w,
                                const std::vector<std::uint64_t>& sheetOffsets) const {
  const std::uint64_t titleRefs =
      std::count_if(titleIndexes_.begin(), titleIndexes_.end(), [](auto i) { return i != 0; });
  WriteGlobalsHead(w);
  for (std::size_t s = 0; s < sheetOffsets.size(); ++s) {
    const std::string name = SheetName(s);
    w.Begin(biff::kBoundSheet);
    w.U32(static_cast<std::uint32_t>(sheetOffsets[s]));  // the sheet's BOF
    w.U8(0);  // visible
    w.U8(0);  // worksheet
    w.U8(static_cast<std::uint8_t>(name.size()));
    w.U8(0);  // 8-bit name
    w.Buffer().append(name);
    w.End();
  }
  strings_.WriteRecords(
      w, static_cast<std::uint32_t>(titleRefs * sheetOffsets.size() + nonEmptyCells_));
  WriteEof(w);
}

TextWorkbook::StreamPlan TextWorkbook::Plan() const {
  // The globals' size comes from writing them once into a sink that only
  // counts; every sheet's size follows from its cells.
  StreamPlan plan;
  plan.sheetOffsets.assign(SheetCount(), 0);
  Bytes scratch;
  const biff::ByteSink discard = [](const char*, std::size_t) { return true; };
  biff::RecordWriter counter(scratch, &discard);
  WriteGlobals(counter, plan.sheetOffsets);
  counter.Flush();
  plan.size = counter.Position();
  for (std::size_t s = 0; s < plan.sheetOffsets.size(); ++s) {
    plan.sheetOffsets[s] = plan.size;
    plan.size += SheetSize(s);
  }
  return plan;
}

bool TextWorkbook::WriteStream(const StreamPlan& plan, const biff::ByteSink& sink) const {
  Bytes buffer;
  biff::RecordWriter w(buffer, &sink);
  WriteGlobals(w, plan.sheetOffsets);
  for (std::size_t s = 0; s < plan.sheetOffsets.size(); ++s) {
    if (!w.Flush()) return false;
    WriteSheet(w, s);
  }
  return w.Flush();
}

Bytes TextWorkbook::BuildStream() const {
  const StreamPlan plan = Plan();
  Bytes stream;
  stream.reserve(plan.size);
  WriteStream(plan, [&](const char* data, std::size_t size) {
    stream.append(data, size);
    return true;
  });
  return stream;
}

}  // namespace qrh
