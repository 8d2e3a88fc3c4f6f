// What a harvest against the demo site must leave in the result table,
// worked out from the site's own account of its pages (its oracle endpoints),
// not from the patterns under test. Header-only: the end-to-end tests use it too.
#pragma once

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "harvest/demo_site_process.h"
#include "text/codepage.h"
#include "text/text.h"
#include "text/text_rules.h"
#include "web/url_encoding.h"

namespace qrh::test {

using ExpectedRow = std::array<Text, 12>;

// The oracle path of a search: keyword, page and time-filter suffix as the
// program sends them.
inline std::string OracleSearchPath(const Text& keyword, int page, const Text& suffix) {
  return "/__oracle/search?q=" + UrlEncodeText(keyword, true, true) +
         "&p=" + std::to_string(page) + "&s=1" + suffix;
}

struct ExpectedDetail {
  bool gone = false;
  Text region;  // empty also for gone listings
  std::array<Text, 7> cells;  // columns 4 to 10
};

inline ExpectedDetail ExpectDetail(const DemoSite& site, const std::string& detailUrl) {
  const std::string id = detailUrl.substr(detailUrl.rfind('/') + 1,
                                          detailUrl.rfind('.') - detailUrl.rfind('/') - 1);
  const auto f = DemoSite::Fields(DemoSite::Lines(site.Get("/__oracle/qun/" + id)).at(0));
  ExpectedDetail d;
  d.gone = f.at(0) == "1";
  if (d.gone) {
    d.cells.fill("文章已经删除");
    return d;
  }
  for (int c = 0; c < 7; ++c) d.cells[static_cast<std::size_t>(c)] = Utf8BytesToText(f.at(c + 1));
  if (d.cells[5].empty()) d.cells[5] = "无";
  d.region = d.cells[3];
  return d;
}

// Rows of a harvest of these keywords, `pages` pages each, one time filter,
// every row completed by its worker.
inline std::vector<ExpectedRow> ExpectRows(const DemoSite& site, const TextArray& keywords,
                                           int pages, const Text& suffix) {
  std::vector<ExpectedRow> rows;
  for (const Text& keyword : keywords) {
    for (int p = 1; p <= pages; ++p) {
      for (const std::string& line : DemoSite::Lines(site.Get(OracleSearchPath(keyword, p, suffix)))) {
        const auto f = DemoSite::Fields(line);
        ExpectedRow row;
        row[0] = IntToText(static_cast<long long>(rows.size()) + 1);
        row[1] = Utf8BytesToText(f.at(1));
        row[2] = f.at(0);
        row[3] = Utf8BytesToText(f.at(2));
        const ExpectedDetail d = ExpectDetail(site, f.at(0));
        for (int c = 0; c < 7; ++c) row[static_cast<std::size_t>(c + 4)] = d.cells[static_cast<std::size_t>(c)];
        row[11] = "采集完成";
        rows.push_back(row);
      }
    }
  }
  return rows;
}

// A stale-worker setting: the first `held` listings of the first page of
// `oldKeyword`, which the site is to hold (`stallPaths`, as DemoSite::Stall
// takes them), and the first of the candidate keywords whose rows share none
// of those listings, so the next run's own workers are never held.
struct HeldListings {
  std::string stallPaths;
  Text newKeyword;                    // empty when no candidate fits
  std::vector<ExpectedRow> newRows;   // the rows a run of newKeyword leaves
};

inline HeldListings HoldListingsOf(const DemoSite& site, const Text& oldKeyword, int held) {
  auto pathOf = [](const Text& url) { return url.substr(url.find("/qun/")); };
  const auto oldRows = ExpectRows(site, {oldKeyword}, 1, "&nsid=0");
  HeldListings h;
  std::set<std::string> paths;
  for (int r = 0; r < held; ++r) {
    const std::string path = pathOf(oldRows.at(static_cast<std::size_t>(r))[2]);
    paths.insert(path);
    h.stallPaths += (r ? "," : "") + path;
  }
  for (const Text candidate : {"读书", "跑步", "摄影", "旅行", "美食"}) {
    auto rows = ExpectRows(site, {candidate}, 1, "&nsid=0");
    if (std::none_of(rows.begin(), rows.end(),
                     [&](const auto& row) { return paths.count(pathOf(row[2])) > 0; })) {
      h.newKeyword = candidate;
      h.newRows = std::move(rows);
      break;
    }
  }
  return h;
}

// The regions the region list must offer for these rows, each once, in any order.
inline TextArray ExpectRegions(const std::vector<ExpectedRow>& rows) {
  TextArray regions;
  for (const ExpectedRow& row : rows) {
    if (row[7] == "文章已经删除") continue;
    bool seen = false;
    for (const Text& r : regions) seen = seen || r == row[7];
    if (!seen) regions.push_back(row[7]);
  }
  return regions;
}

}  // namespace qrh::test
