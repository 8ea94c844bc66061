#include "model/NuminoSchema.h"

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace numino {
namespace {

using testing::FakePlatform;

void ExpectEmptyDocument(const NuminoSchema& schema) {
  for (std::int16_t r = 1; r <= 9; ++r) {
    for (std::int16_t c = 1; c <= 9; ++c) {
      EXPECT_EQ(schema.GetBuffer(r, c), 0) << r << "," << c;
      EXPECT_EQ(schema.userExclusions[r][c], 0) << r << "," << c;
    }
  }
  EXPECT_FALSE(schema.Modified());
  EXPECT_EQ(schema.currentRow, 1);
  EXPECT_EQ(schema.currentCol, 1);
  EXPECT_EQ(schema.fileName, "");
  EXPECT_TRUE(schema.history.empty());
  EXPECT_EQ(schema.historyPos, -1);
}

TEST(NuminoSchema, StartsAsAnEmptyUnnamedDocument) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  ExpectEmptyDocument(schema);
  EXPECT_EQ(schema.GetFileName(), "(Senza nome)");
}

TEST(NuminoSchema, ResetEmptiesAModifiedNamedDocument) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.SetBuffer(3, 4, 7, false);
  schema.ToggleUserExclusion(5, 5, 2);
  schema.fileName = "/home/anna/pippo.nmo";
  schema.currentRow = 6;
  schema.currentCol = 2;
  schema.Reset();
  ExpectEmptyDocument(schema);
}

TEST(GetBuffer, OffTheGridReadsZero) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.cellValues[0][5] = 3;  // index 0 exists but is never part of the grid
  const std::pair<std::int16_t, std::int16_t> cells[] = {{0, 5}, {5, 10}, {-1, 3}, {10, 10}};
  for (const auto& [row, col] : cells)
    EXPECT_EQ(schema.GetBuffer(row, col), 0) << row << "," << col;
}

TEST(SetBuffer, OffTheGridChangesNothing) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.SetBuffer(10, 1, 5, false);
  schema.SetBuffer(0, 1, 5, false);
  schema.SetBuffer(1, -3, 5, false);
  ExpectEmptyDocument(schema);
}

TEST(SetBuffer, RecordsEveryWriteAlsoOfTheSameDigit) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.SetBuffer(3, 4, 7, false);
  EXPECT_EQ(schema.GetBuffer(3, 4), 7);
  EXPECT_TRUE(schema.Modified());
  schema.SetBuffer(3, 4, 7, false);
  const std::vector<UndoRecord> expected = {{3, 4, 0, 7}, {3, 4, 7, 7}};
  EXPECT_EQ(schema.history, expected);
  EXPECT_EQ(schema.historyPos, 1);
}

TEST(SetBuffer, UndoingRecordsNothingButStillModifies) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.cellValues[3][4] = 7;
  schema.SetBuffer(3, 4, 0, true);
  EXPECT_EQ(schema.GetBuffer(3, 4), 0);
  EXPECT_TRUE(schema.Modified());
  EXPECT_TRUE(schema.history.empty());
}

TEST(GetFileName, StripsFolderAndExtension) {
  struct Row {
    const char* path;
    const char* expected;
  };
  const Row rows[] = {
      {"/home/anna/pippo.nmo", "pippo"},
      {"/x.y/a.b.nmo", "a.b"},  // dots in folders don't count
      {"pippo.nmo", "pippo"},
      {"/d/.nmo", ""},        // a file named only ".nmo"
      {"/d/senza", "senza"},  // no extension at all
      {"", "(Senza nome)"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    FakePlatform platform;
    NuminoSchema schema(platform);
    schema.fileName = r.path;
    EXPECT_EQ(schema.GetFileName(), r.expected);
  }
}

TEST(EditHistory, PushAfterUndoDropsTheRedoableRecords) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  for (std::int16_t i = 1; i <= 4; ++i) schema.PushHistory({1, i, 0, i});
  schema.historyPos = 1;  // two records undone
  schema.PushHistory({9, 9, 0, 5});
  const std::vector<UndoRecord> expected = {{1, 1, 0, 1}, {1, 2, 0, 2}, {9, 9, 0, 5}};
  EXPECT_EQ(schema.history, expected);
  EXPECT_EQ(schema.historyPos, 2);
  EXPECT_FALSE(schema.CanRedo());
}

// The position used to be a 16-bit number, which a long session overflows.
TEST(EditHistory, KeepsMoreRecordsThanA16BitPositionCanCount) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  constexpr int kEdits = 40'000;
  for (int i = 0; i < kEdits; ++i) {
    schema.SetBuffer(static_cast<std::int16_t>(i % 9 + 1), 1, static_cast<std::int16_t>(i % 10),
                     false);
  }
  ASSERT_EQ(schema.history.size(), std::size_t{kEdits});
  EXPECT_EQ(schema.historyPos, kEdits - 1);
  EXPECT_EQ(schema.history[32768], (UndoRecord{static_cast<std::int16_t>(32768 % 9 + 1), 1,
                                               static_cast<std::int16_t>((32768 - 9) % 10),
                                               static_cast<std::int16_t>(32768 % 10)}));
}

}  // namespace
}  // namespace numino
