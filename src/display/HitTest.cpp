// Which cell a pixel of the client area lies in.

#include <cmath>

#include "display/BoardGeometry.h"
#include "model/NuminoSchema.h"

namespace numino {

namespace {

// A pixel on a grid line belongs to the cell to its right (or below it).
std::int16_t CellUnder(std::int32_t pixel) {
  using namespace geometry;
  if (pixel < kBoardOrigin || pixel >= kBoardEnd) return 0;
  return static_cast<std::int16_t>(std::floor((pixel - kBoardOrigin) / double{kCellPitch}) + 1);
}

}  // namespace

std::int16_t NuminoSchema::MapX(std::int32_t x) const { return CellUnder(x); }
std::int16_t NuminoSchema::MapY(std::int32_t y) const { return CellUnder(y); }

}  // namespace numino
