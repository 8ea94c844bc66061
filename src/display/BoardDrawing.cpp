// The full redraw of the board: grid lines, cells and the current-cell frame.

#include "display/BoardColours.h"
#include "display/BoardGeometry.h"
#include "model/NuminoSchema.h"

namespace numino {

// The full redraw: clear, size the window, draw the border and the grid, paint
// every cell and put the frame on the current cell. Its picture depends only on
// the model.
void NuminoSchema::Refresh(DrawingSurface& frm) {
  using namespace geometry;
  frm.Clear();
  drawn_.Adopt(frm);
  drawn_.ForgetAll();

  frm.SetWindowSize(kWindowWidth, kWindowHeight);
  frm.SetFillColor(kBoardBackground);
  frm.SetForeColor(kBoardInk);

  // The border comes from the board box; the loops draw the eight inner
  // lines of each direction. The lines between boxes get a second line one
  // pixel further right or down, so they are two pixels wide.
  frm.Box(kBoardOrigin, kBoardOrigin, kBoardEnd, kBoardEnd);
  for (int k = 1; k <= 8; ++k) {
    const int x = kBoardOrigin + kCellPitch * k;
    frm.Line(x, kBoardOrigin, x, kBoardEnd);
    if (k % 3 == 0) frm.Line(x + 1, kBoardOrigin, x + 1, kBoardEnd);
  }
  for (int k = 1; k <= 8; ++k) {
    const int y = kBoardOrigin + kCellPitch * k;
    frm.Line(kBoardOrigin, y, kBoardEnd, y);
    if (k % 3 == 0) frm.Line(kBoardOrigin, y + 1, kBoardEnd, y + 1);
  }

  // Painting each cell in turn (column by column) would be entirely painted
  // over by the repaint that placing the frame makes below. What stays of it
  // is the font: the first digit printed switches it to bold for good.
  bool anyDigit = false;
  for (std::int16_t r = 1; r <= kSize; ++r) {
    for (std::int16_t c = 1; c <= kSize; ++c) anyDigit = anyDigit || cellValues[r][c] != 0;
  }
  if (anyDigit) TurnFontBold(frm);

  if (currentRow != 0 && currentCol != 0) {
    SetCurrentCell(frm, currentRow, currentCol);
  } else {
    SetCurrentCell(frm, 1, 1);
  }
}

}  // namespace numino
