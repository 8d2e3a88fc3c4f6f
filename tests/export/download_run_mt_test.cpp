// DownloadRun against a loopback server: which fetches become files, the
// texts and progress it shows, and runs that outlive their window.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "export/download_run.h"
#include "export/xls_readers_helpers.h"
#include "support/loopback_server.h"
#include "support/recording_controls.h"

namespace qrh::test {
namespace {

// Records what a run shows, from whichever thread it runs on; reads the
// save folder from a recording main window.
class RecordingView : public DownloadView {
 public:
  explicit RecordingView(Controls& mainWindow) : mainWindow_(mainWindow) {}
  Text SaveFolder() override { return mainWindow_.GetText("编辑框_路径"); }
  void SetProgressRange(int maximum) override { Add("range " + std::to_string(maximum)); }
  void SetProgressValue(int value) override { Add("value " + std::to_string(value)); }
  void SetLabelText(const Text& text) override { Add("label " + text); }
  void SetStartEnabled(bool enabled) override { Add(enabled ? "enable" : "disable"); }
  std::vector<std::string> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  void Add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  Controls& mainWindow_;
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

class DownloadRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.Serve("/a.gif", Reply::Body("GIF89a-first", "image/gif"));
    server_.Serve("/b.gif", Reply::Body("GIF89a-second", "image/gif"));
    server_.Serve("/missing.gif", Reply::Status(404, "not found page"));
    server_.Serve("/broken.gif", Reply::Status(500, "server error page"));
    server_.Serve("/empty.gif", Reply::Body("", "image/gif"));
    server_.Serve("/moved.gif", Reply::Redirect(302, "/b.gif"));
    window_.SetText("编辑框_路径", folder_.path());
  }
  std::string Url(const char* path) { return server_.Url(path); }
  std::string File(int i) { return ReadFileBytes(folder_.path() + "/" + std::to_string(i) + ".gif"); }

  LoopbackServer server_;
  TempFolder folder_;
  RecordingControls window_;
};

TEST_F(DownloadRunTest, WritesOnlyGoodImagesNumberedByPosition) {
  struct Link {
    std::string address;
    std::string file;  // expected content of <i>.gif; empty: no file
  };
  const std::vector<Link> links = {
      {Url("/a.gif"), "GIF89a-first"},
      {Url("/missing.gif"), ""},              // 404: the error page is not an image
      {Url("/broken.gif"), ""},               // 500
      {Url("/empty.gif"), ""},                // 200 with no bytes
      {"", ""},                               // no address
      {"http://127.0.0.1:1/refused.gif", ""},  // nobody listens
      {Url("/moved.gif"), "GIF89a-second"},   // redirect followed
      {Url("/a.gif"), "GIF89a-first"},        // the same address again
  };
  TextArray addresses;
  for (const Link& l : links) addresses.push_back(l.address);
  RecordingView view(window_);

  const DownloadSummary summary = DownloadRun(addresses, view);

  EXPECT_EQ(summary.written, 3u);
  EXPECT_EQ(summary.failed, 5u);
  std::vector<std::string> expectedFiles;
  for (std::size_t i = 0; i < links.size(); ++i) {
    EXPECT_EQ(File(static_cast<int>(i + 1)), links[i].file) << "file " << i + 1;
    if (!links[i].file.empty()) expectedFiles.push_back(std::to_string(i + 1) + ".gif");
  }
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(folder_.Entries(), expectedFiles);  // no error pages, no temporary files

  std::vector<std::string> shown = {"disable", "range 8"};
  for (int i = 1; i <= 8; ++i) {
    shown.push_back("value " + std::to_string(i));
    shown.push_back("label 正在下载第" + std::to_string(i) + "个二维码图片");
  }
  shown.push_back("enable");
  shown.push_back("label 下载完成！共计下载:3个，失败:5个");
  EXPECT_EQ(view.Events(), shown);
}

TEST_F(DownloadRunTest, SecondRunOverwritesItsNumbersAndLeavesHigherOnes) {
  RecordingView view(window_);
  DownloadRun({Url("/a.gif"), Url("/a.gif"), Url("/a.gif")}, view);
  const DownloadSummary second = DownloadRun({Url("/b.gif"), Url("/b.gif")}, view);

  EXPECT_EQ(second.written, 2u);
  EXPECT_EQ(File(1), "GIF89a-second");
  EXPECT_EQ(File(2), "GIF89a-second");
  EXPECT_EQ(File(3), "GIF89a-first");
  EXPECT_EQ(view.Events().back(), "label 下载完成！共计下载:2个");
}

TEST_F(DownloadRunTest, ReadsTheSaveFolderForEveryFile) {
  TempFolder other;
  RecordingView view(window_);
  int fetches = 0;
  const DownloadSummary summary = DownloadRun(
      {"one", "two", "three"}, view, [&](const Text&) {
        // The operator picks another folder while the first file downloads,
        // then clears it: the third file must not go to "/".
        if (++fetches == 1) window_.SetText("编辑框_路径", other.path());
        if (fetches == 2) window_.SetText("编辑框_路径", "");
        return FetchedImage{true, "img" + std::to_string(fetches)};
      });

  EXPECT_EQ(summary.written, 2u);
  EXPECT_EQ(summary.failed, 1u);  // the third had no folder
  EXPECT_EQ(File(1), "img1");
  EXPECT_EQ(ReadFileBytes(other.path() + "/2.gif"), "img2");
  EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"1.gif"});
  EXPECT_EQ(other.Entries(), std::vector<std::string>{"2.gif"});
}

TEST_F(DownloadRunTest, UnwritableFolderCountsEveryFileAsFailed) {
  window_.SetText("编辑框_路径", folder_.path() + "/missing");
  RecordingView view(window_);
  const DownloadSummary summary = DownloadRun({Url("/a.gif"), Url("/b.gif")}, view);
  EXPECT_EQ(summary.written, 0u);
  EXPECT_EQ(summary.failed, 2u);
  EXPECT_EQ(view.Events().back(), "label 下载完成！共计下载:0个，失败:2个");
}

TEST_F(DownloadRunTest, ProgressBarStopsAtItsLimit) {
  TextArray many(kProgressLimit + 2, "x");
  RecordingView view(window_);
  DownloadRun(many, view, [](const Text&) { return FetchedImage{}; });
  const std::vector<std::string> events = view.Events();
  EXPECT_EQ(events.at(1), "range 32767");
  std::string lastValue;
  for (const std::string& e : events) {
    if (e.rfind("value ", 0) == 0) lastValue = e;
  }
  EXPECT_EQ(lastValue, "value 32767");
}

TEST_F(DownloadRunTest, StartedRunFinishesAfterItsStarterHasGone) {
  auto view = std::make_shared<RecordingView>(window_);
  std::weak_ptr<RecordingView> watch = view;
  server_.Serve("/slow.gif", Reply::Stall());
  StartDownloadRun({Url("/a.gif"), Url("/slow.gif"), Url("/b.gif")}, std::move(view));
  // The run holds the only reference to its view now.
  ASSERT_TRUE(server_.WaitForRequests(2, std::chrono::seconds(10)));
  server_.ReleaseStalls();

  ASSERT_TRUE(WaitForDownloadRuns(std::chrono::seconds(30)));
  EXPECT_EQ(File(1), "GIF89a-first");
  EXPECT_EQ(File(2), "");
  EXPECT_EQ(File(3), "GIF89a-second");
  EXPECT_TRUE(watch.expired());
}

TEST(DownloadStatus, LastResponseStatusOfAHeaderBlock) {
  EXPECT_EQ(LastResponseStatus("HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n"), 200);
  EXPECT_EQ(LastResponseStatus("HTTP/1.1 302 Found\r\n\r\nHTTP/1.1 404 Not Found\r\n\r\n"), 404);
  EXPECT_EQ(LastResponseStatus(std::string(5000, ' ')), 0);
}

}  // namespace
}  // namespace qrh::test
