#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "display/DrawingSurface.h"

namespace numino {

// Everything that decides the pixels of one cell's content area. Two cells
// with equal looks are painted identically, so a cell whose look has not
// changed since it was last painted is left alone.
struct CellLook {
  std::uint32_t background = 0;  // the fill colour the area was painted with
  std::int16_t value = 0;        // the digit, 0 for an empty cell
  // Digit cells: whether the font was bold when the digit was printed, and
  // whether a second, bold print lies on top of the first (the digit of the
  // cell that a repaint was made for). Printing antialiased text twice
  // darkens its edges, so the count matters.
  bool printedBold = false;
  bool printedTwice = false;
  // Empty cells: the green highlight and the two kinds of marks.
  bool green = false;
  std::int16_t peerMask = 0;
  std::int16_t userMask = 0;

  friend bool operator==(const CellLook&, const CellLook&) = default;
};

// What the schema last painted on its surface, cell by cell. A cell is
// forgotten whenever something else paints over its content area (the
// current-cell frame) and all are forgotten when the surface is cleared.
class CellPaintCache {
 public:
  // Starts over when the schema is handed a surface it has not drawn on.
  // A new surface is assumed to hold its regular (not bold) font.
  void Adopt(const DrawingSurface& surface) {
    if (&surface != surface_) {
      surface_ = &surface;
      fontBold_ = false;
      ForgetAll();
    }
  }
  void ForgetAll() {
    for (auto& row : cells_) row.fill(std::nullopt);
  }
  void Forget(int row, int col) {
    if (row >= 0 && row <= 9 && col >= 0 && col <= 9) cells_[row][col].reset();
  }

  bool IsPainted(int row, int col, const CellLook& look) const { return cells_[row][col] == look; }
  void Remember(int row, int col, const CellLook& look) { cells_[row][col] = look; }

  bool FontBold() const { return fontBold_; }
  void SetFontBold() { fontBold_ = true; }

  // The cell the last repaint was made for, whose digit, if any, lies
  // printed twice; (0, 0) before the first.
  std::int16_t TargetRow() const { return targetRow_; }
  std::int16_t TargetCol() const { return targetCol_; }
  void SetTarget(std::int16_t row, std::int16_t col) {
    targetRow_ = row;
    targetCol_ = col;
  }

 private:
  const DrawingSurface* surface_ = nullptr;
  bool fontBold_ = false;
  std::int16_t targetRow_ = 0;
  std::int16_t targetCol_ = 0;
  std::array<std::array<std::optional<CellLook>, 10>, 10> cells_{};
};

}  // namespace numino
