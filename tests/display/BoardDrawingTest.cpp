#include <gtest/gtest.h>

#include "model/NuminoSchema.h"
#include "support/BoardSession.h"
#include "support/ModelSnapshot.h"

namespace numino {
namespace {

using testing::FakePlatform;
using testing::FrameInk;
using testing::kWholeFrame;
using testing::RasterSurface;

constexpr std::uint32_t kBlack = RasterSurface::kBlack;
constexpr std::uint32_t kWhite = RasterSurface::kWhite;
constexpr std::uint32_t kGrey = RasterSurface::kGrey;  // the window outside the board

TEST(Refresh, NewBoardHasOneFrameAndNothingElse) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  RasterSurface frm;
  schema.Refresh(frm);

  EXPECT_EQ(frm.windowWidth, 248);
  EXPECT_EQ(frm.windowHeight, 296);
  EXPECT_EQ(FrameInk(frm, 1, 1), kWholeFrame);
  // Inside the board only the grid and the frame are black; nothing is green,
  // red or printed.
  int black = 0;
  for (int y = 12; y <= 228; ++y) {
    for (int x = 12; x <= 228; ++x) {
      const std::uint32_t p = frm.Pixel(x, y);
      ASSERT_TRUE(p == kWhite || p == kBlack) << x << "," << y << ": " << std::hex << p;
      if (p == kBlack) ++black;
    }
  }
  // Border 4 x 216 + 4 corners; 8 inner lines each way, 2 of them doubled,
  // 215 inner pixels each minus the crossings; the frame 4 x 20.
  const int border = 4 * 216;
  const int innerColumns = 10 * 215;      // 10 one-pixel vertical lines
  const int innerRows = 10 * (215 - 10);  // horizontal ones, less the crossings
  EXPECT_EQ(black, border + innerColumns + innerRows + 4 * 20);
}

TEST(Refresh, BorderIsOnePixelAndBoxLinesTwo) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  RasterSurface frm;
  schema.currentRow = 5;  // keep the frame away from the probes
  schema.currentCol = 5;
  schema.Refresh(frm);

  struct Row {
    int at;
    std::uint32_t expected;
    const char* why;
  };
  const Row rows[] = {
      {11, kGrey, "outside the board"},
      {12, kBlack, "the border"},
      {13, kWhite, "inside the border"},
      {35, kWhite, "before a thin line"},
      {36, kBlack, "a thin line"},
      {37, kWhite, "after a thin line"},
      {83, kWhite, "before a box line"},
      {84, kBlack, "box line, first pixel"},
      {85, kBlack, "box line, second pixel"},
      {86, kWhite, "after a box line"},
      {155, kWhite, "before the second box line"},
      {156, kBlack, "second box line, first pixel"},
      {157, kBlack, "second box line, second pixel"},
      {158, kWhite, "after the second box line"},
      {227, kWhite, "inside the far border"},
      {228, kBlack, "the far border"},
      {229, kGrey, "outside the board"},
  };
  const int across = 50;  // a row and a column crossing no grid line
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    EXPECT_EQ(frm.Pixel(r.at, across), r.expected) << "x = " << r.at;
    EXPECT_EQ(frm.Pixel(across, r.at), r.expected) << "y = " << r.at;
  }
  // The lines run the full height and width of the board, and no further.
  for (const int line : {36, 84, 85, 156, 157, 204}) {
    EXPECT_EQ(frm.Pixel(line, 12), kBlack);
    EXPECT_EQ(frm.Pixel(line, 228), kBlack);
    EXPECT_EQ(frm.Pixel(line, 229), kGrey);
    EXPECT_EQ(frm.Pixel(12, line), kBlack);
    EXPECT_EQ(frm.Pixel(228, line), kBlack);
    EXPECT_EQ(frm.Pixel(229, line), kGrey);
  }
}

TEST(Refresh, PutsTheFrameOnTheCurrentCell) {
  struct Row {
    std::int16_t row, col;
    std::int16_t expectedRow, expectedCol;
    const char* why;
  };
  const Row rows[] = {
      {2, 5, 2, 5, "a current cell stays where it is"},
      {0, 0, 1, 1, "no current cell: the first cell becomes current"},
      {0, 7, 1, 1, "a row of 0 means no current cell"},
      {4, 0, 1, 1, "a column of 0 means no current cell"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    FakePlatform platform;
    NuminoSchema schema(platform);
    RasterSurface frm;
    schema.currentRow = r.row;
    schema.currentCol = r.col;
    schema.Refresh(frm);
    EXPECT_EQ(schema.currentRow, r.expectedRow);
    EXPECT_EQ(schema.currentCol, r.expectedCol);
    EXPECT_EQ(FrameInk(frm, r.expectedRow, r.expectedCol), kWholeFrame);
    EXPECT_EQ(FrameInk(frm, 1, 1), r.expectedRow == 1 && r.expectedCol == 1 ? kWholeFrame : 0);
  }
}

// Refresh starts from a cleared surface, so what was drawn before does not
// show through: a board drawn after a long session equals the same model
// drawn on a fresh surface.
TEST(Refresh, PictureDependsOnlyOnTheModel) {
  FakePlatform platform;
  NuminoSchema schema(platform);
  RasterSurface used;
  schema.Refresh(used);
  struct Input {
    std::int16_t keyAscii, keyCode, button;
    int x, y;
  };
  const Input inputs[] = {
      {'5', 0, 0, 0, 0},    // into (1, 1)
      {0, 39, 0, 0, 0},     // right arrow
      {'3', 0, 0, 0, 0},    // into (1, 2)
      {0, 0, 2, 70, 20},    // right click: rule out 3 in (1, 3)
      {0, 0, 1, 120, 130},  // left click on (5, 5)
      {'7', 0, 0, 0, 0},    // into (5, 5)
      {8, 0, 0, 0, 0},      // undo the 7
      {0, 40, 0, 0, 0},     // down arrow
      {'1', 0, 0, 0, 0},
  };
  for (const Input& in : inputs) {
    schema.ProcessInput(used, in.keyAscii, in.keyCode, in.button, in.x, in.y);
  }
  schema.Refresh(used);

  FakePlatform freshPlatform;
  NuminoSchema copy(freshPlatform);
  testing::CopyBoard(schema, copy);
  RasterSurface fresh;
  copy.Refresh(fresh);
  EXPECT_TRUE(used == fresh);
  schema.Refresh(used);
  EXPECT_TRUE(used == fresh) << "a second Refresh in a row changes nothing";
}

}  // namespace
}  // namespace numino
