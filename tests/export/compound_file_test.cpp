// The compound file around the sizes where the allocation table needs more
// sectors than the header can list, read back with xlrd's compound file reader.
#include <gtest/gtest.h>

#include <string>

#include "export/compound_file.h"
#include "export/xls_readers_helpers.h"

namespace qrh::test {
namespace {

struct Case {
  const char* name;
  std::uint64_t streamSize;
  std::uint32_t fatSectors;
  std::uint32_t difatSectors;
};

const Case kCases[] = {
    {"EmptyStreamIsPadded", 0, 1, 0},
    {"JustOverOneSector", 513, 1, 0},
    {"LargestWithoutDifat", 7087104, 109, 0},
    {"OneByteMoreNeedsDifat", 7087105, 110, 1},
    {"LargestWithOneDifatSector", 15344640, 236, 1},
    {"OneByteMoreNeedsTwo", 15344641, 237, 2},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CompoundFile : public ::testing::TestWithParam<Case> {};

TEST_P(CompoundFile, HoldsTheStreamExactly) {
  const Case& c = GetParam();
  const CompoundLayout layout = PlanCompoundFile(c.streamSize);
  EXPECT_EQ(layout.fatSectors, c.fatSectors);
  EXPECT_EQ(layout.difatSectors, c.difatSectors);

  std::string stream(c.streamSize, '\0');
  for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<char>(i * 131 % 251);
  std::string file;
  ASSERT_TRUE(WriteCompoundFile(stream, [&](const char* data, std::size_t size) {
    file.append(data, size);
    return true;
  }));
  EXPECT_EQ(file.size(), layout.fileSize);

  TempFolder folder;
  const std::string path = folder.path() + "/stream.cfb";
  WriteFileBytes(path, file);
  // Streams shorter than 4,096 bytes are stored padded with zero bytes.
  if (stream.size() < 4096) stream.resize(4096, '\0');
  EXPECT_EQ(XlrdStreamDigest(path), StreamDigest(stream));
}

INSTANTIATE_TEST_SUITE_P(Sizes, CompoundFile, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CompoundFile, StopsWhenTheSinkFails) {
  int calls = 0;
  EXPECT_FALSE(WriteCompoundFile(std::string(10000, 'x'), [&](const char*, std::size_t) {
    ++calls;
    return false;
  }));
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace qrh::test
