// Time per request of WinInetFetch and WinHttpFetch against the loopback
// server, next to a bare libcurl easy-handle loop fetching the same address
// in the same run; the ratios are the routines' own overhead. Also the time
// from a cancel to the return of a request stalled on the server.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <memory>
#include <string>

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
void BM_BareCurl(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  for (auto _ : state) {
    std::string body;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (body.size() != 20000) state.SkipWithError("bare libcurl request failed");
  }
}

void BM_WinInetFetch(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  for (auto _ : state) {
    if (qrh::WinInetFetch(url).size() != 20000) state.SkipWithError("WinInetFetch failed");
  }
}

void BM_WinHttpFetch(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  for (auto _ : state) {
    if (qrh::WinHttpFetch(url).size() != 20000) state.SkipWithError("WinHttpFetch failed");
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

BENCHMARK(BM_BareCurl)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_WinInetFetch)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_WinHttpFetch)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_CancelLatency)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

// Keeps the time per iteration of every run for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        seconds[run.run_name.function_name] = run.real_accumulated_time / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  Server();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto& s = reporter.seconds;
  if (s.count("BM_BareCurl") != 0 && s.at("BM_BareCurl") > 0) {
    const double bare = s.at("BM_BareCurl");
    std::printf("\nreference: bare libcurl easy handle per request %.1f us\n", bare * 1e6);
    for (const char* name : {"BM_WinInetFetch", "BM_WinHttpFetch"}) {
      if (s.count(name) != 0) {
        std::printf("%-16s %.1f us per request, ratio to bare libcurl %.2f (target <= 1.2)\n", name + 3,
                    s.at(name) * 1e6, s.at(name) / bare);
      }
    }
  }
  if (s.count("BM_CancelLatency") != 0) {
    std::printf("cancel to return: %.2f ms on average (target <= 100 ms)\n", s.at("BM_CancelLatency") * 1e3);
  }
  benchmark::Shutdown();
  return 0;
}
