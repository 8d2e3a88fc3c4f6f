// The dispatch phase of a harvest: one detail worker per row, never more
// running at once than the chosen thread count.
#pragma once

#include <memory>

#include "harvest/harvest_run.h"

namespace qrh {

inline constexpr char kDispatchStatus[] = "正在采集详细信息,请稍候...";

// The thread count: the selected item of 组合框1 as an integer (0 when it
// does not convert or nothing is selected).
int ThreadLimit(Controls& controls);

// Shows the dispatch status and starts a detached DetailWorker for every row
// of the table (its count taken once). Before starting one it waits, in
// PacedWait(500) steps that end early when a worker ends, until fewer
// workers run than the thread count read afresh. A worker counts as running
// from the moment it is dispatched. Returns false as soon as a stop is seen
// (before each row and in every wait), true when every row was dispatched.
bool DispatchDetailWorkers(const std::shared_ptr<HarvestRunContext>& run);

}  // namespace qrh
