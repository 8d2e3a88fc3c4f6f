// The region list 组合框2: emptied when a harvest starts, filled without
// repeats from CollectedRegions when it completes.
//
// Every clear of CollectedRegions starts a new region epoch. A detail worker
// adds its region only while the epoch of its run is still the current one,
// so workers of a stopped or earlier run never put regions into a later run's
// list.
#pragma once

#include <cstdint>

#include "harvest/run_state.h"
#include "text/controls.h"
#include "text/text.h"

namespace qrh {

// Collect-time steps: removes every item of 组合框2, then empties
// CollectedRegions under its lock. Returns the new region epoch.
std::uint64_t ClearRegionList(Controls& controls, RunState& state);

// A detail worker's append: adds the region (an empty one too) under the
// lock, unless the epoch has moved on. Returns whether it was added.
bool AddCollectedRegion(RunState& state, std::uint64_t epoch, const Text& region);

// Completion steps: de-duplicates CollectedRegions under its lock and copies
// it; then, with the lock released, appends every region except
// "文章已经删除" to 组合框2 and selects item 0 (nothing when empty).
void FillRegionList(Controls& controls, RunState& state);

}  // namespace qrh
