#include "export/xls_readers_helpers.h"

#include <freexl.h>
#include <openssl/evp.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qrh::test {

namespace {

const char* const kPython = "/usr/bin/python3";

std::string Script() { return std::string(QRH_TEST_DATA_DIR) + "/export/xlrd_dump.py"; }

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Runs a shell command; returns its standard output, or sets `error`.
std::string Run(const std::string& command, std::string& error) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    error = "popen failed";
    return output;
  }
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "reader failed: " + output.substr(0, 2000);
  }
  return output;
}

int Nibble(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

std::string FromHex(std::string_view hex) {
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(Nibble(hex[i]) * 16 + Nibble(hex[i + 1])));
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return parts;
}

}  // namespace

ReadBack ReadWithXlrd(const std::string& path) {
  ReadBack book;
  const std::string output = Run(std::string(kPython) + " " + Quote(Script()) + " " + Quote(path),
                                 book.error);
  if (!book.error.empty()) return book;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<std::string> parts = SplitTabs(line);
    if (parts[0] == "S") {
      book.sheets.push_back(SheetCells{FromHex(parts.at(1)), {}, {}});
    } else if (parts[0] == "R" && !book.sheets.empty()) {
      SheetCells& sheet = book.sheets.back();
      std::vector<std::string> row;
      for (std::size_t c = 1; c < parts.size(); ++c) {
        const std::string& cell = parts[c];
        const bool text = cell.size() >= 2 && (cell[0] == 't' || cell[0] == 'b') && cell[1] == '@';
        if (!text) {
          sheet.nonTextCells.push_back(std::to_string(sheet.rows.size()) + "," +
                                       std::to_string(c - 1));
        }
        row.push_back(cell.size() >= 2 ? FromHex(std::string_view(cell).substr(2)) : std::string());
      }
      sheet.rows.push_back(std::move(row));
    } else {
      book.error = "unexpected reader output: " + line.substr(0, 200);
      return book;
    }
  }
  return book;
}

ReadBack ReadWithFreexl(const std::string& path) {
  ReadBack book;
  const void* handle = nullptr;
  int rc = freexl_open(path.c_str(), &handle);
  if (rc != FREEXL_OK) {
    book.error = "freexl_open: " + std::to_string(rc);
    if (handle != nullptr) freexl_close(handle);
    return book;
  }
  unsigned int sheetCount = 0;
  rc = freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount);
  for (unsigned short s = 0; rc == FREEXL_OK && s < sheetCount; ++s) {
    SheetCells sheet;
    const char* name = nullptr;
    rc = freexl_get_worksheet_name(handle, s, &name);
    if (rc != FREEXL_OK) break;
    sheet.name = name != nullptr ? name : "";
    rc = freexl_select_active_worksheet(handle, s);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(handle, &rows, &columns);
    for (unsigned int r = 0; rc == FREEXL_OK && r < rows; ++r) {
      std::vector<std::string> row;
      for (unsigned short c = 0; rc == FREEXL_OK && c < columns; ++c) {
        FreeXL_CellValue value;
        rc = freexl_get_cell_value(handle, r, c, &value);
        if (rc != FREEXL_OK) break;
        if (value.type == FREEXL_CELL_SST_TEXT || value.type == FREEXL_CELL_TEXT) {
          row.push_back(value.value.text_value);
        } else if (value.type == FREEXL_CELL_NULL) {
          row.emplace_back();
        } else {
          row.push_back("<non-text cell>");
        }
      }
      sheet.rows.push_back(std::move(row));
    }
    book.sheets.push_back(std::move(sheet));
  }
  if (rc != FREEXL_OK) book.error = "freexl: " + std::to_string(rc);
  freexl_close(handle);
  return book;
}

std::string XlrdStreamDigest(const std::string& path) {
  std::string error;
  std::string output = Run(std::string(kPython) + " " + Quote(Script()) + " --stream " + Quote(path),
                           error);
  if (!error.empty()) return error;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

std::string StreamDigest(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  std::string hex;
  static const char kDigits[] = "0123456789abcdef";
  for (unsigned int i = 0; i < length; ++i) {
    hex.push_back(kDigits[digest[i] >> 4]);
    hex.push_back(kDigits[digest[i] & 15]);
  }
  return std::to_string(bytes.size()) + " " + hex;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qrh-export-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFileBytes(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qrh::test
