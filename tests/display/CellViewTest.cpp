#include "display/CellView.h"

#include <gtest/gtest.h>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"

namespace numino {
namespace {

// The puzzle of every row: 5 at (1, 1), 3 at (1, 9), 5 ruled out by hand
// in (2, 5) and 7 and 2 in (9, 9), 4 ruled out by hand in the full (1, 9).
struct Puzzle {
  testing::FakePlatform platform;
  NuminoSchema schema{platform};
  Puzzle() {
    schema.cellValues[1][1] = 5;
    schema.cellValues[1][9] = 3;
    schema.userExclusions[2][5] = 1 << 4;
    schema.userExclusions[9][9] = (1 << 6) | (1 << 1);
    schema.userExclusions[1][9] = 1 << 3;
  }
};

TEST(ViewOf, SaysWhatEachCellShows) {
  struct Row {
    int currentRow, currentCol, row, col;
    CellView expected;
    const char* why;
  };
  const Row rows[] = {
      {1, 1, 1, 1, {5, 0, 0, false, true}, "a digit shows only itself; it is current"},
      {1, 1, 1, 9, {3, 0, 0, false, false}, "a full cell shows no hand marks"},
      {1, 1, 1, 5, {0, 16 | 4, 0, false, false}, "5 and 3 stand in its row: not green"},
      {1, 1, 5, 5, {0, 0, 0, true, false}, "nothing rules 5 out here: green for the current 5"},
      {1, 1, 2, 5, {0, 0, 16, false, false}, "5 ruled out by hand: not green"},
      {1, 1, 3, 3, {0, 16, 0, false, false}, "5 in its box"},
      {1, 1, 9, 9, {0, 4, 64 | 2, true, false}, "3 in its column, 7 and 2 by hand"},
      {5, 5, 9, 9, {0, 4, 64 | 2, false, false}, "an empty current cell makes nothing green"},
      {5, 5, 5, 5, {0, 0, 0, false, true}, "the empty current cell itself"},
      {0, 0, 4, 4, {0, 0, 0, false, false}, "no current cell: no green, none current"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    Puzzle p;
    p.schema.currentRow = static_cast<std::int16_t>(r.currentRow);
    p.schema.currentCol = static_cast<std::int16_t>(r.currentCol);
    EXPECT_EQ(p.schema.ViewOf(static_cast<std::int16_t>(r.row), static_cast<std::int16_t>(r.col)),
              r.expected);
  }
}

TEST(DescribeCell, NamesTheCellInWords) {
  struct Row {
    int row, col;
    CellView view;
    const char* expected;
  };
  const Row rows[] = {
      {3, 5, {7, 0, 0, false, false}, "Riga 3, colonna 5: 7"},
      {3,
       5,
       {0, 0x1FF & ~(1 | 2 | 32 | 128), 0, false, false},
       "Riga 3, colonna 5: vuota, possibili 1 2 6 8"},
      {1, 9, {0, 0, 0, true, true}, "Riga 1, colonna 9: vuota, possibili 1 2 3 4 5 6 7 8 9"},
      {9, 1, {0, 0x1FF, 0, false, false}, "Riga 9, colonna 1: vuota, possibili nessuno"},
      {3,
       5,
       {0, 0x1FF & ~(1 | 2 | 32 | 128), 8 | 256 | 2, false, false},
       "Riga 3, colonna 5: vuota, possibili 1 6 8, esclusi a mano 2 4 9"},
      {2,
       2,
       {0, 0x1FF & ~8, 8, false, false},
       "Riga 2, colonna 2: vuota, possibili nessuno, esclusi a mano 4"},
      {2,
       2,
       {0, 16, 16, false, false},
       "Riga 2, colonna 2: vuota, possibili 1 2 3 4 6 7 8 9, esclusi a mano 5"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.expected);
    EXPECT_EQ(DescribeCell(r.row, r.col, r.view), r.expected);
  }
}

}  // namespace
}  // namespace numino
