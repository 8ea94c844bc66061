// Moving the current-cell frame and repainting the cells whose look changed.

#include <cassert>
#include <cmath>
#include <string>

#include "display/BoardColours.h"
#include "display/BoardGeometry.h"
#include "model/NuminoSchema.h"

namespace numino {

namespace {

bool IsDigit(int value) { return value >= 1 && value <= 9; }

// Cells hold 0..9 (digits typed or read from a file, which undo and redo
// only put back), and empty cells print nothing.
std::string DigitText(std::int16_t value) {
  assert(IsDigit(value));
  return std::string(1, static_cast<char>('0' + value));
}

}  // namespace

// Makes (row, col) current and moves the frame. The frame lies in the ring
// between the grid lines and the content area, which no cell repaint touches,
// so it survives every repaint. 0 in either coordinate means no current cell.
void NuminoSchema::SetCurrentCell(DrawingSurface& frm, std::int16_t row, std::int16_t col) {
  using namespace geometry;
  drawn_.Adopt(frm);
  const std::int16_t oldRow = currentRow;
  const std::int16_t oldCol = currentCol;
  const bool hadCell = oldRow > 0 && oldCol > 0;
  const bool hasCell = row > 0 && col > 0;
  if (hadCell) {
    // Erasing the old frame also wipes that cell's content area.
    frm.Box(FrameLeft(oldCol), FrameTop(oldRow), FrameRight(oldCol), FrameBottom(oldRow),
            frm.FillColor());
    drawn_.Forget(oldRow, oldCol);
    // When a new cell becomes current, the cells are repainted below from the
    // final state; a repaint of the old cell here would be painted over,
    // except that printing its digit turns the font bold for good. Without a
    // new cell, the old cell's repaint is the last one and runs below, with
    // the font as it finds it.
    if (hasCell && IsDigit(GetBuffer(oldRow, oldCol))) TurnFontBold(frm);
  }
  currentRow = row;
  currentCol = col;
  if (currentCol > 0 && currentRow > 0) {
    frm.Box(FrameLeft(col), FrameTop(row), FrameRight(col), FrameBottom(row));
    drawn_.Forget(row, col);
    DisplayNumber(frm, currentRow, currentCol);
  } else if (hadCell) {
    // Repainted after the current cell is gone, so that no cell stays green
    // for a digit that is no longer current.
    DisplayNumber(frm, oldRow, oldCol);
  }
}

// Brings every cell's content area up to date with the model, then prints the
// digit of (row, col) once more in bold on top of it. Only cells whose look
// differs from what was last painted there are repainted: the pixels are the
// same as if all 81 were.
void NuminoSchema::DisplayNumber(DrawingSurface& frm, std::int16_t row, std::int16_t col) {
  drawn_.Adopt(frm);
  drawn_.SetTarget(row, col);
  const std::int16_t v = GetBuffer(row, col);
  const Colour background = frm.FillColor();
  // Read once: no cell is painted before the loop ends.
  const std::int16_t currentDigit = GetBuffer(currentRow, currentCol);
  bool targetRepainted = false;
  CellLook targetLook;
  for (std::int16_t r = 1; r <= kSize; ++r) {
    for (std::int16_t c = 1; c <= kSize; ++c) {
      const bool isTarget = v != 0 && r == row && c == col;
      const CellLook look = LookOf(ViewOf(r, c, currentDigit), background, isTarget);
      if (drawn_.IsPainted(r, c, look)) continue;
      DrawCell(frm, r, c, look);
      if (isTarget) {
        targetRepainted = true;
        targetLook = look;
      } else {
        drawn_.Remember(r, c, look);
      }
    }
  }
  if (v == 0) return;
  TurnFontBold(frm);
  if (targetRepainted) {
    PrintCentred(frm, row, col, v);
    drawn_.Remember(row, col, targetLook);
  }
}

// The surface's font turns bold once, for good; the cache remembers it, so
// that a digit's look records the weight it was printed in.
void NuminoSchema::TurnFontBold(DrawingSurface& frm) {
  if (drawn_.FontBold()) return;
  frm.SetFontBold();
  drawn_.SetFontBold();
}

CellView NuminoSchema::ViewOf(std::int16_t row, std::int16_t col) const {
  return ViewOf(row, col, GetBuffer(currentRow, currentCol));
}

CellView NuminoSchema::ViewOf(std::int16_t row, std::int16_t col, std::int16_t currentDigit) const {
  CellView view;
  view.value = cellValues[row][col];
  view.current = row == currentRow && col == currentCol;
  if (view.value != 0) return view;
  view.peerMask = GetExclusionMask(row, col);
  view.userMask = userExclusions[row][col];
  if (IsDigit(currentDigit)) {
    const int bit = DigitBit(currentDigit);
    view.green = (view.userMask & bit) == 0 && (view.peerMask & bit) == 0;
  }
  return view;
}

// The frame is drawn apart from the content area, so whether the cell is
// current does not enter its look.
CellLook NuminoSchema::LookOf(const CellView& view, Colour background, bool printTwice) const {
  CellLook look;
  look.background = background.Value();
  look.value = view.value;
  if (look.value != 0) {
    look.printedBold = drawn_.FontBold();
    look.printedTwice = printTwice;
    return look;
  }
  look.peerMask = view.peerMask;
  look.userMask = view.userMask;
  look.green = view.green;
  return look;
}

// Repaints one cell's content area: the background or the highlight, then its
// digit, or the marks of the digits excluded there, by a peer or by hand; a
// hand mark is painted over a peer mark.
void NuminoSchema::DrawCell(DrawingSurface& frm, std::int16_t row, std::int16_t col,
                            const CellLook& look) {
  using namespace geometry;
  frm.FilledBox(ContentLeft(col), ContentTop(row), ContentRight(col), ContentBottom(row),
                frm.FillColor());
  if (look.value != 0) {
    PrintCentred(frm, row, col, look.value);
    return;
  }
  if (look.green) {
    frm.FilledBox(ContentLeft(col), ContentTop(row), ContentRight(col), ContentBottom(row),
                  kHighlight);
  }
  for (std::int16_t d = 1; d <= kSize; ++d) {
    DrawMark(d, look.peerMask, frm, row, col, kPeerMark);
    if (look.userMask != 0) DrawMark(d, look.userMask, frm, row, col, kHandMark);
  }
}

void NuminoSchema::DrawMark(std::int16_t d, std::int16_t mask, DrawingSurface& frm,
                            std::int16_t row, std::int16_t col, Colour colour) {
  using namespace geometry;
  if ((mask & DigitBit(d)) == 0) return;
  const int x1 = MarkLeft(col, d);
  const int y1 = MarkTop(row, d);
  frm.FilledBox(x1, y1, x1 + kMarkSize - 1, y1 + kMarkSize - 1, colour);
}

// Centres the digit in the 24 x 24 pixels that start at the cell's top-left
// grid line: the spare width and height are rounded half to even, then halved
// with the division truncating toward zero.
void NuminoSchema::PrintCentred(DrawingSurface& frm, std::int16_t row, std::int16_t col,
                                std::int16_t value) {
  using namespace geometry;
  const std::string text = DigitText(value);
  const long spareWidth = std::lrint(kCellPitch - frm.TextWidth(text));
  const long spareHeight = std::lrint(kCellPitch - frm.TextHeight(text));
  frm.Print(CellLeft(col) + static_cast<int>(spareWidth / 2),
            CellTop(row) + static_cast<int>(spareHeight / 2), text);
}

}  // namespace numino
