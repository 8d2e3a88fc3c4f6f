#include "harvest/run_state.h"

namespace qrh {

void ReleaseRunState(RunState& state) {
  Text().swap(state.FolderDialogInitialPath);
  {
    std::lock_guard<std::mutex> lock(state.CollectedRegionsLock);
    TextArray().swap(state.CollectedRegions);
  }
  TextArray().swap(state.DownloadLinks);
}

}  // namespace qrh
