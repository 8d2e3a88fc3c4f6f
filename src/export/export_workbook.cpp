#include "export/export_workbook.h"

#include <string>
#include <vector>

#include "export/biff8_writer.h"
#include "text/codepage.h"

namespace qrh {

namespace {

constexpr std::string_view kSaveFolderBox = "编辑框_路径";

}  // namespace

ExportChoice ReadExportChoice(Controls& controls) {
  static constexpr std::pair<std::string_view, ExportChoice> kChoices[] = {
      {"单选框1", ExportChoice::kWorkbook},
      {"单选框2", ExportChoice::kAllImages},
      {"单选框_微信群", ExportChoice::kGroupImages},
      {"单选框_个人微信", ExportChoice::kPersonalImages},
      {"单选框_地区", ExportChoice::kRegion},
  };
  for (const auto& [name, choice] : kChoices) {
    if (controls.IsChecked(name)) return choice;
  }
  return ExportChoice::kNone;
}

Text WorkbookTarget(const Text& saveFolder) { return saveFolder + "/data.xls"; }

SaveResult ExportWorkbook(Controls& table, const Text& targetPath, const TextArray& titles) {
  std::vector<std::u16string> row;
  row.reserve(titles.size());
  for (const Text& title : titles) row.push_back(TextToUtf16(title));
  TextWorkbook workbook(row);

  const int rowCount = table.RowCount();
  for (int r = 0; r < rowCount; ++r) {
    row.clear();
    for (std::size_t k = 0; k < titles.size(); ++k) {
      row.push_back(TextToUtf16(table.GetCell(r, static_cast<int>(k))));
    }
    workbook.AddRow(row);
  }
  return SaveWorkbookFile(AnsiToUtf8(targetPath), workbook);
}

void ExportButtonClicked(Controls& controls, const TextArray& titles,
                         const std::function<void()>& openDownloadWindow) {
  if (controls.GetText(kSaveFolderBox).empty()) {
    controls.ShowMessage("请先选择要保存的路径");
    return;
  }
  switch (ReadExportChoice(controls)) {
    case ExportChoice::kNone:
      return;
    case ExportChoice::kWorkbook: {
      const Text target = WorkbookTarget(controls.GetText(kSaveFolderBox));
      const SaveResult result = ExportWorkbook(controls, target, titles);
      controls.ShowMessage(result.ok ? Text("导出完成") : "导出失败：" + result.reason);
      return;
    }
    default:
      if (openDownloadWindow) openDownloadWindow();
      return;
  }
}

}  // namespace qrh
