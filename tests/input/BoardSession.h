#pragma once

#include <cstdint>

#include "model/NuminoSchema.h"
#include "support/FakePlatform.h"
#include "support/RasterSurface.h"

namespace numino::testing {

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
  // A click in the middle of a cell; cells are 24 pixels, from 12.
  void Click(int buttons, int row, int col) {
    Button(buttons, 12 + 24 * (col - 1) + 12, 12 + 24 * (row - 1) + 12);
  }
  void Select(int row, int col) { Click(1, row, col); }
  void Undo() { Char(8); }
  void Redo() { Char(9); }

  bool IsCurrent(int row, int col) const {
    return schema.currentRow == row && schema.currentCol == col;
  }
};

}  // namespace numino::testing
