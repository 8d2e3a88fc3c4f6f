// DetailWorker: completes one row of the result table from its detail page.
#pragma once

#include <memory>

#include "harvest/harvest_run.h"

namespace qrh {

// Column 11 texts.
extern const char* const kStateCollecting;  // "正在采集中"
extern const char* const kStateDone;        // "采集完成"

// The routine of a detail worker thread for row rowIndex (0-based) of the
// run's table generation. The dispatcher has already counted the worker in
// RunningDetailWorkers and in the run's own count; the worker lowers both
// when it ends, whatever its page held. Writes for a table generation that
// has been replaced (a new run, the clear button) are dropped, and so is the
// region of a run whose region list has been cleared since.
void DetailWorker(std::shared_ptr<HarvestRunContext> run, int rowIndex);

}  // namespace qrh
