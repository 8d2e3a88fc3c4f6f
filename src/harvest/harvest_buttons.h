// The collect and stop buttons of the main window (按钮_采集, 按钮_停止).
#pragma once

#include "harvest/run_state.h"
#include "text/controls.h"

namespace qrh {

inline constexpr char kNoKeywordsMessage[] = "请输入关键词或导入关键词";

// Collect: refuses an empty keyword box with a message; otherwise restricts
// the process to its first processor (unless told not to, as the core tests
// do), clears the region list, clears StopRequested, ends a run that is still
// going, and starts a new harvest thread whose handle goes into
// RunState::HarvestThread. GUI thread only.
void CollectButtonClicked(Controls& controls, RunState& state,
                          bool restrictToFirstProcessor = true);

// Stop: ends the current run at once (its search request in flight is
// cancelled; it performs no completion step), sets StopRequested and enables
// the collect button. Detail workers already started run to their end.
// GUI thread only.
void StopButtonClicked(Controls& controls, RunState& state);

}  // namespace qrh
