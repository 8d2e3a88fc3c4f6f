// ResultTable: the 12-column result list of the main window.
//
// The model holds every row as code page 936 texts (exactly the bytes the
// harvest wrote, which the export reads back) and converts only what the view
// paints. Changes reach the view in batches, a few times a second, so that
// tens of thousands of appends and cell writes a second keep the window
// responsive; the model's own operations see every change at once.
#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <array>
#include <cstdint>
#include <vector>

#include "text/text.h"

class QTableView;

namespace qrh::app {

inline constexpr int kResultColumnCount = 12;

// The column titles, in column order; the workbook export writes them as its
// header row.
const TextArray& ResultColumns();
// The column widths in pixels; column 2 (the detail address) is 0 wide.
const std::array<int, kResultColumnCount>& ResultColumnWidths();

class ResultTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultTableModel(QObject* parent = nullptr);

  // The table operations, GUI thread only.
  void DeleteAllRows();     // also starts a new generation
  int AppendRow();          // the new row's index
  int RowCount() const { return static_cast<int>(rows_.size()); }
  void SetCell(int row, int column, const Text& text);  // no-op outside the table
  Text GetCell(int row, int column) const;              // empty outside the table
  std::uint64_t Generation() const { return generation_; }
  void SetCellInGeneration(std::uint64_t generation, int row, int column, const Text& text);

  // Shows every pending change in the view now instead of at the next tick.
  void FlushToView();

  // QAbstractTableModel: what the view sees.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void MarkChanged(int row);

  using Row = std::array<Text, kResultColumnCount>;
  std::vector<Row> rows_;
  std::uint64_t generation_ = 0;
  int shownRows_ = 0;  // rows the view has been told about
  int dirtyFirst_ = -1;
  int dirtyLast_ = -1;
  QTimer flushTimer_;
};

// Gives a view the report style of the result list: titled columns with their
// widths, whole-row selection, fixed row height, no row header.
void ConfigureResultView(QTableView* view);

}  // namespace qrh::app
