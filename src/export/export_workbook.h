// The workbook export and the export button's decision.
#pragma once

#include <functional>

#include "export/save_file.h"
#include "text/controls.h"
#include "text/text.h"

namespace qrh {

// The export choice of the main window, tested in this order: "全部" writes
// the workbook, the four image choices open the download window.
enum class ExportChoice { kNone, kWorkbook, kAllImages, kGroupImages, kPersonalImages, kRegion };
ExportChoice ReadExportChoice(Controls& controls);

// The workbook file in a save folder: the folder text, "/" and "data.xls".
Text WorkbookTarget(const Text& saveFolder);

// Reads the row count of the result table once and then every row's cells in
// display order, one per title, and writes them to targetPath (a code page
// 936 path) as a workbook: the titles in row 1, table row r in row r + 1.
// A previous file at targetPath is replaced only once the new one is complete.
SaveResult ExportWorkbook(Controls& table, const Text& targetPath, const TextArray& titles);

// The export button: without a save folder it shows "请先选择要保存的路径";
// with "全部" it writes <folder>/data.xls and shows "导出完成", or "导出失败："
// and the reason; with an image choice it calls openDownloadWindow, which
// returns once that window has closed; with no choice it does nothing.
void ExportButtonClicked(Controls& controls, const TextArray& titles,
                         const std::function<void()>& openDownloadWindow);

}  // namespace qrh
