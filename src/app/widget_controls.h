// The control operations carried out on real widgets.
//
// Controls are found by objectName below a root widget. A call made on the
// GUI thread runs at once; a call from any other thread is posted to the GUI
// thread and the caller waits until it has run, so every single operation is
// atomic with respect to all others. After Close() (the window has gone) calls
// from other threads return at once with empty results, and callers that were
// waiting are released, so no thread can hang on a window that no longer
// processes events.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "text/controls.h"

class QStatusBar;

namespace qrh::app {

class ResultTableModel;

class WidgetControls : public Controls {
 public:
  // Construct on the GUI thread. table and statusBar may be null for a window
  // without them; their operations then do nothing.
  WidgetControls(QWidget* root, ResultTableModel* table, QStatusBar* statusBar);
  ~WidgetControls() override;

  // GUI thread: the window has gone. Irreversible.
  void Close();
  bool IsClosed() const;

  void ShowMessage(const Text& text) override;
  Text GetText(std::string_view control) override;
  void SetText(std::string_view control, const Text& text) override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool IsChecked(std::string_view control) override;
  int GetSelection(std::string_view list) override;
  void SetSelection(std::string_view list, int index) override;
  Text GetItemText(std::string_view list, int index) override;
  void AddItem(std::string_view list, const Text& text) override;
  void ClearItems(std::string_view list) override;
  void SetStatus(const Text& text) override;
  void DeleteAllRows() override;
  int AppendRow() override;
  int RowCount() override;
  void SetCell(int row, int column, const Text& text) override;
  Text GetCell(int row, int column) override;
  std::uint64_t TableGeneration() override;
  void SetCellInGeneration(std::uint64_t generation, int row, int column,
                           const Text& text) override;

 private:
  struct Gate {
    std::mutex mutex;
    std::condition_variable done;
    bool closed = false;
  };

  // Runs op on the GUI thread and returns its result; the empty value of its
  // type once the window has closed.
  template <typename Op>
  auto OnGuiThread(Op op) -> decltype(op());

  QWidget* Find(std::string_view name);  // GUI thread only

  std::thread::id guiThread_;
  std::unique_ptr<QObject> context_;  // lives on the GUI thread; receives the posted calls
  std::shared_ptr<Gate> gate_;
  QPointer<QWidget> root_;
  QPointer<ResultTableModel> table_;
  QPointer<QStatusBar> statusBar_;
  std::unordered_map<std::string, QPointer<QWidget>> found_;  // GUI thread only
};

}  // namespace qrh::app
