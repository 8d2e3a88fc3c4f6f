// DownloadWindow: the small modal window that saves the QR images of the
// chosen rows as <save folder>/1.gif, 2.gif, ...
#pragma once

#include <QDialog>
#include <memory>

#include "harvest/run_state.h"
#include "text/controls.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace qrh::app {

class DownloadWindowView;

// The window's client size: a 346 x 173 window less its frame and title bar.
inline constexpr int kDownloadWindowLeft = 50;
inline constexpr int kDownloadWindowTop = 50;
inline constexpr int kDownloadClientWidth = 340;
inline constexpr int kDownloadClientHeight = 142;

class DownloadWindow : public QDialog {
  Q_OBJECT

 public:
  // Creates the window over mainWindow and selects the links: the QR image
  // addresses of the rows the main window's image choice picks go into
  // run.DownloadLinks and their count shows in "透明标签1".
  DownloadWindow(QWidget* mainWindow, Controls& mainControls, RunState& run);
  ~DownloadWindow() override;

 private:
  // "开始下载": starts a download over a copy of the links on its own thread.
  void StartClicked();

  RunState& run_;
  QLabel* label_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* start_ = nullptr;
  std::shared_ptr<DownloadWindowView> view_;

  friend class DownloadWindowView;
};

}  // namespace qrh::app
