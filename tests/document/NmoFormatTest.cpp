#include "document/NmoFormat.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/Grids.h"

namespace numino {
namespace {

using testing::FakePlatform;
using testing::GridRows;
using testing::Repeat;

constexpr const char* kPath = "/home/anna/schema.nmo";

TEST(NmoFormat, AnEmptyGridIsNineLinesOfNineZeros) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  platform.saveAnswers.push_back(kPath);
  ASSERT_EQ(schema.Save(false), SaveOutcome::Written);
  EXPECT_EQ(platform.files[kPath], Repeat("000000000\r\n", 9));
  EXPECT_EQ(platform.files[kPath].size(), 99u);
}

TEST(NmoFormat, RowsAreLinesAndColumnsAreCharacters) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.cellValues[1][1] = 5;
  schema.cellValues[1][9] = 9;
  schema.cellValues[9][2] = 3;
  schema.fileName = kPath;
  schema.Save(false);
  EXPECT_EQ(platform.files[kPath], "500000009\r\n" + Repeat("000000000\r\n", 7) + "030000000\r\n");
}

TEST(NmoFormat, SaveThenLoadRestoresTheDigitsAndNothingElse) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      schema.SetBuffer(static_cast<std::int16_t>(r), static_cast<std::int16_t>(c),
                       static_cast<std::int16_t>((r * 5 + c * 7) % 10), false);
    }
  }
  schema.ToggleUserExclusion(2, 2, 7);
  schema.currentRow = 6;
  schema.currentCol = 3;
  const std::string saved = GridRows(schema.cellValues);
  platform.saveAnswers.push_back(kPath);
  ASSERT_EQ(schema.Save(true), SaveOutcome::Written);

  FakePlatform other;
  other.files = platform.files;
  other.openAnswers.push_back(kPath);
  NuminoSchema loaded(other);
  loaded.Load();
  EXPECT_EQ(GridRows(loaded.cellValues), saved);
  EXPECT_EQ(loaded.userExclusions, NuminoSchema::Grid{});
  EXPECT_EQ(loaded.currentRow, 1);
  EXPECT_EQ(loaded.currentCol, 1);
  EXPECT_TRUE(loaded.history.empty());
  EXPECT_EQ(loaded.historyPos, -1);
  EXPECT_FALSE(loaded.Modified());
  EXPECT_EQ(loaded.fileName, kPath);
  EXPECT_EQ(loaded.GetFileName(), "schema");
}

TEST(NmoFormat, WhatTheReaderAccepts) {
  const std::string digits = "123456789";
  const std::string empty = "000000000\n";
  struct Row {
    const char* why;
    std::string file;
    std::optional<std::string> rows;  // nullopt: the load fails
  };
  const Row rows[] = {
      {"an empty file is an empty grid", "", Repeat(empty, 9)},
      {"four lines fill rows 1 to 4", Repeat("123456789\r\n", 4),
       Repeat("123456789\n", 4) + Repeat(empty, 5)},
      {"text after the ninth character is ignored", Repeat("123456789abc\r\n", 9),
       Repeat("123456789\n", 9)},
      {"lines ended by LF alone", Repeat("987654321\n", 9), Repeat("987654321\n", 9)},
      {"lines ended by CR alone", Repeat("987654321\r", 9), Repeat("987654321\n", 9)},
      {"the last line without a line end", Repeat("111111111\r\n", 8) + "222222222",
       Repeat("111111111\n", 8) + "222222222\n"},
      {"lines after the ninth are ignored",
       Repeat("555555555\r\n", 9) + "questa riga non conta\r\n\r\nnemmeno questa",
       Repeat("555555555\n", 9)},
      {"a ninth line followed by anything", Repeat("555555555\r\n", 8) + "666666666xyz",
       Repeat("555555555\n", 8) + "666666666\n"},
      {"a repeated digit is no reason to refuse", Repeat("111111111\r\n", 9),
       Repeat("111111111\n", 9)},
      {"a line of eight digits", "12345678\r\n" + Repeat("123456789\r\n", 8), std::nullopt},
      {"eight digits at the end of the file", "12345678", std::nullopt},
      {"a space in place of the fifth digit", "1234 6789\r\n" + Repeat("123456789\r\n", 8),
       std::nullopt},
      {"a letter in a later line", Repeat(digits + "\r\n", 6) + "12345678x\r\n", std::nullopt},
      {"an empty line among the first nine", Repeat(digits + "\r\n", 3) + "\r\n" + digits,
       std::nullopt},
      {"a sign", "-12345678\r\n", std::nullopt},
      {"a NUL byte",
       std::string("1234\0"
                   "6789\r\n",
                   11),
       std::nullopt},
      {"LF CR is two line ends, hence an empty line", digits + "\n\r" + digits, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    FakePlatform platform;
    platform.files[kPath] = row.file;
    platform.openAnswers.push_back(kPath);
    NuminoSchema schema(platform);
    if (row.rows) {
      ASSERT_NO_THROW(schema.Load());
      EXPECT_EQ(GridRows(schema.cellValues), *row.rows);
      EXPECT_EQ(schema.fileName, kPath);
    } else {
      EXPECT_THROW(schema.Load(), FileError);
      EXPECT_EQ(schema.fileName, "");
    }
    EXPECT_FALSE(schema.Modified());
  }
}

TEST(NmoFormat, AHugeFileIsRefusedWithoutBeingReadWhole) {
  struct Row {
    const char* why;
    std::string file;
    bool loads;
  };
  const std::string grid = Repeat("123456789\r\n", 9);
  const Row rows[] = {
      {"one line of five million digits", std::string(5'000'000, '7'), false},
      {"a first line longer than the limit", std::string(nmo::kReadLimit + 10, '1') + "\r\n" + grid,
       false},
      {"a document followed by five megabytes of anything", grid + std::string(5'000'000, 'x'),
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    FakePlatform platform;
    platform.files[kPath] = r.file;
    platform.openAnswers.push_back(kPath);
    NuminoSchema schema(platform);
    if (r.loads) {
      EXPECT_NO_THROW(schema.Load());
      EXPECT_EQ(GridRows(schema.cellValues), Repeat("123456789\n", 9));
    } else {
      EXPECT_THROW(schema.Load(), FileError);
    }
    ASSERT_EQ(platform.readLimits.size(), 1u);
    EXPECT_LE(platform.readLimits[0], nmo::kReadLimit);
    EXPECT_GE(platform.readLimits[0], nmo::kFileSize);
  }
}

}  // namespace
}  // namespace numino
