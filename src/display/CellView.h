#pragma once

#include <cstdint>
#include <string>

#include "model/DigitMask.h"

namespace numino {

// What one cell shows once a repaint has finished, worked out from the
// schema alone: the drawing paints it and the accessible board reads it out.
// A cell with a digit shows only that digit; the marks and the green belong
// to empty cells. Masks are digit masks: bit d-1 set = digit d.
struct CellView {
  std::int16_t value = 0;     // the digit, 0 for an empty cell
  std::int16_t peerMask = 0;  // empty cells: the digits standing in its peers (red marks)
  std::int16_t userMask = 0;  // empty cells: the digits ruled out by hand (black marks)
  bool green = false;         // empty, and the current cell's digit can still go here
  bool current = false;       // the current cell, which has the frame

  // The digits that neither the peers nor the user rule out; 0 for a digit.
  std::int16_t Candidates() const {
    if (value != 0) return 0;
    return static_cast<std::int16_t>(~(peerMask | userMask) & kAllDigits);
  }

  friend bool operator==(const CellView&, const CellView&) = default;
};

// The cell said in words, for a screen reader; row and col 1..9:
// "Riga 3, colonna 5: 7", or for an empty cell
// "Riga 3, colonna 5: vuota, possibili 1 2 6 8" (or "possibili nessuno"),
// followed by ", esclusi a mano 4 9" when digits were ruled out by hand.
std::string DescribeCell(int row, int col, const CellView& view);

}  // namespace numino
