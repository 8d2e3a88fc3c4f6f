// Writing files without ever leaving a half-written one behind.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "export/biff8_writer.h"
#include "text/text.h"

namespace qrh {

struct SaveResult {
  bool ok = false;
  Text reason;  // a short reason for the operator when !ok
};

// Receives the file's content piece by piece through `write`, which returns
// false once a write has failed; `fill` returns false to give up.
using FileFiller = std::function<bool(const std::function<bool(const char*, std::size_t)>& write)>;

// Writes the content to a temporary file in the folder of `path` (a file
// system path, UTF-8), optionally flushes it to the disk, and renames it over
// `path`. On any failure the file at `path` is left as it was and the
// temporary file is removed.
SaveResult ReplaceFile(const std::string& path, const FileFiller& fill, bool flushToDisk);

// ReplaceFile with the compound file holding the workbook, flushed; the
// stream is written as it is made, never held whole.
SaveResult SaveWorkbookFile(const std::string& path, const TextWorkbook& workbook);

// The same for a workbook stream held in memory.
SaveResult SaveWorkbookFile(const std::string& path, const Bytes& workbookStream);

// The short reason shown for a failed write with the given errno value.
Text SaveFailureReason(int error);

}  // namespace qrh
