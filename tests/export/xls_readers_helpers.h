// Reading written workbooks back with two independent readers: xlrd (run by
// the system's Python) and libfreexl.
#pragma once

#include <string>
#include <vector>

namespace qrh::test {

// One sheet as a reader sees it; texts are UTF-8.
struct SheetCells {
  std::string name;
  std::vector<std::vector<std::string>> rows;
  // xlrd only: cells that are not text (or blank) or lack the "@" format,
  // as "r,c" positions (0-based).
  std::vector<std::string> nonTextCells;
};

struct ReadBack {
  std::string error;  // empty when the reader opened the file
  std::vector<SheetCells> sheets;
};

ReadBack ReadWithXlrd(const std::string& path);
ReadBack ReadWithFreexl(const std::string& path);

// Length and SHA-256 (hex) of the "Workbook" stream, as xlrd's compound file
// reader extracts it: "<length> <sha256>", or the reader's error text.
std::string XlrdStreamDigest(const std::string& path);
// The same line computed here from the bytes.
std::string StreamDigest(const std::string& bytes);

// A fresh folder below the system's temporary folder, removed with its
// content by the destructor.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::vector<std::string> Entries() const;  // file names, sorted

 private:
  std::string path_;
};

// The content of a regular file; empty for anything else.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace qrh::test
