#include "app/result_table.h"

#include <QHeaderView>
#include <QTableView>

#include "app/qt_text.h"

namespace qrh::app {

namespace {
constexpr int kFlushIntervalMs = 50;
}

const TextArray& ResultColumns() {
  static const TextArray titles = {"ID",   "群/公众号名称", "URL",  "来自",   "简介",       "行业",
                                   "时间", "地区",          "标签", "微信号", "二维码图片", "工作状态"};
  return titles;
}

const std::array<int, kResultColumnCount>& ResultColumnWidths() {
  static const std::array<int, kResultColumnCount> widths = {50, 100, 0,  100, 100, 80,
                                                             80, 80,  80, 100, 100, 70};
  return widths;
}

ResultTableModel::ResultTableModel(QObject* parent) : QAbstractTableModel(parent) {
  flushTimer_.setSingleShot(true);
  flushTimer_.setInterval(kFlushIntervalMs);
  connect(&flushTimer_, &QTimer::timeout, this, &ResultTableModel::FlushToView);
}

void ResultTableModel::DeleteAllRows() {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  shownRows_ = 0;
  dirtyFirst_ = dirtyLast_ = -1;
  ++generation_;
  endResetModel();
}

int ResultTableModel::AppendRow() {
  rows_.emplace_back();
  if (!flushTimer_.isActive()) flushTimer_.start();
  return static_cast<int>(rows_.size()) - 1;
}

void ResultTableModel::SetCell(int row, int column, const Text& text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kResultColumnCount) return;
  rows_[row][column] = text;
  MarkChanged(row);
}

Text ResultTableModel::GetCell(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kResultColumnCount) return Text();
  return rows_[row][column];
}

void ResultTableModel::SetCellInGeneration(std::uint64_t generation, int row, int column,
                                           const Text& text) {
  if (generation != generation_) return;
  SetCell(row, column, text);
}

void ResultTableModel::MarkChanged(int row) {
  if (row >= shownRows_) return;  // the insertion will show it
  dirtyFirst_ = dirtyFirst_ < 0 ? row : std::min(dirtyFirst_, row);
  dirtyLast_ = std::max(dirtyLast_, row);
  if (!flushTimer_.isActive()) flushTimer_.start();
}

void ResultTableModel::FlushToView() {
  flushTimer_.stop();
  if (dirtyFirst_ >= 0) {
    const int first = dirtyFirst_;
    const int last = dirtyLast_;
    dirtyFirst_ = dirtyLast_ = -1;
    emit dataChanged(index(first, 0), index(last, kResultColumnCount - 1), {Qt::DisplayRole});
  }
  if (shownRows_ < RowCount()) {
    beginInsertRows(QModelIndex(), shownRows_, RowCount() - 1);
    shownRows_ = RowCount();
    endInsertRows();
  }
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows_;
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kResultColumnCount;
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shownRows_) return {};
  return ToQString(rows_[index.row()][index.column()]);
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kResultColumnCount) return {};
  if (role == Qt::DisplayRole) return ToQString(ResultColumns()[section]);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

void ConfigureResultView(QTableView* view) {
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  view->setShowGrid(true);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  QHeaderView* rows = view->verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(20);
  QHeaderView* columns = view->horizontalHeader();
  columns->setMinimumSectionSize(0);
  columns->setStretchLastSection(false);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int c = 0; c < kResultColumnCount; ++c) columns->resizeSection(c, ResultColumnWidths()[c]);
}

}  // namespace qrh::app
