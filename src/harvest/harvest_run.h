// One harvest: the search phase, the detail dispatch and the completion.
//
// A HarvestRunContext is the handle of one run, kept in RunState::HarvestThread.
// The harvest thread, and every detail worker the run starts, hold it, so it
// lives as long as any of them.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "harvest/run_state.h"
#include "text/controls.h"
#include "text/text.h"
#include "web/fetch_cancel.h"

namespace qrh {

class HarvestRunContext : public HarvestHandle {
 public:
  HarvestRunContext(Controls& controls, RunState& state, Text host, Text searchId);

  Controls& controls;
  RunState& state;
  const Text host;
  const Text searchId;
  // The region-list epoch this run collects for (see region_list.h).
  std::uint64_t regionEpoch = 0;
  // The table generation the run's rows belong to; set by the harvest thread
  // before the first worker starts, read by the workers.
  std::uint64_t generation = 0;

  // Detail workers of this run that have been dispatched and not yet ended.
  std::atomic<int> runningWorkers{0};

  // Ends the run as soon as it looks: stop flag, the search request in
  // flight cancelled, the throttle and completion waits woken.
  void Stop();
  // Whether the run must end now: this run was stopped, or the stop button
  // was pressed (StopRequested).
  bool StopSeen() const;

  // For the harvest thread: marks the run's routine as finished.
  void MarkEnded();
  bool Ended() const;
  // Waits at most `bound` for the run's routine to finish.
  bool WaitEnded(std::chrono::milliseconds bound);

  FetchCancel& SearchCancel() { return searchCancel_; }

 private:
  std::atomic<bool> stopped_{false};
  FetchCancel searchCancel_;
  mutable std::mutex endMutex_;
  std::condition_variable endChanged_;
  bool ended_ = false;
};

// The routine of the harvest thread. Returns when the run is complete, or at
// once at the first test that sees a stop (before each page, each hit and each
// row, and in every wait); a stopped run performs none of the completion steps.
void HarvestRun(const std::shared_ptr<HarvestRunContext>& run);

// Starts HarvestRun on a new, detached thread.
void StartHarvestThread(const std::shared_ptr<HarvestRunContext>& run);

}  // namespace qrh
