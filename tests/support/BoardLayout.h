#pragma once

#include "display/BoardGeometry.h"

// Where the tests look and click on the board, in its own pixels: read
// from the board's geometry, which BoardGeometryTest holds to the
// documented layout (grid lines at 12 + 24 k, a board of 240 pixels).
namespace numino::testing {

// The side of the board's picture, margin included, at zoom 1.
inline constexpr int kBoardSide = geometry::kClientSize;

// The left and top grid lines of a cell, and its middle.
inline constexpr int CellLeft(int col) { return geometry::CellLeft(col); }
inline constexpr int CellTop(int row) { return geometry::CellTop(row); }
inline constexpr int CellMiddleX(int col) { return CellLeft(col) + geometry::kCellPitch / 2; }
inline constexpr int CellMiddleY(int row) { return CellTop(row) + geometry::kCellPitch / 2; }

}  // namespace numino::testing
