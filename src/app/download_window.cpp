#include "app/download_window.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/qt_text.h"
#include "export/download_links.h"
#include "export/download_run.h"

namespace qrh::app {

// What a download run shows, carried out on the window's widgets. Calls from
// the run's thread are posted to the GUI thread and wait there until done.
// Once the window closes, display calls do nothing and return at once, and
// the save folder is the one the main window held at that moment, so a run
// that goes on touches no window at all.
class DownloadWindowView final : public DownloadView,
                                 public std::enable_shared_from_this<DownloadWindowView> {
 public:
  DownloadWindowView(DownloadWindow* window, Controls& mainControls)
      : window_(window), mainControls_(mainControls), guiThread_(std::this_thread::get_id()) {}

  // GUI thread, while the window is still whole.
  void Close() {
    const Text folder = mainControls_.GetText("编辑框_路径");
    {
      std::lock_guard lock(mutex_);
      folderAtClose_ = folder;
      closed_ = true;
    }
    done_.notify_all();
  }

  Text SaveFolder() override {
    Text folder;
    if (OnGuiThread([&](DownloadWindow&) { folder = mainControls_.GetText("编辑框_路径"); })) {
      return folder;
    }
    std::lock_guard lock(mutex_);
    return folderAtClose_;
  }
  void SetProgressRange(int maximum) override {
    // A bar whose range is 0 to 0 shows a busy animation: an empty run shows
    // an empty bar instead.
    OnGuiThread([maximum](DownloadWindow& w) {
      w.progress_->setRange(0, maximum > 0 ? maximum : 1);
      w.progress_->setValue(0);
    });
  }
  void SetProgressValue(int value) override {
    OnGuiThread([value](DownloadWindow& w) { w.progress_->setValue(value); });
  }
  void SetLabelText(const Text& text) override {
    OnGuiThread([text](DownloadWindow& w) { w.label_->setText(ToQString(text)); });
  }
  void SetStartEnabled(bool enabled) override {
    OnGuiThread([enabled](DownloadWindow& w) { w.start_->setEnabled(enabled); });
  }

 private:
  // Runs op with the window on the GUI thread while the caller waits.
  // Returns false, without running it, once the window has closed.
  template <typename Op>
  bool OnGuiThread(Op op) {
    if (std::this_thread::get_id() == guiThread_) {
      if (IsClosed()) return false;
      op(*window_);
      return true;
    }
    struct Call {
      bool finished = false;
    };
    auto call = std::make_shared<Call>();
    auto self = shared_from_this();
    std::unique_lock lock(mutex_);
    if (closed_) return false;
    // Posted while the lock is held: the window cannot be destroyed before
    // the call is queued, since it closes this view (under the lock) first.
    // A call still queued when the window goes is dropped with it.
    QMetaObject::invokeMethod(
        window_,
        [call, self, op]() mutable {
          if (self->IsClosed()) return;
          op(*self->window_);
          {
            std::lock_guard finish(self->mutex_);
            call->finished = true;
          }
          self->done_.notify_all();
        },
        Qt::QueuedConnection);
    done_.wait(lock, [&] { return call->finished || closed_; });
    return call->finished;
  }

  bool IsClosed() {
    std::lock_guard lock(mutex_);
    return closed_;
  }

  DownloadWindow* window_;  // valid until Close()
  Controls& mainControls_;  // used on the GUI thread only, until Close()
  std::thread::id guiThread_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool closed_ = false;
  Text folderAtClose_;
};

namespace {

template <typename W>
W* Place(W* widget, const char* name, int x, int y, int w, int h) {
  widget->setObjectName(ToQString(Text(name)));
  widget->setGeometry(x, y, w, h);
  return widget;
}

}  // namespace

DownloadWindow::DownloadWindow(QWidget* mainWindow, Controls& mainControls, RunState& run)
    : QDialog(mainWindow), run_(run) {
  setWindowTitle(QString());
  setModal(true);
  setFixedSize(kDownloadClientWidth, kDownloadClientHeight);
  move(kDownloadWindowLeft, kDownloadWindowTop);

  label_ = Place(new QLabel(this), "透明标签1", 8, 8, 320, 40);
  label_->setAttribute(Qt::WA_TranslucentBackground);
  label_->setWordWrap(true);
  progress_ = Place(new QProgressBar(this), "进度条1", 8, 56, 320, 24);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  // The bar alone shows the progress; the label carries the only text.
  progress_->setTextVisible(false);
  start_ = Place(new QPushButton(ToQString(Text("开始下载")), this), "按钮_开始下载", 152, 96, 80, 32);
  auto* done = Place(new QPushButton(ToQString(Text("完成")), this), "按钮1", 248, 96, 80, 32);
  start_->setAutoDefault(false);
  done->setAutoDefault(false);
  connect(start_, &QPushButton::clicked, this, [this] { StartClicked(); });
  connect(done, &QPushButton::clicked, this, &QDialog::accept);

  view_ = std::make_shared<DownloadWindowView>(this, mainControls);
  const std::size_t count = SelectDownloadLinks(mainControls, run_.DownloadLinks);
  label_->setText(ToQString(LinkCountText(count)));
}

DownloadWindow::~DownloadWindow() { view_->Close(); }

void DownloadWindow::StartClicked() {
  // Disabled here at once, so a second click cannot start a second run
  // before this one has disabled the button itself.
  start_->setEnabled(false);
  StartDownloadRun(run_.DownloadLinks, view_);
}

}  // namespace qrh::app
