#include "harvest/dispatch.h"

#include <system_error>
#include <thread>

#include "harvest/detail_worker.h"
#include "harvest/paced_wait.h"
#include "text/text_rules.h"

namespace qrh {

int ThreadLimit(Controls& controls) {
  const char* const list = "组合框1";
  return TextToInt(controls.GetItemText(list, controls.GetSelection(list)));
}

bool DispatchDetailWorkers(const std::shared_ptr<HarvestRunContext>& run) {
  Controls& controls = run->controls;
  RunState& state = run->state;
  controls.SetStatus(kDispatchStatus);
  const int rows = controls.RowCount();
  for (int j = 1; j <= rows; ++j) {
    if (run->StopSeen()) return false;
    for (;;) {
      const int limit = ThreadLimit(controls);
      if (state.RunningDetailWorkers.load() < limit) break;
      PacedWait(500, 0, [&] {
        return run->StopSeen() || state.RunningDetailWorkers.load() < limit;
      });
      if (run->StopSeen()) return false;
    }
    state.RunningDetailWorkers.fetch_add(1);
    run->runningWorkers.fetch_add(1);
    try {
      std::thread(DetailWorker, run, j - 1).detach();
    } catch (const std::system_error&) {
      // No thread could be made: take the count back and try this row again
      // once a worker has ended.
      state.RunningDetailWorkers.fetch_sub(1);
      run->runningWorkers.fetch_sub(1);
      PacedWait(500, 0, [&] { return run->StopSeen(); });
      --j;
    }
  }
  return true;
}

}  // namespace qrh
