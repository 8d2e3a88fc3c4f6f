// Where the shared string table breaks into CONTINUE records, checked in the
// bytes and read back with both readers.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "export/biff8_writer.h"
#include "export/save_file.h"
#include "export/xls_readers_helpers.h"

namespace qrh::test {
namespace {

struct Record {
  std::uint16_t id;
  std::string data;
};

// The SST record and the CONTINUE records that follow it.
std::vector<Record> StringTableRecords(const std::string& stream) {
  std::vector<Record> records;
  std::size_t at = 0;
  while (at + 4 <= stream.size()) {
    const auto id = static_cast<std::uint16_t>(static_cast<unsigned char>(stream[at]) |
                                               static_cast<unsigned char>(stream[at + 1]) << 8);
    const std::size_t length = static_cast<unsigned char>(stream[at + 2]) |
                               static_cast<unsigned char>(stream[at + 3]) << 8;
    if (id == 0x00FC || (id == 0x003C && !records.empty())) {
      records.push_back({id, stream.substr(at + 4, length)});
    } else if (!records.empty()) {
      break;
    }
    at += 4 + length;
  }
  return records;
}

std::string Utf8Of(const std::u16string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The title "A" takes 4 bytes after the SST's 8 count bytes, so the first
// data string starts at data byte 12 and its characters at byte 15, leaving
// 8,209 bytes in the SST record.
struct Case {
  const char* name;
  std::vector<std::u16string> strings;  // one data row each
  std::size_t firstLength;              // data bytes of the SST record
  std::string continueStart;            // first bytes of the first CONTINUE
};

std::u16string Chinese(std::size_t n) { return std::u16string(n, u'\x7FA4'); }  // 群
std::u16string Ascii(std::size_t n) { return std::u16string(n, u'q'); }

std::u16string WithPairAt(std::size_t index, std::size_t length) {
  std::u16string s = Chinese(length);
  s[index] = u'\xD83D';  // U+1F600 as a surrogate pair
  s[index + 1] = u'\xDE00';
  return s;
}

const Case kCases[] = {
    // The string fills the record to its last byte; the next one starts the
    // CONTINUE with its own header and no flags byte.
    {"StringEndsAtRecordEnd", {Ascii(8209), u"中文"}, 8224, std::string("\x02\x00\x01", 3)},
    // Four bytes left cannot hold a UTF-16 string's header and first
    // character: the string starts in the CONTINUE.
    {"HeaderMovesToNextRecord", {Ascii(8205), u"中文"}, 8220, std::string("\x02\x00\x01", 3)},
    // UTF-16 characters split at an even count; the odd byte stays unused
    // and the CONTINUE repeats the flags byte.
    {"Utf16SplitsWholeCharacters", {Chinese(5000)}, 8223, std::string("\x01\xA4\x7F", 3)},
    {"CompressedTextSplits", {Ascii(10000)}, 8224, std::string("\x00qq", 3)},
    // A surrogate pair that would straddle the boundary moves whole.
    {"SurrogatePairStaysWhole", {WithPairAt(4103, 5000)}, 8221, std::string("\x01\x3D\xD8", 3)},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class StringTable : public ::testing::TestWithParam<Case> {};

TEST_P(StringTable, BreaksWhereReadersExpectAndReadsBackExactly) {
  const Case& c = GetParam();
  TextWorkbook workbook({u"A"});
  for (const std::u16string& s : c.strings) workbook.AddRow({s});
  const std::string stream = workbook.BuildStream();

  const std::vector<Record> records = StringTableRecords(stream);
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records[0].data.size(), c.firstLength);
  EXPECT_EQ(records[1].data.substr(0, 3), c.continueStart);
  for (const Record& r : records) EXPECT_LE(r.data.size(), 8224u);

  TempFolder folder;
  const std::string path = folder.path() + "/data.xls";
  ASSERT_TRUE(SaveWorkbookFile(path, stream).ok);
  for (const ReadBack& book : {ReadWithXlrd(path), ReadWithFreexl(path)}) {
    ASSERT_EQ(book.error, "");
    ASSERT_EQ(book.sheets.size(), 1u);
    ASSERT_EQ(book.sheets[0].rows.size(), c.strings.size() + 1);
    for (std::size_t i = 0; i < c.strings.size(); ++i) {
      EXPECT_EQ(book.sheets[0].rows[i + 1].at(0), Utf8Of(c.strings[i])) << "string " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, StringTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StringTable, CountsEveryReferenceAndEachStringOnce) {
  TextWorkbook workbook({u"A", u"B"});
  workbook.AddRow({u"x", u"x"});
  workbook.AddRow({u"A", u""});
  const std::vector<Record> records = StringTableRecords(workbook.BuildStream());
  ASSERT_FALSE(records.empty());
  const std::string& data = records[0].data;
  // Total references: 2 titles + 3 non-empty cells; unique: A, B, x.
  EXPECT_EQ(data.substr(0, 8), std::string("\x05\x00\x00\x00\x03\x00\x00\x00", 8));
}

}  // namespace
}  // namespace qrh::test
