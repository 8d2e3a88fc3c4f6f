// The process-wide values through which the GUI thread, the harvest thread,
// the detail workers and the download thread cooperate.
//
// One RunState is created at start-up and lives until the process ends. The
// entry routine owns it and hands references to whoever needs it; there is no
// other global state.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "text/text.h"

namespace qrh {

// Whatever a running harvest needs so that the stop button can end it and the
// collect button can replace it. The harvest code derives its own handle from
// this; the run state only keeps the most recent one.
class HarvestHandle {
 public:
  virtual ~HarvestHandle() = default;
};

struct RunState {
  // Set by the stop button, cleared by the collect button when it starts a
  // run; read by the dispatch phase before each row.
  std::atomic<bool> StopRequested{false};

  // Raised by each detail worker as it begins and lowered as it ends; read by
  // the dispatch throttle.
  std::atomic<std::int32_t> RunningDetailWorkers{0};

  // The regions the detail workers found. Every access holds
  // CollectedRegionsLock, and no control operation, fetch or wait for another
  // thread is made while it is held.
  std::mutex CollectedRegionsLock;
  TextArray CollectedRegions;

  // The QR image addresses the download window selected; touched by the
  // download window's code only.
  TextArray DownloadLinks;

  // The handle of the most recently started harvest; written and read on the
  // GUI thread only.
  std::shared_ptr<HarvestHandle> HarvestThread;

  // The folder the folder chooser is asked to select when it opens; written
  // and read on the GUI thread only.
  Text FolderDialogInitialPath;
};

// Run by the exit routine: releases the texts the run state holds. The
// object itself stays valid, because threads still running when the program
// ends may touch it until the process is gone.
void ReleaseRunState(RunState& state);

}  // namespace qrh
