#pragma once

#include <cstdint>

#include "model/NuminoSchema.h"
#include "support/BoardLayout.h"
#include "support/FakePlatform.h"
#include "support/RasterSurface.h"

namespace numino::testing {

// Where to look inside a cell, as its layout is documented: the frame 2
// pixels inside its grid lines, 6 x 6 marks in keypad order 3 pixels inside
// them.

// A pixel of a digit's ink on the raster surface, in either weight: digits
// print at the grid line + 7 and + 3, their ink 2 pixels inside the glyph.
inline int InkX(int col) { return CellLeft(col) + 7 + 4; }
inline int InkY(int row) { return CellTop(row) + 3 + 8; }

// The colour of digit d's mark square; kWhite when its corners disagree.
inline std::uint32_t MarkColour(const RasterSurface& frm, int row, int col, int d) {
  const int x = CellLeft(col) + 3 + 6 * ((d - 1) % 3);
  const int y = CellTop(row) + 3 + 6 * ((d - 1) / 3);
  const std::uint32_t p = frm.Pixel(x, y);
  if (frm.Pixel(x + 5, y) != p || frm.Pixel(x, y + 5) != p || frm.Pixel(x + 5, y + 5) != p) {
    return RasterSurface::kWhite;
  }
  return p;
}

// How many of the 80 pixels of the cell's frame ring are black: all of them
// round the current cell, none elsewhere.
inline int FrameInk(const RasterSurface& frm, int row, int col) {
  const int left = CellLeft(col) + 2;
  const int top = CellTop(row) + 2;
  int black = 0;
  for (int i = 0; i < 20; ++i) {
    black += frm.Pixel(left + i, top) == RasterSurface::kBlack;
    black += frm.Pixel(left + 20, top + i) == RasterSurface::kBlack;
    black += frm.Pixel(left + 20 - i, top + 20) == RasterSurface::kBlack;
    black += frm.Pixel(left, top + 20 - i) == RasterSurface::kBlack;
  }
  return black;
}
constexpr int kWholeFrame = 80;

// A schema drawn on a software surface, fed the way the window feeds it:
// one typed character, one key or one button release per call.
struct BoardSession {
  FakePlatform platform;
  NuminoSchema schema{platform};
  RasterSurface frm;

  BoardSession() { schema.Refresh(frm); }

  void Char(int code) { schema.ProcessInput(frm, static_cast<std::int16_t>(code), 0, 0, 0, 0); }
  void Key(int code) { schema.ProcessInput(frm, 0, static_cast<std::int16_t>(code), 0, 0, 0); }
  void Button(int buttons, int x, int y) {
    schema.ProcessInput(frm, 0, 0, static_cast<std::int16_t>(buttons), x, y);
  }
  // A click in the middle of a cell.
  void Click(int buttons, int row, int col) { Button(buttons, CellMiddleX(col), CellMiddleY(row)); }
  void Select(int row, int col) { Click(1, row, col); }
  void Undo() { Char(8); }
  void Redo() { Char(9); }

  bool IsCurrent(int row, int col) const {
    return schema.currentRow == row && schema.currentCol == col;
  }
};

}  // namespace numino::testing
