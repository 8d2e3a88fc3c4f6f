#include "export/compound_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qrh {

namespace {

constexpr std::size_t kSector = 512;
constexpr std::uint32_t kEntriesPerSector = kSector / 4;  // 128
constexpr std::uint32_t kHeaderDifatSlots = 109;
constexpr std::uint32_t kDifatEntriesPerSector = kEntriesPerSector - 1;  // 127 + next link
constexpr std::uint64_t kMiniStreamCutoff = 4096;

constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

void Put16(char* at, std::uint16_t v) {
  at[0] = static_cast<char>(v & 0xFF);
  at[1] = static_cast<char>(v >> 8);
}
void Put32(char* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One 128-byte directory entry.
void PutDirectoryEntry(char* at, const char16_t* name, std::uint8_t type, std::uint32_t child,
                       std::uint32_t start, std::uint32_t size) {
  std::size_t units = 0;
  while (name[units] != 0) {
    Put16(at + 2 * units, static_cast<std::uint16_t>(name[units]));
    ++units;
  }
  Put16(at + 0x40, static_cast<std::uint16_t>(2 * (units + 1)));
  at[0x42] = static_cast<char>(type);
  at[0x43] = 1;  // black
  Put32(at + 0x44, kNoStream);
  Put32(at + 0x48, kNoStream);
  Put32(at + 0x4C, child);
  Put32(at + 0x74, start);
  Put32(at + 0x78, size);
}

}  // namespace

CompoundLayout PlanCompoundFile(std::uint64_t streamSize) {
  CompoundLayout layout;
  layout.streamSize = std::max(streamSize, kMiniStreamCutoff);
  const std::uint64_t streamSectors = (layout.streamSize + kSector - 1) / kSector;
  layout.streamSectors = static_cast<std::uint32_t>(streamSectors);
  // The FAT must also map its own sectors, the DIFAT sectors and the one
  // directory sector; grow both counts until they describe themselves.
  std::uint64_t fat = 0;
  std::uint64_t difat = 0;
  for (;;) {
    const std::uint64_t total = streamSectors + 1 + fat + difat;
    const std::uint64_t needFat = (total + kEntriesPerSector - 1) / kEntriesPerSector;
    const std::uint64_t needDifat =
        needFat <= kHeaderDifatSlots
            ? 0
            : (needFat - kHeaderDifatSlots + kDifatEntriesPerSector - 1) / kDifatEntriesPerSector;
    if (needFat == fat && needDifat == difat) break;
    fat = needFat;
    difat = needDifat;
  }
  layout.fatSectors = static_cast<std::uint32_t>(fat);
  layout.difatSectors = static_cast<std::uint32_t>(difat);
  layout.fileSize = kSector * (1 + streamSectors + 1 + fat + difat);
  return layout;
}

bool WriteCompoundFile(const Bytes& stream, const ByteSink& sink) {
  return WriteCompoundFile(
      stream.size(), [&](const ByteSink& out) { return stream.empty() || out(stream.data(), stream.size()); },
      sink);
}

bool WriteCompoundFile(std::uint64_t streamSize, const StreamWriter& writeStream,
                       const ByteSink& sink) {
  if (streamSize > kMaxCompoundStream) return false;
  const CompoundLayout layout = PlanCompoundFile(streamSize);
  const std::uint32_t w = layout.streamSectors;
  const std::uint32_t f = layout.fatSectors;
  const std::uint32_t d = layout.difatSectors;
  // Sector order: the stream, the directory, the FAT, the DIFAT.
  const std::uint32_t directorySector = w;
  const std::uint32_t firstFat = w + 1;
  const std::uint32_t firstDifat = w + 1 + f;

  std::vector<char> header(kSector, 0);
  static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0,
                                                  0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(header.data(), kSignature, sizeof kSignature);
  Put16(&header[0x18], 0x003E);
  Put16(&header[0x1A], 0x0003);
  Put16(&header[0x1C], 0xFFFE);
  Put16(&header[0x1E], 9);
  Put16(&header[0x20], 6);
  Put32(&header[0x2C], f);
  Put32(&header[0x30], directorySector);
  Put32(&header[0x38], static_cast<std::uint32_t>(kMiniStreamCutoff));
  Put32(&header[0x3C], kEndOfChain);
  Put32(&header[0x44], d > 0 ? firstDifat : kEndOfChain);
  Put32(&header[0x48], d);
  for (std::uint32_t i = 0; i < kHeaderDifatSlots; ++i) {
    Put32(&header[0x4C + 4 * i], i < f ? firstFat + i : kFreeSect);
  }
  if (!sink(header.data(), header.size())) return false;

  std::uint64_t written = 0;
  const bool streamed = writeStream([&](const char* data, std::size_t size) {
    written += size;
    return written <= streamSize && sink(data, size);
  });
  if (!streamed || written != streamSize) return false;
  const std::uint64_t padding = static_cast<std::uint64_t>(w) * kSector - streamSize;
  if (padding > 0) {
    const std::vector<char> zeros(padding, 0);
    if (!sink(zeros.data(), zeros.size())) return false;
  }

  std::vector<char> directory(kSector, 0);
  PutDirectoryEntry(&directory[0], u"Root Entry", 5, 1, kEndOfChain, 0);
  PutDirectoryEntry(&directory[128], u"Workbook", 2, kNoStream, 0,
                    static_cast<std::uint32_t>(layout.streamSize));
  for (int entry = 2; entry < 4; ++entry) {
    char* at = &directory[128 * entry];
    Put32(at + 0x44, kNoStream);
    Put32(at + 0x48, kNoStream);
    Put32(at + 0x4C, kNoStream);
  }
  if (!sink(directory.data(), directory.size())) return false;

  std::vector<char> fat(static_cast<std::size_t>(f) * kSector);
  std::uint32_t entry = 0;
  auto putEntry = [&](std::uint32_t v) { Put32(&fat[4 * entry++], v); };
  for (std::uint32_t i = 0; i < w; ++i) putEntry(i + 1 < w ? i + 1 : kEndOfChain);
  putEntry(kEndOfChain);  // directory
  for (std::uint32_t i = 0; i < f; ++i) putEntry(kFatSect);
  for (std::uint32_t i = 0; i < d; ++i) putEntry(kDifSect);
  while (entry < f * kEntriesPerSector) putEntry(kFreeSect);
  if (!sink(fat.data(), fat.size())) return false;

  std::vector<char> difat(static_cast<std::size_t>(d) * kSector);
  for (std::uint32_t s = 0; s < d; ++s) {
    char* at = &difat[static_cast<std::size_t>(s) * kSector];
    for (std::uint32_t i = 0; i < kDifatEntriesPerSector; ++i) {
      const std::uint64_t fatIndex =
          kHeaderDifatSlots + static_cast<std::uint64_t>(s) * kDifatEntriesPerSector + i;
      Put32(at + 4 * i, fatIndex < f ? firstFat + static_cast<std::uint32_t>(fatIndex) : kFreeSect);
    }
    Put32(at + 4 * kDifatEntriesPerSector, s + 1 < d ? firstDifat + s + 1 : kEndOfChain);
  }
  if (d > 0 && !sink(difat.data(), difat.size())) return false;
  return true;
}

}  // namespace qrh
