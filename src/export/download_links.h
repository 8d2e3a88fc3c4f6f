// Choosing the QR image addresses the download window fetches.
#pragma once

#include <cstddef>

#include "text/controls.h"
#include "text/text.h"

namespace qrh {

// The image choice of the main window, tested in this order; the first
// checked one decides.
enum class DownloadFilter { kNone, kAll, kGroup, kPersonal, kRegion };
DownloadFilter ReadDownloadFilter(Controls& controls);

// Whether a table row with these cells passes the filter. "全部二维码",
// "微信群二维码" and "个人二维码" skip rows whose QR image cell contains
// "文章已经删除" and test the source cell for "微信群" or "个人微信"
// (contained anywhere, exact bytes); "按地区" takes rows whose region equals
// `region` byte for byte.
bool RowPassesFilter(DownloadFilter filter, const Text& source, const Text& region,
                     const Text& imageAddress, const Text& selectedRegion);

// Empties `links` and fills it with the QR image cells of the rows that pass
// the main window's filter, in table order, duplicates included. The region
// is the item selected in "组合框2" (empty when none is). Returns the count.
std::size_t SelectDownloadLinks(Controls& controls, TextArray& links);

// "共计：" + count + "个有效二维码链接"
Text LinkCountText(std::size_t count);

}  // namespace qrh
