#include "harvest/region_list.h"

#include <atomic>
#include <mutex>

#include "text/dedupe_text_array.h"

namespace qrh {
namespace {

const char* const kRegionList = "组合框2";

// Changed only with a CollectedRegions lock held; atomic because several
// run states may exist in one process (the tests make many).
std::atomic<std::uint64_t> g_regionEpoch{1};

}  // namespace

std::uint64_t ClearRegionList(Controls& controls, RunState& state) {
  controls.ClearItems(kRegionList);
  std::lock_guard lock(state.CollectedRegionsLock);
  state.CollectedRegions.clear();
  state.CollectedRegions.shrink_to_fit();
  return ++g_regionEpoch;
}

bool AddCollectedRegion(RunState& state, std::uint64_t epoch, const Text& region) {
  std::lock_guard lock(state.CollectedRegionsLock);
  if (epoch != g_regionEpoch.load()) return false;
  state.CollectedRegions.push_back(region);
  return true;
}

void FillRegionList(Controls& controls, RunState& state) {
  TextArray regions;
  {
    std::lock_guard lock(state.CollectedRegionsLock);
    DedupeTextArray(&state.CollectedRegions);
    regions = state.CollectedRegions;
  }
  int added = 0;
  for (const Text& region : regions) {
    if (region == "文章已经删除") continue;
    controls.AddItem(kRegionList, region);
    ++added;
  }
  // An empty list keeps nothing selected.
  if (added > 0) controls.SetSelection(kRegionList, 0);
}

}  // namespace qrh
