#include "harvest/harvest_run.h"

#include <thread>
#include <utility>

#include "harvest/dispatch.h"
#include "harvest/paced_wait.h"
#include "harvest/region_list.h"
#include "harvest/search_page.h"
#include "harvest/site_endpoint.h"
#include "text/codepage.h"
#include "text/text_rules.h"
#include "web/winhttp_fetch.h"

namespace qrh {

HarvestRunContext::HarvestRunContext(Controls& controlsIn, RunState& stateIn, Text hostIn,
                                     Text searchIdIn)
    : controls(controlsIn),
      state(stateIn),
      host(std::move(hostIn)),
      searchId(std::move(searchIdIn)) {}

void HarvestRunContext::Stop() {
  stopped_.store(true);
  searchCancel_.Cancel();
  WakePacedWaits();
}

bool HarvestRunContext::StopSeen() const {
  return stopped_.load() || state.StopRequested.load();
}

void HarvestRunContext::MarkEnded() {
  {
    std::lock_guard lock(endMutex_);
    ended_ = true;
  }
  endChanged_.notify_all();
}

bool HarvestRunContext::Ended() const {
  std::lock_guard lock(endMutex_);
  return ended_;
}

bool HarvestRunContext::WaitEnded(std::chrono::milliseconds bound) {
  std::unique_lock lock(endMutex_);
  return endChanged_.wait_for(lock, bound, [this] { return ended_; });
}

namespace {

const char* const kCollectButton = "按钮_采集";

// The search phase. Returns false when a stop was seen.
bool SearchPhase(HarvestRunContext& run, const TextArray& keywords) {
  Controls& controls = run.controls;
  const int n = static_cast<int>(keywords.size());
  for (int i = 1; i <= n; ++i) {
    const Text& keyword = keywords[static_cast<std::size_t>(i - 1)];
    const int pages = TextToInt(controls.GetText("编辑框_采集页数"));
    for (int j = 1; j <= pages; ++j) {
      if (run.StopSeen()) return false;
      controls.SetStatus("正在采集关键词：" + keyword + IntToText(i) + "/" + IntToText(n) +
                         "   第" + IntToText(j) + "页");
      const Text address =
          SearchAddress(run.host, run.searchId, keyword, j, TimeFilterSuffix(controls));
      Bytes body;
      {
        FetchCancelScope scope(run.SearchCancel());
        body = WinHttpFetch(address);
      }
      if (run.StopSeen()) return false;
      for (const SearchHit& hit : ReadSearchPage(Utf8BytesToText(body))) {
        if (run.StopSeen()) return false;
        const int row = controls.AppendRow();
        // The clear button may have emptied the table since the last row: the
        // run goes on filling the emptied table, and so do its workers. A run
        // that sees a newer generation only because a new run has begun has
        // been stopped by then, and ends here.
        const std::uint64_t generation = controls.TableGeneration();
        if (run.StopSeen()) return false;
        run.generation = generation;
        controls.SetCellInGeneration(run.generation, row, 0, IntToText(controls.RowCount()));
        controls.SetCellInGeneration(run.generation, row, 2, hit.address);
        controls.SetCellInGeneration(run.generation, row, 1, hit.title);
        controls.SetCellInGeneration(run.generation, row, 3, hit.source);
      }
    }
  }
  return true;
}

// The completion phase. Waits for this run's workers first, so the count
// shown and the region list are those of the finished rows.
void CompletionPhase(HarvestRunContext& run) {
  Controls& controls = run.controls;
  while (run.runningWorkers.load() > 0) {
    PacedWait(500, 0, [&] { return run.StopSeen() || run.runningWorkers.load() == 0; });
    if (run.StopSeen()) return;
  }
  if (run.StopSeen()) return;
  controls.SetStatus("采集完成！共计采集结果：" + IntToText(controls.RowCount()) + "条");
  PacedWait(1500, 0, [&] { return run.StopSeen(); });
  if (run.StopSeen()) return;
  controls.SetEnabled(kCollectButton, true);
  FillRegionList(controls, run.state);
}

}  // namespace

void HarvestRun(const std::shared_ptr<HarvestRunContext>& run) {
  Controls& controls = run->controls;
  controls.DeleteAllRows();
  run->generation = controls.TableGeneration();
  controls.SetEnabled(kCollectButton, false);
  const TextArray keywords = SplitText(controls.GetText("编辑框_关键词"), "\r\n");
  if (!SearchPhase(*run, keywords)) return;
  if (!DispatchDetailWorkers(run)) return;
  CompletionPhase(*run);
}

void StartHarvestThread(const std::shared_ptr<HarvestRunContext>& run) {
  std::thread([run] {
    try {
      HarvestRun(run);
    } catch (...) {
      // A failed control call or allocation ends the run; the stop button
      // still works and a new collect starts afresh.
    }
    run->MarkEnded();
  }).detach();
}

}  // namespace qrh
