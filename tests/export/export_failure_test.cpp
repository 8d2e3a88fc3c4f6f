// A failed export reports why, keeps the previous data.xls and leaves no
// temporary file; a successful one replaces it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "export/export_workbook.h"
#include "export/save_file.h"
#include "export/table_fixture.h"
#include "export/xls_readers_helpers.h"
#include "text/codepage.h"

namespace qrh::test {
namespace {

namespace fs = std::filesystem;

// Lowers the largest file this process may write, so a write fails part way
// as it would on a full disk (root ignores permissions, not this limit).

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit lowered = previous_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

struct Case {
  const char* name;
  // Prepares the folder; returns the save folder to export into.
  std::function<std::string(const std::string& folder)> prepare;
  Text reason;
  std::vector<std::string> entriesAfter;
  bool limitFileSize = false;
};

const Case kCases[] = {
    {"FolderMissing", [](const std::string& f) { return f + "/missing"; }, "保存文件夹不存在", {}},
    {"FolderIsARegularFile",
     [](const std::string& f) {
       WriteFileBytes(f + "/plain", "x");
       return f + "/plain";
     },
     "保存文件夹不存在",
     {"plain"}},
    {"DataXlsIsAFolder",
     [](const std::string& f) {
       fs::create_directories(f + "/data.xls/inside");
       return f;
     },
     "同名的文件夹已存在",
     {"data.xls"}},
    {"WriteFailsPartWay",
     [](const std::string& f) {
       WriteFileBytes(f + "/data.xls", "previous export");
       return f;
     },
     SaveFailureReason(EFBIG),
     {"data.xls"},
     true},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ExportFailure : public ::testing::TestWithParam<Case> {};

TEST_P(ExportFailure, ReportsTheReasonAndLeavesTheFolderAsItWas) {
  const Case& c = GetParam();
  TempFolder folder;
  const std::string saveFolder = c.prepare(folder.path());
  const std::string before = ReadFileBytes(folder.path() + "/data.xls");
  TableWindow window;
  for (int i = 0; i < 2000; ++i) {
    window.rows().push_back({"1", "群名", "http://example.cn/" + std::to_string(i)});
  }

  SaveResult result;
  {
    std::unique_ptr<FileSizeLimit> limit;
    if (c.limitFileSize) limit = std::make_unique<FileSizeLimit>(8192);
    result = ExportWorkbook(window, WorkbookTarget(saveFolder), ExportTitles());
  }
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, c.reason) << AnsiToUtf8(result.reason);
  EXPECT_EQ(folder.Entries(), c.entriesAfter);
  EXPECT_EQ(ReadFileBytes(folder.path() + "/data.xls"), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportFailure, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExportFailure, SuccessReplacesThePreviousFile) {
  TempFolder folder;
  WriteFileBytes(folder.path() + "/data.xls", "previous export");
  TableWindow window(std::vector<TableRow>{{"1", "新群"}});
  ASSERT_TRUE(ExportWorkbook(window, WorkbookTarget(folder.path()), ExportTitles()).ok);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.xls"});
  const ReadBack book = ReadWithXlrd(folder.path() + "/data.xls");
  ASSERT_EQ(book.error, "");
  ASSERT_EQ(book.sheets.at(0).rows.size(), 2u);
  EXPECT_EQ(book.sheets[0].rows[1][1], AnsiToUtf8("新群"));
}

}  // namespace
}  // namespace qrh::test
