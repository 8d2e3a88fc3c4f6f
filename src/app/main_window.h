// MainWindow: the program's only permanent window, with every input, the
// buttons, the result table and the status bar at fixed places.
#pragma once

#include <QWidget>
#include <memory>
#include <string_view>

#include "app/inputs.h"
#include "app/result_table.h"
#include "app/widget_controls.h"
#include "harvest/run_state.h"

class QPushButton;
class QStatusBar;
class QTableView;

namespace qrh::app {

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // Creates the window and its controls and runs the creation handler
  // (drop target, save folder = the program's folder, status "准备就绪").
  explicit MainWindow(RunState& run, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The control operations on this window, callable from any thread.
  WidgetControls& controls() { return *controls_; }
  ResultTableModel& table() { return *table_; }
  QTableView* tableView() const { return tableView_; }
  InputHandlers& inputs() { return *inputs_; }
  RunState& runState() { return run_; }

  // The control with the given object name (a code page 936 text), or null.
  template <typename T = QWidget>
  T* Control(std::string_view name) const {
    return findChild<T*>(ToQStringName(name));
  }
  QPushButton* Button(std::string_view name) const;

 signals:
  // The operator has closed the window; the controls are closed already.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static QString ToQStringName(std::string_view name);
  void BuildControls();
  void OnCreated();
  void WatchDropsOnChildren();

  RunState& run_;
  ResultTableModel* table_ = nullptr;
  QTableView* tableView_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  std::unique_ptr<WidgetControls> controls_;
  std::unique_ptr<InputHandlers> inputs_;
};

// The window's client size and place on the screen.
inline constexpr int kMainWindowLeft = 50;
inline constexpr int kMainWindowTop = 50;
inline constexpr int kMainClientWidth = 968;
inline constexpr int kMainClientHeight = 588;

}  // namespace qrh::app
