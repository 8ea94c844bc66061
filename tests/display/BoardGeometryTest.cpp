#include "display/BoardGeometry.h"

#include <gtest/gtest.h>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"

namespace numino {
namespace {

using testing::FakePlatform;

TEST(MapXY, PixelsOfTheBoardMapToTheirCell) {
  struct Row {
    std::int32_t pixel;
    std::int16_t cell;
    const char* why;
  };
  const Row rows[] = {
      {11, 0, "one pixel before the border"},
      {12, 1, "the border belongs to the first cell"},
      {35, 1, "last pixel of the first cell"},
      {36, 2, "a grid line belongs to the cell after it"},
      {59, 2, "last pixel of the second cell"},
      {204, 9, "first pixel of the last cell"},
      {227, 9, "last pixel before the far border"},
      {228, 0, "the far border is off the board"},
      {-5, 0, "left of the window"},
      {100000, 0, "far outside"},
  };
  FakePlatform platform;
  const NuminoSchema schema(platform);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(schema.MapX(r.pixel), r.cell) << "x = " << r.pixel;
    EXPECT_EQ(schema.MapY(r.pixel), r.cell) << "y = " << r.pixel;
  }
}

TEST(BoardGeometry, CellAndFrameEdges) {
  using namespace geometry;
  struct Row {
    int actual;
    int expected;
    const char* what;
  };
  const Row rows[] = {
      {CellLeft(1), 12, "left grid line of column 1"},
      {CellLeft(9), 204, "left grid line of column 9"},
      {CellTop(9), 204, "top grid line of row 9"},
      {FrameLeft(1), 14, "frame 2 pixels inside column 1"},
      {FrameRight(1), 34, "frame 2 pixels inside the next grid line"},
      {FrameRight(9), 226, "frame 2 pixels inside the far border"},
      {FrameTop(9), 206, "frame top in row 9"},
      {FrameBottom(9), 226, "frame bottom in row 9"},
      {ContentLeft(1), 15, "content area 3 pixels inside"},
      {ContentRight(1), 33, "content area ends 3 pixels inside"},
      {MarkLeft(1, 3), 27, "digit 3 sits in the right column of the keypad"},
      {MarkTop(1, 3), 15, "digit 3 sits in the top row of the keypad"},
      {MarkLeft(9, 9), 219, "digit 9 in column 9"},
      {MarkTop(9, 9), 219, "digit 9 in row 9"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.actual, r.expected) << r.what;
}

}  // namespace
}  // namespace numino
