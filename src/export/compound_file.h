// A compound file (version 3, 512-byte sectors) holding one stream named
// "Workbook": the container of an Excel 97-2003 workbook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "export/biff_records.h"
#include "text/text.h"

namespace qrh {

// Sector counts of a compound file for one stream.
struct CompoundLayout {
  std::uint64_t streamSize = 0;     // stored stream size (at least 4,096)
  std::uint32_t streamSectors = 0;  // sectors of the stream
  std::uint32_t fatSectors = 0;     // sectors of the allocation table
  std::uint32_t difatSectors = 0;   // extra sectors listing FAT sectors past 109
  std::uint64_t fileSize = 0;       // bytes of the whole file
};

// The largest stream a version 3 compound file can describe (32-bit sizes).
constexpr std::uint64_t kMaxCompoundStream = 0xFFFFF000u;

CompoundLayout PlanCompoundFile(std::uint64_t streamSize);

using biff::ByteSink;

// Writes the stream's bytes, exactly the announced size, through the sink it
// is given; returns false on a failure.
using StreamWriter = std::function<bool(const ByteSink& sink)>;

// Writes the compound file holding a stream of streamSize bytes as
// "Workbook" through sink, the stream itself coming from writeStream. A
// stream shorter than 4,096 bytes is padded with zero bytes to 4,096, so it
// lives in normal sectors and no mini stream is needed. Returns false when a
// write failed, the stream did not have the announced size, or it is larger
// than kMaxCompoundStream.
bool WriteCompoundFile(std::uint64_t streamSize, const StreamWriter& writeStream,
                       const ByteSink& sink);

// The same for a stream held in memory.
bool WriteCompoundFile(const Bytes& stream, const ByteSink& sink);

}  // namespace qrh
