// The operations the core performs on the main window's controls.
//
// The core never talks to a widget toolkit directly: the harvest, the export
// and the download code call these operations, the application implements
// them with widgets, and the tests implement them with a recording fake.
//
// Controls are addressed by their object names, given as code page 936 texts
// ("编辑框_关键词", "组合框2", ...). Every operation may be called from any
// thread; each single call is atomic with respect to every other call. Once the
// window has gone, calls return at once with empty results.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace qrh {

// The information box with the caption "信息：" and one OK button.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual void ShowMessage(const Text& text) = 0;
};

class Controls : public MessageBoxService {
 public:
  // Edit boxes (and any control with a text): read and write the text. A
  // multi-line box reads as its lines joined by "\r\n".
  virtual Text GetText(std::string_view control) = 0;
  virtual void SetText(std::string_view control, const Text& text) = 0;

  // Buttons: enable and disable.
  virtual void SetEnabled(std::string_view control, bool enabled) = 0;

  // Radio buttons: whether it is checked.
  virtual bool IsChecked(std::string_view control) = 0;

  // Drop-down lists. Selections are 0-based, -1 when nothing is selected; the
  // text of an item outside the list is empty.
  virtual int GetSelection(std::string_view list) = 0;
  virtual void SetSelection(std::string_view list, int index) = 0;
  virtual Text GetItemText(std::string_view list, int index) = 0;
  virtual void AddItem(std::string_view list, const Text& text) = 0;
  virtual void ClearItems(std::string_view list) = 0;

  // Part 0 of the status bar "状态条1".
  virtual void SetStatus(const Text& text) = 0;

  // The result table "超级列表框1". Rows and columns count from 0.
  // Every DeleteAllRows starts a new table generation.
  virtual void DeleteAllRows() = 0;
  virtual int AppendRow() = 0;  // returns the new row's index
  virtual int RowCount() = 0;
  // Writing a cell of a row that does not exist does nothing.
  virtual void SetCell(int row, int column, const Text& text) = 0;
  // A row or column that does not exist reads as an empty text.
  virtual Text GetCell(int row, int column) = 0;

  // The generation of the table: a counter raised by every DeleteAllRows.
  virtual std::uint64_t TableGeneration() = 0;
  // Writes a cell only while the table is still in the given generation, so a
  // worker of an earlier run can never overwrite a row of a later one. The test
  // and the write are one atomic operation.
  virtual void SetCellInGeneration(std::uint64_t generation, int row, int column,
                                   const Text& text) = 0;
};

}  // namespace qrh
