// The description pattern of the detail worker over a 5 MiB detail page:
// RegexObject::Search (conversion to UTF-8 included) against JavaScript's
// RegExp in Node.js doing the same global, case-insensitive, multi-line
// search over the same page in the same run. Prints both times per search
// and their ratio. Both must find the expected description.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/regex_object.h"

namespace {

namespace fs = std::filesystem;

qrh::Text S(int count) { return qrh::Text(static_cast<std::size_t>(count), ' '); }

const qrh::Text& DescriptionPattern() {
  static const qrh::Text pattern =
      "<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">"
      ".*?([\\s\\S]*?).*?<i class=\"wxqicon_1 weixinqunICON\">\n";
  return pattern;
}

const qrh::Text& Description() {
  static const qrh::Text text = "本群为上海宝妈交流群，\n" + S(40) + "每天分享育儿经验、早教资源。\n" +
                                S(40) + "欢迎加入！群满请加群主微信。";
  return text;
}

// What group 1 holds: the description, from the two spaces after the tag to
// the end of the line before the icon.
qrh::Text ExpectedGroup() { return "  " + Description() + "</span></li>\n"; }

// A detail page of 5 MiB: listing markup and Chinese text lines, with the
// description block nine tenths of the way down.
const qrh::Text& Page() {
  static const qrh::Text page = [] {
    const std::size_t size = 5u << 20;
    const qrh::Text filler =
        S(36) + "<li class=\"other\"><a href=\"/list.php?c=qun&amp;p=2\">相关群：深圳宝妈交流群（第二期）</a>"
                "<span class=\"des_info_text1\">地区：广东 深圳</span></li>\n" +
        S(36) + "<p>扫码加群，满员请加群主微信。二手闲置、早教、亲子活动……</p>\n";
    qrh::Text block = "<div class=\"des_info\">\n"
                      "<span class=\"des_info_text2\" style=\"width:380px; margin-left:48px;\">  " +
                      Description() + "</span></li>\n" + S(40) +
                      "<ul class=\"other-info\"><li style=\"width:185px;\"><i class=\"wxqicon_1 "
                      "weixinqunICON\">\n" +
                      S(36) + "<li>时间：\n" + S(44) + "2024-03-05\n" + S(36) + "</li>\n</ul>\n</div>\n";
    qrh::Text text = "<!DOCTYPE html>\n<html>\n<body>\n";
    while (text.size() < size * 9 / 10) text += filler;
    text += block;
    while (text.size() < size) text += filler;
    return text + "</body>\n</html>\n";
  }();
  return page;
}

void BM_RegexObjectDescription(benchmark::State& state) {
  const qrh::Text& page = Page();
  for (auto _ : state) {
    qrh::RegexObject regex;
    regex.Search(DescriptionPattern(), page);
    qrh::Text group = regex.SubMatchText(1, 1);
    benchmark::DoNotOptimize(group.data());
  }
}
BENCHMARK(BM_RegexObjectDescription)->Unit(benchmark::kMillisecond);

// As the detail worker searches: one object runs its patterns one after
// another over the same page, so the page is converted to UTF-8 only once.
void BM_RegexObjectDescriptionSamePage(benchmark::State& state) {
  const qrh::Text& page = Page();
  qrh::RegexObject regex;
  for (auto _ : state) {
    regex.Search(DescriptionPattern(), page);
    qrh::Text group = regex.SubMatchText(1, 1);
    benchmark::DoNotOptimize(group.data());
  }
}
BENCHMARK(BM_RegexObjectDescriptionSamePage)->Unit(benchmark::kMillisecond);

class TimeReporter : public benchmark::ConsoleReporter {
 public:
  TimeReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      secondsPerSearch[run.run_name.function_name] =
          run.real_accumulated_time / static_cast<double>(run.iterations);
    }
  }
  std::map<std::string, double> secondsPerSearch;
};

// The search in Node.js: "." is given as "[^\n]" so that it takes a carriage
// return as the dialect under test does.
const char* const kNodeScript = R"JS(
'use strict';
const fs = require('fs');
const [file, patternHex, runs] = process.argv.slice(2);
const text = fs.readFileSync(file, 'utf8');
let source = '';
const p = Buffer.from(patternHex, 'hex').toString('utf8');
let inClass = false;
for (let i = 0; i < p.length; i++) {
  const c = p[i];
  if (c === '\\') { source += c + p[++i]; }
  else if (inClass) { if (c === ']') inClass = false; source += c; }
  else if (c === '[') { inClass = true; source += c; }
  else source += c === '.' ? '[^\\n]' : c;
}
function search() {
  let first;
  for (const m of text.matchAll(new RegExp(source, 'gim'))) if (first === undefined) first = m[1];
  return first;
}
let group = search();
for (let i = 0; i < 3; i++) search();
const n = Number(runs);
const start = process.hrtime.bigint();
for (let i = 0; i < n; i++) group = search();
const seconds = Number(process.hrtime.bigint() - start) / 1e9 / n;
process.stdout.write(seconds + ' ' + Buffer.from(group || '', 'utf8').toString('hex') + '\n');
)JS";

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

bool Run(const std::string& command, std::string& output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  return ::pclose(pipe) == 0;
}

// Seconds per search in Node.js, or a negative number when it cannot run.
double NodeSecondsPerSearch(std::string& groupHex) {
  std::string node;
  if (!Run("command -v node 2>/dev/null", node)) return -1;
  while (!node.empty() && node.back() == '\n') node.pop_back();
  const fs::path dir = fs::temp_directory_path() / ("qrh_bench_regex_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  {
    std::ofstream(dir / "search.js", std::ios::binary) << kNodeScript;
    std::ofstream(dir / "page.html", std::ios::binary) << qrh::AnsiToUtf8(Page());
  }
  std::string output;
  bool ok = Run(node + " " + (dir / "search.js").string() + " " + (dir / "page.html").string() + " " +
                    Hex(qrh::AnsiToUtf8(DescriptionPattern())) + " 20",
                output);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  std::size_t space = output.find(' ');
  if (!ok || space == std::string::npos) return -1;
  groupHex = output.substr(space + 1);
  while (!groupHex.empty() && groupHex.back() == '\n') groupHex.pop_back();
  return std::stod(output.substr(0, space));
}

}  // namespace

int main(int argc, char** argv) {
  // The search must find the description before its time means anything.
  qrh::RegexObject check;
  if (!check.Search(DescriptionPattern(), Page()) || check.SubMatchText(1, 1) != ExpectedGroup()) {
    std::fprintf(stderr, "RegexObject did not find the description on the 5 MiB page\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TimeReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double fresh = reporter.secondsPerSearch["BM_RegexObjectDescription"];
  const double samePage = reporter.secondsPerSearch["BM_RegexObjectDescriptionSamePage"];
  std::string nodeGroup;
  const double node = NodeSecondsPerSearch(nodeGroup);
  if (node < 0) {
    std::printf("RegexObject: %.2f ms per search (%.2f ms on the same page); Node.js not "
                "available, no ratio\n",
                fresh * 1e3, samePage * 1e3);
    return 0;
  }
  if (nodeGroup != Hex(qrh::AnsiToUtf8(ExpectedGroup()))) {
    std::fprintf(stderr, "Node.js found another group than RegexObject\n");
    return 1;
  }
  std::printf("page %.1f MiB; Node.js RegExp: %.2f ms per search\n"
              "RegexObject, new object and page: %.2f ms per search, ratio RegexObject/Node.js: %.2f\n"
              "RegexObject, same page again:     %.2f ms per search, ratio RegexObject/Node.js: %.2f\n",
              static_cast<double>(Page().size()) / (1024.0 * 1024.0), node * 1e3, fresh * 1e3,
              fresh / node, samePage * 1e3, samePage / node);
  return 0;
}
