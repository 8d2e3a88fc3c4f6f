// The QR image download window: its controls, a run shown in it, and a run
// that goes on after the window has closed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/dialogs.h"
#include "app/download_window.h"
#include "app/export_actions.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "export/download_run.h"
#include "harvest/run_state.h"
#include "support/loopback_server.h"

namespace qrh::test {
namespace {

using app::DownloadWindow;
using app::MainWindow;
using app::ToQString;

// Keeps the GUI thread's events flowing until the condition holds.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

std::string FileContent(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<none>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DownloadWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::Dialogs::Reset();
    folder_ = std::filesystem::temp_directory_path() /
              ("qrh-download-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    server_.Serve("/a.gif", Reply::Body("GIF89a-a", "image/gif"));
    server_.Serve("/b.gif", Reply::Body("GIF89a-b", "image/gif"));
    server_.Serve("/gone.gif", Reply::Status(404, "not here"));
    server_.Serve("/slow.gif", Reply::Stall());
    main_.emplace(run_);
    controls().SetText("编辑框_路径", folder_.string());
  }
  void TearDown() override {
    server_.ReleaseStalls();
    EXPECT_TRUE(WaitForDownloadRuns(std::chrono::seconds(30)));
    main_.reset();
    std::filesystem::remove_all(folder_);
    app::Dialogs::Reset();
  }

  Controls& controls() { return main_->controls(); }
  // Appends a table row with the given source and QR image address.
  void AddRow(const Text& source, const std::string& image) {
    const int row = controls().AppendRow();
    controls().SetCell(row, 3, source);
    controls().SetCell(row, 10, image);
  }
  void Choose(const char* radio) { main_->Control<QAbstractButton>(radio)->click(); }
  std::string File(int i) { return FileContent((folder_ / (std::to_string(i) + ".gif")).string()); }

  template <typename T = QWidget>
  static T* Child(QWidget* window, const char* name) {
    return window->findChild<T*>(ToQString(Text(name)));
  }

  RunState run_;
  std::optional<MainWindow> main_;
  LoopbackServer server_;
  std::filesystem::path folder_;
};

TEST_F(DownloadWindowTest, ShowsItsFourControlsAndTheLinkCount) {
  AddRow("微信群", server_.Url("/a.gif"));
  AddRow("个人微信", server_.Url("/b.gif"));
  AddRow("微信群", "文章已经删除");
  Choose("单选框_微信群");

  DownloadWindow window(&*main_, controls(), run_);

  EXPECT_EQ(window.size(), QSize(app::kDownloadClientWidth, app::kDownloadClientHeight));
  EXPECT_TRUE(window.windowTitle().isEmpty());
  EXPECT_TRUE(window.isModal());
  EXPECT_EQ(window.parentWidget(), &*main_);
  struct Expected {
    const char* name;
    QRect geometry;
    Text text;
  };
  const Expected expected[] = {
      {"透明标签1", QRect(8, 8, 320, 40), "共计：1个有效二维码链接"},
      {"进度条1", QRect(8, 56, 320, 24), ""},
      {"按钮_开始下载", QRect(152, 96, 80, 32), "开始下载"},
      {"按钮1", QRect(248, 96, 80, 32), "完成"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    QWidget* w = Child(&window, e.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), e.geometry);
    if (auto* label = qobject_cast<QLabel*>(w)) {
      EXPECT_EQ(label->text(), ToQString(e.text));
    }
    if (auto* button = qobject_cast<QPushButton*>(w)) {
      EXPECT_EQ(button->text(), ToQString(e.text));
      EXPECT_TRUE(button->isEnabled());
    }
    if (auto* bar = qobject_cast<QProgressBar*>(w)) {
      EXPECT_EQ(bar->isTextVisible() ? bar->text() : QString(), ToQString(e.text));
    }
  }
  EXPECT_EQ(run_.DownloadLinks, TextArray{server_.Url("/a.gif")});
}

TEST_F(DownloadWindowTest, RunShowsProgressAndTheOutcome) {
  AddRow("微信群", server_.Url("/a.gif"));
  AddRow("微信群", server_.Url("/gone.gif"));
  AddRow("微信群", server_.Url("/b.gif"));
  Choose("单选框2");
  DownloadWindow window(&*main_, controls(), run_);
  window.show();
  auto* label = Child<QLabel>(&window, "透明标签1");
  auto* start = Child<QPushButton>(&window, "按钮_开始下载");

  start->click();
  EXPECT_FALSE(start->isEnabled());
  const QString finalText = ToQString(Text("下载完成！共计下载:2个，失败:1个"));
  ASSERT_TRUE(PumpUntil([&] { return label->text() == finalText; }))
      << label->text().toStdString();

  EXPECT_TRUE(start->isEnabled());
  auto* progress = Child<QProgressBar>(&window, "进度条1");
  EXPECT_EQ(progress->maximum(), 3);
  EXPECT_EQ(progress->value(), 3);
  EXPECT_EQ(File(1), "GIF89a-a");
  EXPECT_EQ(File(2), "<none>");
  EXPECT_EQ(File(3), "GIF89a-b");
}

TEST_F(DownloadWindowTest, EmptySelectionEndsAtOnceWithAnEmptyBar) {
  Choose("单选框_个人微信");
  DownloadWindow window(&*main_, controls(), run_);
  window.show();
  auto* label = Child<QLabel>(&window, "透明标签1");
  EXPECT_EQ(label->text(), ToQString(Text("共计：0个有效二维码链接")));

  Child<QPushButton>(&window, "按钮_开始下载")->click();
  ASSERT_TRUE(PumpUntil([&] { return label->text() == ToQString(Text("下载完成！共计下载:0个")); }));
  auto* progress = Child<QProgressBar>(&window, "进度条1");
  EXPECT_GT(progress->maximum(), progress->minimum());  // not the busy animation
  EXPECT_EQ(progress->value(), 0);
  EXPECT_TRUE(Child<QPushButton>(&window, "按钮_开始下载")->isEnabled());
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(DownloadWindowTest, ClosingMidRunLetsTheRunFinishItsFiles) {
  AddRow("微信群", server_.Url("/a.gif"));
  AddRow("微信群", server_.Url("/slow.gif"));
  AddRow("微信群", server_.Url("/b.gif"));
  Choose("单选框2");
  auto window = std::make_unique<DownloadWindow>(&*main_, controls(), run_);
  window->show();
  Child<QPushButton>(window.get(), "按钮_开始下载")->click();
  // The run is now waiting for the stalled second image.
  ASSERT_TRUE(PumpUntil([&] { return server_.RequestCount("/slow.gif") == 1; }));

  Child<QPushButton>(window.get(), "按钮1")->click();  // "完成"
  EXPECT_FALSE(window->isVisible());
  window.reset();

  // Reopening rebuilds the links from the table as it now stands; the
  // running download keeps its own.
  main_->controls().DeleteAllRows();
  AddRow("个人微信", server_.Url("/gone.gif"));
  DownloadWindow reopened(&*main_, controls(), run_);
  EXPECT_EQ(run_.DownloadLinks, TextArray{server_.Url("/gone.gif")});

  server_.ReleaseStalls();
  ASSERT_TRUE(WaitForDownloadRuns(std::chrono::seconds(30)));
  EXPECT_EQ(File(1), "GIF89a-a");
  EXPECT_EQ(File(2), "<none>");  // the stalled transfer broke off
  EXPECT_EQ(File(3), "GIF89a-b");
  EXPECT_EQ(server_.RequestCount("/gone.gif"), 0u);
}

TEST_F(DownloadWindowTest, ExportButtonWritesTheWorkbookOrOpensTheWindowModally) {
  AddRow("微信群", server_.Url("/a.gif"));
  app::OnExportClicked(&*main_, controls(), run_);  // "全部" is checked at start-up
  std::vector<QString> messages;
  for (const app::DialogRequest& r : app::Dialogs::Requests()) messages.push_back(r.text);
  EXPECT_EQ(messages, std::vector<QString>{ToQString(Text("导出完成"))});
  EXPECT_NE(FileContent((folder_ / "data.xls").string()), "<none>");

  Choose("单选框_微信群");
  bool sawModalWindow = false;
  QTimer::singleShot(0, [&] {
    auto* open = qobject_cast<DownloadWindow*>(QApplication::activeModalWidget());
    sawModalWindow = open != nullptr && open->isVisible();
    if (open != nullptr) Child<QPushButton>(open, "按钮1")->click();
  });
  app::OnExportClicked(&*main_, controls(), run_);  // returns once "完成" closed it
  EXPECT_TRUE(sawModalWindow);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(run_.DownloadLinks, TextArray{server_.Url("/a.gif")});
}

}  // namespace
}  // namespace qrh::test
