#include <gtest/gtest.h>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/RasterSurface.h"

namespace numino {
namespace {

using testing::FakePlatform;
using testing::RasterSurface;

// Clearing the current cell used to switch the font to bold before its
// repaint, so the digits that repaint printed came out bold, although the
// font turns bold only once the repaint prints its own digit on top.
TEST(SetCurrentCell, ClearingTheCurrentCellRepaintsBeforeTheFontTurnsBold) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  RasterSurface frm;
  schema.Refresh(frm);          // an empty board leaves the font regular
  schema.cellValues[1][1] = 5;  // digits that arrived without a redraw
  schema.cellValues[5][5] = 3;

  schema.SetCurrentCell(frm, 0, 0);

  // A regular glyph is 9 pixels wide, a bold one 10, both 18 high, so both
  // print at the cell's left grid line + 7 and top grid line + 3; the ink
  // lies 2 pixels inside the glyph box.
  const int x55 = 108 + 7;
  const int y55 = 108 + 3;
  EXPECT_EQ(frm.PrintCount(x55 + 4, y55 + 8), 1);
  EXPECT_FALSE(frm.IsBoldInk(x55 + 4, y55 + 8)) << "(5, 5) printed before the font turned bold";
  EXPECT_EQ(frm.PrintCount(x55 + 7, y55 + 8), 0) << "a regular glyph has no ink in its 8th column";
  const int x11 = 12 + 7;
  const int y11 = 12 + 3;
  EXPECT_EQ(frm.PrintCount(x11 + 4, y11 + 8), 2) << "the repaint's own cell: regular, then bold";
  EXPECT_EQ(frm.PrintCount(x11 + 7, y11 + 8), 1) << "only the bold print reaches this column";
  EXPECT_TRUE(frm.IsBoldInk(x11 + 4, y11 + 8));
  EXPECT_TRUE(frm.FontBold());
}

}  // namespace
}  // namespace numino
