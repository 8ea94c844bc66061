#include <gtest/gtest.h>

#include <vector>

#include "model/NuminoSchema.h"
#include "support/BoardSession.h"
#include "support/Grids.h"

namespace numino {
namespace {

using testing::BoardSession;
using testing::FakePlatform;
using testing::IsPeer;

TEST(GetExclusionMask, EmptyGridExcludesNothing) {
  FakePlatform platform;
  const NuminoSchema schema(platform);
  for (std::int16_t r = 1; r <= 9; ++r) {
    for (std::int16_t c = 1; c <= 9; ++c) EXPECT_EQ(schema.GetExclusionMask(r, c), 0);
  }
}

TEST(GetExclusionMask, OneDigitExcludesItselfInItsTwentyPeersOnly) {
  struct Row {
    std::int16_t row, col, digit;
  };
  const Row rows[] = {
      {1, 1, 5},  // a corner box
      {5, 5, 1},  // the middle box
      {9, 9, 9},  // the last cell
      {3, 7, 2},  // the bottom right of a box at the top right
      {4, 3, 8},  // the top right of a box at the left
  };
  for (const Row& d : rows) {
    SCOPED_TRACE(::testing::Message() << d.digit << " at " << d.row << "," << d.col);
    FakePlatform platform;
    NuminoSchema schema(platform);
    schema.cellValues[d.row][d.col] = d.digit;
    const int bit = 1 << (d.digit - 1);
    int peers = 0;
    for (std::int16_t r = 1; r <= 9; ++r) {
      for (std::int16_t c = 1; c <= 9; ++c) {
        const bool peer = IsPeer(r, c, d.row, d.col);
        peers += peer ? 1 : 0;
        EXPECT_EQ(schema.GetExclusionMask(r, c), peer ? bit : 0) << "cell " << r << "," << c;
      }
    }
    EXPECT_EQ(peers, 20);
  }
}

TEST(GetExclusionMask, AllNineDigitsAmongThePeersGiveAllBitsWhateverTheCellHolds) {
  for (const std::int16_t own : {0, 1, 5, 9}) {
    SCOPED_TRACE(own);
    FakePlatform platform;
    NuminoSchema schema(platform);
    // Around (5, 5): four in its row, three in its column, two in its box.
    schema.cellValues[5][1] = 1;
    schema.cellValues[5][2] = 2;
    schema.cellValues[5][8] = 3;
    schema.cellValues[5][9] = 4;
    schema.cellValues[1][5] = 5;
    schema.cellValues[2][5] = 6;
    schema.cellValues[9][5] = 7;
    schema.cellValues[4][4] = 8;
    schema.cellValues[6][6] = 9;
    schema.cellValues[5][5] = own;
    EXPECT_EQ(schema.GetExclusionMask(5, 5), 511);
  }
}

TEST(GetExclusionMask, ADigitRepeatedAmongThePeersCountsOnce) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.cellValues[5][1] = 3;  // row
  schema.cellValues[8][5] = 3;  // column
  schema.cellValues[6][4] = 3;  // box
  schema.cellValues[4][6] = 7;
  schema.cellValues[1][1] = 9;  // not a peer
  schema.cellValues[5][5] = 2;  // the cell itself never counts
  EXPECT_EQ(schema.GetExclusionMask(5, 5), 4 + 64);
}

TEST(ToggleUserExclusion, FlipsOneDigitAndRecordsTheComplementedMasks) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.ToggleUserExclusion(7, 7, 4);
  EXPECT_EQ(schema.userExclusions[7][7], 8);
  EXPECT_EQ(schema.history, (std::vector<UndoRecord>{{7, 7, -1, -9}}));

  schema.ToggleUserExclusion(2, 3, 3);
  EXPECT_EQ(schema.userExclusions[2][3], 4);
  schema.ToggleUserExclusion(2, 3, 3);
  EXPECT_EQ(schema.userExclusions[2][3], 0);
  const std::vector<UndoRecord> expected = {{7, 7, -1, -9}, {2, 3, -1, -5}, {2, 3, -5, -1}};
  EXPECT_EQ(schema.history, expected);
  EXPECT_EQ(schema.historyPos, 2);
}

// The flip looks neither at what the cell holds nor at its peers, and adds
// to the digits already ruled out there.
TEST(ToggleUserExclusion, IsRecordedWhateverTheCellShows) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  schema.cellValues[4][4] = 6;  // the cell holds a digit
  schema.cellValues[4][9] = 2;  // and 2 is excluded there by a peer
  schema.ToggleUserExclusion(4, 4, 2);
  schema.ToggleUserExclusion(4, 4, 9);
  EXPECT_EQ(schema.userExclusions[4][4], 2 + 256);
  const std::vector<UndoRecord> expected = {{4, 4, -1, -3}, {4, 4, -3, -259}};
  EXPECT_EQ(schema.history, expected);
  EXPECT_EQ(schema.userExclusions[4][5], 0) << "only the cell named";
}

TEST(ToggleUserExclusion, DropsTheUndoneRecords) {
  BoardSession b;
  b.Char('1');
  b.Key(39);
  b.Char('2');
  b.Key(39);
  b.Char('3');
  b.Undo();
  b.Undo();
  ASSERT_EQ(b.schema.historyPos, 0);

  b.schema.ToggleUserExclusion(9, 9, 1);
  const std::vector<UndoRecord> expected = {{1, 1, 0, 1}, {9, 9, -1, -2}};
  EXPECT_EQ(b.schema.history, expected);
  EXPECT_EQ(b.schema.historyPos, 1);
}

TEST(ToggleUserExclusion, LeavesTheModifiedFlagAlone) {
  for (const bool modified : {false, true}) {
    FakePlatform platform;
    NuminoSchema schema(platform);
    schema.modifiedFlag = modified;
    schema.ToggleUserExclusion(3, 3, 3);
    schema.ToggleUserExclusion(3, 3, 3);
    EXPECT_EQ(schema.Modified(), modified);
  }
}

}  // namespace
}  // namespace numino
