#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/NuminoSchema.h"
#include "support/BoardSession.h"
#include "support/Grids.h"

namespace numino {
namespace {

using testing::BoardSession;
using testing::CellLeft;
using testing::CellTop;
using testing::FakePlatform;
using testing::FrameInk;
using testing::InkX;
using testing::InkY;
using testing::IsPeer;
using testing::kWholeFrame;
using testing::MarkColour;
using testing::RasterSurface;

constexpr std::uint32_t kBlack = RasterSurface::kBlack;
constexpr std::uint32_t kWhite = RasterSurface::kWhite;
constexpr std::uint32_t kRed = RasterSurface::kRed;
constexpr std::uint32_t kGreen = RasterSurface::kGreen;

// The content area's colour where no mark and no digit reaches.
std::uint32_t Ground(const RasterSurface& frm, int row, int col) {
  return frm.Pixel(CellLeft(col) + 21, CellTop(row) + 21);
}

// Clearing the current cell used to switch the font to bold before its
// repaint, so the digits that repaint printed came out bold, although the
// font turns bold only once the repaint prints its own digit on top.
TEST(SetCurrentCell, ClearingTheCurrentCellRepaintsBeforeTheFontTurnsBold) {
  BoardSession b;                 // drawn empty: the font stays regular
  b.schema.cellValues[1][1] = 5;  // digits that arrived without a redraw
  b.schema.cellValues[5][5] = 3;

  b.schema.SetCurrentCell(b.frm, 0, 0);

  // A regular glyph is 9 pixels wide, a bold one 10, both 18 high, so both
  // print at the cell's left grid line + 7 and top grid line + 3; the ink
  // lies 2 pixels inside the glyph box.
  const int x55 = 108 + 7;
  const int y55 = 108 + 3;
  EXPECT_EQ(b.frm.PrintCount(x55 + 4, y55 + 8), 1);
  EXPECT_FALSE(b.frm.IsBoldInk(x55 + 4, y55 + 8)) << "(5, 5) printed before the font turned bold";
  EXPECT_EQ(b.frm.PrintCount(x55 + 7, y55 + 8), 0)
      << "a regular glyph has no ink in its 8th column";
  const int x11 = 12 + 7;
  const int y11 = 12 + 3;
  EXPECT_EQ(b.frm.PrintCount(x11 + 4, y11 + 8), 2) << "the repaint's own cell: regular, then bold";
  EXPECT_EQ(b.frm.PrintCount(x11 + 7, y11 + 8), 1) << "only the bold print reaches this column";
  EXPECT_TRUE(b.frm.IsBoldInk(x11 + 4, y11 + 8));
  EXPECT_TRUE(b.frm.FontBold());
}

// The example the cell display is built around: an empty board, the current
// cell in the corner, a 5 typed.
TEST(CellDisplay, AFiveTypedOnAnEmptyBoard) {
  BoardSession b;
  b.Char('5');

  EXPECT_EQ(FrameInk(b.frm, 1, 1), kWholeFrame);
  EXPECT_TRUE(b.frm.IsBoldInk(InkX(1), InkY(1)));
  EXPECT_EQ(Ground(b.frm, 1, 1), kWhite);
  int green = 0;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) {
      if (r == 1 && c == 1) continue;
      SCOPED_TRACE(::testing::Message() << "cell " << r << "," << c);
      const bool peer = IsPeer(r, c, 1, 1);
      EXPECT_EQ(Ground(b.frm, r, c), peer ? kWhite : kGreen);
      if (!peer) ++green;
      for (int d = 1; d <= 9; ++d) {
        EXPECT_EQ(MarkColour(b.frm, r, c, d), d == 5 && peer ? kRed : Ground(b.frm, r, c))
            << "digit " << d;
      }
      EXPECT_FALSE(b.frm.IsInk(InkX(c), InkY(r)));
      EXPECT_EQ(FrameInk(b.frm, r, c), 0);
    }
  }
  EXPECT_EQ(green, 60);
}

TEST(CellDisplay, GreenFollowsTheDigitOfTheCurrentCell) {
  BoardSession b;
  b.Char('5');
  b.Key(39);  // right, onto an empty cell
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) EXPECT_NE(Ground(b.frm, r, c), kGreen) << r << "," << c;
  }
  b.Key(37);  // back onto the 5
  EXPECT_EQ(Ground(b.frm, 9, 9), kGreen);
  EXPECT_EQ(Ground(b.frm, 1, 9), kWhite) << "a peer of the 5";
}

TEST(CellDisplay, MarksSitOnTheKeypadPositionOfTheirDigit) {
  struct Row {
    int row, col, digit;
    int left, top;         // the mark's top-left pixel
    int peerRow, peerCol;  // where the excluding digit stands
  };
  const Row rows[] = {
      {1, 1, 5, 21, 21, 1, 9}, {9, 9, 9, 219, 219, 9, 1}, {1, 1, 3, 27, 15, 9, 1},
      {1, 1, 1, 15, 15, 2, 2}, {1, 1, 7, 15, 27, 1, 5},   {5, 6, 8, 141, 123, 4, 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "digit " << r.digit << " in " << r.row << "," << r.col);
    BoardSession b;
    b.schema.cellValues[r.peerRow][r.peerCol] = static_cast<std::int16_t>(r.digit);
    b.schema.currentRow = 7;  // an empty current cell: no green anywhere
    b.schema.currentCol = 8;
    b.schema.Refresh(b.frm);
    for (int dy = 0; dy < 6; ++dy) {
      for (int dx = 0; dx < 6; ++dx) EXPECT_EQ(b.frm.Pixel(r.left + dx, r.top + dy), kRed);
    }
    EXPECT_EQ(b.frm.Pixel(r.left - 1, r.top), kWhite);
    EXPECT_EQ(b.frm.Pixel(r.left + 6, r.top + 5), kWhite);
    EXPECT_EQ(b.frm.Pixel(r.left, r.top - 1), kWhite);
    EXPECT_EQ(b.frm.Pixel(r.left + 5, r.top + 6), kWhite);
  }
}

TEST(CellDisplay, HandMadeExclusionsShowBlackOverRedAndOverruleGreen) {
  BoardSession b;
  b.Char('5');       // (1, 1) holds 5; (5, 5) is green
  b.Click(2, 5, 5);  // rule out 5 there by hand
  EXPECT_EQ(Ground(b.frm, 5, 5), kWhite);
  EXPECT_EQ(MarkColour(b.frm, 5, 5, 5), kBlack);
  b.Click(2, 1, 4);  // a peer, where 5 is already red
  EXPECT_EQ(MarkColour(b.frm, 1, 4, 5), kBlack);
  EXPECT_EQ(Ground(b.frm, 1, 4), kWhite);
  EXPECT_EQ(FrameInk(b.frm, 1, 1), kWholeFrame) << "right clicks leave the current cell alone";
}

TEST(CellDisplay, ADigitCellShowsOnlyItsDigit) {
  BoardSession b;
  b.schema.cellValues[2][2] = 4;
  b.schema.cellValues[2][8] = 4;  // the same digit in its row
  b.schema.cellValues[3][3] = 6;  // and another in its box
  b.schema.userExclusions[2][2] = 0x1FF;
  b.schema.currentRow = 3;
  b.schema.currentCol = 3;
  b.schema.Refresh(b.frm);
  // The content area holds the digit's ink on the background, nothing else.
  for (int y = CellTop(2) + 3; y <= CellTop(2) + 21; ++y) {
    for (int x = CellLeft(2) + 3; x <= CellLeft(2) + 21; ++x) {
      EXPECT_TRUE(b.frm.IsInk(x, y) || b.frm.Pixel(x, y) == kWhite) << x << "," << y;
    }
  }
  EXPECT_TRUE(b.frm.IsInk(InkX(2), InkY(2)));
}

TEST(CellDisplay, NoCurrentCellMeansNoFrameAndNoGreen) {
  BoardSession b;
  b.Char('5');
  ASSERT_EQ(Ground(b.frm, 9, 9), kGreen);

  b.schema.SetCurrentCell(b.frm, 0, 0);
  EXPECT_EQ(b.schema.currentRow, 0);
  EXPECT_EQ(b.schema.currentCol, 0);
  EXPECT_EQ(FrameInk(b.frm, 1, 1), 0);
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) EXPECT_NE(Ground(b.frm, r, c), kGreen) << r << "," << c;
  }
  EXPECT_TRUE(b.frm.IsBoldInk(InkX(1), InkY(1))) << "the digit stays";
  EXPECT_EQ(MarkColour(b.frm, 1, 2, 5), kRed) << "and so do the marks";
}

// The text measures what the row says, to pin down the rounding: the spare
// room 24 - size is rounded to the nearest integer (halves to even) and then
// halved, truncating toward zero.
TEST(CellDisplay, DigitsAreCentredInTheirCell) {
  struct Row {
    double width, height;
    int dx, dy;  // from the cell's left and top grid lines
    const char* why;
  };
  const Row rows[] = {
      {9, 18, 7, 3, "15 spare pixels: 7 on the left"},
      {10, 18, 7, 3, "14 spare pixels"},
      {9.5, 18, 7, 3, "14.5 rounds to 14"},
      {8.5, 16.5, 8, 4, "15.5 and 7.5 round up to the even 16 and 8"},
      {10.5, 17.5, 7, 3, "13.5 rounds to 14, 6.5 to 6"},
      {8.4, 17.6, 8, 3, "15.6 and 6.4 round to the nearest"},
      {25.5, 30, -1, -3, "no room: -1.5 rounds to -2, -6 halves to -3"},
      {27, 18, -1, 3, "-3 halves toward zero to -1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    FakePlatform platform;
    NuminoSchema schema(platform);
    RasterSurface frm;
    frm.textWidth = r.width;
    frm.textHeight = r.height;
    schema.Refresh(frm);
    schema.currentRow = 3;
    schema.currentCol = 4;
    frm.printed.clear();
    schema.ProcessInput(frm, '6', 0, 0, 0, 0);
    const std::string at =
        std::to_string(CellLeft(4) + r.dx) + "," + std::to_string(CellTop(3) + r.dy) + ":6";
    ASSERT_FALSE(frm.printed.empty());
    for (const std::string& p : frm.printed) EXPECT_EQ(p, at);
  }
}

TEST(CellDisplay, FontTurnsBoldWithTheFirstDigitAndStaysBold) {
  BoardSession b;
  b.Key(40);
  b.Click(1, 6, 6);
  EXPECT_FALSE(b.frm.FontBold()) << "nothing printed yet";
  b.Char('2');
  EXPECT_TRUE(b.frm.FontBold());
  b.Key(46);  // Delete: the board holds no digit
  EXPECT_TRUE(b.frm.FontBold());
  b.Char('3');
  b.Click(1, 8, 2);
  b.Char('9');
  b.Click(1, 1, 1);
  b.Char('4');
  b.Undo();  // 4 goes again
  for (const auto& [r, c] : {std::pair{6, 6}, std::pair{8, 2}}) {
    EXPECT_TRUE(b.frm.IsBoldInk(InkX(c), InkY(r))) << r << "," << c;
    // A bold glyph is one pixel wider than a regular one.
    EXPECT_TRUE(b.frm.IsInk(CellLeft(c) + 7 + 7, InkY(r))) << r << "," << c;
  }
  EXPECT_FALSE(b.frm.IsInk(InkX(1), InkY(1)));
}

// Every repaint prints the digit of the cell it was made for once more on
// top, so that cell's ink carries two prints and every other digit one.
TEST(CellDisplay, TheRepaintedCellsDigitIsPrintedTwice) {
  BoardSession b;
  b.Char('1');  // (1, 1)
  b.Key(39);
  b.Char('2');  // (1, 2), current
  EXPECT_EQ(b.frm.PrintCount(InkX(2), InkY(1)), 2);
  EXPECT_EQ(b.frm.PrintCount(InkX(1), InkY(1)), 1);

  b.Click(2, 1, 1);  // rule out 2 in (1, 1): that cell is repainted
  EXPECT_EQ(b.frm.PrintCount(InkX(1), InkY(1)), 2);
  EXPECT_EQ(b.frm.PrintCount(InkX(2), InkY(1)), 1);
  EXPECT_EQ(FrameInk(b.frm, 1, 2), kWholeFrame);

  b.Click(2, 5, 5);  // an empty cell: no digit printed on top
  EXPECT_EQ(b.frm.PrintCount(InkX(1), InkY(1)), 1);
  EXPECT_EQ(b.frm.PrintCount(InkX(2), InkY(1)), 1);
}

}  // namespace
}  // namespace numino
