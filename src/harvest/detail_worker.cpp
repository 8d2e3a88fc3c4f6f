#include "harvest/detail_worker.h"

#include "harvest/detail_page.h"
#include "harvest/paced_wait.h"
#include "harvest/region_list.h"
#include "text/codepage.h"
#include "web/wininet_fetch.h"

namespace qrh {

const char* const kStateCollecting = "正在采集中";
const char* const kStateDone = "采集完成";

namespace {

// Lowers the counts when the worker ends, on every path.
class WorkerCount {
 public:
  explicit WorkerCount(std::shared_ptr<HarvestRunContext> run) : run_(std::move(run)) {}
  ~WorkerCount() {
    run_->state.RunningDetailWorkers.fetch_sub(1);
    run_->runningWorkers.fetch_sub(1);
    run_.reset();
    WakePacedWaits();
  }
  WorkerCount(const WorkerCount&) = delete;
  WorkerCount& operator=(const WorkerCount&) = delete;

 private:
  std::shared_ptr<HarvestRunContext> run_;
};

void Work(HarvestRunContext& run, int row) {
  Controls& controls = run.controls;
  const std::uint64_t generation = run.generation;
  auto write = [&](int column, const Text& text) {
    controls.SetCellInGeneration(generation, row, column, text);
  };
  write(11, kStateCollecting);
  const Text address = controls.GetCell(row, 2);
  const Text page = Utf8BytesToText(WinInetFetch(address));
  const DetailFields fields = ReadDetailPage(page);
  write(4, fields.description);
  write(5, fields.industry);
  write(6, fields.time);
  if (!fields.gone) AddCollectedRegion(run.state, run.regionEpoch, fields.region);
  write(7, fields.region);
  write(8, fields.tags);
  write(9, fields.wechatId);
  write(10, fields.qrAddress);
  write(11, kStateDone);
}

}  // namespace

void DetailWorker(std::shared_ptr<HarvestRunContext> run, int rowIndex) {
  HarvestRunContext& context = *run;
  WorkerCount count(std::move(run));
  try {
    Work(context, rowIndex);
  } catch (...) {
    // Out of memory or a failed control call: the row stays as far as it got;
    // the count is still lowered.
  }
}

}  // namespace qrh
