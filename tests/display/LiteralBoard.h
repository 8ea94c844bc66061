#pragma once

#include <cstdint>

#include "display/DrawingSurface.h"
#include "model/NuminoSchema.h"

namespace numino::testing {

// The board drawn the plain way, as a reference for the real display code:
// every repaint repaints all 81 cells, nothing is remembered between calls,
// and every coordinate is worked out here from the documented layout (cells
// of 24 pixels whose grid starts at 12) rather than taken from the display
// code. It reads and writes the schema's public fields and uses the schema
// only for model operations that draw nothing (GetBuffer, SetBuffer,
// ToggleUserExclusion) and for what a cell shows (ViewOf): which digit,
// marks and highlight; where and how they are painted is worked out here.
//
// Two deliberate differences from the old program: when no cell becomes
// current, the repaint runs after the current cell is cleared, so that no
// cell stays green for a digit that is no longer current; and hand marks are
// drawn in the ink (system colour 18) instead of black, so that a dark theme
// does not hide them.
class LiteralBoard {
 public:
  LiteralBoard(NuminoSchema& schema, DrawingSurface& frm) : schema_(schema), frm_(frm) {}

  void Refresh();
  void SetCurrentCell(std::int16_t row, std::int16_t col);
  void DisplayNumber(std::int16_t row, std::int16_t col);

  // Key, character and button handling with undo and redo, drawing through
  // the operations above. The completion check draws nothing and is left out.
  void ProcessInput(std::int16_t KeyAscii, std::int16_t KeyCode, std::int16_t Button,
                    std::int32_t x, std::int32_t y);

 private:
  void DrawCell(std::int16_t row, std::int16_t col);
  void DrawMark(std::int16_t d, std::int16_t mask, std::int16_t row, std::int16_t col,
                Colour colour);
  void PrintCentred(std::int16_t row, std::int16_t col, std::int16_t value);
  void Undo();
  void Redo();

  NuminoSchema& schema_;
  DrawingSurface& frm_;
};

}  // namespace numino::testing
