// The QR image download: fetches every selected address in turn and writes
// its bytes to <save folder>/<i>.gif.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

#include "text/text.h"

namespace qrh {

// What a download run shows in its window, and where it reads the save
// folder. Calls come from the run's own thread; once the window has gone the
// display calls must do nothing and touch no window.
class DownloadView {
 public:
  virtual ~DownloadView() = default;
  // The main window's save folder box "编辑框_路径", read for every file.
  virtual Text SaveFolder() = 0;
  virtual void SetProgressRange(int maximum) = 0;  // the bar runs from 0 to maximum
  virtual void SetProgressValue(int value) = 0;
  virtual void SetLabelText(const Text& text) = 0;
  virtual void SetStartEnabled(bool enabled) = 0;
};

// One fetched image: ok only for a body that is not empty, from a response
// whose status is 200 to 299 (or could not be read from its header block).
struct FetchedImage {
  bool ok = false;
  Bytes body;
};
using ImageFetcher = std::function<FetchedImage(const Text& url)>;

// Fetches url with WinInetFetch (a plain GET) and checks the response.
FetchedImage FetchImage(const Text& url);

// The status of the last response in a raw header block ("HTTP/1.1 200 OK"
// lines), or 0 when there is none.
int LastResponseStatus(const Text& headerBlock);

struct DownloadSummary {
  std::size_t written = 0;
  std::size_t failed = 0;
};

// "下载完成！共计下载:" + written + "个", then "，失败:" + failed + "个" when
// some failed.
Text DownloadFinalText(const DownloadSummary& summary);

// The progress bar's range ends at 32767.
constexpr int kProgressLimit = 32767;

// Runs one download over the links, strictly one address at a time. For
// address i (from 1) it reads the save folder, fetches the address and
// writes file <folder>/<i>.gif; a failed fetch or write leaves no file under
// that number and counts as failed. The start button is disabled while it
// runs.
DownloadSummary DownloadRun(const TextArray& links, DownloadView& view,
                            const ImageFetcher& fetch = FetchImage);

// Starts DownloadRun on a new thread that nobody joins, over its own copy of
// the links; the thread shares the ownership of the view.
void StartDownloadRun(TextArray links, std::shared_ptr<DownloadView> view,
                      ImageFetcher fetch = FetchImage);

// Waits until no run started by StartDownloadRun is left, at most `limit`.
// Returns whether none is left.
bool WaitForDownloadRuns(std::chrono::milliseconds limit);

}  // namespace qrh
