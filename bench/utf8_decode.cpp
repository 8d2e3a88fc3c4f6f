// Decoding a 1 MiB UTF-8 page into code page 936: Utf8BytesToText against
// glibc's iconv (one handle, one call over the whole page) in the same run.
// Prints both throughputs and their ratio.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "text/codepage.h"

namespace {

// A search-result page of the directory site: ASCII markup with Chinese
// listings, about one third of the bytes in three-byte characters.
const std::string& Page() {
  static const std::string page = [] {
    const std::string listing = reinterpret_cast<const char*>(
        u8"<div class=\"result\"><h3><a href=\"/group/123456.html\">深圳<em>宝妈</em>交流群"
        u8"（第二期）</a></h3><p class=\"desc\">地区：广东 深圳；行业：母婴育儿。"
        u8"标签：宝妈、早教、亲子活动、二手闲置……扫码加群，满员请加群主微信。</p>"
        u8"<span class=\"time\">更新时间：2026-12-11 09:30</span></div>\r\n");
    std::string text;
    while (text.size() + listing.size() <= (1u << 20)) text += listing;
    text.append((1u << 20) - text.size(), ' ');
    return text;
  }();
  return page;
}

void BM_Utf8BytesToText(benchmark::State& state) {
  const std::string& page = Page();
  for (auto _ : state) {
    qrh::Text text = qrh::Utf8BytesToText(page);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_Utf8BytesToText)->Unit(benchmark::kMicrosecond);

void BM_IconvUtf8ToCp936(benchmark::State& state) {
  const std::string& page = Page();
  iconv_t cd = iconv_open("CP936", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open failed");
    return;
  }
  std::vector<char> out(page.size() * 2);
  for (auto _ : state) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(page.data());
    std::size_t inLeft = page.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      state.SkipWithError("iconv failed on the page");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_IconvUtf8ToCp936)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's throughput (bytes per CPU second, as the table
// shows it) besides printing it.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      throughput[run.run_name.function_name] = static_cast<double>(Page().size()) / seconds;
    }
  }
  std::map<std::string, double> throughput;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto ours = reporter.throughput.find("BM_Utf8BytesToText");
  const auto iconvs = reporter.throughput.find("BM_IconvUtf8ToCp936");
  if (ours == reporter.throughput.end() || iconvs == reporter.throughput.end()) return 0;
  constexpr double kMiB = 1024.0 * 1024.0;
  std::printf("Utf8BytesToText: %.1f MiB/s, iconv: %.1f MiB/s, ratio Utf8BytesToText/iconv: %.2f\n",
              ours->second / kMiB, iconvs->second / kMiB, ours->second / iconvs->second);
  return 0;
}
