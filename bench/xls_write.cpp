// Writing data.xls: a 65,535-row table of realistic Chinese texts exported by
// ExportWorkbook, against Perl's Spreadsheet::WriteExcel writing the same
// cells as text (format "@") in the same run. Prints the time and peak
// memory ratios; the target is at least 10 times faster.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "export/export_workbook.h"
#include "text/codepage.h"
#include "text/controls.h"
#include "text/text_rules.h"

namespace {

using qrh::Text;
using qrh::TextArray;
using Row = std::array<Text, 12>;

constexpr int kRows = 65535;

// A main window whose table is the generated rows; nothing else is used.
class BenchTable : public qrh::Controls {
 public:
  explicit BenchTable(const std::vector<Row>& rows) : rows_(rows) {}
  void ShowMessage(const Text&) override {}
  Text GetText(std::string_view) override { return {}; }
  void SetText(std::string_view, const Text&) override {}
  void SetEnabled(std::string_view, bool) override {}
  bool IsChecked(std::string_view) override { return false; }
  int GetSelection(std::string_view) override { return -1; }
  void SetSelection(std::string_view, int) override {}
  Text GetItemText(std::string_view, int) override { return {}; }
  void AddItem(std::string_view, const Text&) override {}
  void ClearItems(std::string_view) override {}
  void SetStatus(const Text&) override {}
  void DeleteAllRows() override {}
  int AppendRow() override { return -1; }
  int RowCount() override { return static_cast<int>(rows_.size()); }
  void SetCell(int, int, const Text&) override {}
  Text GetCell(int row, int column) override {
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  std::uint64_t TableGeneration() override { return 0; }
  void SetCellInGeneration(std::uint64_t, int, int, const Text&) override {}

 private:
  const std::vector<Row>& rows_;
};

const TextArray& Titles() {
  static const TextArray titles = {"ID",   "群/公众号名称", "URL",    "来自",
                                   "简介", "行业",          "时间",   "地区",
                                   "标签", "微信号",        "二维码图片", "工作状态"};
  return titles;
}

// Rows as a harvest fills them: mostly distinct names, descriptions and
// addresses, a few repeating sources, industries, regions and states.
std::vector<Row> MakeRows() {
  static const TextArray kCities = {"上海", "北京", "广州", "深圳", "杭州", "成都", "武汉", "南京"};
  static const TextArray kTopics = {"宝妈交流", "二手交易", "考研互助", "跑步健身", "摄影爱好",
                                    "创业交流", "美食分享", "旅游结伴"};
  static const TextArray kPhrases = {"欢迎各位朋友进群交流", "禁止发广告和链接", "每天分享最新资讯",
                                     "群内互帮互助", "本群定期组织线下活动", "请遵守群规",
                                     "有问题请联系群主", "进群请修改备注"};
  static const TextArray kIndustries = {"母婴", "教育", "运动", "摄影", "互联网", "餐饮", "旅游"};
  static const TextArray kSources = {"微信群", "个人微信", "公众号"};
  std::mt19937 random(20240601);
  auto pick = [&](const TextArray& from) { return from[random() % from.size()]; };
  std::vector<Row> rows;
  rows.reserve(kRows);
  for (int i = 0; i < kRows; ++i) {
    const Text n = qrh::IntToText(i + 1);
    const Text city = pick(kCities);
    const Text topic = pick(kTopics);
    Text description;
    for (int k = 0; k < 3; ++k) description += pick(kPhrases) + "，";
    description += "群号" + qrh::IntToText(100000 + random() % 900000);
    rows.push_back({n,
                    city + topic + "群" + qrh::IntToText(random() % 1000),
                    "http://www.weixinqun.example.cn/group/" + qrh::IntToText(1000000 + i) + ".html",
                    pick(kSources),
                    description,
                    pick(kIndustries),
                    "2024-0" + qrh::IntToText(1 + random() % 9) + "-1" + qrh::IntToText(random() % 10),
                    city,
                    topic + "," + pick(kIndustries),
                    random() % 4 == 0 ? Text("无") : "wx" + qrh::IntToText(random() % 100000000),
                    "http://img.weixinqun.example.cn/qr/" + qrh::IntToText(7000000 + i) + ".jpg",
                    "采集完成"});
  }
  return rows;
}

long ProcStatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  }
  return 0;
}

struct Measured {
  double seconds = 0;
  long peakKb = 0;
  bool ok = false;
};

// Perl writes the same cells, read from a UTF-8 file, as strings with the
// "@" format; it reports the seconds its writing took (interpreter start-up
// not counted), and wait4 gives its peak resident memory.
const char* const kPerlScript = R"PERL(
use strict; use warnings;
use Spreadsheet::WriteExcel; use Time::HiRes qw(time);
my ($in, $out) = @ARGV;
open(my $fh, '<:encoding(UTF-8)', $in) or die "$in: $!";
my $start = time;
my $book = Spreadsheet::WriteExcel->new($out) or die "$out: $!";
my $sheet = $book->add_worksheet();
my $text = $book->add_format(num_format => '@');
my $r = 0;
while (my $line = <$fh>) {
  chomp $line;
  my @cells = split /\t/, $line, -1;
  for my $c (0 .. $#cells) { $sheet->write_string($r, $c, $cells[$c], $text); }
  $r++;
}
$book->close();
printf "%.6f\n", time - $start;
)PERL";

Measured RunPerl(const std::string& folder, const std::vector<Row>& rows) {
  const std::string script = folder + "/write.pl";
  const std::string input = folder + "/cells.tsv";
  std::ofstream(script) << kPerlScript;
  {
    std::ofstream tsv(input, std::ios::binary);
    auto line = [&](auto begin, auto end) {
      for (auto it = begin; it != end; ++it) tsv << (it == begin ? "" : "\t") << qrh::AnsiToUtf8(*it);
      tsv << "\n";
    };
    line(Titles().begin(), Titles().end());
    for (const Row& row : rows) line(row.begin(), row.end());
  }
  // Perl reads the cells line by line as it writes them, so its peak is
  // its interpreter and its writer; its time includes reading the lines.
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    const std::string output = folder + "/perl.xls";
    ::execl("/usr/bin/perl", "perl", script.c_str(), input.c_str(), output.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string printed;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) printed.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  Measured m;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !printed.empty();
  m.seconds = std::atof(printed.c_str());
  m.peakKb = usage.ru_maxrss;
  return m;
}

std::vector<Row>* gRows = nullptr;
std::string* gFolder = nullptr;
double gBestSeconds = 0;

void BM_ExportWorkbook(benchmark::State& state) {
  BenchTable table(*gRows);
  const Text target = *gFolder + "/data.xls";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const qrh::SaveResult result = qrh::ExportWorkbook(table, target, Titles());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.ok) state.SkipWithError("export failed");
    if (gBestSeconds == 0 || seconds < gBestSeconds) gBestSeconds = seconds;
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_ExportWorkbook)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string folder = (std::filesystem::temp_directory_path() / "qrh-bench-xls-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  std::vector<Row> rows = MakeRows();
  gRows = &rows;
  gFolder = &folder;

  // Our peak: the memory an export adds on top of the table it reads.
  {
    BenchTable table(rows);
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak counter
    const long before = ProcStatusKb("VmRSS:");
    qrh::ExportWorkbook(table, folder + "/data.xls", Titles());
    const long peak = ProcStatusKb("VmHWM:") - before;
    benchmark::RunSpecifiedBenchmarks();
    const Measured perl = RunPerl(folder, rows);
    const auto fileMb = static_cast<double>(std::filesystem::file_size(folder + "/data.xls")) / 1e6;
    std::printf("\nworkbook: %d rows x 12 text cells, %.1f MB\n", kRows, fileMb);
    if (!perl.ok) {
      std::printf("Perl Spreadsheet::WriteExcel did not run; no reference\n");
    } else {
      std::printf("time:   ours %.3f s, Perl Spreadsheet::WriteExcel %.3f s -> %.1fx faster (target 10x)\n",
                  gBestSeconds, perl.seconds, perl.seconds / gBestSeconds);
      std::printf("memory: ours +%.1f MB over the table, Perl %.1f MB peak -> %.1fx less\n",
                  static_cast<double>(peak) / 1024, static_cast<double>(perl.peakKb) / 1024,
                  static_cast<double>(perl.peakKb) / static_cast<double>(std::max(peak, 1L)));
    }
  }
  std::filesystem::remove_all(folder);
  benchmark::Shutdown();
  return 0;
}
