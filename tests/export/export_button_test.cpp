// The export button's decision: folder check, choice order, the target, the
// messages, and one reading of the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/export_workbook.h"
#include "export/table_fixture.h"
#include "export/xls_readers_helpers.h"
#include "support/recording_controls.h"
#include "text/codepage.h"

namespace qrh::test {
namespace {

enum class Folder { kEmpty, kTemp, kTempWithSlash, kMissing };

struct Case {
  const char* name;
  Folder folder;
  const char* checked;  // the export choice checked, or nullptr for none
  TextArray messages;
  bool opensDownloadWindow;
  bool writesWorkbook;
};

const Case kCases[] = {
    {"NoFolderWithWorkbook", Folder::kEmpty, "单选框1", {"请先选择要保存的路径"}, false, false},
    {"NoFolderWithImages", Folder::kEmpty, "单选框2", {"请先选择要保存的路径"}, false, false},
    {"Workbook", Folder::kTemp, "单选框1", {"导出完成"}, false, true},
    {"FolderEndingInSlash", Folder::kTempWithSlash, "单选框1", {"导出完成"}, false, true},
    {"FolderMissing", Folder::kMissing, "单选框1", {"导出失败：保存文件夹不存在"}, false, false},
    {"AllImages", Folder::kTemp, "单选框2", {}, true, false},
    {"GroupImages", Folder::kTemp, "单选框_微信群", {}, true, false},
    {"PersonalImages", Folder::kTemp, "单选框_个人微信", {}, true, false},
    {"RegionImages", Folder::kTemp, "单选框_地区", {}, true, false},
    {"NoChoice", Folder::kTemp, nullptr, {}, false, false},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ExportButton : public ::testing::TestWithParam<Case> {};

TEST_P(ExportButton, DoesWhatTheChoiceAsks) {
  const Case& c = GetParam();
  TempFolder folder;
  RecordingControls window;
  Text saveFolder;
  switch (c.folder) {
    case Folder::kEmpty: break;
    case Folder::kTemp: saveFolder = folder.path(); break;
    case Folder::kTempWithSlash: saveFolder = folder.path() + "/"; break;
    case Folder::kMissing: saveFolder = folder.path() + "/missing"; break;
  }
  window.SetText("编辑框_路径", saveFolder);
  window.SetChecked("单选框1", false);
  if (c.checked != nullptr) window.CheckRadio(c.checked);
  for (int r = 0; r < 3; ++r) {
    const int row = window.AppendRow();
    for (int k = 0; k < 12; ++k) window.SetCell(row, k, "格" + std::to_string(r) + std::to_string(k));
  }
  const std::size_t callsBefore = window.CallCount();

  int windowsOpened = 0;
  ExportButtonClicked(window, ExportTitles(), [&] { ++windowsOpened; });

  EXPECT_EQ(window.Messages(), c.messages);
  EXPECT_EQ(windowsOpened, c.opensDownloadWindow ? 1 : 0);
  EXPECT_EQ(folder.Entries(),
            c.writesWorkbook ? std::vector<std::string>{"data.xls"} : std::vector<std::string>{});
  if (c.writesWorkbook) {
    // The row count once, then each of the 36 cells once, in display order.
    const std::vector<RecordedCall> calls = window.Calls();
    std::vector<std::pair<int, int>> cellsRead;
    int rowCounts = 0;
    for (std::size_t i = callsBefore; i < calls.size(); ++i) {
      if (calls[i].op == "RowCount") ++rowCounts;
      if (calls[i].op == "GetCell") cellsRead.emplace_back(calls[i].row, calls[i].column);
    }
    EXPECT_EQ(rowCounts, 1);
    ASSERT_EQ(cellsRead.size(), 36u);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(cellsRead[i], std::make_pair(i / 12, i % 12));

    const ReadBack book = ReadWithXlrd(folder.path() + "/data.xls");
    ASSERT_EQ(book.error, "");
    ASSERT_EQ(book.sheets.at(0).rows.size(), 4u);
    EXPECT_EQ(book.sheets[0].rows[3][11], AnsiToUtf8("格211"));  // cell l4
  }
}

INSTANTIATE_TEST_SUITE_P(Choices, ExportButton, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrh::test
