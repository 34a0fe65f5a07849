// The whole-file loader's limits and failures, and the byte reader's bounds and
// byte order.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "io/byte_reader.h"
#include "io/file_bytes.h"
#include "support/test_files.h"

TEST(ReadWholeFileTest, LimitsAndFailures) {
  TempDir dir;
  std::vector<uint8_t> content(200000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7 + i / 251);
  const struct { size_t size; uint64_t limit; FileStatus status; size_t kept; } cases[] = {
      {0, 10, FileStatus::kRead, 0},          {10, 10, FileStatus::kRead, 10},
      {11, 10, FileStatus::kTooLarge, 10},    {200000, 200000, FileStatus::kRead, 200000},
      {200000, 150000, FileStatus::kTooLarge, 150000}};  // the head spans several reads
  for (const auto& c : cases) {
    const std::string path = dir.File("f" + std::to_string(c.size));
    WriteFile(path, std::vector<uint8_t>(content.begin(), content.begin() + c.size));
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_EQ(ReadWholeFile(path.c_str(), c.limit, &bytes).status, c.status) << c.size << " bytes, limit " << c.limit;
    EXPECT_TRUE(bytes == std::vector<uint8_t>(content.begin(), content.begin() + c.kept)) << c.size;
  }
  const struct { const char* path; FileStatus status; int error; } failures[] = {
      {nullptr, FileStatus::kCannotOpen, ENOENT}, {"/nonexistent/file", FileStatus::kCannotOpen, ENOENT},
      {dir.path().c_str(), FileStatus::kCannotRead, EISDIR}};
  for (const auto& f : failures) {
    std::vector<uint8_t> bytes;
    const FileResult result = ReadWholeFile(f.path, 100, &bytes);
    EXPECT_TRUE(result.status == f.status && result.error == f.error) << (f.path ? f.path : "null");
  }
}

TEST(ByteReaderTest, LittleEndianValuesInsideTheDataOnly) {
  const uint8_t data[] = {0x01, 0x80, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0x3F};
  const ByteReader in(data, sizeof data);
  uint16_t u16 = 0;
  int16_t i16 = 0;
  uint32_t u32 = 0;
  EXPECT_TRUE(in.U16At(0, &u16) && u16 == 0x8001);
  EXPECT_TRUE(in.I16At(1, &i16) && i16 == -128);
  EXPECT_TRUE(in.U32At(0, &u32) && u32 == 0x7FFF8001u);
  EXPECT_TRUE(in.HasAt(8, 0) && !in.HasAt(8, 1) && !in.HasAt(7, 2) && !in.HasAt(UINT64_MAX, 2));
  EXPECT_FALSE(in.U32At(5, &u32) || in.U16At(7, &u16) || in.U8At(UINT64_MAX, nullptr));

  // The cursor moves only over values that fit.
  ByteReader cursor(data, sizeof data);
  uint8_t u8 = 0;
  EXPECT_TRUE(cursor.Skip(5) && cursor.U16(&u16) && u16 == 0x8000);
  EXPECT_FALSE(cursor.U32(&u32) || cursor.Skip(2));
  EXPECT_TRUE(cursor.Position() == 7 && cursor.U8(&u8) && u8 == 0x3F && !cursor.Has(1) && cursor.Skip(0));
  EXPECT_TRUE(ByteReader(nullptr, 5).size() == 0);
}
