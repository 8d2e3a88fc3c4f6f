// Time per request of WinInetFetch and WinHttpFetch against the loopback
// server, next to a bare libcurl easy-handle loop fetching the same address
// in the same run; the ratios are the routines' own overhead. Also the time
// from a cancel to the return of a request stalled on the server.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/loopback_server.h"
#include "web/fetch_cancel.h"
#include "web/winhttp_fetch.h"
#include "web/wininet_fetch.h"

namespace {

using qrh::test::LoopbackServer;
using qrh::test::Reply;

LoopbackServer& Server() {
  static LoopbackServer server;
  static const bool ready = [] {
    server.Serve("/page", Reply::Body(std::string(20000, 'p')));
    server.Serve("/stall", Reply::Stall());
    return true;
  }();
  (void)ready;
  return server;
}

std::size_t Append(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The reference: what any libcurl user writes for one request.
bool BareCurl(const std::string& url) {
  std::string body;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return body.size() == 20000;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The three clients take turns request by request, so a change of load on
// the machine hits them alike; each is timed on its own and the medians
// compared.
void BM_FetchPerRequest(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  std::vector<double> bare, inet, http;
  auto timed = [](std::vector<double>& into, auto&& request) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = request();
    into.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return ok;
  };
  std::size_t turn = 0;
  for (auto _ : state) {
    bool ok = true;
    for (int k = 0; k < 3; ++k) {
      switch ((turn + k) % 3) {
        case 0: ok &= timed(bare, [&] { return BareCurl(url); }); break;
        case 1: ok &= timed(inet, [&] { return qrh::WinInetFetch(url).size() == 20000; }); break;
        default: ok &= timed(http, [&] { return qrh::WinHttpFetch(url).size() == 20000; }); break;
      }
    }
    ++turn;
    if (!ok) state.SkipWithError("a request failed");
  }
  const double reference = Median(bare);
  state.counters["bare_us"] = reference * 1e6;
  state.counters["WinInetFetch_us"] = Median(inet) * 1e6;
  state.counters["WinHttpFetch_us"] = Median(http) * 1e6;
  if (reference > 0) {
    state.counters["WinInetFetch_ratio"] = Median(inet) / reference;
    state.counters["WinHttpFetch_ratio"] = Median(http) / reference;
  }
}

void BM_CancelLatency(benchmark::State& state) {
  const std::string url = Server().Url("/stall");
  for (auto _ : state) {
    qrh::FetchCancel cancel;
    const std::size_t before = Server().RequestCount();
    auto result = std::async(std::launch::async, [&] {
      qrh::FetchCancelScope scope(cancel);
      qrh::WinInetFetch(url);
      return std::chrono::steady_clock::now();
    });
    Server().WaitForRequests(before + 1, std::chrono::seconds(10));
    const auto cancelledAt = std::chrono::steady_clock::now();
    cancel.Cancel();
    const auto returnedAt = result.get();
    state.SetIterationTime(std::chrono::duration<double>(returnedAt - cancelledAt).count());
  }
}

BENCHMARK(BM_FetchPerRequest)->Unit(benchmark::kMicrosecond)->MinTime(3.0);
BENCHMARK(BM_CancelLatency)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// Keeps the counters and times of every run for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      seconds[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations);
      for (const auto& [name, counter] : run.counters) values[name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
  std::map<std::string, double> values;
};

}  // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  Server();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto& v = reporter.values;
  if (v.count("bare_us") != 0 && v.count("WinInetFetch_ratio") != 0) {
    std::printf("\nreference: bare libcurl easy handle per request, median %.1f us\n", v.at("bare_us"));
    for (const char* name : {"WinInetFetch", "WinHttpFetch"}) {
      std::printf("%-13s median %.1f us per request, ratio to bare libcurl %.2f (aim <= 1.2)\n", name,
                  v.at(std::string(name) + "_us"), v.at(std::string(name) + "_ratio"));
    }
  }
  const auto& s = reporter.seconds;
  if (s.count("BM_CancelLatency") != 0) {
    std::printf("cancel to return of a stalled WinInetFetch: %.2f ms on average (aim <= 100 ms)\n",
                s.at("BM_CancelLatency") * 1e3);
  }
  benchmark::Shutdown();
  return 0;
}
