#include "export/download_links.h"

#include "text/text_rules.h"

namespace qrh {

namespace {

constexpr int kSourceColumn = 3;
constexpr int kRegionColumn = 7;
constexpr int kImageColumn = 10;

bool Contains(const Text& cell, const Text& needle) { return FindText(cell, needle) != -1; }

}  // namespace

DownloadFilter ReadDownloadFilter(Controls& controls) {
  static constexpr std::pair<std::string_view, DownloadFilter> kFilters[] = {
      {"单选框2", DownloadFilter::kAll},
      {"单选框_微信群", DownloadFilter::kGroup},
      {"单选框_个人微信", DownloadFilter::kPersonal},
      {"单选框_地区", DownloadFilter::kRegion},
  };
  for (const auto& [name, filter] : kFilters) {
    if (controls.IsChecked(name)) return filter;
  }
  return DownloadFilter::kNone;
}

bool RowPassesFilter(DownloadFilter filter, const Text& source, const Text& region,
                     const Text& imageAddress, const Text& selectedRegion) {
  const bool deleted = Contains(imageAddress, "文章已经删除");
  switch (filter) {
    case DownloadFilter::kAll:
      return !deleted;
    case DownloadFilter::kGroup:
      return !deleted && Contains(source, "微信群");
    case DownloadFilter::kPersonal:
      return !deleted && Contains(source, "个人微信");
    case DownloadFilter::kRegion:
      return region == selectedRegion;
    case DownloadFilter::kNone:
      break;
  }
  return false;
}

std::size_t SelectDownloadLinks(Controls& controls, TextArray& links) {
  links.clear();
  const DownloadFilter filter = ReadDownloadFilter(controls);
  if (filter == DownloadFilter::kNone) return 0;
  const Text selectedRegion =
      filter == DownloadFilter::kRegion
          ? controls.GetItemText("组合框2", controls.GetSelection("组合框2"))
          : Text();
  const int rowCount = controls.RowCount();
  for (int r = 0; r < rowCount; ++r) {
    const Text image = controls.GetCell(r, kImageColumn);
    const Text source = filter == DownloadFilter::kRegion ? Text() : controls.GetCell(r, kSourceColumn);
    const Text region = filter == DownloadFilter::kRegion ? controls.GetCell(r, kRegionColumn) : Text();
    if (RowPassesFilter(filter, source, region, image, selectedRegion)) links.push_back(image);
  }
  return links.size();
}

Text LinkCountText(std::size_t count) {
  return "共计：" + IntToText(static_cast<long long>(count)) + "个有效二维码链接";
}

}  // namespace qrh
