#include "export/download_run.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "export/save_file.h"
#include "text/codepage.h"
#include "text/text_rules.h"
#include "web/wininet_fetch.h"

namespace qrh {

namespace {

// Counts the runs started on their own threads so that a caller can wait for
// them to end.
struct RunningDownloads {
  std::mutex mutex;
  std::condition_variable ended;
  int count = 0;
};

RunningDownloads& Running() {
  static RunningDownloads* running = new RunningDownloads;  // outlives every thread
  return *running;
}

bool WriteImageFile(const Text& target, const Bytes& body) {
  return ReplaceFile(
             AnsiToUtf8(target),
             [&](const std::function<bool(const char*, std::size_t)>& write) {
               return write(body.data(), body.size());
             },
             false)
      .ok;
}

}  // namespace

int LastResponseStatus(const Text& headerBlock) {
  int status = 0;
  for (const Text& line : SplitText(headerBlock, "\r\n")) {
    if (line.compare(0, 5, "HTTP/") != 0) continue;
    const std::size_t space = line.find(' ');
    status = space == Text::npos ? 0 : TextToInt(line.substr(space + 1));
  }
  return status;
}

FetchedImage FetchImage(const Text& url) {
  FetchedImage image;
  if (url.empty()) return image;
  Text returnedHeaders;
  image.body = WinInetFetch(url, 0, {}, nullptr, nullptr, nullptr, &returnedHeaders);
  // A header block too long for the buffer comes back as spaces: the status
  // is then unknown, and the body alone decides.
  const int status = LastResponseStatus(returnedHeaders);
  image.ok = !image.body.empty() && (status == 0 || (status >= 200 && status <= 299));
  if (!image.ok) image.body.clear();
  return image;
}

Text DownloadFinalText(const DownloadSummary& summary) {
  Text text = "下载完成！共计下载:" + IntToText(static_cast<long long>(summary.written)) + "个";
  if (summary.failed > 0) {
    text += "，失败:" + IntToText(static_cast<long long>(summary.failed)) + "个";
  }
  return text;
}

DownloadSummary DownloadRun(const TextArray& links, DownloadView& view,
                            const ImageFetcher& fetch) {
  view.SetStartEnabled(false);
  const std::size_t n = links.size();
  view.SetProgressRange(static_cast<int>(std::min<std::size_t>(n, kProgressLimit)));
  DownloadSummary summary;
  for (std::size_t i = 1; i <= n; ++i) {
    view.SetProgressValue(static_cast<int>(std::min<std::size_t>(i, kProgressLimit)));
    view.SetLabelText("正在下载第" + IntToText(static_cast<long long>(i)) + "个二维码图片");
    const Text folder = view.SaveFolder();
    const FetchedImage image = fetch(links[i - 1]);
    // An empty folder text would put the file at the root of the file
    // system: count it as failed.
    const bool written =
        image.ok && !folder.empty() &&
        WriteImageFile(folder + "/" + IntToText(static_cast<long long>(i)) + ".gif", image.body);
    ++(written ? summary.written : summary.failed);
  }
  view.SetStartEnabled(true);
  view.SetLabelText(DownloadFinalText(summary));
  return summary;
}

void StartDownloadRun(TextArray links, std::shared_ptr<DownloadView> view, ImageFetcher fetch) {
  RunningDownloads& running = Running();
  {
    std::lock_guard lock(running.mutex);
    ++running.count;
  }
  std::thread([links = std::move(links), view = std::move(view), fetch = std::move(fetch),
               &running]() mutable {
    DownloadRun(links, *view, fetch);
    view.reset();
    fetch = nullptr;
    std::lock_guard lock(running.mutex);
    --running.count;
    running.ended.notify_all();
  }).detach();
}

bool WaitForDownloadRuns(std::chrono::milliseconds limit) {
  RunningDownloads& running = Running();
  std::unique_lock lock(running.mutex);
  return running.ended.wait_for(lock, limit, [&] { return running.count == 0; });
}

}  // namespace qrh
