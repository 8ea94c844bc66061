#include "document/PastedGrid.h"

#include <gtest/gtest.h>

#include <string>

#include "model/NuminoSchema.h"

namespace numino {
namespace {

// The one puzzle every accepted text below spells, row by row from the top.
constexpr const char* kRows[9] = {
    "530070000", "600195000", "098000060", "800060003", "400803001",
    "700020006", "060000280", "000419005", "000080079",
};

NuminoSchema::Grid Puzzle() {
  NuminoSchema::Grid cells{};
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) cells[r][c] = static_cast<std::int16_t>(kRows[r - 1][c - 1] - '0');
  }
  return cells;
}

const std::string kDots =
    "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
const std::string kZeros =
    "530070000600195000098000060800060003400803001700020006060000280000419005000080079";

TEST(ParsePastedGrid, AcceptsTheUsualLayoutsAndRefusesTheRest) {
  struct Row {
    const char* reason;
    std::string text;
    bool accepted;
  };
  const std::string padded = kDots + std::string(kPasteLimit - kDots.size(), ' ');
  // clang-format off
  const Row rows[] = {
      {"one line, dots for empty cells", kDots, true},
      {"one line, zeros for empty cells", kZeros, true},
      {"the nine lines of a .nmo file",
       "530070000\r\n600195000\r\n098000060\r\n800060003\r\n400803001\r\n"
       "700020006\r\n060000280\r\n000419005\r\n000080079\r\n", true},
      {"nine lines with LF, blank lines around",
       "\n\n530070000\n600195000\n098000060\n800060003\n400803001\n"
       "700020006\n060000280\n000419005\n000080079\n\n", true},
      {"a grid drawn with | + - and spaces",
       "5 3 . | . 7 . | . . .\n6 . . | 1 9 5 | . . .\n. 9 8 | . . . | . 6 .\n"
       "------+-------+------\n"
       "8 . . | . 6 . | . . 3\n4 . . | 8 . 3 | . . 1\n7 . . | . 2 . | . . 6\n"
       "------+-------+------\n"
       ". 6 . | . . . | 2 8 .\n. . . | 4 1 9 | . . 5\n. . . | . 8 . | . 7 9\n", true},
      {"cells separated by tabs, as a spreadsheet copies them",
       "5\t3\t0\t0\t7\t0\t0\t0\t0\r\n6\t0\t0\t1\t9\t5\t0\t0\t0\r\n0\t9\t8\t0\t0\t0\t0\t6\t0\r\n"
       "8\t0\t0\t0\t6\t0\t0\t0\t3\r\n4\t0\t0\t8\t0\t3\t0\t0\t1\r\n7\t0\t0\t0\t2\t0\t0\t0\t6\r\n"
       "0\t6\t0\t0\t0\t0\t2\t8\t0\r\n0\t0\t0\t4\t1\t9\t0\t0\t5\r\n0\t0\t0\t0\t8\t0\t0\t7\t9\r\n", true},
      {"layout up to the limit is still read", padded, true},
      {"one byte over the limit is not read at all", padded + " ", false},
      {"80 cells", kDots.substr(0, 80), false},
      {"82 cells", kDots + ".", false},
      {"two puzzles one after the other", kDots + "\n" + kZeros, false},
      {"a letter for the last cell", kDots.substr(0, 80) + "x", false},
      {"a comma is not a separator", kDots.substr(0, 40) + "," + kDots.substr(40), false},
      {"a non-ASCII character (middle dot for an empty cell)",
       kDots.substr(0, 2) + "\xC2\xB7" + kDots.substr(3), false},
      {"a byte-order mark before the cells", "\xEF\xBB\xBF" + kDots, false},
      {"a NUL byte among the cells", kDots.substr(0, 40) + std::string(1, '\0') + kDots.substr(40), false},
      {"empty text", "", false},
      {"only separators and white space", "+---+\n| |\t\r\n-+-|", false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.reason);
    const auto cells = ParsePastedGrid(row.text);
    ASSERT_EQ(cells.has_value(), row.accepted);
    if (cells) {
      EXPECT_EQ(*cells, Puzzle());  // every digit in its [row][col]
    }
  }
}

TEST(FormatCopiedGrid, IsTheNmoLinesEndedByLineFeeds) {
  EXPECT_EQ(FormatCopiedGrid(Puzzle()),
            "530070000\n600195000\n098000060\n800060003\n400803001\n"
            "700020006\n060000280\n000419005\n000080079\n");
  EXPECT_EQ(ParsePastedGrid(FormatCopiedGrid(Puzzle())), Puzzle());
}

}  // namespace
}  // namespace numino
