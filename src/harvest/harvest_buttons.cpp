#include "harvest/harvest_buttons.h"

#include <memory>

#include "harvest/harvest_run.h"
#include "harvest/paced_wait.h"
#include "harvest/processor_affinity.h"
#include "harvest/region_list.h"
#include "harvest/site_endpoint.h"

namespace qrh {

namespace {

void StopCurrentRun(RunState& state) {
  if (auto* run = dynamic_cast<HarvestRunContext*>(state.HarvestThread.get())) run->Stop();
}

}  // namespace

void CollectButtonClicked(Controls& controls, RunState& state, bool restrictToFirstProcessor) {
  if (controls.GetText("编辑框_关键词").empty()) {
    controls.ShowMessage(kNoKeywordsMessage);
    return;
  }
  if (restrictToFirstProcessor) RestrictToFirstProcessor();
  // A run stopped a moment ago may not have looked at its flag yet; make sure
  // it ends before the new run touches the table.
  StopCurrentRun(state);
  const std::uint64_t epoch = ClearRegionList(controls, state);
  state.StopRequested.store(false);
  auto run = std::make_shared<HarvestRunContext>(controls, state, SiteHost(), SiteSearchId());
  run->regionEpoch = epoch;
  state.HarvestThread = run;
  StartHarvestThread(run);
}

void StopButtonClicked(Controls& controls, RunState& state) {
  StopCurrentRun(state);
  state.StopRequested.store(true);
  WakePacedWaits();
  controls.SetEnabled("按钮_采集", true);
}

}  // namespace qrh
