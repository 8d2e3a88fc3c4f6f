#include "app/widget_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QStatusBar>

#include "app/dialogs.h"
#include "app/qt_text.h"
#include "app/result_table.h"

namespace qrh::app {
namespace {

// A multi-line box stores "\n" between lines; the system reads and writes
// "\r\n".
QString ToBoxText(const QString& text) {
  QString out = text;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(QChar(u'\r'), QChar(u'\n'));
  return out;
}

QString FromBoxText(const QString& text) {
  QString out = text;
  out.replace(QChar(u'\n'), QStringLiteral("\r\n"));
  return out;
}

// Held by a calling thread while it posts a call, and taken by the GUI thread
// before the call reads anything the caller built. The toolkit's event queue
// already orders the two; this makes that order visible to the thread
// sanitizer, which cannot see inside the toolkit's own locks.
std::mutex& PostOrder() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

WidgetControls::WidgetControls(QWidget* root, ResultTableModel* table, QStatusBar* statusBar)
    : guiThread_(std::this_thread::get_id()),
      context_(std::make_unique<QObject>()),
      gate_(std::make_shared<Gate>()),
      root_(root),
      table_(table),
      statusBar_(statusBar) {}

WidgetControls::~WidgetControls() { Close(); }

void WidgetControls::Close() {
  {
    std::lock_guard<std::mutex> lock(gate_->mutex);
    gate_->closed = true;
  }
  gate_->done.notify_all();
}

bool WidgetControls::IsClosed() const {
  std::lock_guard<std::mutex> lock(gate_->mutex);
  return gate_->closed;
}

template <typename Op>
auto WidgetControls::OnGuiThread(Op op) -> decltype(op()) {
  using Result = decltype(op());
  if (std::this_thread::get_id() == guiThread_) {
    if (IsClosed()) return Result{};
    return op();
  }
  struct Call {
    Result result{};
    bool finished = false;
  };
  auto call = std::make_shared<Call>();
  std::shared_ptr<Gate> gate = gate_;
  std::unique_lock<std::mutex> lock(gate->mutex);
  if (gate->closed) return Result{};
  // Posted while the gate is held, so the context object cannot have gone:
  // it is destroyed only after Close(), which takes the gate first.
  std::unique_lock<std::mutex> posting(PostOrder());
  QMetaObject::invokeMethod(
      context_.get(),
      [call, gate, op]() mutable {
        { std::lock_guard<std::mutex> ordered(PostOrder()); }
        {
          std::lock_guard<std::mutex> check(gate->mutex);
          if (gate->closed) return;  // the window may be gone; touch nothing
        }
        Result result = op();
        {
          std::lock_guard<std::mutex> finish(gate->mutex);
          call->result = std::move(result);
          call->finished = true;
        }
        gate->done.notify_all();
      },
      Qt::QueuedConnection);
  posting.unlock();
  gate->done.wait(lock, [&] { return call->finished || gate->closed; });
  if (!call->finished) return Result{};
  return std::move(call->result);
}

QWidget* WidgetControls::Find(std::string_view name) {
  auto it = found_.find(std::string(name));
  if (it != found_.end() && it->second) return it->second;
  if (!root_) return nullptr;
  const QString qname = ToQString(name);
  QWidget* widget = root_->objectName() == qname ? root_.data()
                                                 : root_->findChild<QWidget*>(qname);
  if (widget) found_[std::string(name)] = widget;
  return widget;
}

void WidgetControls::ShowMessage(const Text& text) {
  OnGuiThread([text] {
    Dialogs::Information(ToQString(Text("信息：")), ToQString(text));
    return 0;
  });
}

Text WidgetControls::GetText(std::string_view control) {
  return OnGuiThread([this, control] {
    QWidget* w = Find(control);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return FromQString(e->text());
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return FromQString(FromBoxText(e->toPlainText()));
    if (auto* e = qobject_cast<QLabel*>(w)) return FromQString(e->text());
    if (auto* e = qobject_cast<QAbstractButton*>(w)) return FromQString(e->text());
    if (auto* e = qobject_cast<QGroupBox*>(w)) return FromQString(e->title());
    if (auto* e = qobject_cast<QComboBox*>(w)) return FromQString(e->currentText());
    if (auto* e = qobject_cast<QStatusBar*>(w)) return FromQString(e->currentMessage());
    if (w && w->isWindow()) return FromQString(w->windowTitle());
    return Text();
  });
}

void WidgetControls::SetText(std::string_view control, const Text& text) {
  OnGuiThread([this, control, text] {
    QWidget* w = Find(control);
    const QString q = ToQString(text);
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(q);
    else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) e->setPlainText(ToBoxText(q));
    else if (auto* e = qobject_cast<QLabel*>(w)) e->setText(q);
    else if (auto* e = qobject_cast<QAbstractButton*>(w)) e->setText(q);
    else if (auto* e = qobject_cast<QGroupBox*>(w)) e->setTitle(q);
    else if (auto* e = qobject_cast<QStatusBar*>(w)) e->showMessage(q);
    else if (w && w->isWindow()) w->setWindowTitle(q);
    return 0;
  });
}

void WidgetControls::SetEnabled(std::string_view control, bool enabled) {
  OnGuiThread([this, control, enabled] {
    if (QWidget* w = Find(control)) w->setEnabled(enabled);
    return 0;
  });
}

bool WidgetControls::IsChecked(std::string_view control) {
  return OnGuiThread([this, control] {
    auto* b = qobject_cast<QAbstractButton*>(Find(control));
    return b != nullptr && b->isChecked();
  });
}

int WidgetControls::GetSelection(std::string_view list) {
  return OnGuiThread([this, list] {
    auto* c = qobject_cast<QComboBox*>(Find(list));
    return c ? c->currentIndex() : -1;
  });
}

void WidgetControls::SetSelection(std::string_view list, int index) {
  OnGuiThread([this, list, index] {
    // An index outside the list leaves nothing selected.
    if (auto* c = qobject_cast<QComboBox*>(Find(list))) c->setCurrentIndex(index);
    return 0;
  });
}

Text WidgetControls::GetItemText(std::string_view list, int index) {
  return OnGuiThread([this, list, index] {
    auto* c = qobject_cast<QComboBox*>(Find(list));
    if (!c || index < 0 || index >= c->count()) return Text();
    return FromQString(c->itemText(index));
  });
}

void WidgetControls::AddItem(std::string_view list, const Text& text) {
  OnGuiThread([this, list, text] {
    if (auto* c = qobject_cast<QComboBox*>(Find(list))) {
      // Appending never changes the selection (the toolkit would select the
      // first item of an empty list on its own).
      const int selection = c->currentIndex();
      c->addItem(ToQString(text));
      if (c->currentIndex() != selection) c->setCurrentIndex(selection);
    }
    return 0;
  });
}

void WidgetControls::ClearItems(std::string_view list) {
  OnGuiThread([this, list] {
    if (auto* c = qobject_cast<QComboBox*>(Find(list))) c->clear();
    return 0;
  });
}

void WidgetControls::SetStatus(const Text& text) {
  OnGuiThread([this, text] {
    if (statusBar_) statusBar_->showMessage(ToQString(text));
    return 0;
  });
}

void WidgetControls::DeleteAllRows() {
  OnGuiThread([this] {
    if (table_) table_->DeleteAllRows();
    return 0;
  });
}

int WidgetControls::AppendRow() {
  return OnGuiThread([this] { return table_ ? table_->AppendRow() : -1; });
}

int WidgetControls::RowCount() {
  return OnGuiThread([this] { return table_ ? table_->RowCount() : 0; });
}

void WidgetControls::SetCell(int row, int column, const Text& text) {
  OnGuiThread([this, row, column, text] {
    if (table_) table_->SetCell(row, column, text);
    return 0;
  });
}

Text WidgetControls::GetCell(int row, int column) {
  return OnGuiThread([this, row, column] { return table_ ? table_->GetCell(row, column) : Text(); });
}

std::uint64_t WidgetControls::TableGeneration() {
  return OnGuiThread([this] { return table_ ? table_->Generation() : std::uint64_t{0}; });
}

void WidgetControls::SetCellInGeneration(std::uint64_t generation, int row, int column,
                                         const Text& text) {
  OnGuiThread([this, generation, row, column, text] {
    if (table_) table_->SetCellInGeneration(generation, row, column, text);
    return 0;
  });
}

}  // namespace qrh::app
