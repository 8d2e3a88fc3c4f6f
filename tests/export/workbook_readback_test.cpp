// Workbooks written by ExportWorkbook, read back with xlrd and libfreexl.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/export_workbook.h"
#include "export/table_fixture.h"
#include "export/xls_readers_helpers.h"
#include "text/codepage.h"
#include "text/text_rules.h"

namespace qrh::test {
namespace {

using Utf8Rows = std::vector<std::vector<std::string>>;

std::string Utf8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

Text Repeat(const Text& piece, std::size_t times) {
  Text out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::string RepeatUtf8(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// A realistic row: a listing of a WeChat group or account.
TableRow ListingRow(std::size_t i) {
  const Text n = IntToText(static_cast<long long>(i + 1));
  return {n,
          "上海宝妈交流群" + n,
          "http://www.example.cn/qun/" + n + ".html",
          i % 3 == 0 ? "微信群" : "个人微信号",
          "欢迎各位宝妈进群交流育儿经验，禁止发广告",
          "母婴",
          "2020-01-0" + IntToText(static_cast<long long>(i % 9 + 1)),
          "上海",
          "育儿,宝妈",
          i % 5 == 0 ? "无" : "wx000" + n,
          "http://img.example.cn/qr/" + n + ".jpg",
          "采集完成"};
}

struct Case {
  const char* name;
  std::function<std::vector<TableRow>()> rows;
  // The cells as a reader must see them; by default every table cell as it
  // is, in UTF-8.
  std::function<std::vector<std::string>(const TableRow&)> expected;
  bool bigFile = false;
  // libfreexl completes a string split between records from the very next
  // record only, reading past it when a string spans three or more records
  // (any text over 4,112 Chinese characters does); such tables are read back
  // with xlrd alone.
  bool freexlReadable = true;
};

std::vector<std::string> AsUtf8(const TableRow& row) {
  std::vector<std::string> out;
  for (const Text& cell : row) out.push_back(AnsiToUtf8(cell));
  return out;
}

const Case kCases[] = {
    {"EmptyTable", [] { return std::vector<TableRow>{}; }, nullptr},
    {"ThreeRows",
     [] {
       TableRow empty;
       TableRow digits = ListingRow(1);
       digits[0] = "000123";
       digits[6] = "2020-01-01";
       digits[9] = "0012.50";
       digits[4] = "";
       return std::vector<TableRow>{ListingRow(0), digits, empty};
     },
     nullptr},
    {"LongCells",
     [] {
       TableRow row = ListingRow(0);
       row[4] = Repeat("汉", 32767);         // exactly the limit
       row[5] = Repeat("字", 40000);         // cut to the limit
       row[8] = Repeat("a", 32766) + "字字";  // the limit falls inside Chinese
       return std::vector<TableRow>{row};
     },
     [](const TableRow& row) {
       std::vector<std::string> cells = AsUtf8(row);
       if (row[5].size() == 80000) {
         cells[5] = RepeatUtf8(Utf8(u8"字"), 32767);
         cells[8] = std::string(32766, 'a') + Utf8(u8"字");
       }
       return cells;
     },
     false, false},
    {"TextsAcrossContinueRecords",
     [] {
       // Unique texts of 2,999 and 3,001 characters, Chinese and ASCII, so
       // the string table crosses many CONTINUE boundaries at odd and even
       // places, inside strings and between them.
       std::vector<TableRow> rows;
       for (std::size_t i = 0; i < 20; ++i) {
         TableRow row = ListingRow(i);
         row[4] = IntToText(static_cast<long long>(i)) + Repeat("群聊", 1499 + i % 3);
         row[10] = "x" + IntToText(static_cast<long long>(i)) + Repeat("z", 3001 + i);
         rows.push_back(row);
       }
       return rows;
     },
     nullptr},
    {"SeventyThousandRows",
     [] {
       std::vector<TableRow> rows;
       for (std::size_t i = 0; i < 70000; ++i) rows.push_back(ListingRow(i));
       return rows;
     },
     nullptr},
    {"OverSevenMegabytes",
     [] {
       std::vector<TableRow> rows;
       for (std::size_t i = 0; i < 12000; ++i) {
         TableRow row;
         for (std::size_t k = 0; k < 12; ++k) {
           row[k] = IntToText(static_cast<long long>(i * 12 + k)) + Repeat("数据", 12);
         }
         rows.push_back(row);
       }
       return rows;
     },
     nullptr, true},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class WorkbookReadBack : public ::testing::TestWithParam<Case> {};

// Compares what a reader saw with the expected sheets; reports the first
// difference only.
void ExpectSheets(const ReadBack& book, const std::vector<Utf8Rows>& sheets,
                  const std::string& reader) {
  SCOPED_TRACE(reader);
  ASSERT_EQ(book.error, "");
  ASSERT_EQ(book.sheets.size(), sheets.size());
  for (std::size_t s = 0; s < sheets.size(); ++s) {
    EXPECT_EQ(book.sheets[s].name, "Sheet" + std::to_string(s + 1));
    ASSERT_EQ(book.sheets[s].rows.size(), sheets[s].size()) << "sheet " << s;
    for (std::size_t r = 0; r < sheets[s].size(); ++r) {
      if (book.sheets[s].rows[r] != sheets[s][r]) {
        ADD_FAILURE() << "sheet " << s << " row " << r << " differs";
        return;
      }
    }
    EXPECT_TRUE(book.sheets[s].nonTextCells.empty())
        << "cells without the text format, first: " << book.sheets[s].nonTextCells.front();
  }
}

TEST_P(WorkbookReadBack, BothReadersSeeEveryCellAsTextInPlace) {
  const Case& c = GetParam();
  TableWindow window(c.rows());
  TempFolder folder;
  const std::string target = folder.path() + "/data.xls";

  const SaveResult result = ExportWorkbook(window, target, ExportTitles());
  ASSERT_TRUE(result.ok) << AnsiToUtf8(result.reason);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"data.xls"});

  // Header row first on every sheet; 65,535 table rows per sheet at most.
  std::vector<std::string> header;
  for (const Text& title : ExportTitles()) header.push_back(AnsiToUtf8(title));
  std::vector<Utf8Rows> sheets;
  const std::vector<TableRow>& rows = window.rows();
  for (std::size_t i = 0; i == 0 || i < rows.size(); i += 65535) {
    Utf8Rows sheet{header};
    for (std::size_t r = i; r < rows.size() && r < i + 65535; ++r) {
      sheet.push_back(c.expected ? c.expected(rows[r]) : AsUtf8(rows[r]));
    }
    sheets.push_back(std::move(sheet));
  }

  ExpectSheets(ReadWithXlrd(target), sheets, "xlrd");
  if (c.freexlReadable) ExpectSheets(ReadWithFreexl(target), sheets, "freexl");

  if (c.bigFile) {
    const std::string bytes = ReadFileBytes(target);
    EXPECT_GT(bytes.size(), 7u * 1024 * 1024);
    // More than 109 FAT sectors: the header counts DIFAT sectors at 0x48.
    ASSERT_GT(bytes.size(), 0x4Cu);
    EXPECT_GT(static_cast<unsigned char>(bytes[0x48]), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, WorkbookReadBack, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WorkbookReadBack, ChineseDigitsAndDatesKeepTheirExactText) {
  TableWindow window({ListingRow(0)});
  TableRow& row = window.rows()[0];
  row[0] = "000123";
  row[1] = "测试群";
  row[6] = "2020-01-01";
  row[7] = "";
  TempFolder folder;
  const std::string target = folder.path() + "/data.xls";
  ASSERT_TRUE(ExportWorkbook(window, target, ExportTitles()).ok);

  for (const ReadBack& book : {ReadWithXlrd(target), ReadWithFreexl(target)}) {
    ASSERT_EQ(book.error, "");
    ASSERT_EQ(book.sheets.size(), 1u);
    const Utf8Rows& cells = book.sheets[0].rows;
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0][1], Utf8(u8"群/公众号名称"));
    EXPECT_EQ(cells[0][11], Utf8(u8"工作状态"));
    EXPECT_EQ(cells[1][0], "000123");
    EXPECT_EQ(cells[1][1], Utf8(u8"测试群"));
    EXPECT_EQ(cells[1][2], "http://www.example.cn/qun/1.html");  // the hidden URL column is c
    EXPECT_EQ(cells[1][6], "2020-01-01");
    EXPECT_EQ(cells[1][7], "");
  }
}

}  // namespace
}  // namespace qrh::test
