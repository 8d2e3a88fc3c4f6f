// The region list: cleared at collect time, filled once per region at completion.
#include <gtest/gtest.h>

#include "harvest/region_list.h"
#include "support/recording_controls.h"

namespace qrh {
namespace {

TEST(RegionList, FillsEachRegionOnceAndSelectsTheFirst) {
  struct Case {
    const char* name;
    TextArray collected;
    TextArray list;
    int selection;
  };
  const Case cases[] = {
      {"last A after B", {"A", "A", "B", "A"}, {"B", "A"}, 0},
      {"last A before B", {"A", "A", "A", "B"}, {"A", "B"}, 0},
      {"empty region shows as an empty item", {"A", ""}, {"A", ""}, 0},
      {"deleted marker is never offered", {"文章已经删除", "A"}, {"A"}, 0},
      {"nothing collected", {}, {}, -1},
  };
  for (const Case& c : cases) {
    test::RecordingControls controls;
    RunState state;
    const std::uint64_t epoch = ClearRegionList(controls, state);
    for (const Text& r : c.collected) ASSERT_TRUE(AddCollectedRegion(state, epoch, r));
    FillRegionList(controls, state);
    EXPECT_EQ(controls.Items("组合框2"), c.list) << c.name;
    EXPECT_EQ(controls.Selection("组合框2"), c.selection) << c.name;
  }
}

TEST(RegionList, ClearEmptiesListAndRegionsAndDropsLateWorkersOfTheOldRun) {
  test::RecordingControls controls;
  RunState state;
  const std::uint64_t oldEpoch = ClearRegionList(controls, state);
  ASSERT_TRUE(AddCollectedRegion(state, oldEpoch, "A"));
  controls.SetItems("组合框2", {"A"}, 0);
  const std::uint64_t newEpoch = ClearRegionList(controls, state);
  EXPECT_TRUE(controls.Items("组合框2").empty());
  EXPECT_FALSE(AddCollectedRegion(state, oldEpoch, "stale"));
  EXPECT_TRUE(AddCollectedRegion(state, newEpoch, "B"));
  std::lock_guard lock(state.CollectedRegionsLock);
  EXPECT_EQ(state.CollectedRegions, TextArray{"B"});
}

}  // namespace
}  // namespace qrh
