// A whole harvest against the demo site with 50 ms per request: 20 keywords,
// 2 pages each, 10 hits per page, 20 detail threads. Prints the wall time
// from the collect click to the completion text, divided by the network-bound
// ideal: the search pages one after another plus ceil(rows / threads) rounds
// of detail pages, each request 50 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

#include "harvest/demo_site_process.h"
#include "harvest/harvest_buttons.h"
#include "harvest/harvest_run.h"
#include "harvest/paced_wait.h"
#include "support/recording_controls.h"
#include "text/text_rules.h"

namespace {

constexpr int kLatencyMs = 50;
constexpr int kKeywords = 20;
constexpr int kPages = 2;
constexpr int kThreads = 20;

void BM_HarvestAgainstSlowSite(benchmark::State& state) {
  qrh::test::DemoSite site(kLatencyMs);
  if (!site.Ready()) {
    state.SkipWithError("demo-site did not start");
    return;
  }
  setenv("QRHARVEST_SITE", site.Host().c_str(), 1);
  qrh::Text keywords;
  for (int i = 1; i <= kKeywords; ++i) keywords += (i > 1 ? "\r\n" : "") + ("kw" + qrh::IntToText(i));

  double ratioSum = 0, worst = 0, ideal = 0;
  int iterations = 0;
  double searchSum = 0;
  for (auto _ : state) {
    qrh::test::RecordingControls controls;
    qrh::RunState run;
    controls.SetText("编辑框_关键词", keywords);
    controls.SetText("编辑框_采集页数", qrh::IntToText(kPages));
    controls.SetSelection("组合框1", 2);  // "20"
    const auto start = std::chrono::steady_clock::now();
    qrh::CollectButtonClicked(controls, run, true);
    controls.WaitUntil([&] { return controls.Status() == "正在采集详细信息,请稍候..."; },
                       std::chrono::minutes(5));
    const auto searched = std::chrono::steady_clock::now();
    controls.WaitUntil(
        [&] { return controls.Status().rfind("采集完成", 0) == 0; }, std::chrono::minutes(5));
    const auto end = std::chrono::steady_clock::now();
    auto* context = dynamic_cast<qrh::HarvestRunContext*>(run.HarvestThread.get());
    context->WaitEnded(std::chrono::minutes(1));

    const int rows = controls.RowCount();
    const double wall = std::chrono::duration<double>(end - start).count();
    ideal = (kKeywords * kPages + std::ceil(static_cast<double>(rows) / kThreads)) * kLatencyMs / 1000.0;
    ratioSum += wall / ideal;
    searchSum += std::chrono::duration<double>(searched - start).count();
    worst = std::max(worst, wall / ideal);
    ++iterations;
    state.SetIterationTime(wall);
    state.counters["rows"] = rows;
  }
  state.counters["ideal_s"] = ideal;
  state.counters["search_s"] = iterations ? searchSum / iterations : 0;
  state.counters["wall_per_ideal"] = iterations ? ratioSum / iterations : 0;
  state.counters["worst_wall_per_ideal"] = worst;
  unsetenv("QRHARVEST_SITE");
}
BENCHMARK(BM_HarvestAgainstSlowSite)->UseManualTime()->Iterations(5)->Unit(benchmark::kSecond);

// The stop button while the site holds the search request: time until the
// run has ended, against the 200 ms the operator may wait at most.
void BM_StopWhileSearchStalled(benchmark::State& state) {
  qrh::test::DemoSite site(0);
  if (!site.Ready()) {
    state.SkipWithError("demo-site did not start");
    return;
  }
  setenv("QRHARVEST_SITE", site.Host().c_str(), 1);
  double worst = 0;
  for (auto _ : state) {
    qrh::test::RecordingControls controls;
    qrh::RunState run;
    site.Requests(true);
    site.Stall("search");
    controls.SetText("编辑框_关键词", "kw");
    qrh::CollectButtonClicked(controls, run, false);
    const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (site.Requests().empty() && std::chrono::steady_clock::now() < due) qrh::PacedWait(5);
    const auto start = std::chrono::steady_clock::now();
    qrh::StopButtonClicked(controls, run);
    dynamic_cast<qrh::HarvestRunContext*>(run.HarvestThread.get())
        ->WaitEnded(std::chrono::minutes(1));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    worst = std::max(worst, took);
    state.SetIterationTime(took);
    site.Stall("none");
  }
  state.counters["worst_stop_per_200ms"] = worst / 0.2;
  unsetenv("QRHARVEST_SITE");
}
BENCHMARK(BM_StopWhileSearchStalled)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
