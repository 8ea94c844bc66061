#include "display/LiteralBoard.h"

#include <cmath>
#include <string>

namespace numino::testing {

namespace {

// The layout, written out: grid lines at 12 + 24 k, the frame 2 pixels and
// the content area 3 pixels inside a cell's grid lines.
int CellTop(int r) { return (r - 1) * 24 + 12; }
int CellLeft(int c) { return (c - 1) * 24 + 12; }
int FrameTop(int r) { return (r - 1) * 24 + 12 + 2; }
int FrameBottom(int r) { return r * 24 + 12 - 2; }
int FrameLeft(int c) { return (c - 1) * 24 + 12 + 2; }
int FrameRight(int c) { return c * 24 + 12 - 2; }

std::int16_t MapPixel(std::int32_t p) {
  if (p < 12 || p >= 228) return 0;
  return static_cast<std::int16_t>(std::floor((p - 12) / 24.0) + 1);
}

const Colour kWindowBackground = Colour::System(5);
const Colour kButtonText = Colour::System(18);

}  // namespace

void LiteralBoard::Refresh() {
  frm_.Clear();
  frm_.SetWindowSize(248, 296);
  frm_.SetFillColor(kWindowBackground);
  frm_.SetForeColor(kButtonText);
  frm_.Box(12, 12, 228, 228);
  for (int k = 1; k <= 8; ++k) {
    const int x = 12 + 24 * k;
    frm_.Line(x, 12, x, 228);
    if (k % 3 == 0 && k < 8) frm_.Line(x + 1, 12, x + 1, 228);
  }
  for (int k = 1; k <= 8; ++k) {
    const int y = 12 + 24 * k;
    frm_.Line(12, y, 228, y);
    if (k % 3 == 0 && k < 8) frm_.Line(12, y + 1, 228, y + 1);
  }
  for (std::int16_t c = 1; c <= 9; ++c) {
    for (std::int16_t r = 1; r <= 9; ++r) DisplayNumber(r, c);
  }
  if (schema_.currentRow != 0 && schema_.currentCol != 0) {
    SetCurrentCell(schema_.currentRow, schema_.currentCol);
  } else {
    SetCurrentCell(1, 1);
  }
}

void LiteralBoard::SetCurrentCell(std::int16_t row, std::int16_t col) {
  const std::int16_t oldRow = schema_.currentRow;
  const std::int16_t oldCol = schema_.currentCol;
  const bool hadCell = oldRow > 0 && oldCol > 0;
  const bool hasCell = row > 0 && col > 0;
  if (hadCell) {
    frm_.Box(FrameLeft(oldCol), FrameTop(oldRow), FrameRight(oldCol), FrameBottom(oldRow),
             frm_.FillColor());
    if (hasCell) DisplayNumber(oldRow, oldCol);
  }
  schema_.currentRow = row;
  schema_.currentCol = col;
  if (schema_.currentCol > 0 && schema_.currentRow > 0) {
    frm_.Box(FrameLeft(col), FrameTop(row), FrameRight(col), FrameBottom(row));
    DisplayNumber(schema_.currentRow, schema_.currentCol);
  } else if (hadCell) {
    DisplayNumber(oldRow, oldCol);
  }
}

void LiteralBoard::DisplayNumber(std::int16_t row, std::int16_t col) {
  const std::int16_t v = schema_.GetBuffer(row, col);
  for (std::int16_t r = 1; r <= 9; ++r) {
    for (std::int16_t c = 1; c <= 9; ++c) DrawCell(r, c);
  }
  if (v != 0) {
    frm_.SetFontBold();
    PrintCentred(row, col, v);
  }
}

// What the cell shows comes from the schema's own account of it
// (ViewOf, tested on its own); how that is painted is written out here.
void LiteralBoard::DrawCell(std::int16_t row, std::int16_t col) {
  const CellView view = schema_.ViewOf(row, col);
  const Colour b = frm_.FillColor();
  frm_.FilledBox(col * 24 - 9, row * 24 - 9, col * 24 + 9, row * 24 + 9, b);
  if (view.value != 0) {
    PrintCentred(row, col, view.value);
    return;
  }
  if (view.green) {
    frm_.FilledBox(col * 24 - 9, row * 24 - 9, col * 24 + 9, row * 24 + 9, Colour::Direct(65280));
  }
  for (std::int16_t d = 1; d <= 9; ++d) {
    DrawMark(d, view.peerMask, row, col, Colour::Direct(255));
    // A deliberate mend: the old program drew hand marks in black
    // (Colour::Direct(0)), which a dark theme hides. They take the ink, system
    // colour 18, which is black on the usual light theme.
    if (view.userMask != 0) DrawMark(d, view.userMask, row, col, kButtonText);
  }
}

void LiteralBoard::DrawMark(std::int16_t d, std::int16_t mask, std::int16_t row, std::int16_t col,
                            Colour colour) {
  if (((1 << (d - 1)) & mask) == 0) return;
  const int x1 = (col - 1) * 24 + 12 + 2 + 1 + 6 * ((d - 1) % 3);
  const int y1 = (row - 1) * 24 + 12 + 2 + 1 + 6 * ((d - 1) / 3);
  frm_.FilledBox(x1, y1, x1 + 5, y1 + 5, colour);
}

void LiteralBoard::PrintCentred(std::int16_t row, std::int16_t col, std::int16_t value) {
  const std::string s = std::to_string(value);
  // nearbyint rounds halves to even in the default rounding mode; the
  // division truncates toward zero.
  const long h = static_cast<long>(std::nearbyint(24 - frm_.TextWidth(s)));
  const long v = static_cast<long>(std::nearbyint(24 - frm_.TextHeight(s)));
  frm_.Print(CellLeft(col) + static_cast<int>(h / 2), CellTop(row) + static_cast<int>(v / 2), s);
}

void LiteralBoard::ProcessInput(std::int16_t KeyAscii, std::int16_t KeyCode, std::int16_t Button,
                                std::int32_t x, std::int32_t y) {
  const std::int16_t R = schema_.currentRow;
  const std::int16_t C = schema_.currentCol;
  if (KeyAscii != 0) {
    if (KeyAscii >= 48 && KeyAscii <= 57) {
      if (R > 0 && C > 0) schema_.SetBuffer(R, C, static_cast<std::int16_t>(KeyAscii - 48), false);
      SetCurrentCell(R, C);
    } else if (KeyAscii == 8) {
      Undo();
    } else if (KeyAscii == 9) {
      Redo();
    }
    return;
  }
  if (KeyCode != 0) {
    if (KeyCode == 37 && C > 1) SetCurrentCell(R, static_cast<std::int16_t>(C - 1));
    if (KeyCode == 38 && R > 1) SetCurrentCell(static_cast<std::int16_t>(R - 1), C);
    if (KeyCode == 39 && C < 9) SetCurrentCell(R, static_cast<std::int16_t>(C + 1));
    if (KeyCode == 40 && R < 9) SetCurrentCell(static_cast<std::int16_t>(R + 1), C);
    if (KeyCode == 46) {
      schema_.SetBuffer(R, C, 0, false);
      SetCurrentCell(R, C);
    }
    // Ctrl with a digit: codes 0x101..0x109 rule out that digit by hand in
    // an empty current cell.
    if (KeyCode >= 0x101 && KeyCode <= 0x109 && R > 0 && C > 0 && schema_.GetBuffer(R, C) == 0) {
      schema_.ToggleUserExclusion(R, C, static_cast<std::int16_t>(KeyCode - 0x100));
      DisplayNumber(R, C);
    }
    return;
  }
  if ((Button & 1) != 0) {
    const std::int16_t r = MapPixel(y);
    const std::int16_t c = MapPixel(x);
    if (r >= 1 && c >= 1) SetCurrentCell(r, c);
  } else if ((Button & 2) != 0) {
    const std::int16_t v = schema_.GetBuffer(R, C);
    if (v == 0) return;
    const std::int16_t r = MapPixel(y);
    const std::int16_t c = MapPixel(x);
    if (r >= 1 && c >= 1) {
      schema_.ToggleUserExclusion(r, c, v);
      DisplayNumber(r, c);
    }
  }
}

void LiteralBoard::Undo() {
  if (schema_.historyPos == -1) return;
  const UndoRecord r = schema_.history[static_cast<std::size_t>(schema_.historyPos)];
  if (r.oldValue < 0) {
    schema_.userExclusions[r.row][r.col] = static_cast<std::int16_t>(~r.oldValue);
    DisplayNumber(r.row, r.col);
  } else {
    schema_.SetBuffer(r.row, r.col, r.oldValue, true);
    SetCurrentCell(r.row, r.col);
  }
  --schema_.historyPos;
}

// No cap on the position: redo works whenever an undone record exists.
void LiteralBoard::Redo() {
  if (schema_.historyPos + 1 >= static_cast<std::ptrdiff_t>(schema_.history.size())) return;
  ++schema_.historyPos;
  const UndoRecord r = schema_.history[static_cast<std::size_t>(schema_.historyPos)];
  if (r.newValue < 0) {
    schema_.userExclusions[r.row][r.col] = static_cast<std::int16_t>(~r.newValue);
    DisplayNumber(r.row, r.col);
  } else {
    schema_.SetBuffer(r.row, r.col, r.newValue, true);
    SetCurrentCell(r.row, r.col);
  }
}

}  // namespace numino::testing
